#include "app/MainWindow_win.h"

#include "app/ElevatedWindows_win.h"
#include "app/ErrorSound_win.h"
#include "app/SignInKey_win.h"
#include "app/SignInSetup_win.h"
#include "app/SignInStep_win.h"
#include "app/SettingsNotice_win.h"
#include "base/window/Graphics_win.h"
#include "base/window/MessageDialog.h"
#include "base/window/Messages.h"
#include "base/window/ScreenPlacement.h"
#include "base/system/SystemServices.h"
#include "gidei/InputSink.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"
#include "ui/DlgOInfo_win.h"

TvemuCfgDlg::TvemuCfgDlg(TProgramParts Parts)
    : TDialog(IDD_CONFIG), FParts(std::move(Parts)), FProgram(*FParts.Program), FGlobals(FProgram.Globals()),
      FLogLink(FProgram.Loggers().View(), FGlobals.Settings.Start.LogView),
      FSound(FGlobals.Settings.Start, FGlobals.AppPath, FGlobals.UserFolders, FProgram.Loggers(),
             [this] { PostMessageA(Handle(), UM_SOUNDREAD, 0, 0); })
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
    ConnectLogs();

    TSplashDialog* splash = FParts.Splash;
    if (splash) {
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_PORTS), 250);
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_INTERFACES), 500);
    }
    const TStartSettings& start = FGlobals.Settings.Start;
    FPages.Create(Handle(), TConfigTabs{start.ExtendedUI, start.GIDEIUI}, start.CheckPort, start.ExpandPort,
                  [this](bool Valid) { EnableItem(IDOK, Valid); }, FProgram.Loggers(), FGlobals.AppPath);
    PlaceWindow();

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_OPEN), 250);
    CreateEngine();

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_START), 250);
    FProgram.Loggers().View().SetActive(FGlobals.Settings.Log.ViewLog);
    LoadControls();
    PostMessageA(Handle(), UM_STARTED, 0, 0);
    return TRUE;
}

void TvemuCfgDlg::ConnectLogs()
{
    FTarget = std::make_unique<TWindowTarget>(Handle());
    FEvents = std::make_unique<TPostedEvents>(*FTarget, SessionAtConsole);
    TLoggers& loggers = FProgram.Loggers();
    loggers.SetHost(FEvents.get());
    loggers.View().SetWindow(&FLogLink);
    FProgram.StartLog();
    if (FParts.Splash)
        for (const std::string& failure : FParts.Splash->TakePictureFailures())
            loggers.Log(lkError, failure);
}

void TvemuCfgDlg::PlaceWindow()
{
    // The stored position, on a monitor that is still there.
    RECT window;
    GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const TScreenRect place = PlaceOnScreen(
        {FGlobals.Settings.Start.Left, FGlobals.Settings.Start.Top, width, height}, width,
        height);
    SetWindowPos(Handle(), nullptr, place.Left, place.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TvemuCfgDlg::CreateEngine()
{
    FSink = std::make_unique<TTargetCheckingSink>(SystemInputSink(), SystemTargetProbe(), *FEvents);
    FEngine = &FProgram.StartEngine(*FSink, *FEvents, ReceiverStateChanged, this, -1, SessionAtConsole());
    FEngineHost = std::make_unique<TEngineHost>(Handle(), *FEngine);
    // Listed once the receiver is there: its port stays listed even when
    // it is absent. The ports present follow from the receiver's job thread.
    FPages.SetReceiver(&FEngine->Receiver());
    FPages.ListPortsAfresh();
    FSearch = std::make_unique<TSearchControl>(*FEngine, FPages, FProgram.Loggers(), *FEvents);
    FPages.SetOnSearchPressed([this](int ButtonId) { FSearch->Pressed(ButtonId); });
}

// Values -----------------------------------------------------------------------

TConfigValues TvemuCfgDlg::CurrentValues() const
{
    if (!FEngine)
        return TConfigValues();
    return LoadConfigValues(*FEngine, FGlobals, FProgram.Loggers());
}

void TvemuCfgDlg::LoadControls()
{
    if (!FEngine)
        return;
    // The sign-in box shows the machine's state, whatever the user's file says.
    TConfigValues values = CurrentValues();
    FSignInWasSetUp = SignInHelperSetUp();
    values.SignIn = FSignInWasSetUp;
    FSignInReason = 0;
    SignInPlacementOK(FSignInReason);
    const int autoStartReason = FGlobals.AutoStartChangeable ? 0
                                : FGlobals.AutoStartFolderShared ? IDS_AUTOSTART_FOLDER_SHARED
                                                                 : IDS_AUTOSTART_INFO;
    FPages.Show(values, autoStartReason, FSignInReason);
}

void TvemuCfgDlg::ApplySettings()
{
    if (FEngine)
        ApplyConfigValues(FPages.Chosen(CurrentValues()), *FEngine, FGlobals, FProgram.Loggers());
}

void TvemuCfgDlg::ApplySignIn(bool Ticked)
{
    if (!FEngine || FSignInReason != 0)
        return;
    std::string refusal;
    const TPortSettings served = ReadSignInKey(refusal).value_or(TPortSettings());
    TPortSettings chosen = FEngine->PortSettings();
    // A port chosen just now has not opened yet: its device is the one the
    // system lists there.
    if (chosen.Device.empty() || chosen.Port != served.Port)
        chosen.Device = FPages.PresentDevice(chosen.Port);
    const TSignInStep step = SignInStepFor(FSignInWasSetUp, Ticked, served, chosen);
    if (step == TSignInStep::None)
        return;
    // The window answers while the step runs, but takes no second OK.
    EnableWindow(Handle(), FALSE);
    const TStepOutcome outcome = RunElevatedSignInStep(Handle(), SignInStepArguments(step, chosen));
    EnableWindow(Handle(), TRUE);
    if (outcome != TStepOutcome::Done)
        MessageBoxOK(LoadResourceText(outcome == TStepOutcome::Declined ? IDS_SIGNIN_DECLINED : IDS_SIGNIN_FAILED),
                     mtWarning);
}

void TvemuCfgDlg::ApplyAndHide()
{
    const bool signIn = FPages.Chosen(CurrentValues()).SignIn;
    ApplySettings();
    // The values OK changed are written now, in one update: a setup
    // survives a crash or a flat battery. What is written counts as read,
    // so the exit writes only what changed after it; a failure is said
    // below, once.
    FProgram.SaveSettings(FLogLink.Placed());
    // A port being opened (a new one, or one whose settings changed) has no
    // state yet: its notice waits for the opening's result, as at start.
    if (FTray && FEngine && FEngine->Receiver().Opening())
        FTray->AwaitState();
    // After the port's settings, which it serves.
    ApplySignIn(signIn);
    // A port that did not open is tried again until it does.
    if (FEngineHost)
        FEngineHost->WatchPort();
    // Said while the dialog still has the keyboard, which goes back where it
    // was when the dialog hides.
    FParts.Notice->Say(FCloseReason);
    CloseWindow();
}

void TvemuCfgDlg::OnCommand(int Id, int Code, HWND)
{
    switch (Id) {
    case IDOK:
        if (Code == BN_CLICKED && IsWindowEnabled(Item(IDOK))) {
            // A search still running ends first: the port is the receiver's again.
            if (FSearch)
                FSearch->End();
            ApplyAndHide();
        }
        break;
    case IDCANCEL: // Abbrechen, Esc and the close box
        CloseWindow();
        break;
    case IDC_EXIT:
        FCloseReason = crExit;
        CloseWindow();
        break;
    default:
        break;
    }
}

// Life -----------------------------------------------------------------------

int TvemuCfgDlg::ReceiverState() const { return FEngine ? FEngine->Receiver().State() : 0; }

void TvemuCfgDlg::ReceiverStateChanged(void* Data, int State)
{
    auto* self = static_cast<TvemuCfgDlg*>(Data);
    if (self->FTray)
        self->FTray->SetState(static_cast<uint8_t>(State));
    self->FPages.ReceiverStateChanged();
}

void TvemuCfgDlg::Show()
{
    if (!Handle() || FShutDown)
        return;
    FPages.ListPortsAfresh();
    LoadControls();
    WatchReceived(true);
    if (FTray)
        FTray->ShowIcon(false);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void TvemuCfgDlg::ShowMainWindow() { Show(); }

void TvemuCfgDlg::WatchReceived(bool On)
{
    if (!FEngine)
        return;
    FReceived.Clear();
    FPages.ShowReceived("", IDS_RECEIVED_NOTHING);
    TReceiveQueue::TUnitWatcher watcher;
    if (On)
        watcher = [this](const std::string& Unit) {
            FReceived.Add(Unit);
            // One message on its way at a time, however fast units come.
            if (!FReceivedPosted.exchange(true))
                FTarget->Post(UM_RECEIVED, 0, 0);
        };
    FEngine->Receiver().Queue->SetUnitWatcher(std::move(watcher));
}

void TvemuCfgDlg::ShowReceived()
{
    FReceivedPosted = false;
    static constexpr int verdicts[] = {IDS_RECEIVED_NOTHING, IDS_RECEIVED_GIDEI, IDS_RECEIVED_TEXT,
                                       IDS_RECEIVED_UNREADABLE};
    FPages.ShowReceived(FReceived.Text(), verdicts[static_cast<int>(FReceived.Verdict())]);
}

bool TvemuCfgDlg::OfLatestOpening(uintptr_t Opening) const
{
    // A notice of an opening closed since tells nothing of this one.
    return FEngine && Opening == FEngine->Receiver().LatestOpening();
}

void TvemuCfgDlg::ExitFromTray()
{
    FCloseReason = crExit;
    CloseWindow();
}

void TvemuCfgDlg::CloseWindow()
{
    if (FShutDown)
        return;
    if (FSearch)
        FSearch->End();
    if (FCloseReason == crHide) {
        // Closing hides the window; unsaved edits are discarded.
        ShowWindow(Handle(), SW_HIDE);
        WatchReceived(false);
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
    // The settings are saved, and a failed save said, while the port still
    // types: the person answers the message with the device.
    SaveSettings();
    FParts.Notice->Say(FCloseReason);
    DestroyWindow(Handle());
}

void TvemuCfgDlg::SaveSettings()
{
    FSettingsSaved = true;
    TStartSettings& start = FGlobals.Settings.Start;
    start.Tray = FTray && FTray->IconShown();
    RECT place;
    if (GetWindowRect(Handle(), &place)) {
        start.Left = place.left;
        start.Top = place.top;
    }
    start.ExpandPort = FPages.PortExpanded();
    FLogLink.StorePlace();
    FProgram.SaveSettings(FLogLink.Placed());
}

void TvemuCfgDlg::OnDestroy()
{
    // The shutdown order: no input while the port closes, then the end
    // line. A window destroyed without the usual end (an exception ended
    // the message loop) saves the settings here.
    if (FShutDown)
        return;
    FShutDown = true;
    FPages.SetReceiver(nullptr);
    FSearch.reset();
    WatchReceived(false);
    FEngineHost.reset(); // the timers stop
    if (!FSettingsSaved)
        SaveSettings();
    FEngine = nullptr;
    FProgram.StopEngine();
    // The log window goes with the program, the view sink stays on for the
    // next start.
    FProgram.Loggers().View().SetWindow(nullptr);
    FLogLink.Close();
    FProgram.EndLog();
    FProgram.Loggers().SetHost(nullptr);
    SetWindowExceptionHandler(nullptr);
    PostQuitMessage(0);
}

void TvemuCfgDlg::Started()
{
    if (!FGlobals.IsNT5) {
        MessageBoxOK(LoadResourceText(IDS_NEEDS_NT5), mtWarning);
        FCloseReason = crExit;
        CloseWindow();
    }
    if (FShutDown)
        return;
    const bool supported = FEngine->Parser().LayoutSupported();
    if (FTray)
        FTray->SetLayoutOK(supported);
    if (!supported && !(FTray && FTray->IconShown()))
        MessageBoxOK(LoadResourceText(IDS_LAYOUT_TEXT), mtInformation);
    // The movement timer is the engine host's: it runs only while the
    // pointer moves, so an idle program is never woken.
}

void TvemuCfgDlg::ShowLogFileNotice()
{
    if (FNoticeShown)
        return; // one notice at a time
    FNoticeShown = true;
    const bool suppress = ShowInfoOnce(LoadResourceText(IDS_LOGFILE_ERROR), FGlobals.Settings.Start.LogfileInfo);
    FGlobals.Settings.Start.LogfileInfo = suppress;
    FNoticeShown = false;
}

// Messages -------------------------------------------------------------------

bool TvemuCfgDlg::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result)
{
    // The engine host has its look first (it acts on device changes too).
    if (FEngineHost && FEngineHost->HandleMessage(Msg, WParam, LParam, Result))
        return true;
    FPages.WindowMessage(Msg, WParam, LParam);
    Result = TRUE;
    return HandleProgramMessage(Msg, WParam) || HandleSystemMessage(Msg, WParam, LParam, Result);
}

void TvemuCfgDlg::ToggleActive()
{
    if (!FEngine)
        return;
    const int state = FEngine->Receiver().State();
    if (state == rsActive)
        FEngine->Receiver().SetState(rsOpen);
    else if (state == rsOpen)
        FEngine->Receiver().SetState(rsActive);
}

bool TvemuCfgDlg::HandleProgramMessage(UINT Msg, WPARAM WParam)
{
    switch (Msg) {
    case UM_INJECTBYTE: {
        uint8_t byte = 0;
        if (FEngine && AcceptInjectedByte(FParts.HiddenMode, WParam, byte))
            FEngine->Receiver().InjectByte(byte);
        return true;
    }
    case UM_LOGVIEW:
        FPages.SetLogViewTicked(WParam != 0);
        return true;
    case UM_TOGGLEACTIVE:
        ToggleActive();
        return true;
    case UM_STARTED:
        Started();
        return true;
    case UM_GIDEIERROR:
        FSound.Play();
        if (FTray)
            FTray->FlashError();
        return true;
    case UM_LOGFILEERROR:
        ShowLogFileNotice();
        return true;
    case UM_SOUNDREAD:
        FSound.Deliver();
        return true;
    case UM_SEARCH:
        if (FSearch)
            FSearch->Changed();
        return true;
    case UM_RECEIVED:
        if (IsWindowVisible(Handle()))
            ShowReceived();
        else
            FReceivedPosted = false;
        return true;
    case UM_DEVICEHEARD:
        if (FTray && OfLatestOpening(WParam))
            FTray->SetDeviceHeard();
        return true;
    case UM_UNREADABLE:
        if (FTray && OfLatestOpening(WParam))
            FTray->ShowNotice(IDS_UNREADABLE_TITLE, IDS_UNREADABLE_TEXT);
        return true;
    case UM_ELEVATEDTARGET:
        if (FTray)
            FTray->ShowNotice(IDS_ELEVATED_TITLE, IDS_ELEVATED_TEXT);
        return true;
    case UM_SHOWINSTANCE:
        if (IsWindowVisible(Handle()))
            SetForegroundWindow(Handle());
        else
            Show();
        return true;
    default:
        return false;
    }
}

void TvemuCfgDlg::EndSession(bool Ending)
{
    if (Ending) {
        // Windows ends the process once this returns: everything that must
        // be saved is saved now.
        FCloseReason = crEndSession;
        StoreAndShutDown();
        if (FParts.EndProgram)
            FParts.EndProgram();
    } else if (FCloseReason == crEndSession) {
        // The logoff was cancelled: closing hides the window again.
        FCloseReason = crHide;
    }
}

bool TvemuCfgDlg::HandleSystemMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result)
{
    switch (Msg) {
    case WM_INPUTLANGCHANGE:
        if (FEngine)
            FEngine->SetInputLanguage(static_cast<uint32_t>(LParam & 0xFFFF));
        if (FTray && FEngine)
            FTray->SetLayoutOK(FEngine->Parser().LayoutSupported());
        return false; // and the default handling
    case WM_QUERYENDSESSION:
        FCloseReason = crEndSession;
        return false; // the default answer agrees
    case WM_ENDSESSION:
        EndSession(WParam != 0);
        Result = 0;
        return true;
    default:
        return false;
    }
}
