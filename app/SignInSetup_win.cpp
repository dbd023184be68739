#include "app/SignInSetup_win.h"

#include "app/SignInKey_win.h"

#include <windows.h>

bool SignInServiceRegistered()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, SignInServiceName, SERVICE_QUERY_STATUS);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

bool SignInHelperSetUp()
{
    std::string refusal;
    return SignInServiceRegistered() && ReadSignInKey(refusal).has_value();
}

namespace {

constexpr const wchar_t* ServiceDisplayName = L"Vemu Keys bei der Anmeldung";

// Stops the service and waits up to ten seconds until it has.
void StopService(SC_HANDLE Service)
{
    SERVICE_STATUS status{};
    if (!ControlService(Service, SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return;
    for (int i = 0; i < 100 && QueryServiceStatus(Service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
        Sleep(100);
}

} // namespace

bool RegisterSignInService(const std::wstring& Folder)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager)
        return false;
    const std::wstring path = L"\"" + Folder + L"\\vemuKeysSignInService.exe\"";
    const DWORD access = SERVICE_CHANGE_CONFIG | SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS;
    SC_HANDLE service = CreateServiceW(manager, SignInServiceName, ServiceDisplayName, access,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    bool ready = service != nullptr;
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceW(manager, SignInServiceName, access);
        ready = service && ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                                SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                                L"LocalSystem", nullptr, ServiceDisplayName);
        if (ready)
            StopService(service);
    }
    const bool started = ready && (StartServiceW(service, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return started;
}

bool RemoveSignInService()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, SignInServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    bool removed = !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    if (service) {
        StopService(service);
        removed = DeleteService(service) || GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return removed;
}
