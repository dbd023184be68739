// The program's own window messages (WM_APP = 0x8000). Worker threads reach
// the main window only by posting these.
#pragma once

#include <cstdint>

constexpr uint32_t WM_APP_BASE = 0x8000;

constexpr uint32_t UM_INJECTBYTE = WM_APP_BASE + 0;
constexpr uint32_t UM_TRAYICON = WM_APP_BASE + 1;
constexpr uint32_t UM_LOGVIEW = WM_APP_BASE + 2;
constexpr uint32_t UM_TOGGLEACTIVE = WM_APP_BASE + 3;
constexpr uint32_t UM_STARTED = WM_APP_BASE + 5;
constexpr uint32_t UM_GIDEIERROR = WM_APP_BASE + 6;
constexpr uint32_t UM_MOUSEMOVING = WM_APP_BASE + 7;
constexpr uint32_t UM_LOGFILEERROR = WM_APP_BASE + 8;
constexpr uint32_t UM_SHOWINSTANCE = WM_APP_BASE + 9;
// The serial read thread found its device gone (an adapter pulled out) and
// ended; wParam tells which opening of the port it read.
constexpr uint32_t UM_PORTLOST = WM_APP_BASE + 10;
// The receiver's job thread has done work (a port opened or not, the ports
// listed): the main window applies it (TSerialReceiver::DeliverJobs).
constexpr uint32_t UM_PORTWORK = WM_APP_BASE + 11;
// The input desktop was switched (the sign-in screen, the lock screen's
// password entry, a question of User Account Control, or back).
constexpr uint32_t UM_DESKTOPSWITCH = WM_APP_BASE + 12;
// The device's input went to a window with higher rights, which takes
// none of it (wParam: the window), for the first time.
constexpr uint32_t UM_ELEVATEDTARGET = WM_APP_BASE + 13;
// The first bytes arrived on the port's opening number wParam.
constexpr uint32_t UM_DEVICEHEARD = WM_APP_BASE + 14;
// Units arrived for the dialog's "Empfangen:" while it is open.
constexpr uint32_t UM_RECEIVED = WM_APP_BASE + 15;
// The opening number wParam brings unreadable bytes (once per opening).
constexpr uint32_t UM_UNREADABLE = WM_APP_BASE + 16;
// Bytes arrived on opening number wParam while another session was at the
// console: the port is given up at once.
constexpr uint32_t UM_RECEIVEDAWAY = WM_APP_BASE + 17;
// The dialog's search for the device or its rate moved on, or ended.
constexpr uint32_t UM_SEARCH = WM_APP_BASE + 18;
// The error sound's file was read on its own thread: the window plays it.
constexpr uint32_t UM_SOUNDREAD = WM_APP_BASE + 19;

// Where PostToMain delivers: the main window on Windows, a recorder in tests.
class TMessageTarget {
public:
    virtual ~TMessageTarget() = default;
    // Posts without waiting for the receiver; callable from any thread.
    virtual void Post(uint32_t Msg, uintptr_t WParam, intptr_t LParam) = 0;
};
