// The program's own file and the versions of files: apart from the other
// system services, so that the sign-in helper, which needs neither, holds
// none of it.
#include "base/system/SystemServices.h"

#include "base/system/SystemLibrary_win.h"
#include "base/system/WidePath_win.h"

#include <windows.h>

#include <vector>

bool ReadFileVersion(const std::string& FileName, int& Major, int& Minor, int& Release, int& Build)
{
    static const auto getSize = SystemFunction<decltype(&GetFileVersionInfoSizeW)>("version.dll", "GetFileVersionInfoSizeW");
    static const auto getInfo = SystemFunction<decltype(&GetFileVersionInfoW)>("version.dll", "GetFileVersionInfoW");
    static const auto query = SystemFunction<decltype(&VerQueryValueA)>("version.dll", "VerQueryValueA");
    if (!getSize || !getInfo || !query)
        return false;
    DWORD ignored = 0;
    const std::wstring name = WidePath(FileName);
    DWORD size = getSize(name.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<char> block(size);
    if (!getInfo(name.c_str(), 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!query(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
        return false;
    Major = HIWORD(info->dwFileVersionMS);
    Minor = LOWORD(info->dwFileVersionMS);
    Release = HIWORD(info->dwFileVersionLS);
    Build = LOWORD(info->dwFileVersionLS);
    return true;
}

std::string ProgramFilePath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size())
            return PathFromWide(std::wstring(path.data(), length).c_str());
        path.resize(path.size() * 2);
    }
}
