#include "base/window/Window_win.h"

#include "base/system/ExceptionName.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace {

TWindowExceptionHandler ExceptionHandler = nullptr;

// Open modeless dialogs (main thread only).
std::vector<HWND> ModelessDialogs;

template <typename TCall>
auto Guarded(TCall Call, decltype(Call()) Failed)
{
    try {
        return Call();
    } catch (const std::exception& error) {
        if (ExceptionHandler)
            ExceptionHandler(ExceptionClassName(error));
    } catch (...) {
        if (ExceptionHandler)
            ExceptionHandler(ExceptionClassName());
    }
    return Failed;
}

} // namespace

void SetWindowExceptionHandler(TWindowExceptionHandler Handler) { ExceptionHandler = Handler; }

// Window ----------------------------------------------------------------------

TWindow::~TWindow()
{
    if (FWindow) {
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

bool RegisterClassOnce(const WNDCLASSA& Class)
{
    WNDCLASSA existing{};
    return GetClassInfoA(Class.hInstance, Class.lpszClassName, &existing) || RegisterClassA(&Class);
}

bool TWindow::CreateHandle(const char* ClassName, const char* Caption, DWORD Style, DWORD ExStyle, HWND Parent,
                           HICON Icon)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ClassName;
    windowClass.hIcon = Icon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassOnce(windowClass);
    FWindow = CreateWindowExA(ExStyle, ClassName, Caption, Style, 0, 0, 0, 0, Parent, nullptr, instance, this);
    return FWindow != nullptr;
}

LRESULT CALLBACK TWindow::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTA*>(LParam);
        auto* owner = static_cast<TWindow*>(created->lpCreateParams);
        owner->FWindow = Window;
        SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
    if (self) {
        LRESULT result = 0;
        const bool handled =
            Guarded([&] { return self->HandleMessage(Msg, WParam, LParam, result); }, true);
        if (handled)
            return result;
    }
    if (Msg == WM_NCDESTROY && self) {
        SetWindowLongPtrA(Window, GWLP_USERDATA, 0);
        self->FWindow = nullptr;
    }
    return DefWindowProcA(Window, Msg, WParam, LParam);
}

// Dialog ----------------------------------------------------------------------

TDialog::~TDialog() { Destroy(); }

INT_PTR TDialog::ShowModal(HWND Owner)
{
    FModeless = false;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(FTemplateId), Owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND TDialog::CreateModeless(HWND Parent)
{
    FModeless = true;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(FTemplateId), Parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (window && !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        ModelessDialogs.push_back(window);
    return window;
}

void TDialog::EndModal(INT_PTR Result)
{
    if (FWindow)
        EndDialog(FWindow, Result);
}

void TDialog::Destroy()
{
    if (FWindow && FModeless)
        DestroyWindow(FWindow);
}

std::string WindowText(HWND Window)
{
    const int length = Window ? GetWindowTextLengthA(Window) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (length > 0)
        GetWindowTextA(Window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool TDialog::PreTranslate(MSG& Message)
{
    // A copy: a key handled here (Esc) may destroy a dialog of the list.
    // A hidden dialog takes no keys: Enter would press its default button,
    // a letter one of its accelerators, unseen by the user.
    const std::vector<HWND> dialogs = ModelessDialogs;
    for (HWND dialog : dialogs)
        if (IsWindow(dialog) && IsWindowVisible(dialog) && IsDialogMessageA(dialog, &Message))
            return true;
    return false;
}

INT_PTR TDialog::Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    switch (Msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        OnCommand(LOWORD(WParam), HIWORD(WParam), reinterpret_cast<HWND>(LParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    default: {
        INT_PTR result = 0;
        return HandleMessage(Msg, WParam, LParam, result) ? result : FALSE;
    }
    }
}

INT_PTR CALLBACK TDialog::DialogProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_INITDIALOG) {
        auto* owner = reinterpret_cast<TDialog*>(LParam);
        owner->FWindow = Window;
        SetWindowLongPtrA(Window, DWLP_USER, LParam);
    }
    auto* self = reinterpret_cast<TDialog*>(GetWindowLongPtrA(Window, DWLP_USER));
    if (!self)
        return FALSE;
    const INT_PTR result = Guarded([&] { return self->Dispatch(Msg, WParam, LParam); }, INT_PTR(FALSE));
    if (Msg == WM_NCDESTROY) {
        SetWindowLongPtrA(Window, DWLP_USER, 0);
        ModelessDialogs.erase(std::remove(ModelessDialogs.begin(), ModelessDialogs.end(), Window),
                              ModelessDialogs.end());
        self->FWindow = nullptr;
    }
    return result;
}
