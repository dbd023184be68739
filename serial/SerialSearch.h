// Finding the device's data rate, and the port it sits on, from what arrives
// while the person presses keys on it. The search listens only: it sends
// nothing, keeps DTR and RTS off, and nothing it receives is executed.
//
// A device search listens on every port it could open, at the first rate of
// the order; the first port where anything arrives (bytes or line errors)
// is the device's, and its rate is searched as a rate search does. A rate
// search tries the rates in turn on one port: the next rate as soon as the
// bytes prove the rate wrong, or after a while without proof either way,
// round the order again until the time is up.
#pragma once

#include "serial/RateJudge.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The order the rates are tried in: the usual ones of communication aids
// first. 56000 comes after 57600, which it lies close enough to that a
// device at either is read at both.
inline constexpr std::array<int32_t, 13> RateSearchOrder{9600, 19200, 4800, 2400,  1200,  38400, 57600,
                                                         115200, 300,  600,  14400, 56000, 110};

// What arrived on a port since the last read.
struct TPortRead {
    std::string Bytes;
    bool LineErrors = false; // framing, parity, break or overrun
};

// One port opened for the search (the system's side).
class TSearchLine {
public:
    virtual ~TSearchLine() = default;
    // Listens at Rate from now on; what arrived before is dropped. False
    // when the port does not take it: the rate is passed over (and a port
    // that does not take the first rate is not listened on).
    virtual bool SetRate(int32_t Rate) = 0;
    // What has arrived; never waits.
    virtual TPortRead Read() = 0;
};

struct TSearchPort {
    int32_t Number = 0;
    std::unique_ptr<TSearchLine> Line;
};

enum class TSearchPhase {
    Listening, // on every port, for the one where the device is
    Rating,    // on the device's port, for its rate
    Found,     // Port() at Rate()
    NotFound,  // the time is up
    Stopped,   // ended by the user
};

class TSerialSearch {
public:
    // How long a rate is listened at without proof either way, and how long
    // the whole search may take.
    static constexpr uint32_t DwellMs = 4000;
    static constexpr uint32_t LimitMs = 60000;

    // A device search over Ports (more than one, or one that is not known
    // to be the device's: FindPort), or a rate search on the one port.
    TSerialSearch(std::vector<TSearchPort> Ports, bool FindPort, uint32_t NowMs);

    // Reads every port and moves on; call it often (every few tens of
    // milliseconds). False once the search is over.
    bool Step(uint32_t NowMs);
    void Stop();

    TSearchPhase Phase() const { return FPhase; }
    bool Running() const { return FPhase == TSearchPhase::Listening || FPhase == TSearchPhase::Rating; }
    // The device's port once known (Rating, Found), else 0.
    int32_t Port() const { return FPort; }
    // The rate listened at now, or the one found.
    int32_t Rate() const { return RateSearchOrder[FRateIndex]; }
    // How many ports are listened on.
    size_t Listening() const { return FPorts.size(); }

    // The quiet after which the bytes of one key press are complete: a
    // tenth of a second, longer at the slow rates (30 bit times).
    static uint32_t BurstQuietMs(int32_t Rate);

private:
    void Listen(uint32_t NowMs);
    void ListenAtRate(uint32_t NowMs);
    void TakeRead(const TPortRead& Read, uint32_t NowMs);
    void EndBurst(uint32_t NowMs);
    // The next rate of the order on the device's port.
    void NextRate(uint32_t NowMs);

    std::vector<TSearchPort> FPorts;
    TSearchPhase FPhase = TSearchPhase::Listening;
    uint32_t FStartMs = 0;
    uint32_t FRateSinceMs = 0;
    uint32_t FLastByteMs = 0;
    size_t FRateIndex = 0;
    int32_t FPort = 0;
    std::string FBurst;
    bool FBurstErrors = false;
    TRateJudge FJudge;
};
