// The sign-in helper's settings: the machine's own key, which only
// administrators can write. Each value is taken only when it is one of its
// list; anything else refuses the whole key (nothing is clamped), and the
// helper then serves nobody.
#pragma once

#include "base/settings/SettingsRecords.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

// Under HKEY_LOCAL_MACHINE, in the 64-bit view.
inline constexpr const wchar_t* SignInKeyPath = L"SOFTWARE\\Vemu Keys\\SignIn";

// The only values read from the key.
inline constexpr std::array<const char*, 7> SignInValueNames{"Port",     "Rate",         "ByteSize", "Parity",
                                                              "StopBits", "ControlLines", "Device"};

// One value as the registry holds it.
struct TMachineValue {
    enum TKind { mvNumber, mvText, mvOther } Kind = mvOther;
    uint32_t Number = 0;
    std::string Text; // as stored, in UTF-8
};
// The values present, by name (a missing one is absent).
using TMachineValues = std::map<std::string, TMachineValue>;

// The longest adapter identity the key may hold.
inline constexpr size_t MaxSignInDevice = 200;

// The port settings the key describes, or nothing with Refusal saying
// which value was refused and why. Port, Rate, ByteSize, Parity and
// StopBits must be there; ControlLines (0) and Device (none) may be missing.
std::optional<TPortSettings> ParseSignInSettings(const TMachineValues& Values, std::string& Refusal);

// The key's values for Settings, as the elevated step writes them.
TMachineValues SignInValues(const TPortSettings& Settings);
