// What "OK" does about the sign-in helper, and how it tells the program's
// elevated step: the box shows the machine's state; a change of it, or
// changed port settings while it is ticked, needs the step, which writes
// the machine's key and registers the service, or removes both.
#pragma once

#include "base/settings/SettingsRecords.h"

#include <string>
#include <vector>

enum class TSignInStep { None, SetUp, Remove };

// SetUp when the box is newly ticked or the port it serves changed, Remove
// when it is newly unticked.
TSignInStep SignInStepFor(bool WasSetUp, bool Ticked, const TPortSettings& Before, const TPortSettings& Chosen);

// The switch of the elevated step; the program does this step alone and ends.
inline constexpr const char* SignInStepSwitch = "/signin";

// The step's arguments after the switch: "on PORT RATE BYTESIZE PARITY
// STOPBITS CONTROLLINES [DEVICE]" or "off". Empty when the settings cannot
// be handed on (an identity no key may hold).
std::vector<std::string> SignInStepArguments(TSignInStep Step, const TPortSettings& Port);
// The command line of those arguments, each quoted.
std::string SignInStepCommandLine(const std::vector<std::string>& Arguments);

// The step's arguments read back and checked as the machine's key is:
// false with Refusal for anything else.
bool ParseSignInStep(const std::vector<std::string>& Arguments, TSignInStep& Step, TPortSettings& Port,
                     std::string& Refusal);
