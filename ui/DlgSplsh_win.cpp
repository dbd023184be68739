#include "ui/DlgSplsh_win.h"

#include "base/system/SystemServices.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"

namespace {

// Design size of the window and of its labels, in pixels at 96 DPI.
constexpr int SplashWidth = 400;
constexpr int SplashHeight = 303;

void PlaceLabel(HWND Dialog, int Id, int Left, int Top, int Width, int Height)
{
    MoveWindow(GetDlgItem(Dialog, Id), ScaleForDpi(Left), ScaleForDpi(Top), ScaleForDpi(Width), ScaleForDpi(Height),
               FALSE);
}

} // namespace

TSplashDialog::TSplashDialog()
    : TDialog(IDD_SPLASH), FTiming([this] {
          Sleep(TSplashTiming::PauseMs);
          Repaint();
      })
{
}

void TSplashDialog::Show()
{
    if (!CreateModeless(nullptr))
        return;
    // Shown without taking the keyboard: at a logon the user may be typing.
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    Repaint();
    FTiming.Start();
}

void TSplashDialog::Repaint()
{
    if (Handle())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TSplashDialog::ShowProgress(const std::string& Text, uint32_t MinMs)
{
    FTiming.WaitForStep(MinMs);
    if (HWND label = Item(IDC_SPLASH_WORK)) {
        SetWindowTextA(label, Text.c_str());
        // The label is transparent: the picture under it is painted anew.
        RECT area;
        GetWindowRect(label, &area);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
        InvalidateRect(Handle(), &area, TRUE);
        Repaint();
    }
    FTiming.Start();
}

INT_PTR TSplashDialog::OnInitDialog()
{
    const int width = ScaleForDpi(SplashWidth);
    const int height = ScaleForDpi(SplashHeight);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceLabel(Handle(), IDC_SPLASH_WORK, 192, 8, 201, 16);
    PlaceLabel(Handle(), IDC_SPLASH_TITLE, 159, 256, 200, 22);
    PlaceLabel(Handle(), IDC_SPLASH_CREDIT, 99, 280, 296, 16);

    LOGFONTA font{};
    font.lfHeight = -MulDiv(12, ScreenDpi(), 72);
    font.lfWeight = FW_BOLD;
    font.lfItalic = TRUE;
    font.lfCharSet = ANSI_CHARSET;
    lstrcpyA(font.lfFaceName, "Arial");
    FTitleFont = TFontHandle(CreateFontIndirectA(&font));
    SendDlgItemMessageA(Handle(), IDC_SPLASH_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(FTitleFont.Get()), FALSE);
    SetDlgItemTextA(Handle(), IDC_SPLASH_WORK, LoadResourceText(IDS_SPLASH_STARTUP).c_str());
    SetDlgItemTextA(Handle(), IDC_SPLASH_CREDIT, LoadResourceText(IDS_SPLASH_CREDIT).c_str());

    if (!HighContrast())
        FPicture.Load(IDR_SPLASH_PICTURE, IDR_SPLASH_PICTURE_2X);
    return FALSE;
}

bool TSplashDialog::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result)
{
    switch (Msg) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Handle(), &client);
        HDC dc = reinterpret_cast<HDC>(WParam);
        if (FPicture.Empty())
            FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        else
            FPicture.Draw(dc, client);
        Result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        // Labels are drawn straight onto the picture.
        HDC dc = reinterpret_cast<HDC>(WParam);
        const bool work = GetDlgCtrlID(reinterpret_cast<HWND>(LParam)) == IDC_SPLASH_WORK;
        SetBkMode(dc, TRANSPARENT);
        if (FPicture.Empty())
            SetTextColor(dc, GetSysColor(work ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        else
            SetTextColor(dc, work ? RGB(192, 192, 192) : RGB(0, 0, 0));
        Result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    default:
        return false;
    }
}
