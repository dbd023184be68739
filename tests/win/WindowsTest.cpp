// The program's small windows, created for real on a desktop and driven by
// messages: the tray icon in Wine's notification area and its menu, the
// splash window, the information dialog, the log window, the event
// selection dialog, and the keys a hidden dialog must not take.
#include "base/settings/SettingsRecords.h"
#include "base/window/Messages.h"
#include "base/system/SystemServices.h"
#include "logging/DlgLType_win.h"
#include "logging/FormLog_win.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"
#include "resources/StringIds.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TestSupport_win.h"
#include "ui/DlgOInfo_win.h"
#include "ui/DlgSplsh_win.h"
#include "ui/SysTray_win.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// Runs the window messages of this thread until Done or the deadline.
bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 5000)
{
    const DWORD start = GetTickCount();
    while (!Done()) {
        if (GetTickCount() - start > TimeoutMs)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!TDialog::PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        Sleep(10);
    }
    return true;
}

// Runs the messages already queued for this thread (the wake-ups a window
// posted to itself), so a test starts from a settled window.
bool PumpQueued()
{
    return PumpUntil([] {
        MSG message;
        return !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    });
}

int TrayIconCount()
{
    int count = 0;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = "";
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpA(name, "__winex11_tray_icon") == 0 && IsWindowVisible(child))
            ++count;
    }
    return count;
}

class TStubTrayOwner : public TTrayOwner {
public:
    void ShowMainWindow() override { ++Shown; }
    void ExitFromTray() override { ++Exits; }
    HWND MainWindowHandle() const override { return MainWindow; }
    int Shown = 0;
    int Exits = 0;
    HWND MainWindow = nullptr;
};

TEST(TrayForm, AddsChangesAndRemovesARealIconAndAddsItAgainForANewTaskbar)
{
    TTestEnvironment env(0);
    const int before = TrayIconCount();
    TStubTrayOwner owner;
    {
        TSysTrayForm tray(owner);
        tray.SetState(2);
        tray.ShowIcon(true);
        ASSERT_TRUE(PumpUntil([&] { return TrayIconCount() == before + 1; })) << "icon added";
        // The flash ends by the form's own timer.
        tray.FlashError();
        EXPECT_TRUE(tray.Icon().Flashing());
        EXPECT_TRUE(PumpUntil([&] { return !tray.Icon().Flashing(); }, 8000));

        // Explorer restarted: the new taskbar lost the icon.
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V3_SIZE;
        data.hWnd = tray.Handle();
        data.uID = TrayIconId;
        Shell_NotifyIconA(NIM_DELETE, &data);
        ASSERT_TRUE(PumpUntil([&] { return TrayIconCount() == before; }));
        PostMessageA(tray.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return TrayIconCount() == before + 1; })) << "added again";

        // A double click on the icon reaches the owner.
        PostMessageA(tray.Handle(), UM_TRAYICON, TrayIconId, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(PumpUntil([&] { return owner.Shown == 1; }));
        tray.ShowIcon(false);
        EXPECT_TRUE(PumpUntil([&] { return TrayIconCount() == before; })) << "icon removed";
        tray.ShowIcon(true);
        ASSERT_TRUE(PumpUntil([&] { return TrayIconCount() == before + 1; }));
    }
    EXPECT_TRUE(PumpUntil([&] { return TrayIconCount() == before; })) << "the form removes its icon";
}

TEST(TrayForm, TheMenuShowsTheStateAndItsItemsReachTheOwnerAndTheMainWindow)
{
    TTestEnvironment env(0);
    TStubTrayOwner owner;
    // A message-only window stands in for the main window and counts the
    // WM_NULL it gets.
    static int nulls = 0;
    nulls = 0;
    WNDCLASSA counting{};
    counting.lpfnWndProc = [](HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
        if (Msg == WM_NULL)
            ++nulls;
        return DefWindowProcA(Window, Msg, WParam, LParam);
    };
    counting.hInstance = GetModuleHandleA(nullptr);
    counting.lpszClassName = "TCountingMainWindow";
    RegisterClassA(&counting);
    owner.MainWindow = CreateWindowExA(0, counting.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       counting.hInstance, nullptr);
    ASSERT_NE(owner.MainWindow, nullptr);
    TSysTrayForm tray(owner);
    tray.SetState(2);
    // A second thread reads the open menu and picks "Beenden" (the last item).
    std::atomic<int> items{-1};
    std::atomic<bool> checked{false};
    std::thread picker([&] {
        HWND menu = AwaitOpenMenu();
        if (!menu)
            return;
        HMENU handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        items = GetMenuItemCount(handle);
        checked = (GetMenuState(handle, IDM_TRAY_ACTIVE, MF_BYCOMMAND) & MF_CHECKED) != 0;
        PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
        // Enter once the last item is selected.
        for (int i = 0; i < 250 && !(GetMenuState(handle, items - 1, MF_BYPOSITION) & MF_HILITE); ++i)
            Sleep(20);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    PostMessageA(tray.Handle(), UM_TRAYICON, TrayIconId, WM_RBUTTONDOWN);
    const bool exited = PumpUntil([&] { return owner.Exits == 1; });
    picker.join();
    EXPECT_TRUE(exited);
    EXPECT_EQ(items.load(), 5) << "Aktiv, separator, Einstellungen..., separator, Beenden";
    EXPECT_TRUE(checked.load());
    // WM_NULL goes to the main window after the menu closed.
    EXPECT_TRUE(PumpUntil([&] { return nulls > 0; }));
    DestroyWindow(owner.MainWindow);
}

// Opens the tray menu with a right click, lets Act do what the user does
// while it is open, and closes it with Esc; returns the window that was in
// front while the menu was open.
HWND ForegroundDuringMenu(TSysTrayForm& Tray, const std::function<void()>& Act = nullptr)
{
    std::atomic<HWND> during{nullptr};
    std::atomic<bool> done{false};
    std::thread user([&] {
        if (HWND menu = AwaitOpenMenu()) {
            during = GetForegroundWindow();
            if (Act)
                Act();
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        done = true;
    });
    PostMessageA(Tray.Handle(), UM_TRAYICON, TrayIconId, WM_RBUTTONDOWN);
    // The menu runs inside the handling of the posted click: once the
    // thread is done, the queue empties only after the menu closed.
    PumpUntil([&] { return done.load(); });
    PumpQueued();
    user.join();
    return during.load();
}

TEST(TrayForm, TheMenuKeepsTheKeyboardAwayFromAHiddenMainWindowAndGivesItBack)
{
    TTestEnvironment env(0);
    auto topLevel = [](const char* Title, DWORD Style) {
        return CreateWindowA("EDIT", Title, WS_OVERLAPPEDWINDOW | Style, 50, 50, 200, 80, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    };
    // The user's program, in front; the main window, hidden; another window.
    HWND user = topLevel("user", WS_VISIBLE);
    HWND main = topLevel("main", 0);
    HWND other = topLevel("other", WS_VISIBLE);
    TStubTrayOwner owner;
    owner.MainWindow = main;
    {
        TSysTrayForm tray(owner);
        tray.SetState(2);
        SetForegroundWindow(user);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == user; }));

        EXPECT_EQ(ForegroundDuringMenu(tray), tray.Handle()) << "the tray form holds the menu, not the hidden window";
        EXPECT_EQ(GetForegroundWindow(), user) << "given back after Esc";
        EXPECT_EQ(GetFocus(), user);

        ShowWindow(main, SW_SHOWNA);
        EXPECT_EQ(ForegroundDuringMenu(tray), main) << "a shown main window holds it";
        EXPECT_EQ(GetForegroundWindow(), user);
        ShowWindow(main, SW_HIDE);

        // The user went to another window while the menu was open: it stays.
        ForegroundDuringMenu(tray, [&] { SetForegroundWindow(other); });
        EXPECT_EQ(GetForegroundWindow(), other);
    }
    for (HWND window : {user, main, other})
        DestroyWindow(window);
}

// A modeless dialog that notes the buttons its keys press.
class TKeyedDialog : public TDialog {
public:
    TKeyedDialog() : TDialog(IDD_OWNINFO) {}
    ~TKeyedDialog() override { Destroy(); }
    std::vector<int> Commands;

protected:
    void OnCommand(int Id, int Code, HWND) override
    {
        if (Code == BN_CLICKED)
            Commands.push_back(Id);
    }
};

TEST(ModelessDialog, AHiddenDialogTakesNeitherEnterNorItsAccelerators)
{
    TKeyedDialog dialog;
    ASSERT_NE(dialog.CreateModeless(nullptr), nullptr);
    ASSERT_FALSE(IsWindowVisible(dialog.Handle()));
    HWND ok = dialog.Item(IDOK);
    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(ok, WM_CHAR, 'm', 0); // "&Meldung nicht mehr anzeigen"
    ASSERT_TRUE(PumpQueued());
    EXPECT_TRUE(dialog.Commands.empty());
    EXPECT_FALSE(dialog.Checked(IDC_INFO_SHOW));

    ShowWindow(dialog.Handle(), SW_SHOWNA);
    PostMessageA(ok, WM_CHAR, 'm', 0);
    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(PumpUntil([&] { return dialog.Commands.size() >= 2; })) << "shown, it takes both";
    EXPECT_TRUE(dialog.Checked(IDC_INFO_SHOW));
    EXPECT_EQ(dialog.Commands.back(), IDOK);
}

TEST(Splash, ShowsItsPictureSizeAndTheStepTexts)
{
    TTestEnvironment env(0);
    TSplashDialog splash;
    splash.Show();
    ASSERT_NE(splash.Handle(), nullptr);
    RECT client;
    GetClientRect(splash.Handle(), &client);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(client.right, MulDiv(400, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(303, dpi, 96));
    EXPECT_EQ(GetWindowLongA(splash.Handle(), GWL_STYLE) & WS_CAPTION, 0) << "no border or caption";
    char text[64] = "";
    GetDlgItemTextA(splash.Handle(), IDC_SPLASH_WORK, text, sizeof text);
    EXPECT_STREQ(text, "Startup");
    splash.ShowProgress(LoadResourceText(IDS_SPLASH_OPEN), 0);
    GetDlgItemTextA(splash.Handle(), IDC_SPLASH_WORK, text, sizeof text);
    EXPECT_STREQ(text, "Seriellen Port \xf6" "ffnen");
    EXPECT_TRUE(env.TakeLines().empty()) << "the picture decoded";
}

// Closes the information dialog from a second thread: ticks the box when
// asked, then closes it with the given message.
std::thread CloseNotice(bool Tick, UINT Message, WPARAM WParam, std::atomic<bool>& Seen)
{
    return std::thread([=, &Seen] {
        for (int i = 0; i < 300; ++i) {
            HWND box = FindWindowA("#32770", "Vemu Keys");
            if (box && IsWindowVisible(box) && GetDlgItem(box, IDC_INFO_SHOW)) {
                Seen = true;
                if (Tick)
                    SendMessageA(GetDlgItem(box, IDC_INFO_SHOW), BM_CLICK, 0, 0);
                PostMessageA(box, Message, WParam, 0);
                return;
            }
            Sleep(20);
        }
    });
}

TEST(InfoDialog, ReturnsTheBoxHoweverItIsClosedAndStaysAwayWhenSuppressed)
{
    struct TCase {
        bool Tick;
        UINT Message;
        WPARAM WParam;
    };
    const TCase cases[] = {
        {true, WM_COMMAND, IDOK},      {false, WM_COMMAND, IDOK}, {true, WM_COMMAND, IDCANCEL}, // Esc
        {true, WM_CLOSE, 0},          {false, WM_CLOSE, 0},                                     // close box
    };
    for (const TCase& c : cases) {
        std::atomic<bool> seen{false};
        std::thread closer = CloseNotice(c.Tick, c.Message, c.WParam, seen);
        const bool result = ShowInfoOnce(LoadResourceText(IDS_LOGFILE_ERROR), false);
        closer.join();
        EXPECT_TRUE(seen.load());
        EXPECT_EQ(result, c.Tick) << "message " << c.Message << " " << c.WParam;
    }
    std::atomic<bool> seen{false};
    std::thread watcher = CloseNotice(false, WM_CLOSE, 0, seen);
    EXPECT_TRUE(ShowInfoOnce("text", true));
    watcher.join(); // gives up after its time
    EXPECT_FALSE(seen.load()) << "no window when suppressed";
}

TEST(InfoDialog, ShowsTheNoticeOnTwoLinesWithTheGermanBox)
{
    std::atomic<bool> done{false};
    std::string shown;
    std::string box;
    std::thread reader([&] {
        for (int i = 0; i < 300 && !done; ++i) {
            HWND dialog = FindWindowA("#32770", "Vemu Keys");
            if (dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, IDC_INFO_TEXT)) {
                char text[512] = "";
                GetDlgItemTextA(dialog, IDC_INFO_TEXT, text, sizeof text);
                shown = text;
                GetDlgItemTextA(dialog, IDC_INFO_SHOW, text, sizeof text);
                box = text;
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                done = true;
            }
            Sleep(20);
        }
    });
    ShowInfoOnce(LoadResourceText(IDS_LOGFILE_ERROR), false);
    reader.join();
    EXPECT_EQ(shown, "Die Log-Datei kann nicht ge\xf6" "ffnet werden.\r\nBitte stellen Sie sicher, da\xdf der Pfad "
                     "existiert und die n\xf6tigen Zugriffsrechte vorhanden sind.");
    EXPECT_EQ(box, "&Meldung nicht mehr anzeigen");
}

class LogWindow : public ::testing::Test {
protected:
    TTestEnvironment Env{0xFFFFFFFF};
    TLogViewPlace Place;
    TLogFormLink Link{Env.Log().View(), Place};

    LogWindow() { Env.Log().View().SetWindow(&Link); }
    ~LogWindow() override
    {
        Env.Log().View().SetWindow(nullptr);
        Link.Close();
    }

    HWND List() const { return GetDlgItem(Link.Window(), IDC_LOG_LIST); }
    int Count() const { return static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0)); }
    std::string Line(int Index) const
    {
        char text[512] = "";
        SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text));
        return text;
    }
};

TEST_F(LogWindow, LinesArriveFromEveryThreadAndTheListKeepsItsLimit)
{
    Env.Log().Log(lkPlain, "before the window");
    Env.Log().View().SetMaxLines(10);
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    EXPECT_TRUE(PumpUntil([&] { return Count() >= 1; })) << "buffered lines shown when the window opens";
    EXPECT_EQ(Line(0).substr(0, 17), "before the window");
    char caption[32] = "";
    GetDlgItemTextA(Link.Window(), IDC_LOG_STARTSTOP, caption, sizeof caption);
    EXPECT_STREQ(caption, "Stop");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Link.Window(), IDC_LOG_COPY)));
    EXPECT_TRUE(GetWindowLongA(Link.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    Env.Log().Log(lkPlain, "main thread");
    EXPECT_EQ(Line(Count() - 1), "main thread") << "in the list when Log returns";
    std::thread worker([this] {
        for (int i = 0; i < 30; ++i)
            Env.Log().Log(lkPlain, "worker " + std::to_string(i));
    });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return Line(Count() - 1) == "worker 29"; }));
    EXPECT_EQ(Count(), 11) << "limit plus one";
    EXPECT_EQ(Line(0), "worker 19");
}

// A flood of lines from another thread while the main thread is busy posts
// one wake-up, not one per line: the main thread's queue stays free for the
// messages that matter, and the window still gets every line.
TEST_F(LogWindow, AFloodFromAnotherThreadPostsOneWakeUp)
{
    Env.Log().View().SetMaxLines(999);
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    PumpUntil([&] { return false; }, 100);
    std::thread worker([this] {
        for (int i = 0; i < 12000; ++i)
            Env.Log().Log(lkPlain, "flood " + std::to_string(i));
    });
    worker.join();
    MSG message;
    int wakeUps = 0;
    while (PeekMessageA(&message, Link.Window(), UM_LOGVIEW, UM_LOGVIEW, PM_REMOVE)) {
        ++wakeUps;
        DispatchMessageA(&message);
    }
    EXPECT_EQ(wakeUps, 1);
    EXPECT_EQ(Line(Count() - 1), "flood 11999");
    // Once it has been taken, the next line wakes the window again.
    std::thread([this] { Env.Log().Log(lkPlain, "after"); }).join();
    EXPECT_TRUE(PumpUntil([&] { return Line(Count() - 1) == "after"; }));
}

TEST_F(LogWindow, CopyPutsTheSelectedLinesOnTheClipboardAsUnicodeAndAnsiText)
{
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    ASSERT_TRUE(PumpQueued()) << "the lines the window was woken for";
    SendMessageA(List(), LB_RESETCONTENT, 0, 0);
    for (const char* text : {"eins \xe4", "zwei \x80", "drei \xdf"})
        Env.Log().Log(lkPlain, text);
    ASSERT_EQ(Count(), 3);
    SendMessageA(List(), LB_SETSEL, TRUE, 2);
    SendMessageA(List(), LB_SETSEL, TRUE, 0);
    SendMessageA(Link.Window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_COPY, BN_CLICKED), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::wstring(wide), L"eins \u00e4\r\ndrei \u00df\r\n");
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    const auto* ansi = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
    ASSERT_NE(ansi, nullptr);
    EXPECT_EQ(std::string(ansi), "eins \xe4\r\ndrei \xdf\r\n");
    GlobalUnlock(GetClipboardData(CF_TEXT));
    CloseClipboard();
}

TEST_F(LogWindow, PausingDropsLinesAndTheCloseBoxSwitchesTheSinkOff)
{
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    ASSERT_TRUE(PumpQueued());
    SendMessageA(Link.Window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_STARTSTOP, BN_CLICKED), 0);
    char caption[32] = "";
    GetDlgItemTextA(Link.Window(), IDC_LOG_STARTSTOP, caption, sizeof caption);
    EXPECT_STREQ(caption, "Start");
    const int before = Count();
    Env.Log().Log(lkPlain, "while paused");
    EXPECT_EQ(Count(), before);

    Env.Target.Clear();
    HWND window = Link.Window();
    SetWindowPos(window, nullptr, 40, 30, 260, 230, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT place;
    GetWindowRect(window, &place);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(Link.Exists());
    EXPECT_FALSE(Env.Log().View().Active());
    const auto posted = Env.Target.Messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], (TPostedMessage{UM_LOGVIEW, 0, 0})) << "the dialog's Anzeigen box follows";
    // Its place is kept for the next window, and saved at the end.
    EXPECT_EQ(Place, (TLogViewPlace{place.left, place.top, place.right - place.left, place.bottom - place.top}));
    EXPECT_TRUE(Link.Placed());
}

TEST_F(LogWindow, EscInTheListClosesTheWindowAndSwitchesTheSinkOff)
{
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    ASSERT_TRUE(PumpQueued());
    Env.Target.Clear();
    HWND window = Link.Window();
    // The dialog manager handles Esc and the handler destroys the window
    // while the key is still being handled.
    PostMessageA(List(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
    EXPECT_FALSE(Link.Exists());
    EXPECT_FALSE(Env.Log().View().Active());
    EXPECT_EQ(Env.Target.Messages(), (std::vector<TPostedMessage>{{UM_LOGVIEW, 0, 0}}));
}

TEST_F(LogWindow, APlaceOnNoMonitorIsMovedOntoTheScreen)
{
    Place = {30000, -30000, 250, 220};
    Env.Log().View().SetActive(true);
    ASSERT_TRUE(Link.Exists());
    RECT rect;
    GetWindowRect(Link.Window(), &rect);
    EXPECT_EQ(rect.right - rect.left, 250);
    EXPECT_EQ(rect.bottom - rect.top, 220);
    EXPECT_NE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), nullptr) << rect.left << "," << rect.top;
    // Below the smallest size it grows to it.
    Env.Log().View().SetActive(false);
    Place.Width = 50;
    Env.Log().View().SetActive(true);
    GetWindowRect(Link.Window(), &rect);
    EXPECT_GE(rect.right - rect.left, 200);
}

// Answers the event dialog from a second thread: reads the ticks, ticks
// kind 2 and presses the button.
std::thread AnswerEvents(int Button, std::vector<bool>& Ticks)
{
    return std::thread([Button, &Ticks] {
        for (int i = 0; i < 300; ++i) {
            HWND dialog = FindWindowA("#32770", "Events");
            HWND list = dialog ? GetDlgItem(dialog, IDC_EVENTS_LIST) : nullptr;
            // Shown only once its initialisation has set the ticks.
            if (list && IsWindowVisible(dialog) && ListView_GetItemCount(list) == 14) {
                for (int item = 0; item < 14; ++item)
                    Ticks.push_back(ListView_GetCheckState(list, item) != 0);
                ListView_SetCheckState(list, 1, TRUE);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    });
}

TEST(EventDialog, ListsTheKindsTickedFromTheMaskAndReturnsTheTicks)
{
    TTestEnvironment env(0);
    {
        std::vector<bool> ticks;
        TLogTypeDialog dialog;
        dialog.SetMask((1u << 5) | (1u << 14) | (1u << 20));
        std::thread answer = AnswerEvents(IDOK, ticks);
        EXPECT_EQ(dialog.ShowModal(nullptr), 1);
        answer.join();
        ASSERT_EQ(ticks.size(), 14u);
        EXPECT_TRUE(ticks[4]);
        EXPECT_TRUE(ticks[13]);
        EXPECT_EQ(std::count(ticks.begin(), ticks.end(), true), 2);
        EXPECT_EQ(dialog.GetMask(), (1u << 2) | (1u << 5) | (1u << 14)) << "kind 20 is lost on OK";
    }
    {
        std::vector<bool> ticks;
        TLogTypeDialog dialog;
        dialog.SetMask(1u << 3);
        std::thread answer = AnswerEvents(IDCANCEL, ticks);
        EXPECT_EQ(dialog.ShowModal(nullptr), 2);
        answer.join();
        EXPECT_EQ(dialog.GetMask(), 1u << 3) << "Abbrechen keeps what was set";
    }
}

} // namespace
