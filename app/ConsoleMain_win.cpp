// vemuKeysCon: the engine without the user interface, for trying a device on
// a COM port and for the end-to-end tests. Its program context wires the
// settings, the loggers and the engine as the tray program's does; it hosts
// the engine's timers and lost-port retries as the main window does, prints
// every log line on its main thread, and ends on Ctrl+C or when standard
// input closes. It shows the events asked for on its command line without
// changing the stored choices.
#include "app/ConsolePrinter_win.h"
#include "app/Engine.h"
#include "app/ElevatedWindows_win.h"
#include "app/EngineHost_win.h"
#include "app/ErrorSound_win.h"
#include "app/LastResort_win.h"
#include "app/Lifecycle.h"
#include "app/PortList.h"
#include "app/PostedEvents.h"
#include "app/Program.h"
#include "app/SingleInstance_win.h"
#include "base/system/SystemLibrary_win.h"
#include "base/system/SystemServices.h"
#include "base/window/WindowTarget_win.h"
#include "base/window/Window_win.h"
#include "gidei/InputSink.h"
#include "logging/Logging.h"
#include "resources/StringIds.h"
#include "serial/EnumCOM.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The state as the tray would show it, after the lines logged before it.
void PrintState(void* Printer, int State)
{
    static_cast<TConsolePrinter*>(Printer)->Drain();
    const int text = State == 2 ? IDS_STATE_ACTIVE : State == 1 ? IDS_STATE_INACTIVE : IDS_STATE_CLOSED;
    PrintConsoleLine(LoadResourceText(text));
}

// Receives what the worker threads post to the main window, and the timers.
class TConsoleWindow : public TWindow {
public:
    TConsoleWindow() { CreateHandle(ConsoleWindowClass, "", 0, 0, HWND_MESSAGE); }
    TEngineHost* Host = nullptr;
    TConsolePrinter* Printer = nullptr;
    TErrorSound* Sound = nullptr;

protected:
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override
    {
        if (Host && Host->HandleMessage(Msg, WParam, LParam, Result))
            return true;
        Result = 0;
        switch (Msg) {
        case UM_LOGVIEW:
            if (Printer)
                Printer->Drain();
            return true;
        case UM_GIDEIERROR:
            if (Sound)
                Sound->Play();
            return true;
        case UM_SOUNDREAD:
            if (Sound)
                Sound->Deliver();
            return true;
        case WM_CLOSE:
            PostQuitMessage(0);
            return true;
        default:
            return false;
        }
    }
};

HWND MainWindow = nullptr;
HANDLE Finished = nullptr;
// For the last resort, which has no other way to the program.
TProgram* TheProgram = nullptr;

BOOL WINAPI ConsoleControl(DWORD Event)
{
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    // Closing the console ends the process when the handler returns: give
    // the orderly shutdown its time first.
    if (Event == CTRL_CLOSE_EVENT || Event == CTRL_LOGOFF_EVENT || Event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(Finished, 5000);
    return TRUE;
}

// Watches standard input and closes the window when it ends. Its read is
// cancelled at the end; where a read ignores the cancel (the system's
// console may), the thread is not waited for longer than half a second and
// ends with the process.
class TInputWatcher {
public:
    // The thread gets the window handle, not this object, which may be gone
    // before a read that could not be cancelled returns.
    explicit TInputWatcher(HWND Window) { FThread = CreateThread(nullptr, 0, Run, Window, 0, nullptr); }
    ~TInputWatcher()
    {
        if (!FThread)
            return;
        if (WaitForSingleObject(FThread, 0) != WAIT_OBJECT_0) {
            CancelSynchronousIo(FThread);
            WaitForSingleObject(FThread, 500);
        }
        CloseHandle(FThread);
    }
    TInputWatcher(const TInputWatcher&) = delete;
    TInputWatcher& operator=(const TInputWatcher&) = delete;

private:
    static DWORD WINAPI Run(void* Window)
    {
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        char buffer[256];
        DWORD count = 0;
        while (input && input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &count, nullptr) &&
               count > 0) {
        }
        PostMessageA(static_cast<HWND>(Window), WM_CLOSE, 0, 0);
        return 0;
    }
    HANDLE FThread = nullptr;
};

// Holds the single-instance mutex for the life of the process.
struct TOptions {
    int Port = -1;
    std::optional<uint32_t> Events;
    bool ListPorts = false;
};

bool ParseOptions(int argc, char** argv, TOptions& Options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--list-ports") {
            Options.ListPorts = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        char* end = nullptr;
        if (option == "--port") {
            long port = std::strtol(value.c_str(), &end, 10);
            if (*end || port < 0 || port > 255)
                return false;
            Options.Port = static_cast<int>(port);
        } else if (option == "--events") {
            if (value == "all") {
                Options.Events = 0xFFFFFFFFu;
            } else {
                unsigned long mask = std::strtoul(value.c_str(), &end, 0);
                if (*end)
                    return false;
                Options.Events = static_cast<uint32_t>(mask);
            }
        } else {
            return false;
        }
    }
    return true;
}

// --list-ports: what the system says about each present port. It opens
// nothing and touches no settings, so it may run beside the program. A
// device list that could not be read is said, and ends with 1: "no ports"
// would be a false answer.
int ListPorts()
{
    std::vector<TPortDevice> ports;
    if (!GetInstalledPorts(ports)) {
        std::fprintf(stderr, "%s\n", LoadResourceText(IDS_CONSOLE_NO_DEVICE_LIST).c_str());
        return 1;
    }
    if (ports.empty())
        PrintConsoleLine(LoadResourceText(IDS_CONSOLE_NO_PORTS));
    const std::string format = LoadResourceText(IDS_CONSOLE_PORT_LINE);
    for (const TPortDevice& port : ports)
        PrintConsoleLine(PortListingLine(port, format));
    return 0;
}

// An exception nothing else handled: said on standard error and in the
// error file, and the process ends with no key or button down (the last
// resort has released them before it calls here, and releases again last).
[[noreturn]] void HandleFatalException(const std::string& ClassName)
{
    const std::string line = "### Exception " + ClassName;
    std::fprintf(stderr, "%s\n", line.c_str());
    // The line reaches Errors.log on the sinks' threads, which the end of
    // the process would otherwise cut short.
    if (TheProgram) {
        TheProgram->Loggers().Log(lkError, line);
        TheProgram->Loggers().WaitWritten(SinkEndWaitMs);
    }
    EndProcessWithNothingDown(1);
}

// The engine on its port until the window is closed (Ctrl+C, the console
// closed, standard input ended).
void RunEngine(TProgram& Program, TConsoleWindow& Window, TConsolePrinter& Printer, TPostedEvents& Events,
               int PortOverride)
{
    TTargetCheckingSink sink(SystemInputSink(), SystemTargetProbe(), Events);
    TEngine& engine = Program.StartEngine(sink, Events, PrintState, &Printer, PortOverride,
                                          SessionAtConsole());
    TEngineHost host(Window.Handle(), engine);
    Window.Host = &host;
    Program.Loggers().View().SetActive(true);
    // A port still opening reports its state when it is known.
    if (!engine.Starting() && engine.Receiver().State() == 0)
        PrintState(&Printer, 0);
    if (!engine.Parser().LayoutSupported())
        PrintConsoleLine(LoadResourceText(IDS_LAYOUT_TEXT));
    PrintConsoleLine(LoadResourceText(IDS_CONSOLE_HOWTOEND));

    SetConsoleCtrlHandler(ConsoleControl, TRUE);
    TInputWatcher watcher(Window.Handle());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Window.Host = nullptr;
    Program.StopEngine();
}

// The end, as the tray program ends: the settings that changed saved, a
// failed save said on the console and in Errors.log, the end line, and
// every line printed before the printer goes.
void EndProgram(TProgram& Program, TConsolePrinter& Printer)
{
    if (!Program.SaveSettings())
        Program.Loggers().Log(lkError, Program.Globals().NotSavedLine());
    Program.EndLog();
    Printer.Drain();
    Program.Loggers().View().SetWindow(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    RestrictDllSearch();
    InstallLastResort(HandleFatalException);
    TOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "%s\n", LoadResourceText(IDS_CONSOLE_USAGE).c_str());
        return 2;
    }
    if (options.ListPorts)
        return ListPorts();
    TInstanceMutex instance;
    if (!instance.First()) {
        std::fprintf(stderr, "%s\n", LoadResourceText(IDS_CONSOLE_RUNNING).c_str());
        return 1;
    }
    Finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TConsoleWindow window;
    MainWindow = window.Handle();
    TWindowTarget target(window.Handle());
    TPostedEvents events(target, SessionAtConsole);
    {
        TProgram program(ProgramFilePath(), TProgramKind::Console);
        TheProgram = &program;
        TConsolePrinter printer(window.Handle(), program.Loggers().View());
        window.Printer = &printer;
        const HWND handle = window.Handle();
        TErrorSound sound(program.Globals().Settings.Start, program.Globals().AppPath, program.Globals().UserFolders,
                          program.Loggers(), [handle] { PostMessageA(handle, UM_SOUNDREAD, 0, 0); });
        window.Sound = &sound;
        program.Loggers().SetHost(&events);
        if (options.Events)
            program.Loggers().SetLogEvents(*options.Events);
        program.StartLog();
        program.Loggers().View().SetWindow(&printer);
        RunEngine(program, window, printer, events, options.Port);
        EndProgram(program, printer);
        window.Sound = nullptr;
        window.Printer = nullptr;
        TheProgram = nullptr;
    }
    SetEvent(Finished);
    return 0;
}
