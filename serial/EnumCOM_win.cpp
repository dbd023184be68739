// The "Ports" device class of the device-setup library; the library and the
// configuration manager are loaded at run time, not linked. Every text read
// here comes from the registry and is read into a bounded buffer: a value
// that does not fit counts as missing.
#include "serial/EnumCOM.h"

#include "base/system/SystemLibrary_win.h"
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

// The functions of the device-setup library and the configuration manager
// that the listing uses.
struct TDeviceSetup {
    TDeviceSetup(const TLibrary& Setup, const TLibrary& Configuration)
        : ClassGuidsFromName(Setup.Function<TClassGuidsFromName>("SetupDiClassGuidsFromNameA")),
          GetClassDevs(Setup.Function<TGetClassDevs>("SetupDiGetClassDevsA")),
          DestroyDeviceInfoList(Setup.Function<TDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList")),
          EnumDeviceInfo(Setup.Function<TEnumDeviceInfo>("SetupDiEnumDeviceInfo")),
          GetInstanceId(Setup.Function<TGetDeviceInstanceId>("SetupDiGetDeviceInstanceIdA")),
          GetProperty(Setup.Function<TGetDeviceRegistryProperty>("SetupDiGetDeviceRegistryPropertyA")),
          OpenDevRegKey(Setup.Function<TOpenDevRegKey>("SetupDiOpenDevRegKey")),
          OpenDevNodeKey(Configuration.Function<TOpenDevNodeKey>("CM_Open_DevNode_Key"))
    {
    }
    bool Complete() const
    {
        return ClassGuidsFromName && GetClassDevs && DestroyDeviceInfoList && EnumDeviceInfo && GetInstanceId &&
               GetProperty && OpenDevRegKey && OpenDevNodeKey;
    }

    TClassGuidsFromName ClassGuidsFromName;
    TGetClassDevs GetClassDevs;
    TDestroyDeviceInfoList DestroyDeviceInfoList;
    TEnumDeviceInfo EnumDeviceInfo;
    TGetDeviceInstanceId GetInstanceId;
    TGetDeviceRegistryProperty GetProperty;
    TOpenDevRegKey OpenDevRegKey;
    TOpenDevNodeKey OpenDevNodeKey;
};

// The port number a device of the class has: its "portname" in its
// hardware key, which the device-setup library opens where the
// configuration manager cannot (Wine's reports success without a key).
bool PortNumberOf(const TDeviceSetup& Api, HDEVINFO Devices, SP_DEVINFO_DATA& Device, int& Number)
{
    HKEY key = nullptr;
    if (Api.OpenDevNodeKey(Device.DevInst, KEY_QUERY_VALUE, 0, DispositionOpenExisting, &key, RegistryHardware) !=
            0 ||
        !key) {
        key = Api.OpenDevRegKey(Devices, &Device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE || !key)
            return false;
    }
    char name[99];
    DWORD size = sizeof name;
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, "portname", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && PortNumberFromName(std::string(name, strnlen(name, size)), Number);
}

// A device of the class as a present port; false for one that is no port.
bool ReadPort(const TDeviceSetup& Api, HDEVINFO Devices, SP_DEVINFO_DATA& Device, TPortDevice& Port)
{
    if (!PortNumberOf(Api, Devices, Device, Port.Number))
        return false;
    char instance[MaxDeviceIdLength + 1] = "";
    if (!Api.GetInstanceId(Devices, &Device, instance, sizeof instance, nullptr))
        instance[0] = '\0';
    instance[sizeof instance - 1] = '\0';
    Port.Identity.Device = CleanDeviceText(instance, MaxDeviceIdLength);
    Port.Identity.Model = DeviceModel(TextProperty(Api.GetProperty, Devices, Device, SPDRP_HARDWAREID), instance);
    std::vector<std::string> names = TextProperty(Api.GetProperty, Devices, Device, SPDRP_FRIENDLYNAME);
    if (names.empty())
        names = TextProperty(Api.GetProperty, Devices, Device, SPDRP_DEVICEDESC);
    if (!names.empty())
        Port.Description = PortDescription(names.front());
    return true;
}

} // namespace

bool GetInstalledPorts(std::vector<TPortDevice>& Ports)
{
    Ports.clear();
    const TLibrary setup("setupapi.dll");
    const TLibrary configuration("cfgmgr32.dll");
    const TDeviceSetup api(setup, configuration);
    if (!api.Complete())
        return false;
    DWORD count = 0;
    api.ClassGuidsFromName("Ports", nullptr, 0, &count);
    if (count == 0)
        return true; // no such class: no ports
    std::vector<GUID> guids(count);
    if (!api.ClassGuidsFromName("Ports", guids.data(), count, &count))
        return false;
    HDEVINFO devices = api.GetClassDevs(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return false;
    for (DWORD index = 0; index <= 255; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device; // 28 bytes on 32-bit Windows, 32 on 64-bit
        TPortDevice port;
        if (api.EnumDeviceInfo(devices, index, &device) && ReadPort(api, devices, device, port))
            Ports.push_back(port);
    }
    api.DestroyDeviceInfoList(devices);
    return true;
}
