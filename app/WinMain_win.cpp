// vemuKeys: the program a user runs. One copy at a time; it starts with its
// splash window, wires the program in the main window's creation, lives in
// the notification area (or with its dialog shown) and ends in order, also
// at a logoff or shutdown.
#include "app/LastResort_win.h"
#include "app/Lifecycle.h"
#include "app/MainWindow_win.h"
#include "app/SettingsNotice_win.h"
#include "base/window/CommonControls_win.h"
#include "base/system/ExceptionName.h"
#include "base/settings/Globals.h"
#include "base/window/MessageDialog.h"
#include "base/window/Messages.h"
#include "base/system/SystemLibrary_win.h"
#include "base/system/SystemServices.h"
#include "logging/Logging.h"
#include "resources/StringIds.h"
#include "ui/DlgSplsh_win.h"
#include "ui/SysTray_win.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <memory>

namespace {

// The program's objects: the main window owns the engine and the loggers,
// Globals outlives them all.
std::unique_ptr<TGlobals> TheGlobals;
std::unique_ptr<TvemuCfgDlg> MainWindow;
std::unique_ptr<TSysTrayForm> SysTrayForm;

// The single-instance mutex, kept for the life of the process.
HANDLE InstanceMutex = nullptr;

BOOL CALLBACK FindOtherInstance(HWND Window, LPARAM Found)
{
    char name[21] = "";
    GetClassNameA(Window, name, sizeof name);
    if (lstrcmpiA(name, TvemuCfgDlg::ClassName) == 0) {
        // The running copy is in the background: it may take the
        // foreground only with this copy's leave.
        DWORD process = 0;
        GetWindowThreadProcessId(Window, &process);
        AllowSetForegroundWindow(process);
        PostMessageA(Window, UM_SHOWINSTANCE, 0, 0);
        *reinterpret_cast<bool*>(Found) = true;
        return FALSE;
    }
    return TRUE;
}

// The copy that runs shows its dialog; when the console engine holds the
// device instead, the user is told why nothing opens. A copy still starting
// has its mutex before its windows: it is looked for a few seconds.
void AnswerOtherInstance()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        bool found = false;
        EnumWindows(FindOtherInstance, reinterpret_cast<LPARAM>(&found));
        if (found)
            return;
        if (FindWindowExA(HWND_MESSAGE, nullptr, ConsoleWindowClass, nullptr)) {
            MessageBoxOK(LoadResourceText(IDS_RUNS_IN_CONSOLE), mtInformation, 0);
            return;
        }
        Sleep(100);
    }
}

bool CheckSingleInstance()
{
    InstanceMutex = CreateMutexA(nullptr, FALSE, "Celeborn");
    // A mutex that exists but may not be opened is another user's copy in
    // this session (an administrator's, started with raised rights): it
    // runs all the same, and two copies must never share the device.
    const DWORD error = GetLastError();
    if ((InstanceMutex && error == ERROR_ALREADY_EXISTS) || (!InstanceMutex && error == ERROR_ACCESS_DENIED)) {
        AnswerOtherInstance();
        return false;
    }
    return true;
}

void ShowException(const std::string& ClassName)
{
    MessageBoxOK(ExceptionMessageText(LoadResourceText(IDS_EXCEPTION), ClassName), mtError, 0);
    if (Loggers)
        Loggers->Log(lkError, "### Exception " + ClassName);
}

// An exception that reached the message loop (a window procedure): the
// program ends in order.
void AppException(const std::string& ClassName)
{
    ShowException(ClassName);
    PostQuitMessage(0);
}

// An exception nothing else handled: the process ends at once, but never
// with a key or button it put down still held, neither before its message
// (the last resort has released them before it calls here) nor after it
// (the parser may have pressed keys again meanwhile).
[[noreturn]] void HandleFatalException(const std::string& ClassName)
{
    ShowException(ClassName);
    EndProcessWithNothingDown(1);
}

// The settings and the tray form go last; at a logoff this runs inside the
// main window's WM_ENDSESSION, before Windows ends the process: the
// settings are written first, before the call to a shell that may be
// ending too. After the settings store's own values, the last written,
// the program knows whether every write of the session went through.
void EndProgram(TCloseReason Reason)
{
    if (TheGlobals) {
        TheGlobals->WriteOwnSettings();
        SayIfSettingsNotSaved(Reason);
    }
    Globals = nullptr;
    TheGlobals.reset();
    SysTrayForm.reset();
}

std::string ExecutablePath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string FirstArgument()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string first;
    if (arguments && count > 1) {
        const int length = WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, nullptr, 0, nullptr, nullptr);
        if (length > 1) {
            first.resize(static_cast<size_t>(length));
            WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, first.data(), length, nullptr, nullptr);
            first.resize(static_cast<size_t>(length - 1));
        }
    }
    LocalFree(arguments);
    return first;
}

int Run()
{
    if (!CheckSingleInstance())
        return 0;
    InitCommonControlClasses(ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES);
    SetWindowExceptionHandler(AppException);

    auto splash = std::make_unique<TSplashDialog>();
    splash->Show();

    TProgramParts parts;
    parts.Globals = &TheGlobals;
    parts.Splash = splash.get();
    parts.HiddenMode = IsHiddenModeArgument(FirstArgument());
    parts.ExeName = ExecutablePath();
    parts.EndProgram = [] { EndProgram(crEndSession); };
    MainWindow = std::make_unique<TvemuCfgDlg>(std::move(parts));
    if (!MainWindow->Create() || !Globals)
        return 1;
    SysTrayForm = std::make_unique<TSysTrayForm>(*MainWindow);
    MainWindow->SetTray(SysTrayForm.get());

    const bool tray = Globals->Tray;
    if (!tray)
        MainWindow->Show();
    // A port still opening (a Bluetooth device takes seconds) reports its
    // state when it is known.
    if (MainWindow->ReceiverStarting())
        SysTrayForm->AwaitState();
    else
        SysTrayForm->SetState(static_cast<uint8_t>(MainWindow->ReceiverState()));
    SysTrayForm->ShowIcon(tray);
    splash.reset();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (MainWindow->PreTranslateTabs(message) || TDialog::PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The window is destroyed already when the program ended normally; an
    // exception that ended the loop leaves it to be destroyed here.
    const TCloseReason reason = MainWindow->CloseReason();
    MainWindow.reset();
    EndProgram(reason);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    InstallLastResort(HandleFatalException);
    // The shell (mail and web links) and the file dialogs want COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int result = 1;
    try {
        result = Run();
    } catch (const std::exception& error) {
        EndWithCaughtException(ExceptionClassName(error));
    } catch (...) {
        EndWithCaughtException(ExceptionClassName());
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    if (InstanceMutex)
        CloseHandle(InstanceMutex);
    return result;
}
