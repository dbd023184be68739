// Owners for GDI, USER and kernel handles: each frees its handle when it
// goes out of scope, so no early return or exception leaks one.
#pragma once

#include <windows.h>

#include <utility>

template <typename THandleType, typename TFree>
class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(THandleType Handle) : FHandle(Handle) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(TOwnedHandle&& Other) noexcept : FHandle(std::exchange(Other.FHandle, THandleType{})) {}
    TOwnedHandle& operator=(TOwnedHandle&& Other) noexcept
    {
        if (this != &Other)
            Reset(std::exchange(Other.FHandle, THandleType{}));
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;

    THandleType Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != THandleType{}; }
    void Reset(THandleType Handle = THandleType{})
    {
        if (FHandle)
            TFree{}(FHandle);
        FHandle = Handle;
    }

private:
    THandleType FHandle{};
};

struct TFreeIcon {
    void operator()(HICON Icon) const { DestroyIcon(Icon); }
};
struct TFreeGdiObject {
    void operator()(HGDIOBJ Object) const { DeleteObject(Object); }
};
struct TFreeMenu {
    void operator()(HMENU Menu) const { DestroyMenu(Menu); }
};
struct TFreeMemoryDC {
    void operator()(HDC DC) const { DeleteDC(DC); }
};
struct TFreeKernelObject {
    void operator()(HANDLE Object) const { CloseHandle(Object); }
};
struct TFreeLocal {
    void operator()(HLOCAL Memory) const { LocalFree(Memory); }
};

// An icon made by LoadImage or CreateIconIndirect (never a shared one).
using TIconHandle = TOwnedHandle<HICON, TFreeIcon>;
using TBitmapHandle = TOwnedHandle<HBITMAP, TFreeGdiObject>;
using TFontHandle = TOwnedHandle<HFONT, TFreeGdiObject>;
using TBrushHandle = TOwnedHandle<HBRUSH, TFreeGdiObject>;
using TMenuHandle = TOwnedHandle<HMENU, TFreeMenu>;
using TMemoryDCHandle = TOwnedHandle<HDC, TFreeMemoryDC>;
// A kernel object whose failed open gives null (a token, an event), not a
// file's INVALID_HANDLE_VALUE.
using TKernelHandle = TOwnedHandle<HANDLE, TFreeKernelObject>;
// Memory the system allocated with LocalAlloc for the caller.
using TLocalMemory = TOwnedHandle<HLOCAL, TFreeLocal>;

// A window's device context, released at the end of the scope.
class TWindowDC {
public:
    explicit TWindowDC(HWND Window) : FWindow(Window), FDC(GetDC(Window)) {}
    ~TWindowDC()
    {
        if (FDC)
            ReleaseDC(FWindow, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HWND FWindow;
    HDC FDC;
};

// Selects an object into a DC for the scope and puts the old one back.
class TSelectObject {
public:
    TSelectObject(HDC DC, HGDIOBJ Object) : FDC(DC), FOld(SelectObject(DC, Object)) {}
    ~TSelectObject() { SelectObject(FDC, FOld); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};
