// The one table of every setting: where it stands in the settings file, its
// type, default and bounds, and which owner writes it back. Reading fills
// the records from the file's text once; saving turns the records back into
// the values to write.
#pragma once

#include "base/settings/SettingsRecords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// Who writes a setting back at the end, in the order of the table; values
// of ReadOnly are only ever read.
enum class TSettingGroup : uint8_t { Tray, Port, Typing, Window, Log, Own, LogView, ReadOnly };

using TSettingField = std::variant<bool*, int32_t*, uint32_t*, std::string*>;

struct TSettingDef {
    const char* Section;
    const char* Key;
    TSettingGroup Group;
    int32_t Min; // bounds of an integer; a value outside is brought inside
    int32_t Max;
    TSettingField (*Field)(TSettingsRecords& Records);
};

const std::vector<TSettingDef>& SettingsTable();

// A setting's value as the file holds it (nothing when it is missing).
using TStoredValue = std::optional<std::string>;

// The records from the values the file holds, in the table's order; a value
// missing, empty or not a number gives the default. A port of 0 never
// starts in the tray.
TSettingsRecords RecordsFromValues(const std::vector<TStoredValue>& Values);

struct TSettingValue {
    std::string Section;
    std::string Key;
    std::string Text;
};
// The values of the groups as they are written, group by group in the order
// given and in the table's order within a group.
std::vector<TSettingValue> ValuesToWrite(const TSettingsRecords& Records, const std::vector<TSettingGroup>& Groups);
