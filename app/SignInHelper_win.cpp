#include "app/SignInHelper_win.h"

#include "app/SignInPlace_win.h"
#include "gidei/InputSink.h"
#include "logging/Log.h"

#include <algorithm>

namespace {

constexpr DWORD MouseTickMs = 100;

} // namespace

TSignInHelper::TSignInHelper(const TPortSettings& Port, TEventLogNote& Note)
    : FPort(Port), FNote(Note), FWake(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

bool TSignInHelper::Run()
{
    FSwitches.Reset(SignInPlace().OpenDesktopSwitches());
    if (!FSwitches || !FWake)
        return false;
    for (;;) {
        if (SignInPlace().SecureDesktopIsInput())
            Serve();
        if (WaitForSingleObject(FSwitches.Get(), INFINITE) != WAIT_OBJECT_0)
            return false; // never a loop that spins
    }
}

void TSignInHelper::Serve()
{
    TEngineSetup setup;
    setup.Port = FPort; // a GIDEI baudrate changes this opening only
    setup.NamedEvents = false;
    setup.HardwarePortsOnly = true;
    FJobsReady = false;
    FLostOpening = 0;
    FMovement = -1;
    FMoving = false;
    TEngine engine(setup, SystemInputSink(), NoLog(), *this, nullptr, nullptr);
    const DWORD start = GetTickCount();
    DWORD lastTry = start;
    for (;;) {
        const HANDLE waits[] = {FSwitches.Get(), FWake.Get()};
        const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, NextWait(engine, GetTickCount() - start));
        if (woken == WAIT_FAILED || (woken == WAIT_OBJECT_0 && !SignInPlace().SecureDesktopIsInput()))
            break;
        Handle(engine);
        const DWORD now = GetTickCount();
        if (FMoving && woken == WAIT_TIMEOUT)
            engine.MouseTimerTick();
        if (!engine.AwaitingPort() || engine.Starting())
            continue;
        const DWORD interval = now - start < LetGoMs ? LetGoRetryMs : TEngine::ReconnectIntervalMs;
        if (now - lastTry >= interval) {
            lastTry = now;
            engine.RetryLostPort();
        }
        if (now - start >= LetGoMs && engine.AwaitingPort())
            FNote.Once("Vemu Keys bei der Anmeldung: COM" + std::to_string(FPort.Port) +
                       " lie\xc3\x9f sich nicht \xc3\xb6" "ffnen");
    }
    // Back on the user's desktop: nothing may stay down, and the port is
    // the user's program's again.
    engine.SetMouseMoving(false);
    engine.SessionLocked();
    engine.Parser().AwaitRelease(TEngine::ReleaseWaitMs);
}

DWORD TSignInHelper::NextWait(TEngine& Engine, DWORD Since) const
{
    DWORD wait = INFINITE;
    if (FMoving)
        wait = MouseTickMs;
    if (Engine.AwaitingPort() && !Engine.Starting())
        wait = std::min(wait, Since < LetGoMs ? LetGoRetryMs : TEngine::ReconnectIntervalMs);
    return wait;
}

void TSignInHelper::Handle(TEngine& Engine)
{
    if (FJobsReady.exchange(false))
        Engine.DeliverPortJobs();
    if (const uintptr_t opening = FLostOpening.exchange(0))
        if (Engine.PortLost(opening))
            FMoving = false;
    const int movement = FMovement.exchange(-1);
    if (movement >= 0) {
        FMoving = movement == 1;
        Engine.SetMouseMoving(FMoving);
    }
}

void TSignInHelper::PortLost(uintptr_t Opening)
{
    FLostOpening = Opening;
    SetEvent(FWake.Get());
}

void TSignInHelper::PortJobsReady()
{
    FJobsReady = true;
    SetEvent(FWake.Get());
}

void TSignInHelper::MovementChanged(bool On)
{
    FMovement = On ? 1 : 0;
    SetEvent(FWake.Get());
}
