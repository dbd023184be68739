#include "base/window/Graphics_win.h"

#include "base/window/Picture.h"

#include <cstring>

int ScreenDpi()
{
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int ScaleForDpi(int Pixels) { return MulDiv(Pixels, ScreenDpi(), 96); }

int SmallIconSize()
{
    const int size = GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : ScaleForDpi(16);
}

TIconHandle LoadIconSized(int Id, int Size)
{
    return TIconHandle(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(Id), IMAGE_ICON, Size, Size, LR_DEFAULTCOLOR)));
}

bool TPictureBitmap::Load(int Id, int LargeId)
{
    std::string failure;
    if (ScreenDpi() > 96) {
        if (FromPicture(LoadPictureResource(LargeId, failure)))
            return true;
        FFailures.push_back(failure);
    }
    if (FromPicture(LoadPictureResource(Id, failure)))
        return true;
    FFailures.push_back(failure);
    return false;
}

bool TPictureBitmap::FromPicture(const TPicture& Picture)
{
    if (Picture.Empty())
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = Picture.Width;
    info.bmiHeader.biHeight = -Picture.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return false;
    std::memcpy(bits, Picture.Pixels.data(), Picture.Pixels.size());
    FBitmap = std::move(bitmap);
    FWidth = Picture.Width;
    FHeight = Picture.Height;
    return true;
}

void TPictureBitmap::Draw(HDC DC, const RECT& Target) const
{
    if (!FBitmap)
        return;
    TMemoryDCHandle source(CreateCompatibleDC(DC));
    TSelectObject select(source.Get(), FBitmap.Get());
    const int width = Target.right - Target.left;
    const int height = Target.bottom - Target.top;
    if (width == FWidth && height == FHeight) {
        BitBlt(DC, Target.left, Target.top, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    const int oldMode = SetStretchBltMode(DC, HALFTONE);
    POINT origin;
    SetBrushOrgEx(DC, 0, 0, &origin);
    StretchBlt(DC, Target.left, Target.top, width, height, source.Get(), 0, 0, FWidth, FHeight, SRCCOPY);
    SetBrushOrgEx(DC, origin.x, origin.y, nullptr);
    SetStretchBltMode(DC, oldMode);
}

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR Monitor, HDC, LPRECT, LPARAM Data)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(Monitor, &info))
        reinterpret_cast<std::vector<TMonitorArea>*>(Data)->push_back(
            {{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom},
             {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom}});
    return TRUE;
}

} // namespace

TScreenRect PlaceOnScreen(const TStoredPlace& Place, int32_t MinWidth, int32_t MinHeight)
{
    std::vector<TMonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return PlaceStored(Place, MinWidth, MinHeight, monitors);
}

bool HighContrast()
{
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
