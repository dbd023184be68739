// Linked into the test build of the installer's helper
// (tests/vemuKeysRightsSeams.exe), which the test installer packs in place
// of the shipped one; never into the helper that is shipped. Wine keeps no
// security descriptors of files and gives every folder the prefix user as
// owner, so the helper's calls are recorded and the tests say what a
// parent folder's rights are:
//   VEMU_RIGHTS_LOG      each call is appended as a line, its kind
//                        (create, set, remove, parent) and the path, with
//                        the descriptor as SDDL for create and set, separated
//                        by tabs, in UTF-8; then the call is made. Without
//                        it every call fails: a run the test did not set up
//                        shows as a failure.
//   VEMU_RIGHTS_FAIL     a call whose line contains this text fails (an
//                        owner the system refuses) without being made.
//   VEMU_RIGHTS_PAUSE    at a call whose line contains this text, the file
//                        <log>.paused is made and the call waits (a minute at
//                        most) until the test removes it.
//   VEMU_RIGHTS_PARENTS  a file of lines "<path>\t<SDDL>": a parent folder
//                        named there has that owner and list.
#include "app/SetupCalls_win.h"
#include "tests/support/TestSupport_win.h"

#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

TSetupCalls Real;

std::wstring Environment(const wchar_t* Name)
{
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(Name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring Sddl(PSECURITY_DESCRIPTOR Descriptor)
{
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            Descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"?";
    const std::wstring result(text);
    LocalFree(text);
    return result;
}

std::wstring Sddl(PSID Owner, PACL List)
{
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, Owner, FALSE);
    SetSecurityDescriptorDacl(&descriptor, TRUE, List, FALSE);
    SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    return Sddl(&descriptor);
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

// Records the call; false when it is to fail instead of being made.
bool Record(const std::wstring& Line)
{
    const std::wstring log = Environment(L"VEMU_RIGHTS_LOG");
    if (log.empty())
        return false;
    const std::string text = Utf8(Line) + "\n";
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool recorded = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    const std::wstring pauseOn = Environment(L"VEMU_RIGHTS_PAUSE");
    if (!pauseOn.empty() && Line.find(pauseOn) != std::wstring::npos)
        Pause(log + L".paused");
    const std::wstring failOn = Environment(L"VEMU_RIGHTS_FAIL");
    return recorded && (failOn.empty() || Line.find(failOn) == std::wstring::npos);
}

DWORD CreateFolder(const std::wstring& Path, PSECURITY_DESCRIPTOR Descriptor)
{
    return Record(L"create\t" + Path + L"\t" + Sddl(Descriptor)) ? Real.CreateFolder(Path, Descriptor)
                                                                 : ERROR_INVALID_OWNER;
}

DWORD SetSecurity(HANDLE Handle, const std::wstring& Path, PSID Owner, PACL List)
{
    return Record(L"set\t" + Path + L"\t" + Sddl(Owner, List)) ? Real.SetSecurity(Handle, Path, Owner, List)
                                                               : ERROR_INVALID_OWNER;
}

DWORD Remove(HANDLE Handle, const std::wstring& Path)
{
    return Record(L"remove\t" + Path) ? Real.Remove(Handle, Path) : ERROR_INVALID_OWNER;
}

std::wstring Wide(const std::string& Text)
{
    std::wstring wide(Text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, Text.data(), int(Text.size()), wide.data(), int(wide.size())));
    return wide;
}

// The SDDL the test gave the folder Path; empty when it gave none.
std::wstring GivenSddl(const std::wstring& Path)
{
    FILE* given = _wfopen(Environment(L"VEMU_RIGHTS_PARENTS").c_str(), L"rb");
    if (!given)
        return L"";
    std::wstring found;
    char buffer[4096];
    while (found.empty() && std::fgets(buffer, sizeof buffer, given)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const size_t tab = line.find('\t');
        if (tab != std::string::npos &&
            CompareStringOrdinal(Wide(line.substr(0, tab)).c_str(), -1, Path.c_str(), -1, TRUE) == CSTR_EQUAL)
            found = Wide(line.substr(tab + 1));
    }
    std::fclose(given);
    return found;
}

// The owner and list the test gave the folder, instead of Wine's.
bool GivenParent(const std::wstring& Path, TSecurityFacts& Facts)
{
    const std::wstring sddl = GivenSddl(Path);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sddl.empty() ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    PSID owner = nullptr;
    PACL list = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
    Facts = SecurityFactsOf(owner, present ? list : nullptr);
    LocalFree(descriptor);
    return true;
}

bool ReadParent(HANDLE Handle, const std::wstring& Path, TSecurityFacts& Facts)
{
    if (!Record(L"parent\t" + Path))
        return false;
    return GivenParent(Path, Facts) || Real.ReadParent(Handle, Path, Facts);
}

const bool Installed = [] {
    Real = SetupCalls();
    SetSetupCalls({CreateFolder, SetSecurity, ReadParent, Remove});
    return true;
}();

} // namespace
