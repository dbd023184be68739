// The main window's life: its creation wires the program (settings,
// loggers, engine), it answers the messages that worker threads, the tray
// and other programs post to it, it hides to the notification area or ends
// the program when it is closed, and its destruction shuts everything down
// in order. The dialog's controls and their handlers are in ConfigDialog_win.cpp.
#include "app/ConfigDialog_win.h"

#include "app/ErrorSound_win.h"
#include "base/Graphics_win.h"
#include "base/MessageDialog.h"
#include "base/Messages.h"
#include "base/ScreenPlacement.h"
#include "base/SystemLibrary_win.h"
#include "base/SystemServices.h"
#include "gidei/InputSink.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"
#include "ui/DlgOInfo_win.h"

#include <commctrl.h>
#include <dbt.h>

TvemuCfgDlg::TvemuCfgDlg(TProgramParts Parts)
    : TDialog(IDD_CONFIG), FParts(std::move(Parts))
{
}

TvemuCfgDlg::~TvemuCfgDlg() { Destroy(); }

bool TvemuCfgDlg::Create()
{
    FProgramIcon = LoadIconSized(IDI_PROGRAM, GetSystemMetrics(SM_CXICON));
    FProgramIconSmall = LoadIconSized(IDI_PROGRAM, SmallIconSize());
    // A dialog class of its own, so that a second copy of the program finds
    // this window by its class name.
    WNDCLASSA dialogClass{};
    dialogClass.lpfnWndProc = DefDlgProcA;
    dialogClass.cbWndExtra = DLGWINDOWEXTRA;
    dialogClass.hInstance = GetModuleHandleA(nullptr);
    dialogClass.hIcon = FProgramIcon.Get();
    dialogClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    dialogClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    dialogClass.lpszClassName = ClassName;
    return RegisterClassOnce(dialogClass) && CreateModeless(nullptr) != nullptr;
}

// Creation: the wiring --------------------------------------------------------

INT_PTR TvemuCfgDlg::OnInitDialog()
{
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FProgramIcon.Get()));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FProgramIconSmall.Get()));

    // Settings and loggers.
    FTarget = std::make_unique<TWindowTarget>(Handle());
    *FParts.Globals = std::make_unique<TGlobals>(FTarget.get(), FParts.ExeName);
    Globals = FParts.Globals->get();
    FLoggers = std::make_unique<TLoggers>();
    Loggers = FLoggers.get();
    ViewLog->SetWindow(&FLogLink);
    ViewLog->SetMaxLines(Globals->GetInteger("Extended", "ViewMax", 200));
    FileLog->SetFileName(Globals->GetString("Extended", "FileName", ""));
    FileLog->SetActive(Globals->GetBool("Extended", "FileLog", false));
    Loggers->LogStart();
    if (FParts.Splash)
        for (const std::string& failure : FParts.Splash->TakePictureFailures())
            Loggers->Log(lkError, failure);

    CreatePages();

    // The stored position, on a monitor that is still there.
    RECT window;
    GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const TScreenRect place = PlaceOnScreen(
        {Globals->GetInteger("Start", "Left", 100), Globals->GetInteger("Start", "Top", 100), width, height}, width,
        height);
    SetWindowPos(Handle(), nullptr, place.Left, place.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    TSplashDialog* splash = FParts.Splash;
    if (splash) {
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_PORTS), 250);
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_INTERFACES), 500);
    }
    FillLists();
    SetPortExpanded(Globals->GetBool("Start", "ExpandPort", false));

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_OPEN), 250);
    FEngine = std::make_unique<TEngine>(SystemInputSink(), ReceiverStateChanged, this);
    FEngineHost = std::make_unique<TEngineHost>(Handle(), *FEngine);

    // Listed once the receiver is there: its port stays listed even when
    // it is absent. The ports present follow from the receiver's job thread.
    RefreshPortList(false);

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_START), 250);
    ViewLog->SetActive(Globals->GetBool("Extended", "ViewLog", false));
    LoadControls();
    PostMessageA(Handle(), UM_STARTED, 0, 0);
    return TRUE;
}

// Life -----------------------------------------------------------------------

int TvemuCfgDlg::ReceiverState() const { return FEngine ? FEngine->Receiver().State() : 0; }

void TvemuCfgDlg::ReceiverStateChanged(void* Data, int State)
{
    auto* self = static_cast<TvemuCfgDlg*>(Data);
    if (self->FTray)
        self->FTray->SetState(static_cast<uint8_t>(State));
    // The device came back under another number while the dialog is shown:
    // the list follows it where the user has not picked another port.
    if (self->FEngine && IsWindowVisible(self->Handle()) && self->FEngine->Receiver().Port() != self->FLoadedPort)
        self->RefreshPortList(true);
}

void TvemuCfgDlg::Show()
{
    if (!Handle() || FShutDown)
        return;
    RefreshPortList(false);
    LoadControls();
    if (FTray)
        FTray->ShowIcon(false);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void TvemuCfgDlg::ShowMainWindow() { Show(); }

void TvemuCfgDlg::ExitFromTray()
{
    FCloseReason = crExit;
    CloseWindow();
}

void TvemuCfgDlg::CloseWindow()
{
    if (FShutDown)
        return;
    if (FCloseReason == crHide) {
        // Closing hides the window; unsaved edits are discarded.
        ShowWindow(Handle(), SW_HIDE);
        LoadControls();
        if (FTray)
            FTray->ShowIcon(true);
        return;
    }
    StoreAndShutDown();
}

void TvemuCfgDlg::StoreAndShutDown()
{
    // Exiting from the tray (window hidden) starts in the tray next time.
    // A failed write is said once the last settings are written.
    if (Globals)
        Globals->PutBool("Start", "Tray", FTray && FTray->IconShown());
    DestroyWindow(Handle());
}

void TvemuCfgDlg::OnDestroy()
{
    // The shutdown order: no input while the port closes, then the
    // settings, the end line, the loggers.
    if (FShutDown)
        return;
    FShutDown = true;
    FEngineHost.reset(); // the timers stop
    FEngine.reset();
    if (Globals) {
        RECT place;
        GetWindowRect(Handle(), &place);
        Globals->PutBool("Start", "ExpandPort", FPortExpanded);
        Globals->PutInteger("Start", "Left", place.left);
        Globals->PutInteger("Start", "Top", place.top);
    }
    if (Globals && ViewLog && FileLog) {
        Globals->PutBool("Extended", "ViewLog", ViewLog->Active());
        Globals->PutInteger("Extended", "ViewMax", ViewLog->MaxLines());
        Globals->PutBool("Extended", "FileLog", FileLog->Active());
        Globals->PutString("Extended", "FileName", FileLog->FileName());
    }
    // The log window goes with the program, the view sink stays on for the
    // next start.
    if (ViewLog)
        ViewLog->SetWindow(nullptr);
    FLogLink.Close();
    if (Loggers)
        Loggers->LogEnd();
    SetWindowExceptionHandler(nullptr);
    Loggers = nullptr;
    FLoggers.reset();
    PostQuitMessage(0);
}

void TvemuCfgDlg::Started()
{
    if (!Globals->IsNT5) {
        MessageBoxOK(LoadResourceText(IDS_NEEDS_NT5), mtWarning, 0);
        FCloseReason = crExit;
        CloseWindow();
    }
    if (FShutDown)
        return;
    const bool supported = FEngine->Parser().LayoutSupported();
    if (FTray)
        FTray->SetLayoutOK(supported);
    if (!supported && !(FTray && FTray->IconShown()))
        MessageBoxOK(LoadResourceText(IDS_LAYOUT_TEXT), mtInformation, 0);
    // The movement timer is the engine host's: it runs only while the
    // pointer moves, so an idle program is never woken.
}

void TvemuCfgDlg::ShowLogFileNotice()
{
    if (FNoticeShown || !Globals)
        return; // one notice at a time
    FNoticeShown = true;
    const bool suppress = ShowInfoOnce(LoadResourceText(IDS_LOGFILE_ERROR), Globals->LogfileInfo);
    // A logoff handled while the notice was open has freed the settings.
    if (Globals)
        Globals->LogfileInfo = suppress;
    FNoticeShown = false;
}

bool TvemuCfgDlg::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result)
{
    if (FEngineHost && FEngineHost->HandleMessage(Msg, WParam, LParam, Result))
        return true;
    Result = TRUE;
    switch (Msg) {
    case UM_INJECTBYTE: {
        uint8_t byte = 0;
        if (FEngine && AcceptInjectedByte(FParts.HiddenMode, WParam, byte))
            FEngine->Receiver().InjectByte(byte);
        return true;
    }
    case UM_LOGVIEW:
        SetControlChecked(IDC_LOGVIEW, WParam != 0);
        UpdateControls();
        return true;
    case UM_TOGGLEACTIVE:
        if (FEngine) {
            const int state = FEngine->Receiver().State();
            if (state == 2)
                FEngine->Receiver().SetState(1);
            else if (state == 1)
                FEngine->Receiver().SetState(2);
        }
        return true;
    case UM_STARTED:
        Started();
        return true;
    case UM_GIDEIERROR:
        PlayErrorSound();
        if (FTray)
            FTray->FlashError();
        return true;
    case UM_LOGFILEERROR:
        ShowLogFileNotice();
        return true;
    case UM_SHOWINSTANCE:
        if (IsWindowVisible(Handle()))
            SetForegroundWindow(Handle());
        else
            Show();
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(LParam);
        if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE)
            SelectTab(TabCtrl_GetCurSel(header->hwndFrom));
        return false;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // Only top-level windows hear of a new colour scheme.
        for (TDialog* page : FTabPages)
            SendMessageA(page->Handle(), Msg, WParam, LParam);
        return false;
    case WM_DEVICECHANGE:
        // A port arrived or left: the list shows the ports present now (the
        // engine host has had its look first). Hidden, the next showing
        // fills it.
        if ((WParam == DBT_DEVICEARRIVAL || WParam == DBT_DEVICEREMOVECOMPLETE || WParam == DBT_DEVNODES_CHANGED) &&
            IsWindowVisible(Handle()))
            RefreshPortList(true);
        return false;
    case WM_INPUTLANGCHANGE:
        if (Globals)
            Globals->InputLanguage = static_cast<uint32_t>(LParam & 0xFFFF);
        if (FTray && FEngine)
            FTray->SetLayoutOK(FEngine->Parser().LayoutSupported());
        return false; // and the default handling
    case WM_QUERYENDSESSION:
        FCloseReason = crEndSession;
        return false; // the default answer agrees
    case WM_ENDSESSION:
        if (WParam) {
            // Windows ends the process once this returns: everything that
            // must be saved is saved now.
            FCloseReason = crEndSession;
            StoreAndShutDown();
            if (FParts.EndProgram)
                FParts.EndProgram();
        } else if (FCloseReason == crEndSession) {
            // The logoff was cancelled: closing hides the window again.
            FCloseReason = crHide;
        }
        Result = 0;
        return true;
    default:
        return false;
    }
}
