#include "ui/SysTray_win.h"

#include "base/window/Graphics_win.h"
#include "base/window/Messages.h"
#include "base/system/SystemLibrary_win.h"
#include "base/system/SystemServices.h"
#include "resources/ResourceIds.h"

#include <shellapi.h>

#include <cstring>

namespace {

constexpr UINT_PTR FlashTimer = 1;
// A shell that refused the icon (Explorer still starting or busy) is asked
// again until it takes it: the icon may be the user's only way in.
constexpr UINT_PTR RetryTimer = 2;
constexpr UINT RetryMs = 2000;

void CopyText(char* Target, size_t Size, int TextId, int SecondLineId = 0)
{
    std::string text = TextId ? LoadResourceText(TextId) : std::string();
    if (SecondLineId)
        text += "\n" + LoadResourceText(SecondLineId);
    std::strncpy(Target, text.c_str(), Size - 1);
    Target[Size - 1] = '\0';
}

} // namespace

TSysTrayForm::TSysTrayForm(TTrayOwner& Owner)
    : FOwner(Owner), FIcon(*this), FTaskbarCreated(RegisterWindowMessageA("TaskbarCreated"))
{
    const int size = SmallIconSize();
    const int ids[5] = {IDI_TRAY_CLOSED, IDI_TRAY_INACTIVE, IDI_TRAY_ACTIVE, IDI_TRAY_LANGUAGE, IDI_TRAY_ERROR};
    for (size_t i = 0; i < FImages.size(); ++i)
        FImages[i] = LoadIconSized(ids[i], size);

    FMenu = TMenuHandle(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_TRAY)));
    if (HMENU popup = FMenu ? GetSubMenu(FMenu.Get(), 0) : nullptr) {
        FExitIcon = LoadIconSized(IDI_MENU_EXIT, size);
        FSetupIcon = LoadIconSized(IDI_MENU_SETUP, size);
        // The images are drawn when the menu asks (WM_DRAWITEM): icons keep
        // their transparency that way on every system.
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = HBMMENU_CALLBACK;
        SetMenuItemInfoA(popup, IDM_TRAY_EXIT, FALSE, &item);
        SetMenuItemInfoA(popup, IDM_TRAY_SETUP, FALSE, &item);
        // What a double click does, in bold.
        SetMenuDefaultItem(popup, IDM_TRAY_SETUP, FALSE);
    }
    // A hidden top-level window: message-only windows never hear that the
    // taskbar was created again.
    CreateHandle("TvemuSysTray", "Vemu Keys", WS_POPUP, WS_EX_TOOLWINDOW, nullptr);
}

TSysTrayForm::~TSysTrayForm() { FIcon.ShowIcon(false); }

HICON TSysTrayForm::ImageIcon(TTrayImage Image) const
{
    switch (Image) {
    case TTrayImage::Inactive: return FImages[1].Get();
    case TTrayImage::Active: return FImages[2].Get();
    case TTrayImage::Language: return FImages[3].Get();
    case TTrayImage::Error: return FImages[4].Get();
    default: return FImages[0].Get();
    }
}

void TSysTrayForm::Notify(uint32_t Message, const TTrayRecord& Record)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = Handle();
    data.uID = TrayIconId;
    data.uCallbackMessage = UM_TRAYICON;
    data.uFlags = Record.Flags;
    data.hIcon = ImageIcon(Record.Image);
    CopyText(data.szTip, sizeof data.szTip, Record.Tip, Record.TipSecond);
    CopyText(data.szInfo, sizeof data.szInfo, Record.InfoText);
    CopyText(data.szInfoTitle, sizeof data.szInfoTitle, Record.InfoTitle);
    data.dwInfoFlags = Record.InfoFlags;
    const BOOL done = Shell_NotifyIconA(Message, &data);
    if (Message == NIM_DELETE) {
        KillTimer(Handle(), RetryTimer);
        return;
    }
    if (!done) {
        SetTimer(Handle(), RetryTimer, RetryMs, nullptr);
        return;
    }
    if (Message == NIM_ADD) {
        KillTimer(Handle(), RetryTimer);
        // Version 3 keeps the mouse messages as they are and adds the
        // keyboard: Enter on the icon and the context-menu key.
        data.uVersion = NOTIFYICON_VERSION;
        Shell_NotifyIconA(NIM_SETVERSION, &data);
    }
}

void TSysTrayForm::RetryIcon()
{
    KillTimer(Handle(), RetryTimer);
    if (!FIcon.IconShown())
        return;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = Handle();
    data.uID = TrayIconId;
    data.uCallbackMessage = UM_TRAYICON;
    data.uFlags = nifMessage | nifIcon | nifTip;
    data.hIcon = ImageIcon(FIcon.Record().Image);
    CopyText(data.szTip, sizeof data.szTip, FIcon.Record().Tip, FIcon.Record().TipSecond);
    // The icon may be there and only a change was refused; otherwise it is
    // added anew.
    if (!Shell_NotifyIconA(NIM_MODIFY, &data))
        FIcon.TaskbarCreated();
}

void TSysTrayForm::StartFlashTimer() { SetTimer(Handle(), FlashTimer, TrayFlashMs, nullptr); }

void TSysTrayForm::StopFlashTimer() { KillTimer(Handle(), FlashTimer); }

std::optional<TScreenRect> TSysTrayForm::IconRect() const
{
    // Windows 7 and later tell where the icon is.
    using TGetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    static const auto getRect = SystemFunction<TGetRect>("shell32.dll", "Shell_NotifyIconGetRect");
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = Handle();
    icon.uID = TrayIconId;
    RECT rect{};
    if (!getRect || FAILED(getRect(&icon, &rect)))
        return std::nullopt;
    return TScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

void TSysTrayForm::FocusIcon()
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = Handle();
    data.uID = TrayIconId;
    Shell_NotifyIconA(NIM_SETFOCUS, &data);
}

void TSysTrayForm::PopupMenu(TTrayAction Opened)
{
    HMENU popup = FMenu ? GetSubMenu(FMenu.Get(), 0) : nullptr;
    // The shell may follow a right click with WM_CONTEXTMENU: one menu.
    if (!popup || FMenuOpen)
        return;
    struct TOpen {
        bool& Flag;
        explicit TOpen(bool& Open) : Flag(Open) { Flag = true; }
        ~TOpen() { Flag = false; }
    } open(FMenuOpen);
    CheckMenuItem(popup, IDM_TRAY_ACTIVE, MF_BYCOMMAND | (FIcon.ActiveChecked() ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(popup, IDM_TRAY_ACTIVE, MF_BYCOMMAND | (FIcon.ActiveEnabled() ? MF_ENABLED : MF_GRAYED));

    // The window the user works in gets the keyboard back afterwards.
    const HWND previous = GetForegroundWindow();
    // Without a window of ours in front the menu would not close when the
    // user clicks elsewhere. The hidden main window must never be that
    // window: its controls would take what the device types next. The tray
    // form holds no controls.
    const HWND main = FOwner.MainWindowHandle();
    const HWND holder = main && IsWindowVisible(main) ? main : Handle();
    SetForegroundWindow(holder);
    const TTrayChoice choice = TrackMenu(popup, Opened);
    // Before the choice is carried out: "Beenden" destroys the window in
    // front, and the system would pick the next one.
    GiveFrontBack(choice, previous, holder);
    if (FocusBackToIcon(Opened, choice))
        FocusIcon();
    CarryOut(choice);
}

TTrayChoice TSysTrayForm::TrackMenu(HMENU Popup, TTrayAction Opened)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    const TMenuAnchor anchor = TrayMenuAnchor(Opened, IconRect(), cursor.x, cursor.y);
    UINT flags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;
    TPMPARAMS params{};
    params.cbSize = sizeof params;
    if (anchor.BesideIcon) {
        flags |= TPM_VERTICAL | TPM_BOTTOMALIGN;
        params.rcExclude = RECT{anchor.Icon.Left, anchor.Icon.Top, anchor.Icon.Right, anchor.Icon.Bottom};
    }
    const UINT command = static_cast<UINT>(
        TrackPopupMenuEx(Popup, flags, anchor.X, anchor.Y, Handle(), anchor.BesideIcon ? &params : nullptr));
    PostMessageA(FOwner.MainWindowHandle(), WM_NULL, 0, 0);
    return command == IDM_TRAY_ACTIVE ? TTrayChoice::Active
           : command == IDM_TRAY_SETUP ? TTrayChoice::Setup
           : command == IDM_TRAY_EXIT  ? TTrayChoice::Exit
                                       : TTrayChoice::None;
}

void TSysTrayForm::GiveFrontBack(TTrayChoice Choice, HWND Previous, HWND Holder)
{
    const HWND front = GetForegroundWindow();
    TWindowsSeenAfterMenu seen;
    seen.PreviousUsable = Previous && Previous != Holder && IsWindow(Previous) && IsWindowVisible(Previous);
    seen.HolderInFront = front == Holder || front == nullptr;
    seen.HeldByTrayForm = Holder == Handle();
    switch (FrontAfterMenu(Choice, seen)) {
    case TFrontAfterMenu::Previous:
        SetForegroundWindow(Previous);
        break;
    case TFrontAfterMenu::Desktop:
        if (HWND desktop = GetShellWindow())
            SetForegroundWindow(desktop);
        break;
    case TFrontAfterMenu::Unchanged:
        break;
    }
}

void TSysTrayForm::CarryOut(TTrayChoice Choice)
{
    switch (Choice) {
    case TTrayChoice::Active:
        PostMessageA(FOwner.MainWindowHandle(), UM_TOGGLEACTIVE, 0, 0);
        break;
    case TTrayChoice::Setup:
        FOwner.ShowMainWindow();
        break;
    case TTrayChoice::Exit:
        FOwner.ExitFromTray();
        break;
    default:
        break;
    }
}

bool TSysTrayForm::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    Result = 0;
    if (Msg == UM_TRAYICON) {
        const TTrayAction action = TrayIconAction(LOWORD(LParam));
        if (action == TTrayAction::ShowMainWindow)
            FOwner.ShowMainWindow();
        else if (action != TTrayAction::None)
            PopupMenu(action);
        return true;
    }
    if (Msg == WM_TIMER && WParam == FlashTimer) {
        FIcon.FlashTimerElapsed();
        return true;
    }
    if (Msg == WM_TIMER && WParam == RetryTimer) {
        RetryIcon();
        return true;
    }
    if (Msg == WM_CLOSE) {
        // Closing the program's windows from outside must not take its icon
        // away while the program runs on: the icon goes with the program.
        return true;
    }
    if (Msg == WM_MEASUREITEM) {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
        if (item->CtlType != ODT_MENU)
            return false;
        item->itemWidth = static_cast<UINT>(SmallIconSize());
        item->itemHeight = static_cast<UINT>(SmallIconSize());
        Result = TRUE;
        return true;
    }
    if (Msg == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
        if (item->CtlType != ODT_MENU)
            return false;
        HICON icon = item->itemID == IDM_TRAY_EXIT ? FExitIcon.Get() : item->itemID == IDM_TRAY_SETUP ? FSetupIcon.Get() : nullptr;
        const int size = SmallIconSize();
        if (icon)
            DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top + (item->rcItem.bottom - item->rcItem.top - size) / 2,
                       icon, size, size, 0, nullptr, DI_NORMAL);
        Result = TRUE;
        return true;
    }
    if (Msg == FTaskbarCreated && FTaskbarCreated != 0) {
        FIcon.TaskbarCreated();
        return true;
    }
    return false;
}
