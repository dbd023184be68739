#include "app/HelperStarter_win.h"

#include "app/HelperKeeper.h"

#include <atomic>
#include <vector>

namespace {

constexpr const wchar_t* HelperName = L"vemuKeysSignIn.exe";

std::atomic<uint32_t (*)()> SessionSource{nullptr};
std::atomic<const wchar_t*> Desktop{L"winsta0\\Winlogon"};

// The service's token as a primary token of the session.
TKernelHandle SessionToken(uint32_t Session)
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                              TOKEN_ADJUST_SESSIONID,
                          &own))
        return TKernelHandle();
    const TKernelHandle ownToken(own);
    HANDLE copy = nullptr;
    if (!DuplicateTokenEx(own, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &copy))
        return TKernelHandle();
    TKernelHandle token(copy);
    DWORD session = Session;
    if (!SetTokenInformation(copy, TokenSessionId, &session, sizeof session))
        return TKernelHandle();
    return token;
}

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

} // namespace

THelperStarter::THelperStarter()
{
    std::vector<wchar_t> own(32768);
    const DWORD length = GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
    if (length == 0 || length >= own.size())
        return;
    std::wstring path(own.data(), length);
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        FPath = path.substr(0, slash + 1) + HelperName;
}

TKernelHandle THelperStarter::Start(uint32_t Session) const
{
    if (FPath.empty())
        return TKernelHandle();
    TKernelHandle token = SessionToken(Session);
    if (!token)
        return TKernelHandle();
    // The helper itself checks where it is.
    std::wstring desktop = Desktop.load();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop.data();
    std::wstring commandLine = L"\"" + FPath + L"\"";
    // An environment of its own, empty: nothing of the service's reaches it.
    const wchar_t environment[] = L"\0";
    const std::wstring folder = SystemFolder();
    PROCESS_INFORMATION process{};
    if (!CreateProcessAsUserW(token.Get(), FPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, const_cast<wchar_t*>(environment),
                              folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return TKernelHandle();
    CloseHandle(process.hThread);
    return TKernelHandle(process.hProcess);
}

void THelperStarter::End(TKernelHandle& Process)
{
    if (!Process)
        return;
    TerminateProcess(Process.Get(), 0);
    WaitForSingleObject(Process.Get(), 5000);
    Process.Reset();
}

uint32_t ConsoleSession()
{
    if (const auto source = SessionSource.load())
        return source();
    const DWORD session = WTSGetActiveConsoleSessionId();
    return session == 0xFFFFFFFF ? NoSession : session;
}

void SetConsoleSessionSource(uint32_t (*Source)()) { SessionSource.store(Source); }

void SetHelperDesktop(const wchar_t* Name) { Desktop.store(Name); }
