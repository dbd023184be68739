// The sign-in helper's work: while the secure desktop takes input, the
// engine on the port the machine's key names; at each switch away, every
// key and button released and the port closed. It waits for desktop
// switches and does nothing in between. No window, no file, no log of what
// arrives: it tells its host nothing but a port it could not open, once.
#pragma once

#include "app/Engine.h"
#include "app/EventLog_win.h"
#include "base/system/Handles_win.h"

#include <windows.h>

#include <atomic>

class TSignInHelper final : private TEngineEvents {
public:
    // How long a port still held by the user's program is tried quickly
    // after the switch, and how often.
    static constexpr DWORD LetGoMs = 5000;
    static constexpr DWORD LetGoRetryMs = 250;

    TSignInHelper(const TPortSettings& Port, TEventLogNote& Note);
    TSignInHelper(const TSignInHelper&) = delete;
    TSignInHelper& operator=(const TSignInHelper&) = delete;

    // Runs until the process is ended; false when the session has no switch
    // event to wait for (at once) or the wait fails.
    bool Run();

private:
    // One stay of the secure desktop as the input desktop.
    void Serve();
    // How long the wait may last: the movement's tick, the port's retries.
    DWORD NextWait(TEngine& Engine, DWORD Since) const;
    void Handle(TEngine& Engine);

    void PortLost(uintptr_t Opening) override;
    void PortJobsReady() override;
    void DeviceHeard(uintptr_t) override {}
    void UnreadableInput(uintptr_t) override {}
    // The helper serves the secure desktop of the console's session.
    bool InputIsOurs() override { return true; }
    void ReceivedAway(uintptr_t) override {}
    void SequenceFailed() override {}
    void MovementChanged(bool On) override;

    TPortSettings FPort;
    TEventLogNote& FNote;
    TKernelHandle FSwitches;
    TKernelHandle FWake; // the engine's threads have news
    std::atomic<bool> FJobsReady{false};
    std::atomic<uintptr_t> FLostOpening{0};
    std::atomic<int> FMovement{-1}; // -1 no news, else 0 or 1
    bool FMoving = false;
};
