// The port search on a thread of its own, so that the dialog stays usable
// while the person presses keys: the thread opens the ports, listens, and
// tells the host each time what the dialog shows changes.
#pragma once

#include "base/settings/SettingsRecords.h"
#include "base/threads/Sync.h"
#include "serial/SerialSearch.h"

#include <cstdint>
#include <mutex>
#include <vector>

// Told on the search's thread; the host posts itself a message and reads
// the search's state on its own thread.
class TSearchEvents {
public:
    virtual void SearchChanged() = 0;

protected:
    ~TSearchEvents() = default;
};

struct TSearchState {
    TSearchPhase Phase = TSearchPhase::Listening;
    bool Opening = true;  // the ports are being opened
    int32_t Port = 0;     // the device's port once known
    int32_t Rate = 0;     // listened at now, or found
    size_t Listening = 0; // ports listened on
    bool operator==(const TSearchState&) const = default;
};

class TSerialSearchThread : public TThread {
public:
    // How long the opening of a port may take before it is passed over.
    static constexpr uint32_t OpenWaitMs = 1000;
    static constexpr uint32_t StepMs = 20;

    // Searches Ports in that order (FindPort: for the device's port, else
    // the rate on the one port) with Framing's byte size, parity and stop
    // bits; starts at once.
    TSerialSearchThread(std::vector<int32_t> Ports, bool FindPort, const TPortSettings& Framing,
                      TSearchEvents& Events);
    // Stops the search and waits for the thread; its ports are closed.
    ~TSerialSearchThread() override;

    // Asks the search to end without a result; never waits.
    void Stop() { FStop.Set(); }
    TSearchState State() const;
    // The thread has nothing more to do (its ports are closed).
    bool Over() const;

protected:
    void Execute() override;

private:
    void Publish(const TSearchState& State);

    const std::vector<int32_t> FPorts;
    const bool FFindPort;
    const TPortSettings FFraming;
    TSearchEvents& FEvents;
    TEvent FStop{true};
    mutable std::mutex FLock;
    TSearchState FState;
    bool FOver = false;
};
