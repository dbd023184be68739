// vemuKeys: the program a user runs. One copy at a time; it starts with its
// splash window, builds the program's context (settings, loggers) before
// the main window, whose creation starts the engine, lives in the
// notification area (or with its dialog shown) and ends in order, also at a
// logoff or shutdown.
#include "app/FolderRights_win.h"
#include "app/LastResort_win.h"
#include "app/Lifecycle.h"
#include "app/MainWindow_win.h"
#include "app/SignInStep_win.h"
#include "base/system/WidePath_win.h"
#include "app/Program.h"
#include "app/SettingsNotice_win.h"
#include "app/SingleInstance_win.h"
#include "base/window/CommonControls_win.h"
#include "base/system/ExceptionName.h"
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

// The program's objects: the context outlives the windows. The exception
// handlers, which have no other way to them, reach them here.
std::unique_ptr<TProgram> TheProgram;
std::unique_ptr<TSettingsNotice> Notice;
std::unique_ptr<TvemuCfgDlg> MainWindow;
std::unique_ptr<TSysTrayForm> SysTrayForm;

// The single-instance mutex, kept for the life of the process.
std::unique_ptr<TInstanceMutex> Instance;

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
            MessageBoxOK(LoadResourceText(IDS_RUNS_IN_CONSOLE), mtInformation);
            return;
        }
        Sleep(100);
    }
}

bool CheckSingleInstance()
{
    Instance = std::make_unique<TInstanceMutex>();
    if (!Instance->First()) {
        AnswerOtherInstance();
        return false;
    }
    return true;
}

void ShowException(const std::string& ClassName)
{
    MessageBoxOK(ExceptionMessageText(LoadResourceText(IDS_EXCEPTION), ClassName), mtError);
    if (TheProgram)
        TheProgram->Loggers().Log(lkError, "### Exception " + ClassName);
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
    // The line reaches Errors.log on the sinks' threads, which the end of
    // the process would otherwise cut short.
    if (TheProgram)
        TheProgram->Loggers().WaitWritten(SinkEndWaitMs);
    EndProcessWithNothingDown(1);
}

// The tray form goes last; at a logoff this runs inside the main window's
// WM_ENDSESSION, before Windows ends the process: the settings were saved
// by the window before the call to a shell that may be ending too. A save
// that failed is said (at a logoff as an error line only).
void EndProgram(TCloseReason Reason)
{
    if (Notice)
        Notice->Say(Reason);
    SysTrayForm.reset();
}

// The command line's arguments after the program's name, in UTF-8.
std::vector<std::string> Arguments()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; arguments && i < count; ++i)
        result.push_back(PathFromWide(arguments[i]));
    LocalFree(arguments);
    return result;
}

std::string FirstArgument()
{
    const std::vector<std::string> arguments = Arguments();
    return arguments.empty() ? std::string() : arguments.front();
}

int Run()
{
    if (!CheckSingleInstance())
        return 0;
    InitCommonControlClasses(ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES);
    SetWindowExceptionHandler(AppException);

    auto splash = std::make_unique<TSplashDialog>();
    splash->Show();

    TheProgram = std::make_unique<TProgram>(ProgramFilePath(), TProgramKind::Tray);
    const std::string folder = TheProgram->Globals().AppPath;
    TheProgram->Globals().SetProgramFolderShared(
        !OnlyAdministratorsChange(WidePath(folder.substr(0, folder.size() - 1)), true));
    Notice = std::make_unique<TSettingsNotice>(*TheProgram);
    TProgramParts parts;
    parts.Program = TheProgram.get();
    parts.Notice = Notice.get();
    parts.Splash = splash.get();
    parts.HiddenMode = IsHiddenModeArgument(FirstArgument());
    parts.EndProgram = [] { EndProgram(crEndSession); };
    MainWindow = std::make_unique<TvemuCfgDlg>(std::move(parts));
    if (!MainWindow->Create())
        return 1;
    SysTrayForm = std::make_unique<TSysTrayForm>(*MainWindow);
    MainWindow->SetTray(SysTrayForm.get());

    const bool tray = TheProgram->Globals().Settings.Start.Tray;
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
    Notice.reset();
    TheProgram.reset();
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    // The elevated step for the sign-in helper does its job and ends: no
    // window, no settings, no other copy to look for.
    if (std::vector<std::string> arguments = Arguments();
        !arguments.empty() && arguments.front() == SignInStepSwitch) {
        arguments.erase(arguments.begin());
        return RunSignInStep(arguments);
    }
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
    Instance.reset();
    return result;
}
