// The "Ports" device class of the device-setup library; the library and the
// configuration manager are loaded at run time, not linked. Every text read
// here comes from the registry and is read into a bounded buffer: a value
// that does not fit counts as missing.
#include "serial/EnumCOM.h"

#include "base/SystemLibrary_win.h"
#include "serial/DeviceText.h"

#include <windows.h>

#include <setupapi.h>

#include <cstring>

namespace {

using TClassGuidsFromName = BOOL(WINAPI*)(PCSTR, LPGUID, DWORD, PDWORD);
using TGetClassDevs = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using TDestroyDeviceInfoList = BOOL(WINAPI*)(HDEVINFO);
using TEnumDeviceInfo = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
using TGetDeviceInstanceId = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, PSTR, DWORD, PDWORD);
using TGetDeviceRegistryProperty = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD);
using TOpenDevNodeKey = DWORD(WINAPI*)(DWORD, REGSAM, ULONG, DWORD, PHKEY, ULONG);
using TOpenDevRegKey = HKEY(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD, REGSAM);

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
    template <typename T> T Function(const char* Name) const { return ModuleFunction<T>(FModule, Name); }

private:
    HMODULE FModule;
};

// The strings of a text or multi-text value of Size bytes in Buffer (which
// has room for two more zeros).
std::vector<std::string> Strings(char* Buffer, DWORD Size, DWORD BufferSize)
{
    Size = Size < BufferSize ? Size : BufferSize;
    Buffer[Size] = Buffer[Size + 1] = '\0';
    std::vector<std::string> strings;
    for (const char* at = Buffer; *at && at < Buffer + Size; at += std::strlen(at) + 1)
        strings.emplace_back(at);
    return strings;
}

// A text property of a device (several for a multi-text one); none when it
// is missing, no text, or longer than the buffer.
std::vector<std::string> TextProperty(TGetDeviceRegistryProperty GetProperty, HDEVINFO Devices,
                                      SP_DEVINFO_DATA& Device, DWORD Property)
{
    char buffer[1024 + 2];
    const DWORD room = sizeof buffer - 2;
    DWORD type = 0;
    DWORD size = 0;
    if (!GetProperty(Devices, &Device, Property, &type, reinterpret_cast<BYTE*>(buffer), room, &size) ||
        (type != REG_SZ && type != REG_MULTI_SZ))
        return {};
    return Strings(buffer, size, room);
}

} // namespace

void GetInstalledPorts(std::vector<TPortDevice>& Ports)
{
    Ports.clear();
    TLibrary setup("setupapi.dll");
    if (!setup)
        return;
    TLibrary configuration("cfgmgr32.dll");
    auto classGuidsFromName = setup.Function<TClassGuidsFromName>("SetupDiClassGuidsFromNameA");
    auto getClassDevs = setup.Function<TGetClassDevs>("SetupDiGetClassDevsA");
    auto destroyDeviceInfoList = setup.Function<TDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList");
    auto enumDeviceInfo = setup.Function<TEnumDeviceInfo>("SetupDiEnumDeviceInfo");
    auto getInstanceId = setup.Function<TGetDeviceInstanceId>("SetupDiGetDeviceInstanceIdA");
    auto getProperty = setup.Function<TGetDeviceRegistryProperty>("SetupDiGetDeviceRegistryPropertyA");
    auto openDevRegKey = setup.Function<TOpenDevRegKey>("SetupDiOpenDevRegKey");
    auto openDevNodeKey = configuration.Function<TOpenDevNodeKey>("CM_Open_DevNode_Key");
    if (!classGuidsFromName || !getClassDevs || !destroyDeviceInfoList || !enumDeviceInfo || !getInstanceId ||
        !getProperty || !openDevRegKey || !openDevNodeKey)
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
        // The device's hardware key; the device-setup library opens the
        // same key where the configuration manager cannot (Wine's reports
        // success without a key).
        HKEY key = nullptr;
        if (openDevNodeKey(device.DevInst, KEY_QUERY_VALUE, 0, DispositionOpenExisting, &key,
                           RegistryHardware) != 0 ||
            !key) {
            key = openDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
            if (key == INVALID_HANDLE_VALUE || !key)
                continue;
        }
        char name[99];
        DWORD size = sizeof name;
        DWORD type = 0;
        const LONG read = RegQueryValueExA(key, "portname", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS)
            continue;
        TPortDevice port;
        if (!PortNumberFromName(std::string(name, strnlen(name, size)), port.Number))
            continue;

        char instance[MaxDeviceIdLength + 1] = "";
        if (!getInstanceId(devices, &device, instance, sizeof instance, nullptr))
            instance[0] = '\0';
        instance[sizeof instance - 1] = '\0';
        port.Identity.Device = CleanDeviceText(instance, MaxDeviceIdLength);
        port.Identity.Model = DeviceModel(TextProperty(getProperty, devices, device, SPDRP_HARDWAREID), instance);
        std::vector<std::string> names = TextProperty(getProperty, devices, device, SPDRP_FRIENDLYNAME);
        if (names.empty())
            names = TextProperty(getProperty, devices, device, SPDRP_DEVICEDESC);
        if (!names.empty())
            port.Description = PortDescription(names.front());
        Ports.push_back(port);
    }
    destroyDeviceInfoList(devices);
}
