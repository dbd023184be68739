#include "app/InfoPage_win.h"

#include "base/window/CommonControls_win.h"
#include "base/system/SystemServices.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

namespace {

constexpr COLORREF LinkColour = RGB(0, 0, 0);
constexpr COLORREF HotLinkColour = RGB(0, 0, 255);
constexpr COLORREF VersionColour = RGB(192, 192, 192);

void Open(const std::string& Target)
{
    ShellExecuteA(nullptr, nullptr, Target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

TInfoPage::TInfoPage(TLog& Log) : TDialog(IDD_PAGE_INFO), FLog(Log) {}

INT_PTR TInfoPage::OnInitDialog()
{
    FWebAddress = LoadResourceText(IDS_WEB_ADDRESS);
    FEmailAddress = LoadResourceText(IDS_CONTACT_EMAIL);
    SetDlgItemTextA(Handle(), IDC_WWW, LoadResourceText(IDS_WEB_CREDIT).c_str());
    SetDlgItemTextA(Handle(), IDC_EMAIL, (LoadResourceText(IDS_EMAIL_CAPTION) + FEmailAddress).c_str());

    int major = 0, minor = 0, release = 0, build = 0;
    ReadFileVersion(ProgramFilePath(), major, minor, release, build);
    char version[64];
    std::snprintf(version, sizeof version, LoadResourceText(IDS_VERSION_FORMAT).c_str(), major, minor, release,
                  build);
    SetDlgItemTextA(Handle(), IDC_VERSION, version);

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfUnderline = TRUE;
    FUnderlined = TFontHandle(CreateFontIndirectA(&font));

    for (int id : {IDC_WWW, IDC_EMAIL})
        SubclassWindow(Item(id), LinkProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
    UpdatePicture();
    return FALSE;
}

void TInfoPage::UpdatePicture()
{
    // High contrast shows the system colours instead of the picture; it may
    // be switched on and off while the program runs.
    if (HighContrast()) {
        FPicture.Clear();
    } else if (FPicture.Empty()) {
        FPicture.Load(IDR_INFO_PICTURE, IDR_INFO_PICTURE_2X);
        for (const std::string& failure : FPicture.TakeFailures())
            FLog.Log(lkError, failure);
    }
    FBackground.Reset();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TInfoPage::RenderBackground()
{
    RECT client;
    GetClientRect(Handle(), &client);
    if (FBackground && FBackgroundSize.cx == client.right && FBackgroundSize.cy == client.bottom)
        return;
    TWindowDC screen(Handle());
    FBackground = TBitmapHandle(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    FBackgroundSize = {client.right, client.bottom};
    TMemoryDCHandle dc(CreateCompatibleDC(screen.Get()));
    TSelectObject select(dc.Get(), FBackground.Get());
    if (FPicture.Empty())
        FillRect(dc.Get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    else
        FPicture.Draw(dc.Get(), client);
}

// Area is in page coordinates; it is drawn at the DC's origin.
void TInfoPage::PaintBackground(HDC DC, const RECT& Area)
{
    RenderBackground();
    TMemoryDCHandle source(CreateCompatibleDC(DC));
    TSelectObject select(source.Get(), FBackground.Get());
    BitBlt(DC, 0, 0, Area.right - Area.left, Area.bottom - Area.top, source.Get(), Area.left, Area.top, SRCCOPY);
}

void TInfoPage::DrawLink(const DRAWITEMSTRUCT& Item)
{
    RECT area = Item.rcItem;
    MapWindowPoints(Item.hwndItem, Handle(), reinterpret_cast<POINT*>(&area), 2);
    PaintBackground(Item.hDC, area);
    char text[256] = "";
    GetWindowTextA(Item.hwndItem, text, sizeof text);
    const bool hot = FHotLink == static_cast<int>(Item.CtlID) || (Item.itemState & ODS_FOCUS);
    COLORREF colour;
    if (FPicture.Empty())
        colour = GetSysColor(hot ? COLOR_HOTLIGHT : COLOR_BTNTEXT);
    else
        colour = hot ? HotLinkColour : LinkColour;
    SetBkMode(Item.hDC, TRANSPARENT);
    SetTextColor(Item.hDC, colour);
    HFONT normal = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
    TSelectObject font(Item.hDC, hot ? FUnderlined.Get() : normal);
    RECT textArea = Item.rcItem;
    DrawTextA(Item.hDC, text, -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (Item.itemState & ODS_FOCUS) {
        RECT measure = Item.rcItem;
        DrawTextA(Item.hDC, text, -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int width = measure.right - measure.left;
        RECT focus = Item.rcItem;
        focus.left += (focus.right - focus.left - width) / 2 - 2;
        focus.right = focus.left + width + 4;
        DrawFocusRect(Item.hDC, &focus);
    }
}

void TInfoPage::SetHot(int Id, bool Hot)
{
    const int hot = Hot ? Id : (FHotLink == Id ? 0 : FHotLink);
    if (hot == FHotLink)
        return;
    const int previous = FHotLink;
    FHotLink = hot;
    for (int id : {previous, hot})
        if (id)
            InvalidateRect(Item(id), nullptr, FALSE);
}

LRESULT CALLBACK TInfoPage::LinkProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR Id, DWORD_PTR Data)
{
    auto* page = reinterpret_cast<TInfoPage*>(Data);
    switch (Msg) {
    case WM_MOUSEMOVE:
        if (page->FHotLink != static_cast<int>(Id)) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = Window;
            TrackMouseEvent(&track);
            page->SetHot(static_cast<int>(Id), true);
        }
        break;
    case WM_MOUSELEAVE:
        page->SetHot(static_cast<int>(Id), false);
        break;
    case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
    case WM_NCDESTROY:
        RemoveSubclass(Window, LinkProc, Id);
        break;
    default:
        break;
    }
    return DefaultSubclassProc(Window, Msg, WParam, LParam);
}

void TInfoPage::OnCommand(int Id, int Code, HWND)
{
    if (Code != BN_CLICKED)
        return;
    if (Id == IDC_EMAIL)
        Open("mailto:" + FEmailAddress);
    else if (Id == IDC_WWW)
        Open(FWebAddress);
}

bool TInfoPage::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result)
{
    switch (Msg) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Handle(), &client);
        PaintBackground(reinterpret_cast<HDC>(WParam), client);
        Result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(WParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, FPicture.Empty() ? GetSysColor(COLOR_BTNTEXT) : VersionColour);
        Result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    case WM_DRAWITEM:
        DrawLink(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
        Result = TRUE;
        return true;
    case WM_SIZE:
        FBackground.Reset();
        return false;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        UpdatePicture();
        return false;
    default:
        return false;
    }
}
