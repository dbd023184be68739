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
