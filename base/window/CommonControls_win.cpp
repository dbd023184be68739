#include "base/window/CommonControls_win.h"

#include "base/system/SystemLibrary_win.h"

namespace {

HMODULE CommonControls()
{
    // By name, not by path: a path would bypass the manifest's redirection
    // to version 6. The search was restricted to the system folder first.
    static const HMODULE module = LoadLibraryA("comctl32.dll");
    return module;
}

template <typename TFunction>
TFunction Function(const char* Name)
{
    return ModuleFunction<TFunction>(CommonControls(), Name);
}

} // namespace

bool InitCommonControlClasses(DWORD Classes)
{
    static const auto init = Function<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
    const INITCOMMONCONTROLSEX controls{sizeof controls, Classes};
    return init && init(&controls);
}

bool SubclassWindow(HWND Window, SUBCLASSPROC Procedure, UINT_PTR Id, DWORD_PTR Data)
{
    static const auto subclass = Function<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)>("SetWindowSubclass");
    return subclass && subclass(Window, Procedure, Id, Data);
}

void RemoveSubclass(HWND Window, SUBCLASSPROC Procedure, UINT_PTR Id)
{
    static const auto remove = Function<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR)>("RemoveWindowSubclass");
    if (remove)
        remove(Window, Procedure, Id);
}

LRESULT DefaultSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    static const auto next = Function<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>("DefSubclassProc");
    return next ? next(Window, Msg, WParam, LParam) : DefWindowProcA(Window, Msg, WParam, LParam);
}
