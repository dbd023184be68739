#include "app/Engine.h"

#include "base/system/SystemServices.h"

TEngine::TEngine(const TEngineSetup& Setup, TInputSink& Sink, TLog& Log, TEngineEvents& Events,
                 TSerialReceiver::TStateCallback OnStateChange, void* Data)
    : FLog(Log), FLanguage(SystemDefaultInputLanguage() & 0xFFFF), FOnStateChange(OnStateChange), FStateData(Data)
{
    FReceiver = std::make_unique<TSerialReceiver>(Setup.Port, Log, Events, Setup.NamedEvents, pjOwnThread);
    FReceiver->SetOnStateChange(StateChanged, this);
    FReceiver->SetHardwarePortsOnly(Setup.HardwarePortsOnly);
    if (Setup.PortOverride >= 0)
        FReceiver->SetPort(Setup.PortOverride);
    if (!Setup.StartsAtConsole)
        SetAtConsole(false); // the port is wanted, and held until then
    FReceiver->SetState(rsActive);
    FStarting = FReceiver->Opening();

    FParser = std::make_unique<TKeyParser>(Sink, Setup.Typing, Log, Events, FLanguage, Setup.NamedEvents);
    FParser->Queue = FReceiver->Queue.get();
    FReceiver->Queue->SetSignalEvent(FParser->DataEvent.get());
    FParser->Start();
}

TEngine::~TEngine()
{
    FParser->Stop();
    FParser->Join();
    // The read thread may still complete units: they must not signal the
    // parser's event once it is closed.
    FReceiver->Queue->SetSignalEvent(nullptr);
    FParser.reset();
    FReceiver.reset();
}

void TEngine::Apply(const TPortSettings& Port, const TTypingSettings& Typing)
{
    if (Port.Port != 0)
        FReceiver->SetPort(Port.Port);
    FReceiver->SetRate(Port.Rate);
    FReceiver->SetByteSize(Port.ByteSize);
    FReceiver->SetParity(Port.Parity);
    FReceiver->SetStopBits(Port.StopBits);
    FReceiver->SetControlLines(Port.ControlLines);
    FParser->ApplyTyping(Typing);
    FReceiver->SetState(rsActive);
}

void TEngine::StateChanged(void* Data, int State)
{
    auto* self = static_cast<TEngine*>(Data);
    if (State != rsActive)
        self->ReleaseInput();
    if (self->FOnStateChange)
        self->FOnStateChange(self->FStateData, State);
}

void TEngine::ReleaseInput()
{
    // Units still waiting were sent for the input that is gone: typed now
    // they would press keys that nobody can release.
    FReceiver->Queue->Discard();
    if (FParser)
        FParser->CutInput();
}

bool TEngine::HoldPort(THoldReason Reason, bool Hold, const char* Line)
{
    if (Hold == ((FReceiver->Held() & Reason) != 0))
        return false;
    FLog.Log(lkPlain, Line);
    if (!Hold) {
        FReceiver->Release(Reason);
        return true;
    }
    FMoving = false;
    FReceiver->Hold(Reason);
    ReleaseInput();
    return true;
}

void TEngine::Suspend()
{
    if (HoldPort(hrSleep, true, "### Ruhezustand: Tasten losgelassen, Port geschlossen"))
        FParser->AwaitRelease(ReleaseWaitMs);
}

void TEngine::SetAtConsole(bool Here)
{
    HoldPort(hrAway, !Here,
             Here ? "### Sitzung wieder an der Konsole"
                  : "### Sitzung nicht an der Konsole: Tasten losgelassen, Port geschlossen");
}

void TEngine::SetSecureDesktop(bool Secure)
{
    HoldPort(hrSecureDesktop, Secure,
             Secure ? "### Sicherer Desktop: Tasten losgelassen, Port f\xfcr die Anmeldung freigegeben"
                    : "### Zur\xfc" "ck vom sicheren Desktop");
}

void TEngine::SetSearching(bool Searching)
{
    HoldPort(hrSearch, Searching,
             Searching ? "### Suche nach Ger\xe4t oder Datenrate: Tasten losgelassen, Port geschlossen"
                       : "### Suche vorbei: Port wird wieder ge\xf6" "ffnet");
}

void TEngine::InputToElevatedWindow()
{
    FLog.Log(lkPlain, "### Fenster mit Administratorrechten: Eingaben vom Ger\xe4t kommen dort nicht an");
}

void TEngine::SessionLocked()
{
    FMoving = false;
    ReleaseInput();
}

void TEngine::Resume() { HoldPort(hrSleep, false, "### Ruhezustand beendet"); }

void TEngine::DeliverPortJobs()
{
    FReceiver->DeliverJobs();
    if (!FStarting || FReceiver->Opening())
        return;
    FStarting = false;
    // An opening that fails reports nothing by itself: the window learns
    // here that the start found no port.
    if (FReceiver->State() == rsClosed)
        StateChanged(this, rsClosed);
}

void TEngine::MouseTimerTick()
{
    if (FMoving)
        FParser->SignalMouseTick();
}

bool TEngine::PortLost(uintptr_t Opening)
{
    FReceiver->PortLost(Opening);
    return AwaitingPort();
}

bool TEngine::RetryLostPort()
{
    FReceiver->Reconnect();
    return AwaitingPort();
}
