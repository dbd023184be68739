// The one base of the program's windows and dialogs. Its static procedure
// finds the C++ object once, when the window is created (WM_NCCREATE for a
// window, WM_INITDIALOG for a dialog), and keeps it in the window; from then
// on every message goes to the object's handler. An exception that leaves a
// handler never unwinds through the system's frames: it is caught in the
// procedure and handed to the program's exception handler.
#pragma once

#include <windows.h>

#include <string>

// Registers a window class of the program's module unless it exists.
bool RegisterClassOnce(const WNDCLASSA& Class);

// A window's text (a control's caption or contents).
std::string WindowText(HWND Window);

// The program's answer to an exception that reached a window procedure
// (class name of the exception); without one the exception is swallowed.
using TWindowExceptionHandler = void (*)(const std::string& ClassName);
void SetWindowExceptionHandler(TWindowExceptionHandler Handler);

class TWindow {
public:
    TWindow() = default;
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Handle() const { return FWindow; }

protected:
    // Registers the class (once) and creates the window. Called by the most
    // derived constructor, so that the handler of the finished object serves
    // even the creation messages. Parent HWND_MESSAGE makes a message-only
    // window.
    bool CreateHandle(const char* ClassName, const char* Caption, DWORD Style, DWORD ExStyle, HWND Parent,
                      HICON Icon = nullptr);
    // Returns true when the message was handled, with its result.
    virtual bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
    HWND FWindow = nullptr;
};

class TDialog {
public:
    explicit TDialog(int TemplateId) : FTemplateId(TemplateId) {}
    // A modeless dialog still open is destroyed; a derived dialog whose
    // OnDestroy matters destroys it in its own destructor.
    virtual ~TDialog();
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;

    // Runs the dialog modally; the result is what EndModal was given.
    INT_PTR ShowModal(HWND Owner);
    // Creates a modeless dialog (a child dialog when the template says so).
    HWND CreateModeless(HWND Parent);
    void EndModal(INT_PTR Result);
    // Destroys a modeless dialog.
    void Destroy();

    HWND Handle() const { return FWindow; }
    HWND Item(int Id) const { return GetDlgItem(FWindow, Id); }
    bool Checked(int Id) const { return IsDlgButtonChecked(FWindow, Id) == BST_CHECKED; }
    void EnableItem(int Id, bool On) { EnableWindow(Item(Id), On ? TRUE : FALSE); }

    // Keyboard navigation (Tab, Esc, Enter, accelerators) for every open
    // modeless dialog: the message loop asks here first.
    static bool PreTranslate(MSG& Message);

protected:
    // WM_INITDIALOG; TRUE lets the system put the focus on the first control.
    virtual INT_PTR OnInitDialog() { return TRUE; }
    virtual void OnCommand(int /*Id*/, int /*Code*/, HWND /*Control*/) {}
    // Everything else; true when handled, with the procedure's result.
    virtual bool HandleMessage(UINT /*Msg*/, WPARAM /*WParam*/, LPARAM /*LParam*/, INT_PTR& /*Result*/)
    {
        return false;
    }
    // WM_DESTROY, while the controls still exist.
    virtual void OnDestroy() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
    INT_PTR Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam);
    int FTemplateId;
    HWND FWindow = nullptr;
    bool FModeless = false;
};
