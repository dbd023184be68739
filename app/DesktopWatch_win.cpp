#include "app/DesktopWatch_win.h"

#include "app/DesktopName_win.h"
#include "app/SecureDesktop.h"
#include "app/SignInSetup_win.h"
#include "base/system/Replaceable.h"
#include "base/window/Messages.h"

namespace {

bool SystemSecureHasInput()
{
    TInputDesktop desktop;
    BOOL saver = FALSE;
    desktop.ScreenSaverRunning = SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &saver, 0) && saver;
    desktop.Opened = InputDesktopName(desktop.Name);
    return SecureDesktopHasInput(desktop);
}

constinit TReplaceable<TDesktopSource> Source{{OpenDesktopSwitches, SystemSecureHasInput, SignInHelperSetUp}};

} // namespace

const TDesktopSource& DesktopSource() { return Source.Get(); }

void SetDesktopSource(const TDesktopSource& With) { Source.Replace(With); }

TDesktopWatch::TDesktopWatch(HWND Window)
    : FWindow(Window), FSwitches(DesktopSource().OpenSwitches()), FStop(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (FSwitches && FStop)
        FThread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

TDesktopWatch::~TDesktopWatch()
{
    if (!FThread)
        return;
    SetEvent(FStop.Get());
    WaitForSingleObject(FThread.Get(), INFINITE);
}

DWORD WINAPI TDesktopWatch::Run(void* Self)
{
    auto* self = static_cast<TDesktopWatch*>(Self);
    const HANDLE waits[] = {self->FStop.Get(), self->FSwitches.Get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        PostMessageW(self->FWindow, UM_DESKTOPSWITCH, 0, 0);
    return 0;
}
