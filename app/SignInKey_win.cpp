#include "app/SignInKey_win.h"

#include "base/system/WidePath_win.h"

#include <windows.h>

namespace {

constexpr REGSAM View = KEY_WOW64_64KEY;

// One value, its size checked before it is read: a text longer than any
// allowed identity is not read at all, only refused.
bool ReadValue(HKEY Key, const char* Name, TMachineValue& Value)
{
    const std::wstring name = WidePath(Name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(Key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    Value = TMachineValue();
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        if (RegQueryValueExW(Key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            return true; // changed meanwhile: refused as another type
        Value.Kind = TMachineValue::mvNumber;
        Value.Number = number;
        return true;
    }
    if (type == REG_SZ && size <= (MaxSignInDevice + 1) * sizeof(wchar_t)) {
        wchar_t text[MaxSignInDevice + 2] = L"";
        DWORD read = sizeof text - sizeof(wchar_t);
        if (RegQueryValueExW(Key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &read) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return true;
        text[read / sizeof(wchar_t)] = L'\0';
        Value.Kind = TMachineValue::mvText;
        Value.Text = PathFromWide(text);
        return true;
    }
    if (type == REG_SZ) {
        Value.Kind = TMachineValue::mvText;
        Value.Text.assign(MaxSignInDevice + 1, '?'); // too long: refused without being read
    }
    return true;
}

} // namespace

TMachineValues ReadSignInValues(bool& KeyThere)
{
    TMachineValues values;
    HKEY key = nullptr;
    KeyThere = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SignInKeyPath, 0, KEY_QUERY_VALUE | View, &key) == ERROR_SUCCESS;
    if (!KeyThere)
        return values;
    for (const char* name : SignInValueNames) {
        TMachineValue value;
        if (ReadValue(key, name, value))
            values[name] = value;
    }
    RegCloseKey(key);
    return values;
}

std::optional<TPortSettings> ReadSignInKey(std::string& Refusal)
{
    bool there = false;
    const TMachineValues values = ReadSignInValues(there);
    if (!there) {
        Refusal = "kein Schl\xc3\xbcssel";
        return std::nullopt;
    }
    return ParseSignInSettings(values, Refusal);
}

bool WriteSignInKey(const TMachineValues& Values)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SignInKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | View,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool written = true;
    for (const char* name : SignInValueNames) {
        const std::wstring wide = WidePath(name);
        const auto found = Values.find(name);
        if (found == Values.end()) {
            RegDeleteValueW(key, wide.c_str());
            continue;
        }
        const TMachineValue& value = found->second;
        LSTATUS status = ERROR_INVALID_DATA;
        if (value.Kind == TMachineValue::mvNumber) {
            const DWORD number = value.Number;
            status = RegSetValueExW(key, wide.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                    sizeof number);
        } else if (value.Kind == TMachineValue::mvText) {
            const std::wstring text = WidePath(value.Text);
            status = RegSetValueExW(key, wide.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
        written = written && status == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return written;
}

bool RemoveSignInKey()
{
    const LSTATUS status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, SignInKeyPath, View, 0);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
