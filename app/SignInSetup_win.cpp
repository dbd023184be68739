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
