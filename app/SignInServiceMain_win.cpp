// vemuKeysSignInService: the service "vemuKeysSignIn" that keeps the
// sign-in helper running on the secure desktop of the session at the
// console. It runs as LocalSystem from the locked program folder; it starts
// nothing but the helper beside it and opens no endpoint of any kind.
#include "app/SignInService_win.h"
#include "base/system/SystemLibrary_win.h"

#include <windows.h>

#include <atomic>

namespace {

wchar_t ServiceName[] = L"vemuKeysSignIn";

SERVICE_STATUS_HANDLE StatusHandle = nullptr;
// Set while the service runs; the manager sends no control once it has
// heard that the service stopped.
std::atomic<TSignInService*> Service{nullptr};

void Report(DWORD State)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = State;
    status.dwControlsAccepted =
        State == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE : 0;
    status.dwWaitHint = State == SERVICE_RUNNING || State == SERVICE_STOPPED ? 0 : 10000;
    SetServiceStatus(StatusHandle, &status);
}

DWORD WINAPI Control(DWORD Control, DWORD, void*, void*)
{
    switch (Control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        Report(SERVICE_STOP_PENDING);
        if (TSignInService* service = Service.load())
            service->Stop();
        return NO_ERROR;
    case SERVICE_CONTROL_SESSIONCHANGE:
        if (TSignInService* service = Service.load())
            service->SessionChanged();
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, wchar_t**)
{
    StatusHandle = RegisterServiceCtrlHandlerExW(ServiceName, Control, nullptr);
    if (!StatusHandle)
        return;
    TSignInService service;
    Service = &service;
    Report(SERVICE_RUNNING);
    service.Run(); // the helper has ended when it returns
    Report(SERVICE_STOPPED);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    const SERVICE_TABLE_ENTRYW services[] = {{ServiceName, ServiceMain}, {nullptr, nullptr}};
    // Started by anything but the service manager, it does nothing.
    return StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
