// The machine's sign-in key in the registry (HKLM, 64-bit view), which
// only administrators and SYSTEM can write: read by the helper and its
// service, written and removed by the program's elevated step.
#pragma once

#include "app/SignInSettings.h"

#include <optional>
#include <string>

// The listed values of the key and nothing else; KeyThere false when
// there is no key at all.
TMachineValues ReadSignInValues(bool& KeyThere);

// The port settings of a valid key, or nothing with Refusal saying why
// ("kein Schlüssel" when there is none).
std::optional<TPortSettings> ReadSignInKey(std::string& Refusal);

// Replaces the key's values with Values (elevated only); false on failure.
bool WriteSignInKey(const TMachineValues& Values);
// Removes the key; true also when it was not there.
bool RemoveSignInKey();
