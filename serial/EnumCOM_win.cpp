// The "Ports" device class of the device-setup library; the library and the
// configuration manager are loaded at run time, not linked.
#include "serial/EnumCOM.h"

#include "base/SystemLibrary_win.h"

#include <windows.h>

#include <setupapi.h>

#include <vector>

namespace {

using TClassGuidsFromName = BOOL(WINAPI*)(PCSTR, LPGUID, DWORD, PDWORD);
using TGetClassDevs = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using TDestroyDeviceInfoList = BOOL(WINAPI*)(HDEVINFO);
using TEnumDeviceInfo = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
using TOpenDevNodeKey = DWORD(WINAPI*)(DWORD, REGSAM, ULONG, DWORD, PHKEY, ULONG);

constexpr ULONG RegistryHardware = 0x00000000; // CM_REGISTRY_HARDWARE
constexpr DWORD DispositionOpenExisting = 0x00000001; // RegDisposition_OpenExisting

// Frees a loaded library when the scope ends.
class TLibrary {
public:
    explicit TLibrary(const char* Name) : FModule(LoadSystemLibrary(Name)) {}
    ~TLibrary()
    {
        if (FModule)
            FreeLibrary(FModule);
    }
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;
    explicit operator bool() const { return FModule != nullptr; }
    template <typename T> T Function(const char* Name) const
    {
        return FModule ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(FModule, Name))) : nullptr;
    }

private:
    HMODULE FModule;
};

} // namespace

void GetInstalledPorts(TPortSet& Ports)
{
    Ports.Clear();
    TLibrary setup("setupapi.dll");
    if (!setup)
        return;
    TLibrary configuration("cfgmgr32.dll");
    auto classGuidsFromName = setup.Function<TClassGuidsFromName>("SetupDiClassGuidsFromNameA");
    auto getClassDevs = setup.Function<TGetClassDevs>("SetupDiGetClassDevsA");
    auto destroyDeviceInfoList = setup.Function<TDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList");
    auto enumDeviceInfo = setup.Function<TEnumDeviceInfo>("SetupDiEnumDeviceInfo");
    auto openDevNodeKey = configuration.Function<TOpenDevNodeKey>("CM_Open_DevNode_Key");
    if (!classGuidsFromName || !getClassDevs || !destroyDeviceInfoList || !enumDeviceInfo || !openDevNodeKey)
        return;

    DWORD count = 0;
    classGuidsFromName("Ports", nullptr, 0, &count);
    if (count == 0)
        return;
    std::vector<GUID> guids(count);
    if (!classGuidsFromName("Ports", guids.data(), count, &count))
        return;
    HDEVINFO devices = getClassDevs(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    for (DWORD index = 0; index <= 255; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device; // 28 bytes on 32-bit Windows, 32 on 64-bit
        if (!enumDeviceInfo(devices, index, &device))
            continue;
        HKEY key = nullptr;
        if (openDevNodeKey(device.DevInst, KEY_QUERY_VALUE, 0, DispositionOpenExisting, &key,
                           RegistryHardware) != 0)
            continue;
        char name[99];
        DWORD size = sizeof name;
        DWORD type = 0;
        const LONG read = RegQueryValueExA(key, "portname", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS)
            continue;
        const std::string text(name, strnlen(name, size));
        int number = 0;
        if (PortNumberFromName(text, number))
            Ports.Add(number);
    }
    destroyDeviceInfoList(devices);
}
