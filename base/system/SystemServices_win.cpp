#include "base/system/SystemServices.h"

#include "base/system/SystemLibrary_win.h"
#include "base/system/WidePath_win.h"

#include <windows.h>

bool SystemIsNT5()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4;
}

uint32_t SystemDefaultInputLanguage()
{
    HKL layout = nullptr;
    // A system that keeps no default (Wine answers with none) has started
    // this thread with the layout of the user's language.
    if (!SystemParametersInfoA(SPI_GETDEFAULTINPUTLANG, 0, &layout, 0) || !layout)
        layout = GetKeyboardLayout(0);
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(layout) & 0xFFFF);
}

uint32_t SystemLastError() { return GetLastError(); }

std::string LocalDateTimeText()
{
    char date[128] = "";
    char time[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

namespace {

const char* const RunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class TSystemRunKey : public TRunKey {
public:
    explicit TSystemRunKey(HKEY Key) : FKey(Key) {}
    ~TSystemRunKey() override { RegCloseKey(FKey); }
    TSystemRunKey(const TSystemRunKey&) = delete;
    TSystemRunKey& operator=(const TSystemRunKey&) = delete;

    bool Query(const char* Name, std::string& Data) const override
    {
        BYTE buffer[260];
        DWORD size = sizeof buffer;
        DWORD type = 0;
        if (RegQueryValueExA(FKey, Name, nullptr, &type, buffer, &size) != ERROR_SUCCESS)
            return false;
        Data.assign(reinterpret_cast<const char*>(buffer), size);
        Data.resize(Data.find('\0') == std::string::npos ? Data.size() : Data.find('\0'));
        return true;
    }

    bool SetString(const char* Name, const std::string& Data) override
    {
        // The program's path, in full Unicode.
        const std::wstring name = WidePath(Name);
        const std::wstring data = WidePath(Data);
        return RegSetValueExW(FKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool Delete(const char* Name) override { return RegDeleteValueA(FKey, Name) == ERROR_SUCCESS; }

private:
    HKEY FKey;
};

} // namespace

std::unique_ptr<TRunKey> OpenSystemRunKey(bool Write)
{
    HKEY key = nullptr;
    const REGSAM access = Write ? KEY_READ | KEY_WRITE : KEY_READ;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKeyPath, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<TSystemRunKey>(key);
}

std::vector<uint8_t> LoadResourceBytes(int Id)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(Id), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!resource)
        return {};
    DWORD size = SizeofResource(nullptr, resource);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0)
        return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

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

std::string LoadResourceText(int Id)
{
    char buffer[1024];
    int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(Id), buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

std::string SysErrorText(uint32_t Code)
{
    char buffer[260];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0, buffer,
                                  sizeof buffer, nullptr);
    if (length == 0)
        return "<unbekannt>";
    // Windows ends its texts with a line break, which would split a log line
    // and leave an empty line in Errors.log.
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' '))
        --length;
    return std::string(buffer, length);
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
