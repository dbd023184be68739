#include "base/window/MessageDialog.h"

#include "base/system/SystemServices.h"
#include "resources/StringIds.h"

#include <windows.h>

namespace {

// The system message box has the captions of the system's language; a hook
// on the thread's window messages renames its buttons as soon as the box has
// initialised them, before it is shown.
thread_local HHOOK CaptionHook = nullptr;

void Rename(HWND Box, int Control, int TextId)
{
    if (HWND button = GetDlgItem(Box, Control)) {
        std::string text = LoadResourceText(TextId);
        if (!text.empty())
            SetWindowTextA(button, text.c_str());
    }
}

LRESULT CALLBACK RenameButtons(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(LParam);
        if (message->message == WM_INITDIALOG) {
            Rename(message->hwnd, IDOK, IDS_BUTTON_OK);
            Rename(message->hwnd, IDCANCEL, IDS_BUTTON_CANCEL);
            Rename(message->hwnd, IDYES, IDS_BUTTON_YES);
            Rename(message->hwnd, IDNO, IDS_BUTTON_NO);
        }
    }
    return CallNextHookEx(CaptionHook, Code, WParam, LParam);
}

UINT ButtonStyle(unsigned Buttons)
{
    const bool yes = Buttons & mbYes;
    const bool no = Buttons & mbNo;
    const bool cancel = Buttons & mbCancel;
    if (yes && no)
        return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (cancel)
        return MB_OKCANCEL;
    return MB_OK;
}

UINT IconStyle(TMsgDlgType Kind)
{
    switch (Kind) {
    case mtWarning: return MB_ICONWARNING;
    case mtError: return MB_ICONERROR;
    case mtInformation: return MB_ICONINFORMATION;
    case mtConfirmation: return MB_ICONQUESTION;
    default: return 0;
    }
}

} // namespace

int MessageDialog(const std::string& Text, TMsgDlgType Kind, unsigned Buttons)
{
    UINT style = ButtonStyle(Buttons) | IconStyle(Kind) | MB_SETFOREGROUND;
    CaptionHook = SetWindowsHookExA(WH_CALLWNDPROCRET, RenameButtons, nullptr, GetCurrentThreadId());
    int result = MessageBoxA(nullptr, Text.c_str(), "Vemu Keys", style);
    if (CaptionHook) {
        UnhookWindowsHookEx(CaptionHook);
        CaptionHook = nullptr;
    }
    switch (result) {
    case IDOK: return mrOk;
    case IDCANCEL: return mrCancel;
    case IDYES: return mrYes;
    case IDNO: return mrNo;
    default: return mrNone;
    }
}
