// Stands in for the system's icacls.exe in the installer tests (Wine's own
// changes nothing and always succeeds). Appends its command line as one
// line, the program as it was named and each argument separated by tabs, in
// UTF-8, to the file named by VEMU_ICACLS_LOG, and
// ends with 0, or with 5 (access denied) when that line contains the text
// of VEMU_ICACLS_FAIL: a test can make one call fail. When it contains the
// text of VEMU_ICACLS_PAUSE, it makes the file <log>.paused and waits (a
// minute at most) until the test removes it: the test acts at that moment
// of the installation. Without
// VEMU_ICACLS_LOG it ends with 1, so that a run the test did not set up
// shows as a failure.
#include "tests/support/TestSupport_win.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::wstring Environment(const wchar_t* Name)
{
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(Name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

void Pause(const std::wstring& Marker)
{
    HANDLE made = CreateFileW(Marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(made);
    for (int waited = 0; waited < 60000 && GetFileAttributesW(Marker.c_str()) != INVALID_FILE_ATTRIBUTES; waited += 50)
        Sleep(50);
}

} // namespace

int main()
{
    const std::wstring logName = Environment(L"VEMU_ICACLS_LOG");
    const std::wstring failOn = Environment(L"VEMU_ICACLS_FAIL");
    if (logName.empty())
        return 1;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return 1;
    std::wstring line;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            line += L'\t';
        line += arguments[i];
    }
    LocalFree(arguments);
    const bool fail = !failOn.empty() && line.find(failOn) != std::wstring::npos;
    const std::string text = Utf8(line) + "\n";

    // Calls come one after the other; the share mode only keeps a test's
    // reading from getting in the way.
    HANDLE log = CreateFileW(logName.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const bool recorded = WriteFile(log, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(log);
    if (!recorded)
        return 1;
    const std::wstring pauseOn = Environment(L"VEMU_ICACLS_PAUSE");
    if (!pauseOn.empty() && line.find(pauseOn) != std::wstring::npos)
        Pause(logName + L".paused");
    return fail ? ERROR_ACCESS_DENIED : 0;
}
