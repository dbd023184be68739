// The serial receiver owns the COM port: its settings, opening and closing,
// the read thread that feeds received bytes into the receive queue, and the
// connection state it reports to the main window.
#pragma once

#include "base/settings/SettingsRecords.h"
#include "base/threads/JobThread.h"
#include "logging/Log.h"
#include "base/threads/Sync.h"
#include "serial/PortIdentity.h"
#include "serial/UnreadableFlood.h"
#include "serial/PortSettings.h"
#include "serial/ReceiveQ.h"
#include "serial/ReceiverEvents.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>


// A port handle: the Windows HANDLE or the POSIX descriptor; -1 when closed.
using TPortHandle = intptr_t;
constexpr TPortHandle InvalidPortHandle = -1;


// Opens and configures the port in five steps; a failing step raises
// EvemuError "Serial Init Error (step): system text", the port closed again.
TPortHandle OpenSerialPort(const TPortSettings& Settings);
void CloseSerialPort(TPortHandle Handle);
// Switches DTR and RTS on; false where the driver does not let it.
bool RaiseControlLines(TPortHandle Handle);

// Waits for received characters, reads them in chunks of up to 64 bytes,
// logs them and hands them to the queue. It ends on Stop, or by itself when
// the device is gone: then it logs one error line and tells the host, which
// has the receiver close the port (the thread never closes it).
class TWorkThread : public TThread {
public:
    TWorkThread(TLog& Log, TReceiverEvents& Events, bool NamedEvents);
    ~TWorkThread() override;
    void Stop();

    std::unique_ptr<TEvent> TermEvent;
    TPortHandle Handle = InvalidPortHandle;
    TReceiveQueue* Queue = nullptr;
    // Which opening of the port the thread reads; the lost port's notice
    // carries it, so that a late notice never closes a port opened after it.
    uintptr_t Opening = 0;
    // Bytes have arrived on this opening (read thread only).
    bool Heard = false;
    // Bytes came while another session had the console, and it was told.
    bool ToldAway = false;
    TUnreadableFlood Flood;

protected:
    void Execute() override;

private:
    void Deliver(const char* Bytes, size_t Count);
    // The port reported a framing or parity error, a break or an overrun.
    void LineError();
    void ReportUnreadable();
    // The port can no longer be read: Why is the system's text for it.
    void ReportLost(const std::string& Why);

    TLog& FLog;
    TReceiverEvents& FEvents;
};

struct TOpenOutcome;

// Where the receiver opens its port and lists the system's devices: on the
// calling thread, or on a job thread of its own (the program's, so that its
// window never waits while a Bluetooth device that is away is being
// connected); then the host hears PortJobsReady and calls DeliverJobs.
enum TPortJobs { pjInline, pjOwnThread };

// Why the port is given up for a while: the computer sleeps, this session
// is not the one at the console, the secure desktop has the input and
// the sign-in helper the port, or the dialog searches the device.
enum THoldReason : uint8_t { hrSleep = 1, hrAway = 2, hrSecureDesktop = 4, hrSearch = 8 };

// The receiver's state, with the values the program has always reported.
enum TReceiverState : int { rsClosed = 0, rsOpen = 1, rsActive = 2 };

class TSerialReceiver {
public:
    using TStateCallback = void (*)(void* Data, int State);
    using TPortsListed = std::function<void(const std::vector<TPortDevice>& Present)>;

    // Takes the port settings (clamped as the setters clamp them); the port
    // stays closed. Without NamedEvents the read thread's stop event gets no
    // global name.
    TSerialReceiver(const TPortSettings& Settings, TLog& Log, TReceiverEvents& Events, bool NamedEvents = true,
                    TPortJobs Jobs = pjInline);
    // Closes the port without a callback; an opening still under way is
    // given up.
    ~TSerialReceiver();

    // The port's settings and its device, as they are saved.
    TPortSettings Settings() const;
    TSerialReceiver(const TSerialReceiver&) = delete;
    TSerialReceiver& operator=(const TSerialReceiver&) = delete;

    // 0 closed, 1 open but not active (bytes dropped), 2 open and active.
    int State() const;
    // Opens the port when needed and switches between 1 and 2; 0 does
    // nothing (closing is Close), and neither does a port number of 0.
    // When the port's number is gone, its device is looked for at another
    // number (see Identity). S is the state the port comes to; a failed
    // opening logs its error and makes the port awaited in S (see
    // Reconnect). With a job thread the opening ends later (see Opening).
    void SetState(int S);
    // Closes the port; a lost port is no longer awaited, and an opening
    // under way is of no more use.
    void Close();
    void InjectByte(uint8_t Byte);

    // The host's answer to PortLost: the read thread found the device
    // gone and ended. The port is closed (state 0 is reported) and the state
    // it had becomes the state to come back to. A notice about an opening
    // that has been closed since is ignored.
    void PortLost(uintptr_t Opening);
    // One quiet attempt (no error line) to open a lost port again, at its
    // number or where its device is now; true when it is open again, in the
    // state it had, with one log line. With a job thread the attempt ends
    // later; none starts while one is under way.
    bool Reconnect();
    // The state a lost port comes back to (1 or 2); 0 when no port is lost
    // or the user gave it up (Close, another port or setting).
    int AwaitedState() const { return FAwaited; }
    // An opening is under way or about to start.
    bool Opening() const { return FJob == jkAttempt || FAttemptWanted; }

    // The port given up for a reason (sleep, another session at the
    // console): closed (state 0 reported), no attempts, and the state it had
    // or was awaited in is kept. SetState meanwhile changes only that state.
    void Hold(THoldReason Reason);
    // Once nothing holds it, the kept state is awaited again as for a lost
    // port (quiet attempts, the device followed to another number).
    void Release(THoldReason Reason);
    uint8_t Held() const { return FHeld; }
    // The number of the port's latest opening (DeviceHeard, PortLost).
    uintptr_t LatestOpening() const { return FOpenings; }

    // Opens only a port whose device the system lists on a hardware bus
    // (for the secure desktop).
    void SetHardwarePortsOnly(bool On) { FHardwareOnly = On; }

    // The host's answer to PortJobsReady: applies what the job thread has
    // done, in order.
    void DeliverJobs() { FJobs->Deliver(); }
    // Work is waiting on the job thread or for DeliverJobs.
    bool JobsBusy() const { return FJobs->Busy(); }
    // The present ports, for the configuration dialog: Listed gets them on
    // this thread (at once without a job thread).
    void ListPorts(TPortsListed Listed) { RunListing(std::move(Listed)); }
    // Hears the present ports whenever an opening of the port listed them,
    // before the state it reports: a list of them need not ask again.
    void SetOnPortsListed(TPortsListed Listed) { FOnPortsListed = std::move(Listed); }

    // The device behind the port, as the system listed it when the port last
    // opened; stored beside the number. When the number is gone and exactly
    // one present port is this device (the same instance id, or else, where
    // the model may stand for the device, the same model and not known to be
    // another device), that port is opened and its number becomes the port's.
    const TPortIdentity& Identity() const { return FIdentity; }
    // The system reports that its devices changed. While the port is open,
    // present ports of the same model are other devices, never to be taken
    // for this one (a listing on the job thread tells which they are).
    void DevicesChanged();

    // Each clamps; a changed value closes the port and applies at the next
    // opening (a changed port number forgets the old device's identity). The
    // queue sizes never close it.
    void SetPort(int32_t N);
    void SetRate(int32_t R);
    void SetByteSize(int32_t N);
    // DTR and RTS on from the next opening; a change closes the port.
    void SetControlLines(bool On);
    void SetStopBits(int32_t N);
    void SetParity(int32_t N);
    void SetQInSize(int32_t N);
    void SetQOutSize(int32_t N);

    int32_t Port() const { return FSettings.Port; }
    int32_t Rate() const { return FSettings.Rate; }
    int32_t ByteSize() const { return FSettings.ByteSize; }
    int32_t StopBits() const { return FSettings.StopBits; }
    int32_t Parity() const { return FSettings.Parity; }
    int32_t QInSize() const { return FSettings.QInSize; }
    int32_t QOutSize() const { return FSettings.QOutSize; }
    TPortHandle Handle() const { return FHandle; }

    void SetOnStateChange(TStateCallback Callback, void* Data)
    {
        FOnStateChange = Callback;
        FOnStateChangeData = Data;
    }

    std::unique_ptr<TReceiveQueue> Queue;

private:
    // The receiver's own jobs run one at a time, each started with what the
    // results before it taught (the devices left behind by a lost port
    // count before the next attempt looks for the device).
    enum TJobKind { jkNone, jkAttempt, jkListing };
    using TApplyList = void (TSerialReceiver::*)(const std::vector<TPortDevice>& Present);

    void SetValue(int32_t& Field, int32_t Value, int32_t Min, int32_t Max);
    void Notify(int S);
    void NextJob();
    void StartAttempt(bool Loud);
    void StartListing(TApplyList Apply);
    // The one way the receiver lists the system's ports: on the job thread,
    // Listed getting them on this one.
    void RunListing(TPortsListed Listed);
    void GiveUpAttempt();
    // The result of attempt number Attempt.
    void Attempted(uintptr_t Attempt, bool Loud, TOpenOutcome& Outcome);
    // The port is open at Outcome.Port: the state awaited is reported.
    void Opened(TOpenOutcome& Outcome, bool Loud);
    // Starts the read thread on a port just opened; on failure the port is
    // closed again and Error tells why.
    bool StartReading(TPortHandle Handle, std::string& Error);
    // Several present ports may be the device: said once per situation.
    void ReportAmbiguity(const TPortSearchResult& Search);
    // The identity of the device at the port, and the devices beside it.
    void LearnDeviceAtPort(const std::vector<TPortDevice>& Present);
    // The port was found missing: the present ports of the device's model
    // are other devices.
    void RememberLeftBehind(const std::vector<TPortDevice>& Present);
    // The listing after DevicesChanged: learnt as at the opening, if the
    // port is still open.
    void RelearnWhileOpen(const std::vector<TPortDevice>& Present);
    // Stops the read thread and closes the port, reporting 0 if it was open.
    void ClosePort();

    TPortHandle FHandle = InvalidPortHandle;
    uintptr_t FOpenings = 0;
    uintptr_t FAttempts = 0; // an attempt's result counts only while it is the latest
    int FAwaited = 0;
    int FComeBack = 0; // while held: the state to come back to
    uint8_t FHeld = 0; // THoldReason bits
    TJobKind FJob = jkNone;
    uint64_t FAttemptJob = 0; // the job thread's number of the last attempt
    std::shared_ptr<std::atomic<bool>> FAttemptGivenUp; // the last attempt's, shared with its job
    bool FAttemptWanted = false;
    bool FAttemptLoud = false;
    bool FLeftBehindWanted = false;
    bool FRelearnWanted = false;
    TPortSettings FSettings; // the framing; the device is FIdentity
    TPortIdentity FIdentity;
    // Instance ids of the device's model seen beside it or while it was away,
    // gathered over the session (never stored): none of them is the device.
    std::vector<std::string> FOtherDevices;
    std::string FLastAmbiguityLine; // the last "not clear" line logged: once per situation
    TStateCallback FOnStateChange = nullptr;
    void* FOnStateChangeData = nullptr;
    TPortsListed FOnPortsListed;
    std::unique_ptr<TWorkThread> FThread;
    TLog& FLog;
    TReceiverEvents& FEvents;
    bool FNamedEvents;
    bool FHardwareOnly = false;
    std::unique_ptr<TJobThread> FJobs;
};
