#include "app/ConfigPages_win.h"

#include "base/system/WidePath_win.h"

#include "app/PortField_win.h"
#include "base/files/FilePaths.h"
#include "base/window/Graphics_win.h"
#include "base/window/MessageDialog.h"
#include "base/system/SystemLibrary_win.h"
#include "base/system/SystemServices.h"
#include "base/system/Text.h"
#include "logging/DlgLType_win.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"
#include "serial/COMObjct.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dbt.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdio>

namespace {

const int LowerPortRows[] = {IDC_LABEL_BYTESIZE, IDC_BYTESIZE, IDC_LABEL_PARITY, IDC_PARITY,
                             IDC_LABEL_STOP,     IDC_STOP,     IDC_CONTROLLINES};
// Everything below the port group, which moves up when it collapses.
const int StartGroupControls[] = {IDC_LABEL_RECEIVED, IDC_RECEIVED, IDC_GROUP_START,  IDC_AUTOSTART,
                                  IDC_RUNINFO,        IDC_SIGNIN,   IDC_SIGNIN_SHIELD, IDC_SIGNIN_REASON};

RECT RectIn(HWND Control, HWND Parent)
{
    RECT rect{};
    GetWindowRect(Control, &rect);
    MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void AddItem(HWND Combo, const std::string& Text)
{
    SendMessageA(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

// Runs a file dialog; the chosen path, or nothing when the user cancelled.
bool PickFile(HWND Owner, bool Save, int TitleId, int FilterId, const char* Extension, DWORD Options,
              const std::string& AppPath, std::string& Path)
{
    // The dialog works in full Unicode (the program's folder may be named
    // so); the name chosen is stored as the settings file's other texts.
    const auto wide = [](const std::string& Cp1252) {
        const std::u16string text = Cp1252ToUtf16(Cp1252);
        return std::wstring(text.begin(), text.end());
    };
    const std::wstring title = wide(LoadResourceText(TitleId));
    const std::wstring filter = wide(FileDialogFilter(LoadResourceText(FilterId)));
    const std::wstring folder = WidePath(DialogStartFolder(Utf8FromCp1252(Path), AppPath));
    const std::wstring extension = wide(Extension ? Extension : "");
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = Extension ? extension.c_str() : nullptr;
    dialog.Flags = Options | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const BOOL chosen = Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (chosen)
        Path = Cp1252FromUtf8(PathFromWide(file));
    return chosen != FALSE;
}

} // namespace

void TConfigPage::OnCommand(int Id, int Code, HWND) { FPages.Command(Id, Code); }

bool TConfigPage::HandleMessage(UINT Msg, WPARAM, LPARAM LParam, INT_PTR& Result)
{
    if (Msg != WM_DRAWITEM || !DrawComboItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam)))
        return false;
    Result = TRUE;
    return true;
}

// The pages ----------------------------------------------------------------

void TConfigPages::Create(HWND Window, const TConfigTabs& Tabs, bool CheckPort, bool PortExpanded,
                          TChoiceValid OnChoiceValid, TLoggers& Loggers, const std::string& AppPath)
{
    FWindow = Window;
    FLoggers = &Loggers;
    FAppPath = AppPath;
    FTabs = Tabs;
    FCheckPort = CheckPort;
    FOnChoiceValid = std::move(OnChoiceValid);
    CreatePages();
    PlacePages();
    MatchComboHeights(Control(IDC_PORT), Control(IDC_RATE));
    MeasurePortGroup();
    LoadGlyphs();
    SelectTab(0);
    FillLists();
    SetPortExpanded(PortExpanded);
}

void TConfigPages::CreatePages()
{
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
    FInfoPage = std::make_unique<TInfoPage>(*FLoggers);
    FTabPages.push_back(FInfoPage.get());

    // Themed page backgrounds where the system draws tabs with a theme.
    static const auto enableTexture =
        SystemFunction<decltype(&EnableThemeDialogTexture)>("uxtheme.dll", "EnableThemeDialogTexture");
    HWND tabs = GetDlgItem(FWindow, IDC_TABS);
    HWND after = tabs;
    for (size_t i = 0; i < FTabPages.size(); ++i) {
        TDialog* page = FTabPages[i];
        page->CreateModeless(FWindow);
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
}

void TConfigPages::PlacePages()
{
    HWND tabs = GetDlgItem(FWindow, IDC_TABS);
    RECT area = RectIn(tabs, FWindow);
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    for (TDialog* page : FTabPages)
        SetWindowPos(page->Handle(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TConfigPages::LoadGlyphs()
{
    const int glyph = SmallIconSize();
    FExpandGlyph = LoadIconSized(IDI_GLYPH_EXPAND, glyph);
    FCollapseGlyph = LoadIconSized(IDI_GLYPH_COLLAPSE, glyph);
    FFolderGlyph = LoadIconSized(IDI_GLYPH_FOLDER, glyph);
    FInfoGlyph = LoadIconSized(IDI_GLYPH_INFO, glyph);
    for (int id : {IDC_LOGFILE_PICK, IDC_SOUND_PICK})
        if (HWND button = Control(id))
            SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FFolderGlyph.Get()));
    SendMessageA(Control(IDC_RUNINFO), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FInfoGlyph.Get()));
    // The system's shield: the box asks for administrator rights.
    FShieldGlyph = static_cast<HICON>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(32518) /* IDI_SHIELD */, IMAGE_ICON, glyph, glyph, LR_SHARED));
    SendMessageA(Control(IDC_SIGNIN_SHIELD), STM_SETICON, reinterpret_cast<WPARAM>(FShieldGlyph), 0);
}

void TConfigPages::SelectTab(int Index)
{
    for (size_t i = 0; i < FTabPages.size(); ++i)
        ShowWindow(FTabPages[i]->Handle(), static_cast<int>(i) == Index ? SW_SHOW : SW_HIDE);
    TabCtrl_SetCurSel(GetDlgItem(FWindow, IDC_TABS), Index);
}

bool TConfigPages::PreTranslateTabs(const MSG& Message)
{
    if (Message.message != WM_KEYDOWN || Message.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0 || !FWindow ||
        (Message.hwnd != FWindow && !IsChild(FWindow, Message.hwnd)))
        return false;
    HWND tabs = GetDlgItem(FWindow, IDC_TABS);
    const int count = static_cast<int>(FTabPages.size());
    const int current = TabCtrl_GetCurSel(tabs);
    const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
    SelectTab((current + step) % count);
    // The focus may have been on the page just hidden.
    SetFocus(tabs);
    return true;
}

void TConfigPages::WindowMessage(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    switch (Msg) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(LParam);
        if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE)
            SelectTab(TabCtrl_GetCurSel(header->hwndFrom));
        break;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // Only top-level windows hear of a new colour scheme.
        for (TDialog* page : FTabPages)
            SendMessageA(page->Handle(), Msg, WParam, LParam);
        break;
    case WM_DEVICECHANGE:
        // A port arrived or left: the list shows the ports present now.
        // Hidden, the next showing fills it.
        if ((WParam == DBT_DEVICEARRIVAL || WParam == DBT_DEVICEREMOVECOMPLETE || WParam == DBT_DEVNODES_CHANGED) &&
            IsWindowVisible(FWindow))
            RefreshPortList(true);
        break;
    default:
        break;
    }
}

// Controls -------------------------------------------------------------------

HWND TConfigPages::Control(int Id) const
{
    for (TDialog* page : FTabPages)
        if (HWND control = page->Item(Id))
            return control;
    return nullptr;
}

bool TConfigPages::ControlChecked(int Id) const
{
    HWND control = Control(Id);
    return control && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TConfigPages::SetControlChecked(int Id, bool On)
{
    if (HWND control = Control(Id))
        SendMessageA(control, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TConfigPages::EnableControl(int Id, bool On)
{
    if (HWND control = Control(Id))
        EnableWindow(control, On ? TRUE : FALSE);
}

std::string TConfigPages::ControlText(int Id) const { return WindowText(Control(Id)); }

int TConfigPages::SelectedItem(int Id) const
{
    HWND control = Control(Id);
    return control ? static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

int32_t TConfigPages::SelectedPort() const
{
    const int item = SelectedItem(IDC_PORT);
    return item == CB_ERR ? 0 : static_cast<int32_t>(SendMessageA(Control(IDC_PORT), CB_GETITEMDATA, item, 0));
}

void TConfigPages::FillLists()
{
    const std::string rateFormat = LoadResourceText(IDS_RATE_FORMAT);
    for (int32_t value : BaudRates) {
        char text[32];
        std::snprintf(text, sizeof text, rateFormat.c_str(), value);
        AddItem(Control(IDC_RATE), text);
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

// The port list --------------------------------------------------------------

void TConfigPages::ListPorts(const std::vector<TPortDevice>& Present, bool KeepSelection)
{
    const int32_t chosen = FReceiver ? FReceiver->Port() : 0;
    int32_t selected = chosen;
    // A port the user picked stays; one still as loaded follows the
    // receiver, whose device may have moved to another number.
    if (KeepSelection && SelectedItem(IDC_PORT) != CB_ERR && SelectedPort() != FLoadedPort)
        selected = SelectedPort();
    if (selected == chosen)
        FLoadedPort = chosen;
    const std::vector<int32_t> added = FPortsAtShow ? PortsNewSince(*FPortsAtShow, Present) : std::vector<int32_t>();
    FillPortList(PortListItems(FCheckPort, Present, {chosen, selected}, added), selected);
}

void TConfigPages::FillPortList(const std::vector<TPortItem>& Items, int32_t Selected)
{
    HWND list = Control(IDC_PORT);
    const TPortTexts texts{LoadResourceText(IDS_PORT_FORMAT), LoadResourceText(IDS_PORT_DESCRIBED),
                           LoadResourceText(IDS_PORT_ABSENT), LoadResourceText(IDS_PORT_NEW)};
    TWindowDC dc(list);
    TSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const TPortItem& port : Items) {
        const std::string text = PortItemText(port, texts);
        const LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0)
            continue;
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(index), port.Port);
        if (port.Port == Selected)
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SIZE size{};
        GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    // The box may cut a long name; its dropped list shows it whole.
    const int margins = 4 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

void TConfigPages::RefreshPortList(bool KeepSelection)
{
    // At once with the ports last listed; the system's list comes from the
    // receiver's job thread (it may take long) and then replaces them, a
    // port the user picked meanwhile staying picked.
    // A fresh list (the dialog shown) is the one later ports count as new
    // against, once the system has listed it.
    if (!KeepSelection)
        FPortsAtShow.reset();
    ListPorts(FPresentPorts, KeepSelection);
    UpdateControls();
    if (!FReceiver || !FCheckPort)
        return;
    FReceiver->ListPorts([this](const std::vector<TPortDevice>& Present) {
        FPresentPorts = Present;
        if (!FPortsAtShow)
            FPortsAtShow = PortNumbers(Present);
        ListPorts(FPresentPorts, true);
        UpdateControls();
    });
}

void TConfigPages::SetReceiver(TSerialReceiver* Receiver)
{
    if (FReceiver)
        FReceiver->SetOnPortsListed(nullptr);
    FReceiver = Receiver;
    if (FReceiver)
        FReceiver->SetOnPortsListed([this](const std::vector<TPortDevice>& Present) { FPresentPorts = Present; });
}

void TConfigPages::ReceiverStateChanged()
{
    if (FReceiver && IsWindowVisible(FWindow) && FReceiver->Port() != FLoadedPort) {
        ListPorts(FPresentPorts, true);
        UpdateControls();
    }
}

// The port group -----------------------------------------------------------

void TConfigPages::MeasurePortGroup()
{
    HWND page = FSetupPage->Handle();
    FGroupPort = RectIn(Control(IDC_GROUP_PORT), page);
    const RECT rate = RectIn(Control(IDC_RATE), page);
    const RECT expand = RectIn(Control(IDC_EXPAND), page);
    const RECT searches = RectIn(Control(IDC_FINDRATE), page);
    const RECT last = RectIn(Control(IDC_CONTROLLINES), page);
    // Collapsed, the group ends below the search buttons with the margin it
    // has below the last row when expanded.
    const int collapsedBottom =
        std::max({rate.bottom, expand.bottom, searches.bottom}) + (FGroupPort.bottom - last.bottom);
    FCollapseBy = FGroupPort.bottom - collapsedBottom;
    for (size_t i = 0; i < FStartGroup.size(); ++i)
        FStartGroup[i] = RectIn(Control(StartGroupControls[i]), page);
}

void TConfigPages::SetPortExpanded(bool Expanded)
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
        if (id == IDC_BYTESIZE || id == IDC_PARITY || id == IDC_STOP || id == IDC_CONTROLLINES)
            EnableControl(id, Expanded);
        ShowWindow(Control(id), Expanded ? SW_SHOWNA : SW_HIDE);
    }
    HWND button = Control(IDC_EXPAND);
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(Expanded ? FCollapseGlyph.Get() : FExpandGlyph.Get()));
    SetWindowTextA(button, LoadResourceText(Expanded ? IDS_EXPAND_LESS : IDS_EXPAND_MORE).c_str());
    InvalidateRect(FSetupPage->Handle(), nullptr, TRUE);
}

// Values ---------------------------------------------------------------------

TConfigValues TConfigPages::Chosen(const TConfigValues& Current) const
{
    TConfigValues values = Current;
    values.PortSelected = SelectedItem(IDC_PORT) != CB_ERR;
    if (values.PortSelected)
        values.Port = SelectedPort();
    values.RateItem = SelectedItem(IDC_RATE);
    values.SizeItem = SelectedItem(IDC_BYTESIZE);
    values.ParityItem = SelectedItem(IDC_PARITY);
    values.StopItem = SelectedItem(IDC_STOP);
    values.ControlLines = ControlChecked(IDC_CONTROLLINES);
    values.AutoStart = ControlChecked(IDC_AUTOSTART);
    values.SignIn = ControlChecked(IDC_SIGNIN);
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

void TConfigPages::WriteControls(const TConfigValues& Values)
{
    HWND port = Control(IDC_PORT);
    FLoadedPort = Values.Port;
    const int count = static_cast<int>(SendMessageA(port, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item)
        if (SendMessageA(port, CB_GETITEMDATA, item, 0) == Values.Port)
            SendMessageA(port, CB_SETCURSEL, item, 0); // no such item: the selection stays
    SendMessageA(Control(IDC_RATE), CB_SETCURSEL, Values.RateItem, 0);
    SendMessageA(Control(IDC_BYTESIZE), CB_SETCURSEL, Values.SizeItem, 0);
    SendMessageA(Control(IDC_PARITY), CB_SETCURSEL, Values.ParityItem, 0);
    SendMessageA(Control(IDC_STOP), CB_SETCURSEL, Values.StopItem, 0);
    SetControlChecked(IDC_CONTROLLINES, Values.ControlLines);
    SetControlChecked(IDC_AUTOSTART, Values.AutoStart);
    SetControlChecked(IDC_SIGNIN, Values.SignIn);
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

void TConfigPages::Show(const TConfigValues& Values, int AutoStartReason, int SignInReason)
{
    WriteControls(Values);
    FAutoStartReason = AutoStartReason;
    EnableControl(IDC_AUTOSTART, AutoStartReason == 0);
    ShowWindow(Control(IDC_RUNINFO), AutoStartReason == 0 ? SW_HIDE : SW_SHOWNA);
    EnableControl(IDC_SIGNIN, SignInReason == 0);
    SetWindowTextA(Control(IDC_SIGNIN_REASON), SignInReason ? LoadResourceText(SignInReason).c_str() : "");
    UpdateControls();
}

void TConfigPages::ShowReceived(const std::string& Units, int VerdictId)
{
    const std::string text = Units.empty() ? LoadResourceText(VerdictId) : Units + "\r\n" + LoadResourceText(VerdictId);
    HWND field = Control(IDC_RECEIVED);
    char shown[2048] = "";
    GetWindowTextA(field, shown, sizeof shown);
    if (text != shown)
        SetWindowTextA(field, text.c_str());
}

void TConfigPages::ShowReceivedLine(const std::string& Line) { SetWindowTextA(Control(IDC_RECEIVED), Line.c_str()); }

std::vector<int32_t> TConfigPages::SearchablePorts() const
{
    std::vector<int32_t> ports;
    HWND list = Control(IDC_PORT);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto port = static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, i, 0));
        if (DeviceAt(port, FPresentPorts))
            ports.push_back(port);
    }
    return ports;
}

void TConfigPages::SetSearching(int ButtonId)
{
    SetWindowTextA(Control(IDC_FINDRATE), LoadResourceText(ButtonId == IDC_FINDRATE ? IDS_SEARCH_STOP : IDS_FINDRATE).c_str());
    SetWindowTextA(Control(IDC_FINDDEVICE),
                   LoadResourceText(ButtonId == IDC_FINDDEVICE ? IDS_SEARCH_STOP : IDS_FINDDEVICE).c_str());
    EnableControl(IDC_FINDRATE, ButtonId != IDC_FINDDEVICE);
    EnableControl(IDC_FINDDEVICE, ButtonId != IDC_FINDRATE);
}

void TConfigPages::SelectFound(int32_t Port, int32_t Rate)
{
    SendMessageA(Control(IDC_RATE), CB_SETCURSEL, RateItemOf(Rate), 0);
    HWND list = Control(IDC_PORT);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; Port != 0 && i < count; ++i)
        if (static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, i, 0)) == Port)
            SendMessageA(list, CB_SETCURSEL, i, 0);
    UpdateControls();
}

std::string TConfigPages::PresentDevice(int32_t Port) const
{
    const TPortDevice* device = DeviceAt(Port, FPresentPorts);
    return device ? device->Identity.Device : std::string();
}

void TConfigPages::SetLogViewTicked(bool Ticked)
{
    SetControlChecked(IDC_LOGVIEW, Ticked);
    UpdateControls();
}

void TConfigPages::UpdateControls()
{
    // Only the shown tabs take part: the values of the others do not count.
    const TConfigEnables enables = ConfigEnables(Chosen(TConfigValues()), FTabs);
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
    if (FOnChoiceValid)
        FOnChoiceValid(enables.OK);
}

// Handlers -------------------------------------------------------------------

void TConfigPages::PickInto(int EditId, bool Save, int TitleId, int FilterId, const char* Extension, unsigned Options)
{
    std::string path = ControlText(EditId);
    if (PickFile(FWindow, Save, TitleId, FilterId, Extension, Options, FAppPath, path))
        SetWindowTextA(Control(EditId), path.c_str());
    UpdateControls(); // also after cancelling
}

void TConfigPages::ChooseEvents()
{
    if (!FLoggers)
        return;
    TLogTypeDialog dialog;
    dialog.SetMask(FLoggers->LogEvents());
    // In force at once, whatever the main dialog's own OK or Abbrechen.
    if (dialog.ShowModal(FWindow) == 1)
        FLoggers->SetLogEvents(dialog.GetMask());
}

void TConfigPages::Command(int Id, int Code)
{
    switch (Id) {
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
    case IDC_FINDRATE:
    case IDC_FINDDEVICE:
        if (Code == BN_CLICKED && FOnSearchPressed)
            FOnSearchPressed(Id);
        break;
    case IDC_RUNINFO:
        MessageBoxOK(LoadResourceText(FAutoStartReason), mtInformation);
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
