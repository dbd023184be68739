#include "base/settings/SettingsTable.h"

#include "base/settings/IniFile.h"
#include "base/system/Numbers.h"

#include <climits>
#include <type_traits>

namespace {

using G = TSettingGroup;
using R = TSettingsRecords;
constexpr int32_t Any = INT32_MIN;
constexpr int32_t AnyMax = INT32_MAX;

// In the order the tray program has always written them at its end: a file
// written afresh keeps its sections and keys in that order.
const std::vector<TSettingDef> Table = {
    {"Start", "Tray", G::Tray, 0, 1, [](R& S) -> TSettingField { return &S.Start.Tray; }},
    {"Port", "Port", G::Port, 0, 255, [](R& S) -> TSettingField { return &S.Port.Port; }},
    {"Port", "Rate", G::Port, 110, 115200, [](R& S) -> TSettingField { return &S.Port.Rate; }},
    {"Port", "Bytesize", G::Port, 7, 8, [](R& S) -> TSettingField { return &S.Port.ByteSize; }},
    {"Port", "Parity", G::Port, 0, 2, [](R& S) -> TSettingField { return &S.Port.Parity; }},
    {"Port", "Stopbits", G::Port, 0, 2, [](R& S) -> TSettingField { return &S.Port.StopBits; }},
    {"Port", "ControlLines", G::Port, 0, 1, [](R& S) -> TSettingField { return &S.Port.ControlLines; }},
    {"Port", "Device", G::Port, 0, 0, [](R& S) -> TSettingField { return &S.Port.Device; }},
    {"Port", "DeviceModel", G::Port, 0, 0, [](R& S) -> TSettingField { return &S.Port.DeviceModel; }},
    {"Extended", "WaitAfter", G::Typing, 0, 1, [](R& S) -> TSettingField { return &S.Typing.WaitAfter; }},
    {"Extended", "WaitFor", G::Typing, 50, 9999, [](R& S) -> TSettingField { return &S.Typing.WaitFor; }},
    {"GIDEI", "Use", G::Typing, 0, 1, [](R& S) -> TSettingField { return &S.Typing.UseGIDEI; }},
    {"Start", "ExpandPort", G::Window, 0, 1, [](R& S) -> TSettingField { return &S.Start.ExpandPort; }},
    {"Start", "Left", G::Window, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.Left; }},
    {"Start", "Top", G::Window, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.Top; }},
    {"Extended", "ViewLog", G::Log, 0, 1, [](R& S) -> TSettingField { return &S.Log.ViewLog; }},
    {"Extended", "ViewMax", G::Log, 10, 999, [](R& S) -> TSettingField { return &S.Log.ViewMax; }},
    {"Extended", "FileLog", G::Log, 0, 1, [](R& S) -> TSettingField { return &S.Log.FileLog; }},
    {"Extended", "FileName", G::Log, 0, 0, [](R& S) -> TSettingField { return &S.Log.FileName; }},
    {"Extended", "LogEvents", G::Log, Any, AnyMax, [](R& S) -> TSettingField { return &S.Log.LogEvents; }},
    {"GIDEI", "UseSound", G::Own, 0, 1, [](R& S) -> TSettingField { return &S.Start.UseSound; }},
    {"GIDEI", "Sound", G::Own, 0, 0, [](R& S) -> TSettingField { return &S.Start.Sound; }},
    {"Show", "LogfileInfo", G::Own, 0, 1, [](R& S) -> TSettingField { return &S.Start.LogfileInfo; }},
    {"LogView", "Left", G::LogView, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.LogView.Left; }},
    {"LogView", "Top", G::LogView, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.LogView.Top; }},
    {"LogView", "Width", G::LogView, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.LogView.Width; }},
    {"LogView", "Height", G::LogView, Any, AnyMax, [](R& S) -> TSettingField { return &S.Start.LogView.Height; }},
    {"Start", "ExtendedUI", G::ReadOnly, 0, 1, [](R& S) -> TSettingField { return &S.Start.ExtendedUI; }},
    {"Start", "GIDEIUI", G::ReadOnly, 0, 1, [](R& S) -> TSettingField { return &S.Start.GIDEIUI; }},
    {"Extended", "CheckPort", G::ReadOnly, 0, 1, [](R& S) -> TSettingField { return &S.Start.CheckPort; }},
    {"Port", "QInSize", G::ReadOnly, 0, 9999, [](R& S) -> TSettingField { return &S.Port.QInSize; }},
    {"Port", "QOutSize", G::ReadOnly, 0, 9999, [](R& S) -> TSettingField { return &S.Port.QOutSize; }},
    // Any user may write the shared file: a delta below 1 would reverse or
    // stop continuous movement, a huge one throw the pointer to the edge.
    {"Debug", "MouseDelta", G::ReadOnly, 1, 1000, [](R& S) -> TSettingField { return &S.Typing.MouseDelta; }},
    {"Debug", "Wait", G::ReadOnly, -1, 999, [](R& S) -> TSettingField { return &S.Typing.Wait; }},
};

// An integer as the file gives it: missing, empty or not a number is none.
std::optional<int32_t> StoredInteger(const TStoredValue& Value)
{
    if (!Value || Value->empty())
        return std::nullopt;
    return TIniFile::ParseInteger(*Value);
}

void ReadInto(const TSettingDef& Def, TSettingField Field, const TStoredValue& Value)
{
    std::visit(
        [&](auto* Target) {
            using T = std::remove_pointer_t<decltype(Target)>;
            if constexpr (std::is_same_v<T, std::string>) {
                if (Value)
                    *Target = *Value;
            } else if constexpr (std::is_same_v<T, bool>) {
                if (const auto number = StoredInteger(Value))
                    *Target = *number != 0;
            } else if constexpr (std::is_same_v<T, uint32_t>) {
                if (const auto number = StoredInteger(Value))
                    *Target = static_cast<uint32_t>(*number);
            } else {
                if (auto number = StoredInteger(Value)) {
                    ClampAndCompare(*number, Def.Min, Def.Max, 0);
                    *Target = *number;
                }
            }
        },
        Field);
}

std::string TextOf(TSettingField Field)
{
    return std::visit(
        [](auto* Source) -> std::string {
            using T = std::remove_pointer_t<decltype(Source)>;
            if constexpr (std::is_same_v<T, std::string>)
                return *Source;
            else if constexpr (std::is_same_v<T, bool>)
                return *Source ? "1" : "0";
            else if constexpr (std::is_same_v<T, uint32_t>)
                return std::to_string(static_cast<int32_t>(*Source));
            else
                return std::to_string(*Source);
        },
        Field);
}

} // namespace

const std::vector<TSettingDef>& SettingsTable() { return Table; }

TSettingsRecords RecordsFromValues(const std::vector<TStoredValue>& Values)
{
    TSettingsRecords records;
    for (size_t i = 0; i < Table.size() && i < Values.size(); ++i)
        ReadInto(Table[i], Table[i].Field(records), Values[i]);
    // The tray alone, with no port to type from, would hide the only way in.
    records.Start.Tray = records.Start.Tray && records.Port.Port > 0;
    return records;
}

std::vector<TSettingValue> ValuesToWrite(const TSettingsRecords& Records, const std::vector<TSettingGroup>& Groups)
{
    TSettingsRecords copy = Records;
    std::vector<TSettingValue> values;
    for (TSettingGroup group : Groups)
        for (const TSettingDef& def : Table)
            if (def.Group == group && group != TSettingGroup::ReadOnly)
                values.push_back({def.Section, def.Key, TextOf(def.Field(copy))});
    return values;
}
