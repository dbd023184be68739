// What every window that hosts the engine does on the main thread with the
// messages the engine's threads post to it (through TPostedEvents):
// - UM_PORTWORK: the receiver's job thread has opened the port, failed to,
//   or listed the ports: the results are applied (state callbacks follow);
// - UM_MOUSEMOVING: a 100 ms timer paces continuous mouse movement; it runs
//   only while the pointer moves, so a quiet engine is never woken;
// - UM_PORTLOST: the serial device is gone; the port is closed (state 0 is
//   reported through the engine's state callback) and tried again every
//   2 seconds while the user still wants it, and at once when the system
//   reports a newly arrived device; continuous movement stops meanwhile.
//   Each attempt also looks for the device at another number.
// - WM_POWERBROADCAST: before sleep the engine lets go of everything and
//   closes the port; after it the port opens again as after a loss. A
//   message-only window (the console's) hears no broadcasts: it asks for
//   the reports where the system has the means (Windows 8 and later).
// - WM_WTSSESSION_CHANGE: the port belongs to the session at the console;
//   one that leaves gives it up until it is back, and a locked session lets
//   go of every key and button. Bytes that arrive while another session is
//   at the console (a report missed) are dropped, and the port goes at once
//   (UM_RECEIVEDAWAY).
// - UM_DESKTOPSWITCH: while the secure desktop has the input and the
//   sign-in helper is set up, the port is the helper's: the engine lets go
//   of it until this desktop is back, then opens it as after sleep.
// - UM_ELEVATEDTARGET: the device's input went to a window with higher
//   rights: one log line (left to the window as well, for its notice).
//
// Use: create it after the engine, with the window the engine's events are
// posted to; call HandleMessage first from that window's procedure; destroy
// it before the engine. The window must not use the three timer ids below
// itself.
#pragma once

#include "app/DesktopWatch_win.h"
#include "app/Engine.h"

#include <windows.h>

// Whether this process's session is the one at the console; tests put a
// check of their own in its place (null: the system's).
bool SessionAtConsole();
void SetConsoleSessionCheck(bool (*Check)());

class TEngineHost {
public:
    static constexpr UINT_PTR MouseTimerId = 0x7601;
    static constexpr UINT_PTR ReconnectTimerId = 0x7602;
    // Asks again for session reports that were refused at the start.
    static constexpr UINT_PTR SessionReportsTimerId = 0x7603;
    static constexpr UINT MouseTickMs = 100;

    // Asks the system to report serial ports that arrive to Window, and the
    // changes of this session; gives up the port when another session is at
    // the console.
    TEngineHost(HWND Window, TEngine& Engine);
    // Stops its timers and the reports.
    ~TEngineHost();
    TEngineHost(const TEngineHost&) = delete;
    TEngineHost& operator=(const TEngineHost&) = delete;

    // Starts the 2-second attempts when the engine awaits its port (one that
    // could not be opened); the window calls it after it asked the receiver
    // to open the port; the constructor calls it for the start.
    void WatchPort();

    // True when the message was the host's (UM_PORTWORK, UM_MOUSEMOVING,
    // UM_PORTLOST, or WM_TIMER of one of its timers), with its Result; the
    // window then leaves it alone. WM_DEVICECHANGE is acted on but left to
    // the window as well (false), which may want it for its own port list.
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

private:
    void RetryLostPort();
    // A device that is gone sends no moustop: the pointer must not drift to
    // the edge of the screen meanwhile.
    void StopMovement();
    void PowerChanged(WPARAM Event);
    void SessionChanged(WPARAM Event);
    void FollowConsole();
    void AskForSessionReports();
    void DesktopSwitched();

    HWND FWindow;
    TEngine& FEngine;
    HDEVNOTIFY FDeviceReports = nullptr;
    HPOWERNOTIFY FPowerReports = nullptr;
    bool FSessionReports = false;
    TDesktopWatch FDesktopWatch;
};
