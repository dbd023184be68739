#include "app/SignInSettings.h"

#include "serial/PortIdentity.h"
#include "serial/PortSettings.h"

#include <algorithm>

namespace {

using TAllowed = bool (*)(uint32_t);

bool AllowedPort(uint32_t V) { return V >= 1 && V <= 255; }
bool AllowedRate(uint32_t V) { return std::find(BaudRates.begin(), BaudRates.end(), static_cast<int32_t>(V)) != BaudRates.end(); }
bool AllowedByteSize(uint32_t V) { return V == 7 || V == 8; }
bool AllowedChoice(uint32_t V) { return V <= 2; } // parity, stop bits
bool AllowedSwitch(uint32_t V) { return V <= 1; }

// A number of the list, or a refusal; Required says whether a missing value
// is refused.
bool TakeNumber(const TMachineValues& Values, const char* Name, TAllowed Allowed, bool Required, int32_t& Field,
                std::string& Refusal)
{
    const auto found = Values.find(Name);
    if (found == Values.end()) {
        if (Required)
            Refusal = std::string(Name) + " fehlt";
        return !Required;
    }
    const TMachineValue& value = found->second;
    if (value.Kind != TMachineValue::mvNumber || !Allowed(value.Number)) {
        Refusal = std::string(Name) + " ist kein erlaubter Wert";
        return false;
    }
    Field = static_cast<int32_t>(value.Number);
    return true;
}

bool Printable(const std::string& Text)
{
    return std::all_of(Text.begin(), Text.end(), [](char C) { return C >= 0x20 && C <= 0x7E; });
}

} // namespace

std::optional<TPortSettings> ParseSignInSettings(const TMachineValues& Values, std::string& Refusal)
{
    TPortSettings settings;
    int32_t lines = 0;
    if (!TakeNumber(Values, "Port", AllowedPort, true, settings.Port, Refusal) ||
        !TakeNumber(Values, "Rate", AllowedRate, true, settings.Rate, Refusal) ||
        !TakeNumber(Values, "ByteSize", AllowedByteSize, true, settings.ByteSize, Refusal) ||
        !TakeNumber(Values, "Parity", AllowedChoice, true, settings.Parity, Refusal) ||
        !TakeNumber(Values, "StopBits", AllowedChoice, true, settings.StopBits, Refusal) ||
        !TakeNumber(Values, "ControlLines", AllowedSwitch, false, lines, Refusal))
        return std::nullopt;
    settings.ControlLines = lines == 1;
    if (const auto device = Values.find("Device"); device != Values.end()) {
        const TMachineValue& value = device->second;
        if (value.Kind != TMachineValue::mvText || value.Text.size() > MaxSignInDevice || !Printable(value.Text)) {
            Refusal = "Device ist keine erlaubte Kennung";
            return std::nullopt;
        }
        settings.Device = value.Text;
        // The model lets the helper follow an adapter without a serial
        // number into another socket, as the programs do.
        settings.DeviceModel = DeviceModel({}, value.Text);
    }
    return settings;
}

TMachineValues SignInValues(const TPortSettings& Settings)
{
    auto number = [](int32_t V) {
        TMachineValue value;
        value.Kind = TMachineValue::mvNumber;
        value.Number = static_cast<uint32_t>(V);
        return value;
    };
    TMachineValues values{{"Port", number(Settings.Port)},
                          {"Rate", number(Settings.Rate)},
                          {"ByteSize", number(Settings.ByteSize)},
                          {"Parity", number(Settings.Parity)},
                          {"StopBits", number(Settings.StopBits)},
                          {"ControlLines", number(Settings.ControlLines ? 1 : 0)}};
    if (!Settings.Device.empty()) {
        TMachineValue device;
        device.Kind = TMachineValue::mvText;
        device.Text = Settings.Device;
        values["Device"] = device;
    }
    return values;
}
