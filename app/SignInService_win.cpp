#include "app/SignInService_win.h"

#include "app/SignInKey_win.h"

TSignInService::TSignInService()
    : FStop(CreateEventW(nullptr, TRUE, FALSE, nullptr)), FChanged(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

TSignInService::~TSignInService() { THelperStarter::End(FHelper); }

void TSignInService::Run()
{
    for (;;) {
        Follow();
        HANDLE waits[3] = {FStop.Get(), FChanged.Get(), FHelper.Get()};
        const DWORD count = FHelper ? 3 : 2;
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, FPausing ? PauseLeft() : INFINITE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            break;
        if (woken == WAIT_OBJECT_0 + 1) {
            FPause.Reset(); // another session, another chance
            FPausing = false;
        } else if (woken == WAIT_OBJECT_0 + 2) {
            // Ended early (by itself, never by the service): started again
            // after a pause that grows while it keeps ending.
            FHelper.Reset();
            FHelperSession = NoSession;
            FPauseMs = FPause.AfterEnd(GetTickCount() - FStartedAt);
            FPauseFrom = GetTickCount();
            FPausing = true;
        }
    }
    THelperStarter::End(FHelper);
}

DWORD TSignInService::PauseLeft() const
{
    const DWORD passed = GetTickCount() - FPauseFrom;
    return passed >= FPauseMs ? 0 : FPauseMs - passed;
}

void TSignInService::Follow()
{
    if (FPausing && PauseLeft() == 0)
        FPausing = false;
    std::string refusal;
    THelperSituation situation;
    situation.KeyValid = ReadSignInKey(refusal).has_value();
    situation.ConsoleSession = ConsoleSession();
    situation.Running = static_cast<bool>(FHelper);
    situation.RunningSession = FHelperSession;
    const THelperStep step = NextHelperStep(situation);
    if (step == THelperStep::End || step == THelperStep::Move) {
        THelperStarter::End(FHelper);
        FHelperSession = NoSession;
    }
    if ((step == THelperStep::Start || step == THelperStep::Move) && !FPausing) {
        FHelper = FStarter.Start(situation.ConsoleSession);
        FStartedAt = GetTickCount();
        if (FHelper) {
            FHelperSession = situation.ConsoleSession;
        } else {
            // Could not start at all: tried again after the same pause.
            FPauseMs = FPause.AfterEnd(0);
            FPauseFrom = GetTickCount();
            FPausing = true;
        }
    }
}
