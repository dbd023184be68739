// The machine's Run key, where the program's autostart lives.
#include "base/system/SystemServices.h"

#include "base/system/WidePath_win.h"

#include <windows.h>

#include <vector>

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
