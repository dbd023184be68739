#include "app/SignInChoice.h"

#include "app/SignInSettings.h"

#include <cstdlib>

namespace {

bool SamePortFor(const TPortSettings& A, const TPortSettings& B)
{
    return A.Port == B.Port && A.Rate == B.Rate && A.ByteSize == B.ByteSize && A.Parity == B.Parity &&
           A.StopBits == B.StopBits && A.ControlLines == B.ControlLines;
}

// The numbers of the key, in their order on the command line.
constexpr const char* NumberNames[] = {"Port", "Rate", "ByteSize", "Parity", "StopBits", "ControlLines"};

bool ReadNumber(const std::string& Text, uint32_t& Number)
{
    if (Text.empty() || Text.size() > 9 || Text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    Number = static_cast<uint32_t>(std::strtoul(Text.c_str(), nullptr, 10));
    return true;
}

} // namespace

TSignInStep SignInStepFor(bool WasSetUp, bool Ticked, const TPortSettings& Before, const TPortSettings& Chosen)
{
    if (Ticked != WasSetUp)
        return Ticked ? TSignInStep::SetUp : TSignInStep::Remove;
    return Ticked && !SamePortFor(Before, Chosen) ? TSignInStep::SetUp : TSignInStep::None;
}

std::vector<std::string> SignInStepArguments(TSignInStep Step, const TPortSettings& Port)
{
    if (Step == TSignInStep::Remove)
        return {"off"};
    if (Step != TSignInStep::SetUp)
        return {};
    std::string refusal;
    if (!ParseSignInSettings(SignInValues(Port), refusal) || Port.Device.find('"') != std::string::npos)
        return {};
    std::vector<std::string> arguments{"on"};
    for (int32_t value : {Port.Port, Port.Rate, Port.ByteSize, Port.Parity, Port.StopBits})
        arguments.push_back(std::to_string(value));
    arguments.push_back(Port.ControlLines ? "1" : "0");
    if (!Port.Device.empty())
        arguments.push_back(Port.Device);
    return arguments;
}

std::string SignInStepCommandLine(const std::vector<std::string>& Arguments)
{
    // No argument holds a quote, and none ends in a backslash that would
    // escape the closing one: an identity is checked before, and its
    // backslashes stand before letters and digits.
    std::string line = SignInStepSwitch;
    for (const std::string& argument : Arguments)
        line += " \"" + argument + "\"";
    return line;
}

bool ParseSignInStep(const std::vector<std::string>& Arguments, TSignInStep& Step, TPortSettings& Port,
                     std::string& Refusal)
{
    if (Arguments.size() == 1 && Arguments[0] == "off") {
        Step = TSignInStep::Remove;
        return true;
    }
    if ((Arguments.size() != 7 && Arguments.size() != 8) || Arguments[0] != "on") {
        Refusal = "falsche Argumente";
        return false;
    }
    TMachineValues values;
    for (size_t i = 0; i < std::size(NumberNames); ++i) {
        TMachineValue value;
        if (!ReadNumber(Arguments[i + 1], value.Number)) {
            Refusal = std::string(NumberNames[i]) + " ist keine Zahl";
            return false;
        }
        value.Kind = TMachineValue::mvNumber;
        values[NumberNames[i]] = value;
    }
    if (Arguments.size() == 8) {
        TMachineValue device;
        device.Kind = TMachineValue::mvText;
        device.Text = Arguments[7];
        values["Device"] = device;
    }
    const auto settings = ParseSignInSettings(values, Refusal);
    if (!settings)
        return false;
    Step = TSignInStep::SetUp;
    Port = *settings;
    return true;
}
