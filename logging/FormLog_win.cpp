#include "logging/FormLog_win.h"

#include "base/settings/SettingsRecords.h"
#include "base/window/Graphics_win.h"
#include "base/window/Messages.h"
#include "base/window/ScreenPlacement.h"
#include "base/system/SystemServices.h"
#include "base/system/Text.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"

#include <vector>

namespace {

// Design sizes in pixels at 96 DPI.
constexpr int MinWidth = 200;
constexpr int MinHeight = 190;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int Margin = 4;
constexpr int ItemHeight = 14;

void SetGlyph(HWND Button, HICON Icon) { SendMessageA(Button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon)); }

bool PutClipboard(UINT Format, const void* Data, size_t Size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, Size);
    if (!memory)
        return false;
    void* target = GlobalLock(memory);
    memcpy(target, Data, Size);
    GlobalUnlock(memory);
    if (!SetClipboardData(Format, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true; // the clipboard owns it now
}

} // namespace

// Window ----------------------------------------------------------------------

TLogForm::TLogForm(TViewLog& View, TLogViewPlace& Place, TWakeGate* Wake)
    : TDialog(IDD_LOGFORM), FLines(View), FPlace(Place), FWake(Wake), FView(*this)
{
}

INT_PTR TLogForm::OnInitDialog()
{
    const int iconSize = SmallIconSize();
    FStartGlyph = LoadIconSized(IDI_GLYPH_START, iconSize);
    FStopGlyph = LoadIconSized(IDI_GLYPH_STOP, iconSize);
    FCopyGlyph = LoadIconSized(IDI_GLYPH_COPY, iconSize);
    SetGlyph(Item(IDC_LOG_COPY), FCopyGlyph.Get());

    LOGFONTA font{};
    font.lfHeight = -MulDiv(8, ScreenDpi(), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpyA(font.lfFaceName, "Courier New");
    FFont = TFontHandle(CreateFontIndirectA(&font));
    SendDlgItemMessageA(Handle(), IDC_LOG_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_SETITEMHEIGHT, 0, ScaleForDpi(ItemHeight));

    // Position and size as the user left them; back on a monitor when that
    // one is gone.
    TStoredPlace stored;
    stored.Left = FPlace.Left;
    stored.Top = FPlace.Top;
    stored.Width = FPlace.Width > 0 ? FPlace.Width : ScaleForDpi(210);
    stored.Height = FPlace.Height > 0 ? FPlace.Height : ScaleForDpi(210);
    const TScreenRect rect = PlaceOnScreen(stored, ScaleForDpi(MinWidth), ScaleForDpi(MinHeight));
    SetWindowPos(Handle(), nullptr, rect.Left, rect.Top, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);

    StartStop(); // a new window starts running
    Layout();
    return TRUE;
}

void TLogForm::OnDestroy() { StorePlace(); }

void TLogForm::StorePlace()
{
    RECT rect;
    if (Handle() && GetWindowRect(Handle(), &rect))
        FPlace = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void TLogForm::Layout()
{
    RECT client;
    GetClientRect(Handle(), &client);
    const int margin = ScaleForDpi(Margin);
    const int width = ScaleForDpi(ButtonWidth);
    const int height = ScaleForDpi(ButtonHeight);
    const int top = client.bottom - margin - height;
    MoveWindow(Item(IDC_LOG_LIST), 0, 0, client.right, std::max(0, top - margin), TRUE);
    MoveWindow(Item(IDC_LOG_STARTSTOP), client.right - margin - width, top, width, height, TRUE);
    MoveWindow(Item(IDC_LOG_COPY), client.right - 2 * (margin + width), top, width, height, TRUE);
}

void TLogForm::Close()
{
    // Switching the sink off closes and destroys this window, and the
    // configuration dialog's "Anzeigen:" box follows.
    FLines.SetActive(false);
}

void TLogForm::StartStop()
{
    const int caption = FView.StartStop();
    SetDlgItemTextA(Handle(), IDC_LOG_STARTSTOP, LoadResourceText(caption).c_str());
    SetGlyph(Item(IDC_LOG_STARTSTOP), FView.Running() ? FStopGlyph.Get() : FStartGlyph.Get());
}

void TLogForm::DrainLines()
{
    if (FWake)
        FWake->Arrived();
    FView.DrainLines(FLines);
}

int TLogForm::Count() const
{
    return static_cast<int>(SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_GETCOUNT, 0, 0));
}

void TLogForm::DeleteFirst() { SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_DELETESTRING, 0, 0); }

void TLogForm::Append(const std::string& Line)
{
    const LRESULT index =
        SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str()));
    // The newest line scrolls into view; the selection stays.
    if (index >= 0)
        SendDlgItemMessageA(Handle(), IDC_LOG_LIST, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    // Long lines (received bytes) can be scrolled to.
    HWND list = Item(IDC_LOG_LIST);
    TWindowDC dc(list);
    TSelectObject font(dc.Get(), FFont.Get());
    SIZE extent{};
    GetTextExtentPoint32A(dc.Get(), Line.c_str(), static_cast<int>(Line.size()), &extent);
    if (extent.cx + ScaleForDpi(Margin) > FWidestLine) {
        FWidestLine = extent.cx + ScaleForDpi(Margin);
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(FWidestLine), 0);
    }
}

void TLogForm::EnableCopy(bool On) { EnableItem(IDC_LOG_COPY, On); }

void TLogForm::CopySelection()
{
    HWND list = Item(IDC_LOG_LIST);
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    std::vector<std::string> lines(static_cast<size_t>(std::max(0, count)));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string line(static_cast<size_t>(std::max<LRESULT>(0, length)) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(std::max<LRESULT>(0, length)));
        lines[static_cast<size_t>(i)] = std::move(line);
    }
    const int selectedCount = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    std::vector<int> selected(static_cast<size_t>(std::max(0, selectedCount)));
    if (selectedCount > 0)
        SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(selectedCount), reinterpret_cast<LPARAM>(selected.data()));
    const std::string text = LogCopyText(lines, selected);
    // Unicode for every program whatever the system code page, and the
    // 8-bit text as it is for the old ones.
    const std::u16string wide = Cp1252ToUtf16(text);
    if (!OpenClipboard(Handle()))
        return;
    EmptyClipboard();
    PutClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    PutClipboard(CF_TEXT, text.c_str(), text.size() + 1);
    CloseClipboard();
}

void TLogForm::OnCommand(int Id, int, HWND)
{
    switch (Id) {
    case IDC_LOG_STARTSTOP:
        StartStop();
        break;
    case IDC_LOG_COPY:
        CopySelection();
        break;
    case IDCANCEL: // Esc
        Close();
        break;
    default:
        break;
    }
}

bool TLogForm::HandleMessage(UINT Msg, WPARAM, LPARAM LParam, INT_PTR& Result)
{
    switch (Msg) {
    case UM_LOGVIEW:
        DrainLines();
        Result = TRUE;
        return true;
    case WM_CLOSE:
        Close();
        return true;
    case WM_SIZE:
        Layout();
        return true;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(LParam);
        limits->ptMinTrackSize.x = ScaleForDpi(MinWidth);
        limits->ptMinTrackSize.y = ScaleForDpi(MinHeight);
        return true;
    }
    default:
        return false;
    }
}

// Link ------------------------------------------------------------------------

TLogFormLink::~TLogFormLink() { Close(); }

void TLogFormLink::Open()
{
    if (!FForm) {
        auto form = std::make_unique<TLogForm>(FView, FPlace, &FWake);
        if (!form->CreateModeless(nullptr))
            return;
        FForm = std::move(form);
        FWindow = FForm->Handle();
        FPlaced = true;
    }
    ShowWindow(FForm->Handle(), SW_SHOWNOACTIVATE);
}

void TLogFormLink::Close()
{
    FWindow = nullptr;
    FForm.reset(); // destroys the window; it stores its place first
    // A wake-up posted to that window went with it.
    FWake.Arrived();
}

void TLogFormLink::StorePlace()
{
    if (FForm)
        FForm->StorePlace();
}

void TLogFormLink::SendWake()
{
    if (HWND window = FWindow.load())
        SendMessageA(window, UM_LOGVIEW, 0, 0);
}

void TLogFormLink::PostWake()
{
    HWND window = FWindow.load();
    if (window && FWake.Claim() && !PostMessageA(window, UM_LOGVIEW, 0, 0))
        FWake.PostFailed();
}

void TLogFormLink::TrimLines(int Max)
{
    if (FForm)
        FForm->TrimLines(Max);
}
