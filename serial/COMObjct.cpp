#include "serial/COMObjct.h"

#include "base/system/Error.h"
#include "base/system/Numbers.h"
#include "serial/DeviceText.h"
#include "serial/EngineEvents.h"
#include "serial/EnumCOM.h"
#include "serial/PortOpening.h"

TWorkThread::TWorkThread(TLog& Log, TReceiverEvents& Events, bool NamedEvents)
    : TermEvent(MakeEngineEvent(ReadStopEventName, NamedEvents, Log)), FLog(Log), FEvents(Events)
{
}

TWorkThread::~TWorkThread()
{
    Stop();
    Join();
}

void TWorkThread::Stop()
{
    Terminate();
    TermEvent->Set();
}

void TWorkThread::Deliver(const char* Bytes, size_t Count)
{
    // What the person at the console sends is neither typed into another
    // session nor logged there.
    if (!FEvents.InputIsOurs()) {
        if (!ToldAway)
            FEvents.ReceivedAway(Opening);
        ToldAway = true;
        return;
    }
    ToldAway = false;
    // The log shows every byte received, zero bytes included.
    FLog.LogHex(lkReceived, " ", std::string(Bytes, Count));
    Queue->AddBytes(Bytes, Count);
    if (!Heard && Count > 0) {
        Heard = true;
        FEvents.DeviceHeard(Opening);
    }
    if (Flood.Add(Bytes, Count))
        ReportUnreadable();
}

void TWorkThread::LineError()
{
    if (Flood.AddLineError())
        ReportUnreadable();
}

void TWorkThread::ReportUnreadable()
{
    FLog.Log(lkPlain, "### Das Ger\xe4t sendet unlesbare Zeichen: stimmt die Datenrate?");
    FEvents.UnreadableInput(Opening);
}

void TWorkThread::ReportLost(const std::string& Why)
{
    // Stopping ends reads with errors too; they mean nothing then.
    if (Terminated())
        return;
    FLog.Log(lkError, "Serial Comm Error: " + Why);
    FEvents.PortLost(Opening);
}

TSerialReceiver::TSerialReceiver(const TPortSettings& Settings, TLog& Log, TReceiverEvents& Events,
                                 bool NamedEvents, TPortJobs Jobs)
    : FLog(Log), FEvents(Events), FNamedEvents(NamedEvents)
{
    SetPort(Settings.Port);
    SetRate(Settings.Rate);
    SetByteSize(Settings.ByteSize);
    SetParity(Settings.Parity);
    SetStopBits(Settings.StopBits);
    SetQInSize(Settings.QInSize);
    SetQOutSize(Settings.QOutSize);
    FSettings.ControlLines = Settings.ControlLines;
    // After the port number, whose change forgets the identity.
    FIdentity.Device = CleanDeviceText(Settings.Device, MaxDeviceIdLength);
    FIdentity.Model = CleanDeviceText(Settings.DeviceModel, MaxDeviceIdLength);
    Queue = std::make_unique<TReceiveQueue>(Log);
    Queue->Active = false;
    if (Jobs == pjOwnThread)
        FJobs = std::make_unique<TJobThread>([&Events] { Events.PortJobsReady(); });
    else
        FJobs = std::make_unique<TJobThread>();
}

TSerialReceiver::~TSerialReceiver()
{
    FOnStateChange = nullptr;
    FJobs.reset(); // an opening that hangs is given up; what it opened is closed
    Close();
    Queue.reset();
}

TPortSettings TSerialReceiver::Settings() const
{
    TPortSettings settings = FSettings;
    settings.Device = FIdentity.Device;
    settings.DeviceModel = FIdentity.Model;
    return settings;
}

int TSerialReceiver::State() const
{
    if (FHandle == InvalidPortHandle)
        return rsClosed;
    return Queue->Active ? rsActive : rsOpen;
}

void TSerialReceiver::Notify(int S)
{
    if (FOnStateChange)
        FOnStateChange(FOnStateChangeData, S);
}

void TSerialReceiver::NextJob()
{
    if (!FJobs || FJob != jkNone)
        return;
    if (FLeftBehindWanted) {
        FLeftBehindWanted = false;
        StartListing(&TSerialReceiver::RememberLeftBehind);
    } else if (FAttemptWanted) {
        FAttemptWanted = false;
        if (FAwaited != 0 && FHandle == InvalidPortHandle && FHeld == 0)
            StartAttempt(FAttemptLoud);
        FAttemptLoud = false;
    } else if (FRelearnWanted) {
        FRelearnWanted = false;
        if (FHandle != InvalidPortHandle)
            StartListing(&TSerialReceiver::RelearnWhileOpen);
    }
}

namespace {

// A job without a result would leave the receiver waiting for it for good:
// an opening that throws is one that failed, and what it opened is closed.
void AttemptWithoutThrowing(const TOpenRequest& Request, TOpenOutcome& Outcome)
{
    try {
        AttemptOpening(Request, Outcome);
        return;
    } catch (const std::exception& error) {
        Outcome.Error = error.what();
    } catch (...) {
        Outcome.Error = "<unbekannt>";
    }
    if (Outcome.Handle != InvalidPortHandle)
        CloseSerialPort(Outcome.Take());
}

} // namespace

// The jobs below hold `this` only to hand it to their results, which run on
// the receiver's thread while it exists; on the job thread they use their
// copies alone.
void TSerialReceiver::StartAttempt(bool Loud)
{
    FJob = jkAttempt;
    const uintptr_t attempt = ++FAttempts;
    FAttemptGivenUp = std::make_shared<std::atomic<bool>>(false);
    TOpenRequest request{FSettings, FIdentity, FOtherDevices, FHardwareOnly, FAttemptGivenUp};
    FAttemptJob = FJobs->Run([this, request, attempt, Loud]() -> TJobThread::TResult {
        auto outcome = std::make_shared<TOpenOutcome>();
        AttemptWithoutThrowing(request, *outcome);
        return [this, outcome, attempt, Loud] {
            FJob = jkNone;
            Attempted(attempt, Loud, *outcome);
            // What an attempt given up opened is closed before the next
            // attempt can start, not when this result is freed.
            if (outcome->Handle != InvalidPortHandle)
                CloseSerialPort(outcome->Take());
            NextJob();
        };
    });
}

void TSerialReceiver::StartListing(TApplyList Apply)
{
    FJob = jkListing;
    RunListing([this, Apply](const std::vector<TPortDevice>& Present) {
        FJob = jkNone;
        (this->*Apply)(Present);
        NextJob();
    });
}

void TSerialReceiver::RunListing(TPortsListed Listed)
{
    FJobs->Run([Listed]() -> TJobThread::TResult {
        auto present = std::make_shared<std::vector<TPortDevice>>();
        try {
            GetInstalledPorts(*present);
        } catch (...) {
            present->clear(); // nothing learned; the receiver goes on
        }
        return [Listed, present] { Listed(*present); };
    });
}

void TSerialReceiver::Attempted(uintptr_t Attempt, bool Loud, TOpenOutcome& Outcome)
{
    // Given up since (closed, another setting, the port held): what it
    // opened goes with the outcome.
    if (Attempt != FAttempts || FAwaited == 0 || FHeld != 0 || FHandle != InvalidPortHandle)
        return;
    ReportAmbiguity(Outcome.Search);
    std::string error = Outcome.Error;
    if (Outcome.Handle != InvalidPortHandle) {
        // The queue takes what the device sends from the first byte on: a
        // sequence whose start was dropped would be typed as text.
        Queue->Active = FAwaited == 2;
        if (StartReading(Outcome.Take(), error)) {
            Opened(Outcome, Loud);
            return;
        }
        Queue->Active = false;
    }
    // An attempt the user asked for says why; the quiet ones repeat it
    // every 2 seconds and say nothing.
    if (Loud)
        FLog.Log(lkError, "### Fehler: " + error);
}

bool TSerialReceiver::StartReading(TPortHandle Handle, std::string& Error)
{
    try {
        FThread = std::make_unique<TWorkThread>(FLog, FEvents, FNamedEvents);
        FThread->Handle = Handle;
        FThread->Queue = Queue.get();
        FThread->Opening = ++FOpenings;
        FThread->Start();
    } catch (const std::exception& error) {
        FThread.reset();
        CloseSerialPort(Handle);
        Error = error.what();
        return false;
    }
    FHandle = Handle;
    return true;
}

void TSerialReceiver::Opened(TOpenOutcome& Outcome, bool Loud)
{
    const int32_t before = FSettings.Port;
    if (Outcome.Port != before) {
        FSettings.Port = Outcome.Port;
        FLog.Log(lkPlain, "### Ger\xe4t an COM" + std::to_string(Outcome.Port) + " gefunden (vorher COM" +
                              std::to_string(before) + ")");
    }
    if (Outcome.Listed) {
        LearnDeviceAtPort(Outcome.Present);
        if (FOnPortsListed)
            FOnPortsListed(Outcome.Present);
    }
    if (Outcome.LinesRefused)
        FLog.Log(lkPlain, "### Steuerleitungen DTR/RTS an COM" + std::to_string(Outcome.Port) +
                              " nicht eingeschaltet: der Treiber l\xe4sst es nicht zu");
    FLastAmbiguityLine.clear();
    const int state = FAwaited; // the queue was set to it before reading began
    FAwaited = 0;
    // A device found at another number has said so already.
    if (!Loud && Outcome.Port == before)
        FLog.Log(lkPlain, "### Verbindung zu COM" + std::to_string(before) + " wiederhergestellt");
    Notify(state);
}

void TSerialReceiver::ReportAmbiguity(const TPortSearchResult& Search)
{
    if (Search.Outcome != TPortSearch::Ambiguous)
        return;
    std::string ports;
    for (int port : Search.Candidates)
        ports += (ports.empty() ? "COM" : ", COM") + std::to_string(port);
    const std::string text = "### Ger\xe4t von COM" + std::to_string(FSettings.Port) + " nicht eindeutig gefunden (" +
                             ports + " passen): bitte im Einstellungsdialog w\xe4hlen";
    // A retry every 2 seconds finds the same: said once.
    if (text != FLastAmbiguityLine)
        FLog.Log(lkPlain, text);
    FLastAmbiguityLine = text;
}

void TSerialReceiver::LearnDeviceAtPort(const std::vector<TPortDevice>& Present)
{
    // A port the system does not list (a virtual one, say) keeps what was
    // known: nothing is learned, nothing forgotten.
    const TPortDevice* device = DeviceAt(FSettings.Port, Present);
    if (!device)
        return;
    if (!device->Identity.Empty())
        FIdentity = device->Identity;
    AddOtherDevices(FOtherDevices, FSettings.Port, FIdentity, Present);
}

void TSerialReceiver::DevicesChanged()
{
    if (FHandle == InvalidPortHandle)
        return;
    FRelearnWanted = true;
    NextJob();
}

void TSerialReceiver::RelearnWhileOpen(const std::vector<TPortDevice>& Present)
{
    if (FHandle != InvalidPortHandle)
        LearnDeviceAtPort(Present);
}

void TSerialReceiver::RememberLeftBehind(const std::vector<TPortDevice>& Present)
{
    // Whatever of the device's model is present now was there when the
    // device went: it is not the device coming back.
    AddOtherDevices(FOtherDevices, FSettings.Port, FIdentity, Present);
}

void TSerialReceiver::SetState(int S)
{
    if (S == State() || S == 0 || FSettings.Port == 0)
        return;
    if (FHeld != 0) {
        FComeBack = S; // the state it comes back to
        return;
    }
    if (FHandle == InvalidPortHandle) {
        // At the start the adapter may sit in another socket than last
        // time (a new number): an adapter of its model found alone is taken
        // for it, as the person may have no other way to reach the dialog.
        // Adapters seen beside it in this session are never taken. Should
        // it fail, the port is awaited like a lost one (an adapter plugged
        // in only after the start), and the user's latest wish is the state
        // it comes to.
        FAwaited = S;
        FAttemptWanted = true;
        FAttemptLoud = true;
        NextJob();
        return;
    }
    Queue->Active = S == 2;
    Notify(S);
}

void TSerialReceiver::ClosePort()
{
    if (FThread) {
        FThread->Stop();
        FThread->Join();
        FThread.reset();
    }
    if (FHandle != InvalidPortHandle) {
        CloseSerialPort(FHandle);
        FHandle = InvalidPortHandle;
        Notify(0);
    }
}

// An attempt given up (closed, held) whose opening still hangs (a Bluetooth
// device that is away) would hold up the next one for seconds.
void TSerialReceiver::GiveUpAttempt()
{
    FAttemptWanted = false;
    ++FAttempts;
    if (FAttemptGivenUp)
        FAttemptGivenUp->store(true);
    if (FJob == jkAttempt && FJobs) // none once the receiver goes
        FJobs->CancelIfRunning(FAttemptJob);
}

void TSerialReceiver::Close()
{
    FAwaited = 0;
    FComeBack = 0;
    GiveUpAttempt();
    FLastAmbiguityLine.clear();
    ClosePort();
}

void TSerialReceiver::PortLost(uintptr_t Opening)
{
    if (FHandle == InvalidPortHandle || !FThread || FThread->Opening != Opening)
        return;
    // Set before the state callback runs, so that it can tell a lost port
    // from a closed one.
    FAwaited = State();
    FLeftBehindWanted = true;
    NextJob();
    ClosePort();
}

bool TSerialReceiver::Reconnect()
{
    if (FAwaited == 0 || FHandle != InvalidPortHandle || FHeld != 0 || FJob == jkAttempt)
        return false;
    FAttemptWanted = true;
    NextJob();
    return FHandle != InvalidPortHandle;
}

void TSerialReceiver::Hold(THoldReason Reason)
{
    if (FHeld == 0) {
        FComeBack = FHandle != InvalidPortHandle ? State() : FAwaited;
        FAwaited = 0;
        GiveUpAttempt();
    }
    FHeld |= Reason;
    ClosePort();
}

void TSerialReceiver::Release(THoldReason Reason)
{
    if ((FHeld & Reason) == 0)
        return;
    FHeld &= static_cast<uint8_t>(~Reason);
    if (FHeld != 0 || FComeBack == 0)
        return;
    FAwaited = FComeBack;
    FComeBack = 0;
    FAttemptWanted = true;
    NextJob();
}

void TSerialReceiver::InjectByte(uint8_t Byte)
{
    if (!FThread)
        return;
    const char byte = static_cast<char>(Byte);
    Queue->AddBytes(&byte, 1);
}

void TSerialReceiver::SetValue(int32_t& Field, int32_t Value, int32_t Min, int32_t Max)
{
    if (ClampAndCompare(Value, Min, Max, Field))
        return;
    Close();
    Field = Value;
}

void TSerialReceiver::SetPort(int32_t N)
{
    const int32_t before = FSettings.Port;
    SetValue(FSettings.Port, N, PortNumberBounds.Min, PortNumberBounds.Max);
    if (FSettings.Port != before) {
        // The identity belonged to the device at the old number; the new
        // one's is learned when it opens.
        FIdentity = TPortIdentity();
        FOtherDevices.clear();
    }
}
void TSerialReceiver::SetByteSize(int32_t N) { SetValue(FSettings.ByteSize, N, ByteSizeBounds.Min, ByteSizeBounds.Max); }
void TSerialReceiver::SetStopBits(int32_t N) { SetValue(FSettings.StopBits, N, StopBitsBounds.Min, StopBitsBounds.Max); }
void TSerialReceiver::SetParity(int32_t N) { SetValue(FSettings.Parity, N, ParityBounds.Min, ParityBounds.Max); }

void TSerialReceiver::SetControlLines(bool On)
{
    if (On == FSettings.ControlLines)
        return;
    Close();
    FSettings.ControlLines = On;
}

void TSerialReceiver::SetRate(int32_t R)
{
    // The clamped value, not the snapped one, is compared: a rate between two
    // table entries closes the port even when it snaps to the current rate.
    if (ClampAndCompare(R, RateBounds.Min, RateBounds.Max, FSettings.Rate))
        return;
    Close();
    FSettings.Rate = SnappedRate(R);
}

void TSerialReceiver::SetQInSize(int32_t N)
{
    ClampAndCompare(N, QueueSizeBounds.Min, QueueSizeBounds.Max, FSettings.QInSize);
    FSettings.QInSize = N;
}

void TSerialReceiver::SetQOutSize(int32_t N)
{
    ClampAndCompare(N, QueueSizeBounds.Min, QueueSizeBounds.Max, FSettings.QOutSize);
    FSettings.QOutSize = N;
}
