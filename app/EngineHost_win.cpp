#include "app/EngineHost_win.h"

#include "base/window/Messages.h"
#include "base/system/SystemLibrary_win.h"

#include <dbt.h>
#include <wtsapi32.h>

#include <atomic>

namespace {

// The interface class of serial ports: USB-serial adapters announce
// themselves through it when they are plugged in.
const GUID SerialPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

using TRegisterSessionReports = BOOL(WINAPI*)(HWND, DWORD);
using TUnregisterSessionReports = BOOL(WINAPI*)(HWND);

std::atomic<bool (*)()> ConsoleSessionCheck{nullptr};

using TRegisterSuspendResume = HPOWERNOTIFY(WINAPI*)(HANDLE, DWORD);
using TUnregisterSuspendResume = BOOL(WINAPI*)(HPOWERNOTIFY);

template <typename TFunction>
TFunction User32Function(const char* Name)
{
    return ModuleFunction<TFunction>(GetModuleHandleA("user32.dll"), Name);
}

// Sleep and wake reports for a message-only window, which hears no
// broadcasts; none for a top-level window, which hears them anyway.
HPOWERNOTIFY AskForPowerReports(HWND Window)
{
    if (GetAncestor(Window, GA_PARENT) == GetDesktopWindow())
        return nullptr;
    const auto ask = User32Function<TRegisterSuspendResume>("RegisterSuspendResumeNotification");
    return ask ? ask(Window, DEVICE_NOTIFY_WINDOW_HANDLE) : nullptr;
}

} // namespace

bool SessionAtConsole()
{
    if (const auto check = ConsoleSessionCheck.load())
        return check();
    // The read thread asks for every chunk: the process's own session is
    // asked once, the console's is a read of memory the system shares.
    static const DWORD session = [] {
        DWORD own = 0;
        return ProcessIdToSessionId(GetCurrentProcessId(), &own) ? own : 0xFFFFFFFF;
    }();
    if (session == 0xFFFFFFFF)
        return true; // nothing known: as on a PC with one session
    return WTSGetActiveConsoleSessionId() == session;
}

void SetConsoleSessionCheck(bool (*Check)()) { ConsoleSessionCheck.store(Check); }

TEngineHost::TEngineHost(HWND Window, TEngine& Engine) : FWindow(Window), FEngine(Engine), FDesktopWatch(Window)
{
    // A top-level window hears of arriving ports anyway; a message-only
    // window (the console's) only when it asks. Without the reports the
    // 2-second retry still finds the port.
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = SerialPortInterface;
    FDeviceReports = RegisterDeviceNotificationA(Window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    FPowerReports = AskForPowerReports(Window);
    AskForSessionReports();
    FollowConsole(); // opens nothing when another session is at the console
}

void TEngineHost::AskForSessionReports()
{
    const auto ask = SystemFunction<TRegisterSessionReports>("wtsapi32.dll", "WTSRegisterSessionNotification");
    FSessionReports = ask && ask(FWindow, NOTIFY_FOR_THIS_SESSION);
    // Started at a logon, before the session service is ready, the program
    // is refused: it asks again every 2 seconds, and meanwhile looks itself
    // whether the console has changed hands.
    if (FSessionReports)
        KillTimer(FWindow, SessionReportsTimerId);
    else if (ask)
        SetTimer(FWindow, SessionReportsTimerId, TEngine::ReconnectIntervalMs, nullptr);
}

void TEngineHost::WatchPort()
{
    if (FEngine.AwaitingPort())
        SetTimer(FWindow, ReconnectTimerId, TEngine::ReconnectIntervalMs, nullptr);
}

TEngineHost::~TEngineHost()
{
    KillTimer(FWindow, MouseTimerId);
    KillTimer(FWindow, ReconnectTimerId);
    KillTimer(FWindow, SessionReportsTimerId);
    if (FDeviceReports)
        UnregisterDeviceNotification(FDeviceReports);
    if (FPowerReports)
        if (const auto stop = User32Function<TUnregisterSuspendResume>("UnregisterSuspendResumeNotification"))
            stop(FPowerReports);
    if (FSessionReports)
        if (const auto stop =
                SystemFunction<TUnregisterSessionReports>("wtsapi32.dll", "WTSUnRegisterSessionNotification"))
            stop(FWindow);
}

void TEngineHost::StopMovement()
{
    FEngine.SetMouseMoving(false);
    KillTimer(FWindow, MouseTimerId);
}

void TEngineHost::FollowConsole()
{
    const bool atConsole = SessionAtConsole();
    if (!atConsole)
        StopMovement();
    FEngine.SetAtConsole(atConsole);
    WatchPort();
}

void TEngineHost::SessionChanged(WPARAM Event)
{
    switch (Event) {
    case WTS_SESSION_LOCK:
        StopMovement();
        FEngine.SessionLocked();
        break;
    case WTS_CONSOLE_CONNECT:
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_CONNECT:
    case WTS_REMOTE_DISCONNECT:
        // Which session the console has now decides, whatever the order
        // in which the reports of a switch arrive.
        FollowConsole();
        break;
    default:
        break;
    }
}

void TEngineHost::DesktopSwitched()
{
    // Whether the helper is set up is asked only when it matters: on the
    // way to the secure desktop.
    const bool secure =
        DesktopSource().SecureHasInput() && (FEngine.AtSecureDesktop() || DesktopSource().HelperSetUp());
    if (secure == FEngine.AtSecureDesktop())
        return;
    if (secure)
        StopMovement();
    FEngine.SetSecureDesktop(secure);
    WatchPort();
}

void TEngineHost::PowerChanged(WPARAM Event)
{
    if (Event == PBT_APMSUSPEND) {
        StopMovement();
        FEngine.Suspend();
    } else if (Event == PBT_APMRESUMEAUTOMATIC || Event == PBT_APMRESUMESUSPEND) {
        // Both come after a wake by the user: the second finds nothing to do.
        FEngine.Resume();
        WatchPort();
    }
}

void TEngineHost::RetryLostPort()
{
    if (!FEngine.RetryLostPort())
        KillTimer(FWindow, ReconnectTimerId);
}

bool TEngineHost::HandleMessage(UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result)
{
    switch (Msg) {
    case UM_MOUSEMOVING:
        FEngine.SetMouseMoving(WParam != 0);
        if (WParam != 0)
            SetTimer(FWindow, MouseTimerId, MouseTickMs, nullptr);
        else
            KillTimer(FWindow, MouseTimerId);
        Result = 0;
        return true;
    case UM_PORTWORK:
        FEngine.DeliverPortJobs();
        Result = 0;
        return true;
    case UM_PORTLOST:
        if (FEngine.PortLost(static_cast<uintptr_t>(WParam))) {
            SetTimer(FWindow, ReconnectTimerId, TEngine::ReconnectIntervalMs, nullptr);
            StopMovement();
        }
        Result = 0;
        return true;
    case WM_POWERBROADCAST:
        PowerChanged(WParam);
        Result = TRUE;
        return true;
    case WM_WTSSESSION_CHANGE:
        SessionChanged(WParam);
        Result = 0;
        return true;
    case UM_ELEVATEDTARGET:
        // Said in the log here; the window may show a notice as well.
        FEngine.InputToElevatedWindow();
        return false;
    case UM_RECEIVEDAWAY:
        // A session report that never came: the system is asked again, and
        // the port goes if another session has the console.
        if (FEngine.AtConsole())
            FollowConsole();
        Result = 0;
        return true;
    case UM_DESKTOPSWITCH:
        DesktopSwitched();
        Result = 0;
        return true;
    case WM_TIMER:
        if (WParam == MouseTimerId)
            FEngine.MouseTimerTick();
        else if (WParam == ReconnectTimerId)
            RetryLostPort();
        else if (WParam == SessionReportsTimerId) {
            AskForSessionReports();
            // Only a change: the port's own retry timer is not restarted.
            if (SessionAtConsole() != FEngine.AtConsole())
                FollowConsole();
        } else
            return false;
        Result = 0;
        return true;
    case WM_DEVICECHANGE:
        // Whatever arrived, one quiet attempt costs little; the timer stays
        // as it is until the port is back. With the port open, an arrival
        // may be a second adapter of the same kind, never to be taken for
        // this one.
        if (WParam == DBT_DEVICEARRIVAL || WParam == DBT_DEVNODES_CHANGED) {
            if (FEngine.AwaitingPort())
                RetryLostPort();
            else
                FEngine.Receiver().DevicesChanged();
        }
        return false;
    default:
        return false;
    }
}
