// The serial receiver and the GIDEI parser, created, wired and freed in the
// order the program's main window uses: the receiver (its port opening on
// its job thread), then the parser on the receiver's queue; at the end the
// parser first, so that no input is injected while the port closes.
#pragma once

#include "base/settings/SettingsRecords.h"
#include "gidei/KeyParse.h"
#include "gidei/TyperEvents.h"
#include "logging/Log.h"
#include "serial/COMObjct.h"
#include "serial/ReceiverEvents.h"

#include <atomic>
#include <memory>

// Everything the engine tells its host, from its worker threads: the host
// hands each call on to its own thread (the window side posts messages).
class TEngineEvents : public TReceiverEvents, public TTyperEvents {
protected:
    ~TEngineEvents() = default;
};

// What the engine is made from.
struct TEngineSetup {
    TPortSettings Port;
    TTypingSettings Typing;
    // Without them the kernel events get no global names (tests run several
    // engines side by side, the sign-in helper never names its own).
    bool NamedEvents = true;
    // 0..255 replaces the stored port before it is opened; -1 keeps it.
    int PortOverride = -1;
    // A session started away from the console (see SetAtConsole) does not
    // touch the port until it comes there.
    bool StartsAtConsole = true;
    // Only ports on a hardware bus are opened (the sign-in helper's rule).
    bool HardwarePortsOnly = false;
};

class TEngine {
public:
    // The port opens on the receiver's job thread: its results come when
    // the host, told by PortJobsReady, calls DeliverPortJobs.
    TEngine(const TEngineSetup& Setup, TInputSink& Sink, TLog& Log, TEngineEvents& Events,
            TSerialReceiver::TStateCallback OnStateChange, void* Data);
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    // The port's and the typing's settings as they are saved.
    TPortSettings PortSettings() const { return FReceiver->Settings(); }
    TTypingSettings TypingSettings() const { return FParser->Typing(); }
    // Values confirmed in the dialog: the port's number (when Port is not 0),
    // framing and control lines (a changed one closes the port), the typing's pauses and
    // GIDEI answers; then the port is opened and active, so that "OK"
    // always leaves it so.
    void Apply(const TPortSettings& Port, const TTypingSettings& Typing);

    // The input language changed (on the host's thread).
    void SetInputLanguage(uint32_t Language) { FLanguage = Language & 0xFFFF; }

    TSerialReceiver& Receiver() { return *FReceiver; }
    TKeyParser& Parser() { return *FParser; }

    // How often a lost port is tried again.
    static constexpr uint32_t ReconnectIntervalMs = 2000;

    // PortJobsReady: the receiver's job thread has results. The state the
    // start found is reported once the start's attempt has ended: the state
    // callback hears 2 or 1 when the port opened, and 0 when it did not.
    void DeliverPortJobs();
    // The start's attempt to open the port has not ended yet.
    bool Starting() const { return FStarting; }

    // PortLost (with its opening): the device behind the port is gone.
    // The port is closed and reported as 0; true when the engine now waits
    // for it to come back (the window then calls RetryLostPort every
    // ReconnectIntervalMs, and at once when a port arrives).
    bool PortLost(uintptr_t Opening);
    // One quiet attempt to open the lost port again (or its device where it
    // is now, under another number); on success the port is back in the
    // state it had. True while the engine still waits for the
    // port, false once it is back or no longer wanted (another port chosen,
    // the port closed): the window then stops trying.
    bool RetryLostPort();
    bool AwaitingPort() const { return FReceiver->AwaitedState() != 0; }

    // PBT_APMSUSPEND: across sleep the device can release nothing, and its
    // port may not work after it. Everything held is released (before the
    // computer sleeps: waited for up to ReleaseWaitMs), continuous movement
    // stops, the port is closed, with one log line; the state the port had
    // is kept for Resume.
    void Suspend();
    // After sleep: the port is opened again as after a loss (quiet attempts,
    // the device followed to another number), in the state it had.
    void Resume();
    static constexpr uint32_t ReleaseWaitMs = 500;

    // Whether this session is the one at the console (at the start, and on
    // WM_WTSSESSION_CHANGE): the port belongs to the person at the screen.
    // A session that leaves lets go of everything and of the port, with one
    // log line, and tries nothing while away (the adapter may be plugged
    // into the next person's session); back, it opens again as after sleep.
    void SetAtConsole(bool Here);
    bool AtConsole() const { return (FReceiver->Held() & hrAway) == 0; }
    // The secure desktop takes input and the sign-in helper serves it: the
    // port is the helper's until this desktop has the input again. Leaving,
    // the engine lets go of everything and of the port with one log line;
    // back, it opens again as after sleep.
    void SetSecureDesktop(bool Secure);
    bool AtSecureDesktop() const { return (FReceiver->Held() & hrSecureDesktop) != 0; }
    // The dialog's search listens on the ports itself: the port is let go
    // (everything released) until it ends, then opened again as after sleep.
    void SetSearching(bool Searching);
    // WTS_SESSION_LOCK: the device cannot reach the lock screen: everything
    // held is released and continuous movement stops; the port stays.
    void SessionLocked();

    // The device's input went to a window with higher rights for the first
    // time: said in one log line.
    void InputToElevatedWindow();

    // MovementChanged: continuous movement was switched on or off.
    void SetMouseMoving(bool On) { FMoving = On; }
    // The 100 ms timer: one movement step while movement is on.
    void MouseTimerTick();

private:
    // Every state change passes here before it reaches the window's
    // callback: when the state leaves 2 the device can no longer release
    // the keys the program holds for it, so the engine does.
    static void StateChanged(void* Data, int State);
    // Units still waiting are dropped and the parser lets go of everything.
    void ReleaseInput();
    // The port given up for Reason (everything let go, movement stopped)
    // or taken back, said in Line; false when it already was so.
    bool HoldPort(THoldReason Reason, bool Hold, const char* Line);

    TLog& FLog;
    TInputLanguage FLanguage;
    TSerialReceiver::TStateCallback FOnStateChange;
    void* FStateData;
    std::unique_ptr<TSerialReceiver> FReceiver;
    std::unique_ptr<TKeyParser> FParser;
    std::atomic<bool> FMoving{false};
    bool FStarting = false;
};
