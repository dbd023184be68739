#include "app/ConfigDialog_win.h"

#include "base/Graphics_win.h"
#include "base/SystemLibrary_win.h"
#include "base/MessageDialog.h"
#include "base/Messages.h"
#include "base/ScreenPlacement.h"
#include "base/SystemServices.h"
#include "base/Text.h"
#include "gidei/InputSink.h"
#include "logging/DlgLType_win.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"
#include "serial/EnumCOM.h"
#include "ui/DlgOInfo_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <cstdio>

namespace {

// The controls of each page, for finding a control by its id alone.
const int ExtendedControls[] = {IDC_LOGVIEW, IDC_LOGLINES, IDC_LOGLINES_SPIN, IDC_EVENTS, IDC_LOGFILE,
                                IDC_LOGFILENAME, IDC_LOGFILE_PICK, IDC_DEBUG, IDC_WAITFOR, IDC_WAITFOR_SPIN};
const int LowerPortRows[] = {IDC_LABEL_BYTESIZE, IDC_BYTESIZE, IDC_LABEL_PARITY, IDC_PARITY, IDC_LABEL_STOP, IDC_STOP};
const int StartGroupControls[] = {IDC_GROUP_START, IDC_AUTOSTART, IDC_RUNINFO};

RECT RectIn(HWND Control, HWND Parent)
{
    RECT rect{};
    GetWindowRect(Control, &rect);
    MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void AddItem(HWND Combo, const std::string& Text, LPARAM Data = 0)
{
    const LRESULT index = SendMessageA(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
    if (index >= 0)
        SendMessageA(Combo, CB_SETITEMDATA, static_cast<WPARAM>(index), Data);
}

// Runs a file dialog; the chosen path, or nothing when the user cancelled.
bool PickFile(HWND Owner, bool Save, int TitleId, int FilterId, const char* Extension, DWORD Options,
              std::string& Path)
{
    const std::string title = LoadResourceText(TitleId);
    const std::string filter = FileDialogFilter(LoadResourceText(FilterId));
    const std::string folder = FolderOf(Path);
    char file[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = Extension;
    dialog.Flags = Options | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const BOOL chosen = Save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (chosen)
        Path = file;
    return chosen != FALSE;
}

} // namespace

void TConfigPage::OnCommand(int Id, int Code, HWND Control) { FOwner.ForwardCommand(Id, Code, Control); }

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
    TScreenRect place{Globals->GetInteger("Start", "Left", 100), Globals->GetInteger("Start", "Top", 100), 0, 0};
    place.Right = place.Left + (window.right - window.left);
    place.Bottom = place.Top + (window.bottom - window.top);
    place = PlaceOnScreen(place);
    SetWindowPos(Handle(), nullptr, place.Left, place.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    TSplashDialog* splash = FParts.Splash;
    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_PORTS), 250);
    TPortSet installed;
    if (Globals->CheckPort)
        GetInstalledPorts(installed);
    FPortNumbers = PortListNumbers(Globals->CheckPort, installed);

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_INTERFACES), 500);
    FillLists();
    SetPortExpanded(Globals->GetBool("Start", "ExpandPort", false));

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_OPEN), 250);
    FEngine = std::make_unique<TEngine>(SystemInputSink(), ReceiverStateChanged, this);
    FEngineHost = std::make_unique<TEngineHost>(Handle(), *FEngine);

    if (splash)
        splash->ShowProgress(LoadResourceText(IDS_SPLASH_START), 250);
    ViewLog->SetActive(Globals->GetBool("Extended", "ViewLog", false));
    LoadControls();
    PostMessageA(Handle(), UM_STARTED, 0, 0);
    return TRUE;
}

void TvemuCfgDlg::CreatePages()
{
    FTabs.Extended = Globals->ExtendedUI;
    FTabs.GIDEI = Globals->GIDEIUI;
    FSetupPage = std::make_unique<TConfigPage>(IDD_PAGE_SETUP, *this);
    FTabPages.push_back(FSetupPage.get());
    if (FTabs.Extended) {
        FExtendedPage = std::make_unique<TConfigPage>(IDD_PAGE_EXTENDED, *this);
        FTabPages.push_back(FExtendedPage.get());
    }
    if (FTabs.GIDEI) {
        FGideiPage = std::make_unique<TConfigPage>(IDD_PAGE_GIDEI, *this);
        FTabPages.push_back(FGideiPage.get());
    }
    FInfoPage = std::make_unique<TInfoPage>();
    FTabPages.push_back(FInfoPage.get());

    HWND tabs = Item(IDC_TABS);
    HWND after = tabs;
    for (size_t i = 0; i < FTabPages.size(); ++i) {
        TDialog* page = FTabPages[i];
        page->CreateModeless(Handle());
        // Themed page backgrounds where the system draws tabs with a theme.
        static const auto enableTexture =
            SystemFunction<decltype(&EnableThemeDialogTexture)>("uxtheme.dll", "EnableThemeDialogTexture");
        if (enableTexture)
            enableTexture(page->Handle(), ETDT_ENABLETAB);
        // Tab order: the tabs, the shown page, then the buttons.
        SetWindowPos(page->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = page->Handle();
        char caption[64] = "";
        GetWindowTextA(page->Handle(), caption, sizeof caption);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption;
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    PlacePages();
    MeasurePortGroup();

    const int glyph = SmallIconSize();
    FExpandGlyph = LoadIconSized(IDI_GLYPH_EXPAND, glyph);
    FCollapseGlyph = LoadIconSized(IDI_GLYPH_COLLAPSE, glyph);
    FFolderGlyph = LoadIconSized(IDI_GLYPH_FOLDER, glyph);
    FInfoGlyph = LoadIconSized(IDI_GLYPH_INFO, glyph);
    for (int id : {IDC_LOGFILE_PICK, IDC_SOUND_PICK})
        if (HWND button = Control(id))
            SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FFolderGlyph.Get()));
    SendMessageA(Control(IDC_RUNINFO), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FInfoGlyph.Get()));
    SelectTab(0);
}

void TvemuCfgDlg::PlacePages()
{
    HWND tabs = Item(IDC_TABS);
    RECT area = RectIn(tabs, Handle());
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    for (TDialog* page : FTabPages)
        SetWindowPos(page->Handle(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TvemuCfgDlg::SelectTab(int Index)
{
    for (size_t i = 0; i < FTabPages.size(); ++i)
        ShowWindow(FTabPages[i]->Handle(), static_cast<int>(i) == Index ? SW_SHOW : SW_HIDE);
    TabCtrl_SetCurSel(Item(IDC_TABS), Index);
}

bool TvemuCfgDlg::PreTranslateTabs(const MSG& Message)
{
    if (Message.message != WM_KEYDOWN || Message.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0 || !Handle() ||
        (Message.hwnd != Handle() && !IsChild(Handle(), Message.hwnd)))
        return false;
    const int count = static_cast<int>(FTabPages.size());
    const int current = TabCtrl_GetCurSel(Item(IDC_TABS));
    const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
    SelectTab((current + step) % count);
    // The focus may have been on the page just hidden.
    SetFocus(Item(IDC_TABS));
    return true;
}

HWND TvemuCfgDlg::Control(int Id) const
{
    if (HWND own = Item(Id))
        return own;
    for (TDialog* page : FTabPages)
        if (HWND control = page->Item(Id))
            return control;
    return nullptr;
}

bool TvemuCfgDlg::ControlChecked(int Id) const
{
    HWND control = Control(Id);
    return control && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TvemuCfgDlg::SetControlChecked(int Id, bool On)
{
    if (HWND control = Control(Id))
        SendMessageA(control, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TvemuCfgDlg::EnableControl(int Id, bool On)
{
    if (HWND control = Control(Id))
        EnableWindow(control, On ? TRUE : FALSE);
}

std::string TvemuCfgDlg::ControlText(int Id) const { return WindowText(Control(Id)); }

int TvemuCfgDlg::SelectedItem(int Id) const
{
    HWND control = Control(Id);
    return control ? static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

void TvemuCfgDlg::FillLists()
{
    HWND port = Control(IDC_PORT);
    const std::string portFormat = LoadResourceText(IDS_PORT_FORMAT);
    for (int32_t number : FPortNumbers) {
        char text[32];
        std::snprintf(text, sizeof text, portFormat.c_str(), number);
        AddItem(port, text, number);
    }
    HWND rate = Control(IDC_RATE);
    const std::string rateFormat = LoadResourceText(IDS_RATE_FORMAT);
    for (int32_t value : BaudRates) {
        char text[32];
        std::snprintf(text, sizeof text, rateFormat.c_str(), value);
        AddItem(rate, text);
    }
    for (const char* size : {"7", "8"})
        AddItem(Control(IDC_BYTESIZE), size);
    for (int text : {IDS_PARITY_NONE, IDS_PARITY_ODD, IDS_PARITY_EVEN})
        AddItem(Control(IDC_PARITY), LoadResourceText(text));
    for (const char* stop : {"1", "1.5", "2"})
        AddItem(Control(IDC_STOP), stop);

    SendMessageA(Control(IDC_LOGLINES_SPIN), UDM_SETRANGE32, 10, 999);
    SendMessageA(Control(IDC_LOGLINES), EM_LIMITTEXT, 3, 0);
    SendMessageA(Control(IDC_WAITFOR_SPIN), UDM_SETRANGE32, 50, 9999);
    SendMessageA(Control(IDC_WAITFOR), EM_LIMITTEXT, 4, 0);
    SendMessageA(Control(IDC_LOGFILENAME), EM_LIMITTEXT, 255, 0);
    SendMessageA(Control(IDC_SOUNDNAME), EM_LIMITTEXT, 255, 0);
}

// The port group -----------------------------------------------------------

void TvemuCfgDlg::MeasurePortGroup()
{
    HWND page = FSetupPage->Handle();
    FGroupPort = RectIn(Control(IDC_GROUP_PORT), page);
    const RECT rate = RectIn(Control(IDC_RATE), page);
    const RECT expand = RectIn(Control(IDC_EXPAND), page);
    const RECT stop = RectIn(Control(IDC_STOP), page);
    // Collapsed, the group ends below the rate row with the margin it has
    // below the last row when expanded.
    const int collapsedBottom = std::max(rate.bottom, expand.bottom) + (FGroupPort.bottom - stop.bottom);
    FCollapseBy = FGroupPort.bottom - collapsedBottom;
    for (size_t i = 0; i < FStartGroup.size(); ++i)
        FStartGroup[i] = RectIn(Control(StartGroupControls[i]), page);
}

void TvemuCfgDlg::SetPortExpanded(bool Expanded)
{
    FPortExpanded = Expanded;
    const int shift = Expanded ? 0 : FCollapseBy;
    HWND group = Control(IDC_GROUP_PORT);
    SetWindowPos(group, nullptr, 0, 0, FGroupPort.right - FGroupPort.left, FGroupPort.bottom - FGroupPort.top - shift,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (size_t i = 0; i < FStartGroup.size(); ++i)
        SetWindowPos(Control(StartGroupControls[i]), nullptr, FStartGroup[i].left, FStartGroup[i].top - shift, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : LowerPortRows) {
        if (id == IDC_BYTESIZE || id == IDC_PARITY || id == IDC_STOP)
            EnableControl(id, Expanded);
        ShowWindow(Control(id), Expanded ? SW_SHOWNA : SW_HIDE);
    }
    HWND button = Control(IDC_EXPAND);
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(Expanded ? FCollapseGlyph.Get() : FExpandGlyph.Get()));
    SetWindowTextA(button, LoadResourceText(Expanded ? IDS_EXPAND_LESS : IDS_EXPAND_MORE).c_str());
    InvalidateRect(FSetupPage->Handle(), nullptr, TRUE);
}

// Controls and values ------------------------------------------------------

TConfigValues TvemuCfgDlg::CurrentValues() const
{
    if (!FEngine || !Globals || !ViewLog || !FileLog)
        return TConfigValues();
    return LoadConfigValues(FEngine->Receiver(), FEngine->Parser(), *Globals, *ViewLog, *FileLog);
}

TConfigValues TvemuCfgDlg::ReadControls() const
{
    // A hidden tab's values stay as the running objects have them.
    TConfigValues values = CurrentValues();
    const int port = SelectedItem(IDC_PORT);
    values.PortSelected = port != CB_ERR;
    if (values.PortSelected)
        values.Port = static_cast<int32_t>(SendMessageA(Control(IDC_PORT), CB_GETITEMDATA, port, 0));
    values.RateItem = SelectedItem(IDC_RATE);
    values.SizeItem = SelectedItem(IDC_BYTESIZE);
    values.ParityItem = SelectedItem(IDC_PARITY);
    values.StopItem = SelectedItem(IDC_STOP);
    values.AutoStart = ControlChecked(IDC_AUTOSTART);
    if (FTabs.Extended) {
        HWND page = FExtendedPage->Handle();
        values.LogView = ControlChecked(IDC_LOGVIEW);
        values.LogLines = static_cast<int32_t>(GetDlgItemInt(page, IDC_LOGLINES, nullptr, FALSE));
        values.LogFile = ControlChecked(IDC_LOGFILE);
        values.LogFileName = ControlText(IDC_LOGFILENAME);
        values.Debug = ControlChecked(IDC_DEBUG);
        values.WaitFor = static_cast<int32_t>(GetDlgItemInt(page, IDC_WAITFOR, nullptr, FALSE));
    }
    if (FTabs.GIDEI) {
        values.UseGIDEI = ControlChecked(IDC_GIDEI);
        values.UseSound = ControlChecked(IDC_SOUND);
        values.SoundName = ControlText(IDC_SOUNDNAME);
    }
    return values;
}

void TvemuCfgDlg::WriteControls(const TConfigValues& Values)
{
    HWND port = Control(IDC_PORT);
    const int count = static_cast<int>(SendMessageA(port, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item)
        if (SendMessageA(port, CB_GETITEMDATA, item, 0) == Values.Port)
            SendMessageA(port, CB_SETCURSEL, item, 0); // no such item: the selection stays
    SendMessageA(Control(IDC_RATE), CB_SETCURSEL, Values.RateItem, 0);
    SendMessageA(Control(IDC_BYTESIZE), CB_SETCURSEL, Values.SizeItem, 0);
    SendMessageA(Control(IDC_PARITY), CB_SETCURSEL, Values.ParityItem, 0);
    SendMessageA(Control(IDC_STOP), CB_SETCURSEL, Values.StopItem, 0);
    SetControlChecked(IDC_AUTOSTART, Values.AutoStart);
    SetControlChecked(IDC_LOGVIEW, Values.LogView);
    SetControlChecked(IDC_LOGFILE, Values.LogFile);
    SetControlChecked(IDC_DEBUG, Values.Debug);
    SetControlChecked(IDC_GIDEI, Values.UseGIDEI);
    SetControlChecked(IDC_SOUND, Values.UseSound);
    if (FExtendedPage) {
        SetDlgItemInt(FExtendedPage->Handle(), IDC_LOGLINES, static_cast<UINT>(Values.LogLines), FALSE);
        SetDlgItemInt(FExtendedPage->Handle(), IDC_WAITFOR, static_cast<UINT>(Values.WaitFor), FALSE);
        SetWindowTextA(Control(IDC_LOGFILENAME), Values.LogFileName.c_str());
    }
    if (FGideiPage)
        SetWindowTextA(Control(IDC_SOUNDNAME), Values.SoundName.c_str());
}

void TvemuCfgDlg::LoadControls()
{
    if (!FEngine || !Globals)
        return;
    WriteControls(CurrentValues());
    EnableControl(IDC_AUTOSTART, Globals->AutoStartChangeable);
    ShowWindow(Control(IDC_RUNINFO), Globals->AutoStartChangeable ? SW_HIDE : SW_SHOWNA);
    UpdateControls();
}

void TvemuCfgDlg::UpdateControls()
{
    const TConfigEnables enables = ConfigEnables(ReadControls(), FTabs);
    if (FTabs.Extended) {
        EnableControl(IDC_LOGLINES, enables.LogLines);
        EnableControl(IDC_LOGLINES_SPIN, enables.LogLines);
        EnableControl(IDC_LOGFILENAME, enables.LogFileName);
        EnableControl(IDC_LOGFILE_PICK, enables.LogFileName);
        EnableControl(IDC_WAITFOR, enables.WaitFor);
        EnableControl(IDC_WAITFOR_SPIN, enables.WaitFor);
        EnableControl(IDC_EVENTS, enables.Events);
    }
    if (FTabs.GIDEI) {
        EnableControl(IDC_SOUNDNAME, enables.SoundName);
        EnableControl(IDC_SOUND_PICK, enables.SoundName);
    }
    EnableControl(IDOK, enables.OK);
}

void TvemuCfgDlg::ApplySettings()
{
    if (FEngine && Globals && ViewLog && FileLog)
        ApplyConfigValues(ReadControls(), FEngine->Receiver(), FEngine->Parser(), *Globals, *ViewLog, *FileLog);
}

// Handlers -------------------------------------------------------------------

void TvemuCfgDlg::PickInto(int EditId, bool Save, int TitleId, int FilterId, const char* Extension, unsigned Options)
{
    std::string path = ControlText(EditId);
    if (PickFile(Handle(), Save, TitleId, FilterId, Extension, Options, path))
        SetWindowTextA(Control(EditId), path.c_str());
    UpdateControls(); // also after cancelling
}

void TvemuCfgDlg::ChooseEvents()
{
    if (!Loggers)
        return;
    TLogTypeDialog dialog;
    dialog.SetMask(Loggers->LogEvents());
    // In force at once, whatever the main dialog's own OK or Abbrechen.
    if (dialog.ShowModal(Handle()) == 1)
        Loggers->SetLogEvents(dialog.GetMask());
}

void TvemuCfgDlg::OnCommand(int Id, int Code, HWND)
{
    switch (Id) {
    case IDOK:
        if (Code == BN_CLICKED && IsWindowEnabled(Item(IDOK))) {
            ApplySettings();
            // A port that did not open is tried again until it does.
            if (FEngineHost)
                FEngineHost->WatchPort();
            CloseWindow();
        }
        break;
    case IDCANCEL: // Abbrechen, Esc and the close box
        CloseWindow();
        break;
    case IDC_EXIT:
        FCloseReason = crExit;
        CloseWindow();
        break;
    case IDC_EXPAND:
        SetPortExpanded(!FPortExpanded);
        break;
    case IDC_LOGFILE_PICK:
        PickInto(IDC_LOGFILENAME, true, IDS_LOGFILE_TITLE, IDS_LOGFILE_FILTER, "log",
                 OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
        break;
    case IDC_SOUND_PICK:
        PickInto(IDC_SOUNDNAME, false, IDS_SOUND_TITLE, IDS_SOUND_FILTER, "wav",
                 OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
        break;
    case IDC_EVENTS:
        ChooseEvents();
        break;
    case IDC_RUNINFO:
        MessageBoxOK(LoadResourceText(IDS_AUTOSTART_INFO), mtInformation, 0);
        break;
    case IDC_PORT:
        if (Code == CBN_SELCHANGE)
            UpdateControls();
        break;
    case IDC_LOGVIEW:
    case IDC_LOGFILE:
    case IDC_DEBUG:
    case IDC_GIDEI:
    case IDC_SOUND:
        if (Code == BN_CLICKED)
            UpdateControls();
        break;
    case IDC_LOGFILENAME:
    case IDC_SOUNDNAME:
        if (Code == EN_CHANGE)
            UpdateControls();
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
}

void TvemuCfgDlg::Show()
{
    if (!Handle() || FShutDown)
        return;
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
    const bool stored = Globals && Globals->PutBool("Start", "Tray", FTray && FTray->IconShown());
    if (!stored && WarnWhenTrayNotSaved(FCloseReason))
        MessageBoxOK(LoadResourceText(IDS_SETTINGS_NOT_SAVED), mtWarning, 0);
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
        if (Globals && Globals->UseSound && !Globals->Sound.empty())
            PlaySoundFile(Globals->Sound.c_str());
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
