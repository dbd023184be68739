// Drives the program's windows for the end-to-end tests and the
// screenshots, from outside, as a user's tools would: it finds windows,
// presses buttons, reads texts and list contents, clicks Wine's tray icons
// and picks items of popup menus. It reads one command per line on standard
// input and answers with one line each (texts as UTF-8); window handles are
// hexadecimal.
//
//   find CLASS TITLE [MS]        a top-level window ("*" for any); waits up to MS
//   findmsg CLASS [MS]           a message-only window of the class; waits up to MS
//   answers HWND MS LIMIT        for MS ms, asks the window every 20 ms (SendMessageTimeout, WM_NULL, at most
//                                LIMIT ms each): "N SLOWEST" (the number of answers and the slowest in ms),
//                                or "none after N" when one did not come within LIMIT
//   dialogs                      the visible dialog boxes (class #32770)
//   title HWND                   a window's title
//   gone HWND [MS]               1 when the window no longer exists within MS
//   visible HWND                 1 or 0
//   rect HWND                    left top right bottom
//   control HWND ID              the descendant with this control id
//   text HWND ID                 a control's text
//   settext HWND ID TEXT         sets an edit's text (its EN_CHANGE follows)
//   checked HWND ID / enabled HWND ID / shown HWND ID
//   click HWND ID                a button click (BM_CLICK, posted)
//   command HWND ID              WM_COMMAND with BN_CLICKED to the button's parent
//   select HWND ID INDEX         picks a combo box item (CBN_SELCHANGE follows)
//   selected HWND ID             the combo box's selected item text, or -
//   items HWND ID                a combo box's item texts, joined by " | "
//   droplist HWND ID             the dropped list of a combo box, or none
//   tab HWND INDEX               shows a tab of the window's tab control
//   list HWND ID                 list box lines, joined by " | "
//   listsel HWND ID I...         selects list box lines
//   post HWND MSG WPARAM LPARAM  posts a message (numbers in decimal or 0x hex)
//   broadcast MSG WPARAM LPARAM  sends a message to every top-level window, as the system sends its
//                                power reports, and waits until they have answered
//   close HWND                   WM_CLOSE
//   trayicons                    the number of tray icons Wine shows
//   trayclick INDEX dbl|right    a double or right click on a tray icon
//   trayhold on|off              an icon of the driver's own in the tray (added after the others), so that
//                                the tray stays shown when a program removes its icon: Wine hides an
//                                empty tray, which takes it 2 s without a window manager
//   trayimage INDEX              a checksum of the icon's pixels on the screen: changes with the icon
//   trayrect INDEX               left top right bottom of a tray icon
//   menu KEY...                  keys for the open popup menu (up, down, return, escape); after return
//                                or escape it waits for the menu to close; answers closed or open
//   menurect                     left top right bottom of the popup menu, once one is open
//   cursor X Y                   puts the mouse pointer there
//   runkey readonly|restore      lets everyone only read the machine's Run key (a user without
//                                administrator rights), and gives the key its permissions back
//   clipboard                    the clipboard's Unicode text
//   profile FILE SECTION KEY     a value read with GetPrivateProfileStringA, or <none>
//   foreground                   the foreground window's class and title
//   focus                        the keyboard focus of the foreground window's thread: class and control id
//   quit
#include "base/system/Handles_win.h"
#include "tests/support/TestSupport_win.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const std::string& Utf8Text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, Utf8Text.c_str(), static_cast<int>(Utf8Text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8Text.c_str(), static_cast<int>(Utf8Text.size()), out.data(), length);
    return out;
}

std::string Hex(HWND Window)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Window)));
    return text;
}

HWND ParseWindow(const std::string& Text)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(Text.c_str(), nullptr, 16)));
}

long long Number(const std::string& Text) { return std::strtoll(Text.c_str(), nullptr, 0); }

// What the control holds: GetWindowText gives only the caption a window of
// another process was created with, not what was typed into an edit since.
std::wstring ControlText(HWND Window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(Window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return L"<hung>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(Window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring WindowText(HWND Window)
{
    const int length = GetWindowTextLengthW(Window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(Window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

struct TSearch {
    std::wstring Class;
    std::wstring Title;
    HWND Found = nullptr;
};

BOOL CALLBACK CollectDialog(HWND Window, LPARAM Data)
{
    wchar_t name[64] = L"";
    GetClassNameW(Window, name, 64);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(Window)) {
        auto* list = reinterpret_cast<std::string*>(Data);
        if (!list->empty())
            *list += " ";
        *list += Hex(Window);
    }
    return TRUE;
}

BOOL CALLBACK MatchTopLevel(HWND Window, LPARAM Data)
{
    auto* search = reinterpret_cast<TSearch*>(Data);
    wchar_t name[256] = L"";
    GetClassNameW(Window, name, 256);
    if ((search->Class == L"*" || lstrcmpiW(name, search->Class.c_str()) == 0) &&
        (search->Title == L"*" || WindowText(Window) == search->Title)) {
        search->Found = Window;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopLevel(const std::string& Class, const std::string& Title, DWORD TimeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        TSearch search{Wide(Class), Wide(Title)};
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.Found || GetTickCount() - start >= TimeoutMs)
            return search.Found;
        Sleep(50);
    }
}

struct TIdSearch {
    int Id;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchId(HWND Window, LPARAM Data)
{
    auto* search = reinterpret_cast<TIdSearch*>(Data);
    if (GetDlgCtrlID(Window) == search->Id) {
        search->Found = Window;
        return FALSE;
    }
    return TRUE;
}

HWND FindControl(HWND Window, int Id)
{
    TIdSearch search{Id};
    EnumChildWindows(Window, MatchId, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = L"";
        GetClassNameW(child, name, 64);
        if (lstrcmpW(name, L"__winex11_tray_icon") == 0 && IsWindowVisible(child))
            icons.push_back(child);
    }
    return icons;
}

// The driver's own tray icon, on a hidden window of its own.
std::string TrayHold(bool On)
{
    static HWND owner = CreateWindowExW(0, L"STATIC", L"uidriver tray", 0, 0, 0, 0, 0, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = 1;
    icon.uFlags = NIF_ICON;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    return Shell_NotifyIconW(On ? NIM_ADD : NIM_DELETE, &icon) ? "ok" : "failed";
}

// The item texts of a list box or a combo box (the messages name the
// kind), joined by " | ".
std::string ItemTexts(HWND Control, UINT CountMsg, UINT LengthMsg, UINT TextMsg)
{
    std::string items;
    const int count = static_cast<int>(SendMessageW(Control, CountMsg, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(Control, LengthMsg, i, 0);
        std::wstring item(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(Control, TextMsg, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(length > 0 ? length : 0));
        if (i > 0)
            items += " | ";
        items += Utf8(item);
    }
    return items;
}

std::string Clipboard()
{
    if (!OpenClipboard(nullptr))
        return "<closed>";
    std::string text = "<none>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            std::wstring wide(chars);
            GlobalUnlock(data);
            text.clear();
            for (wchar_t c : wide) {
                if (c == L'\r')
                    text += "\\r";
                else if (c == L'\n')
                    text += "\\n";
                else
                    text += Utf8(std::wstring(1, c));
            }
        }
    }
    CloseClipboard();
    return text;
}

std::string RectText(HWND Window)
{
    RECT rect{};
    GetWindowRect(Window, &rect);
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
           std::to_string(rect.bottom);
}

// FNV-1a over the pixels the screen shows in the window's rectangle.
std::string ScreenChecksum(HWND Window)
{
    RECT rect{};
    GetWindowRect(Window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return "none";
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    TWindowDC screen(nullptr);
    TMemoryDCHandle memory(CreateCompatibleDC(screen.Get()));
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!screen.Get() || !memory || !bitmap || !bits)
        return "none";
    // Put back before the bitmap and the DC go (declared after them).
    TSelectObject selected(memory.Get(), bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY))
        return "none";
    GdiFlush();
    unsigned long long hash = 14695981039346656037ull;
    const auto* bytes = static_cast<const unsigned char*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height) * 4; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

// The Run key's own permissions while "runkey readonly" is in force.
std::vector<BYTE> SavedRunKeyPermissions;

std::string RunKeyAccess(const std::string& How)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
        return "failed";
    LONG result = ERROR_INVALID_FUNCTION;
    if (How == "readonly" && SavedRunKeyPermissions.empty()) {
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        std::vector<BYTE> saved(size);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (size && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data(), &size) == ERROR_SUCCESS &&
            ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                 nullptr)) {
            result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
            LocalFree(readOnly);
            if (result == ERROR_SUCCESS)
                SavedRunKeyPermissions = std::move(saved);
        }
    } else if (How == "restore" && !SavedRunKeyPermissions.empty()) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, SavedRunKeyPermissions.data());
        if (result == ERROR_SUCCESS)
            SavedRunKeyPermissions.clear();
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? "ok" : "failed";
}

// Whether a window answers within Limit ms, asked again and again for Ms.
std::string Answers(HWND Window, DWORD Ms, UINT Limit)
{
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    const DWORD start = GetTickCount();
    int count = 0;
    double slowest = 0;
    while (GetTickCount() - start < Ms) {
        DWORD_PTR result = 0;
        QueryPerformanceCounter(&begin);
        if (!SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, Limit, &result))
            return "none after " + std::to_string(count);
        QueryPerformanceCounter(&end);
        slowest = std::max(slowest, 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                                        static_cast<double>(frequency.QuadPart));
        ++count;
        Sleep(20);
    }
    return std::to_string(count) + " " + std::to_string(static_cast<int>(slowest));
}

std::string Answer(const std::string& Line)
{
    std::istringstream words(Line);
    std::string verb;
    words >> verb;
    std::vector<std::string> args;
    for (std::string word; words >> word;)
        args.push_back(word);
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    auto control = [&] { return FindControl(ParseWindow(arg(0)), static_cast<int>(Number(arg(1)))); };

    if (verb == "find") {
        HWND window = FindTopLevel(arg(0), arg(1), args.size() > 2 ? static_cast<DWORD>(Number(arg(2))) : 0);
        return window ? Hex(window) : "none";
    }
    if (verb == "findmsg") {
        const DWORD start = GetTickCount();
        HWND window = nullptr;
        while (!(window = FindWindowExA(HWND_MESSAGE, nullptr, arg(0).c_str(), nullptr)) &&
               GetTickCount() - start < static_cast<DWORD>(Number(arg(1))))
            Sleep(50);
        return window ? Hex(window) : "none";
    }
    if (verb == "answers")
        return Answers(ParseWindow(arg(0)), static_cast<DWORD>(Number(arg(1))), static_cast<UINT>(Number(arg(2))));
    if (verb == "dialogs") {
        std::string list;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&list));
        return list;
    }
    if (verb == "title")
        return Utf8(WindowText(ParseWindow(arg(0))));
    if (verb == "gone") {
        const DWORD start = GetTickCount();
        const DWORD timeout = static_cast<DWORD>(Number(arg(1)));
        while (IsWindow(ParseWindow(arg(0))) && GetTickCount() - start < timeout)
            Sleep(50);
        return IsWindow(ParseWindow(arg(0))) ? "0" : "1";
    }
    if (verb == "visible")
        return IsWindowVisible(ParseWindow(arg(0))) ? "1" : "0";
    if (verb == "rect")
        return RectText(ParseWindow(arg(0)));
    if (verb == "control") {
        HWND found = control();
        return found ? Hex(found) : "none";
    }
    if (verb == "text") {
        // A line break of a multi-line field would end the answer: it is
        // given as "\\n".
        HWND found = control();
        std::string text = found ? Utf8(ControlText(found)) : "<none>";
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
            text.replace(at, 2, "\\n");
        return text;
    }
    if (verb == "settext") {
        const size_t at = Line.find(' ', Line.find(' ', Line.find(' ') + 1) + 1);
        const std::wstring text = at == std::string::npos ? L"" : Wide(Line.substr(at + 1));
        SendMessageW(control(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return "ok";
    }
    if (verb == "checked")
        return SendMessageW(control(), BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    if (verb == "enabled")
        return IsWindowEnabled(control()) ? "1" : "0";
    if (verb == "shown")
        return IsWindowVisible(control()) ? "1" : "0";
    // Both are posted, so a modal dialog they open does not block the driver.
    if (verb == "click") {
        HWND button = control();
        if (!button)
            return "none";
        PostMessageW(button, BM_CLICK, 0, 0);
        return "ok";
    }
    if (verb == "command") {
        HWND button = control();
        if (!button)
            return "none";
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return "ok";
    }
    if (verb == "select") {
        HWND combo = control();
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(Number(arg(2))), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        return "ok";
    }
    if (verb == "selected") {
        HWND combo = control();
        const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR)
            return "-";
        wchar_t text[256] = L"";
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return Utf8(text);
    }
    if (verb == "items") {
        HWND combo = control();
        return combo ? ItemTexts(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT) : "<none>";
    }
    if (verb == "droplist") {
        // The shown list of the program's combo box (asking the box itself
        // does not cross processes under Wine).
        HWND combo = control();
        DWORD owner = 0;
        GetWindowThreadProcessId(combo, &owner);
        for (HWND list = FindWindowExW(nullptr, nullptr, L"ComboLBox", nullptr); combo && list;
             list = FindWindowExW(nullptr, list, L"ComboLBox", nullptr)) {
            DWORD process = 0;
            GetWindowThreadProcessId(list, &process);
            if (process == owner && IsWindowVisible(list))
                return Hex(list);
        }
        return "none";
    }
    if (verb == "tab") {
        HWND tabs = FindWindowExW(ParseWindow(arg(0)), nullptr, L"SysTabControl32", nullptr);
        SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(Number(arg(1))), 0);
        return tabs ? "ok" : "none";
    }
    if (verb == "list") {
        HWND list = control();
        return list ? ItemTexts(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT) : "<none>";
    }
    if (verb == "listsel") {
        HWND list = control();
        SendMessageW(list, LB_SETSEL, FALSE, -1);
        for (size_t i = 2; i < args.size(); ++i)
            SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(Number(args[i])));
        return "ok";
    }
    if (verb == "post") {
        const BOOL posted = PostMessageW(ParseWindow(arg(0)), static_cast<UINT>(Number(arg(1))),
                                         static_cast<WPARAM>(Number(arg(2))), static_cast<LPARAM>(Number(arg(3))));
        return posted ? "ok" : "failed";
    }
    if (verb == "broadcast") {
        DWORD_PTR result = 0;
        const LRESULT sent = SendMessageTimeoutW(HWND_BROADCAST, static_cast<UINT>(Number(arg(0))),
                                                 static_cast<WPARAM>(Number(arg(1))),
                                                 static_cast<LPARAM>(Number(arg(2))), SMTO_NORMAL, 5000, &result);
        return sent ? "ok" : "failed";
    }
    if (verb == "close") {
        PostMessageW(ParseWindow(arg(0)), WM_CLOSE, 0, 0);
        return "ok";
    }
    if (verb == "trayicons")
        return std::to_string(TrayIcons().size());
    if (verb == "trayclick") {
        const std::vector<HWND> icons = TrayIcons();
        const size_t index = static_cast<size_t>(Number(arg(0)));
        if (index >= icons.size())
            return "none";
        const UINT message = arg(1) == "dbl" ? WM_LBUTTONDBLCLK : WM_RBUTTONDOWN;
        PostMessageW(icons[index], message, 0, MAKELPARAM(5, 5));
        if (message == WM_RBUTTONDOWN)
            PostMessageW(icons[index], WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        return "ok";
    }
    if (verb == "trayhold")
        return TrayHold(arg(0) == "on");
    if (verb == "trayimage") {
        const std::vector<HWND> icons = TrayIcons();
        const size_t index = static_cast<size_t>(Number(arg(0)));
        return index < icons.size() ? ScreenChecksum(icons[index]) : "none";
    }
    if (verb == "trayrect") {
        const std::vector<HWND> icons = TrayIcons();
        const size_t index = static_cast<size_t>(Number(arg(0)));
        return index < icons.size() ? RectText(icons[index]) : "none";
    }
    if (verb == "menurect") {
        HWND menu = AwaitOpenMenu(5000);
        return menu ? RectText(menu) : "none";
    }
    if (verb == "menu") {
        HWND menu = AwaitOpenMenu(5000);
        if (!menu)
            return "none";
        for (const std::string& key : args) {
            const WPARAM code = key == "up" ? VK_UP : key == "down" ? VK_DOWN : key == "escape" ? VK_ESCAPE : VK_RETURN;
            PostMessageW(menu, WM_KEYDOWN, code, 0);
            Sleep(100);
        }
        auto open = [&] { return IsWindow(menu) && IsWindowVisible(menu); };
        if (!args.empty() && (args.back() == "return" || args.back() == "escape"))
            for (int i = 0; i < 100 && open(); ++i)
                Sleep(50);
        return open() ? "open" : "closed";
    }
    if (verb == "cursor") {
        SetCursorPos(static_cast<int>(Number(arg(0))), static_cast<int>(Number(arg(1))));
        POINT at{};
        GetCursorPos(&at);
        return std::to_string(at.x) + " " + std::to_string(at.y);
    }
    if (verb == "runkey")
        return RunKeyAccess(arg(0));
    if (verb == "clipboard")
        return Clipboard();
    if (verb == "profile") {
        char value[2048] = "";
        GetPrivateProfileStringA(arg(1).c_str(), arg(2).c_str(), "<none>", value, sizeof value, arg(0).c_str());
        return value;
    }
    if (verb == "foreground") {
        HWND window = GetForegroundWindow();
        wchar_t name[256] = L"";
        GetClassNameW(window, name, 256);
        return Utf8(name) + " " + Utf8(WindowText(window));
    }
    if (verb == "focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        HWND window = GetForegroundWindow();
        if (!window || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus)
            return "none";
        wchar_t name[256] = L"";
        GetClassNameW(info.hwndFocus, name, 256);
        return Utf8(name) + " " + std::to_string(GetDlgCtrlID(info.hwndFocus));
    }
    return "unknown command";
}

} // namespace

int main()
{
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "quit")
            break;
        const std::string answer = Answer(line);
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
    }
    return 0;
}
