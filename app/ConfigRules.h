// What the configuration dialog decides, apart from its controls: the
// values its controls show, which controls and whether "OK" are enabled,
// and how confirmed values reach the running objects, in the order that
// keeps the receiver consistent. The Win32 dialog only moves these values
// into and out of its controls.
#pragma once

#include <cstdint>
#include <string>

class TEngine;
class TGlobals;
class TLoggers;

// The controls' contents. List controls hold item indexes.
struct TConfigValues {
    bool PortSelected = false;
    int32_t Port = 0;
    int RateItem = 0;   // index into BaudRates
    int SizeItem = 1;   // byte size - 7
    int ParityItem = 0; // parity code
    int StopItem = 0;   // stop-bit code
    bool ControlLines = false;
    bool AutoStart = false;
    // The sign-in helper is set up on this PC (the machine's state).
    bool SignIn = false;
    bool LogView = false;
    int32_t LogLines = 200;
    bool LogFile = false;
    std::string LogFileName;
    bool Debug = false;
    int32_t WaitFor = 500;
    bool UseGIDEI = false;
    bool UseSound = false;
    std::string SoundName;
};

// Which tabs are shown; the controls of a hidden tab take no part.
struct TConfigTabs {
    bool Extended = false;
    bool GIDEI = false;
};

struct TConfigEnables {
    // Tab "Erweitert" (applied only when it is shown).
    bool LogLines = false;
    bool LogFileName = false; // the name and its picker
    bool WaitFor = false;
    bool Events = false;
    // Tab "GIDEI" (applied only when it is shown).
    bool SoundName = false; // the name and its picker
    bool OK = false;
};

TConfigEnables ConfigEnables(const TConfigValues& Values, const TConfigTabs& Tabs);

// The item of the rate list that shows Rate (the first one when Rate is
// not in the table).
int RateItemOf(int32_t Rate);

// The current values of the running objects.
TConfigValues LoadConfigValues(const TEngine& Engine, const TGlobals& Globals, TLoggers& Loggers);

// Hands confirmed values to the running objects: autostart, the log sinks,
// the error sound, and last the engine (a changed port setting closes the
// port, which is then opened and made active again, so "OK" always leaves
// it open and active). Nothing is written to the settings file here.
void ApplyConfigValues(const TConfigValues& Values, TEngine& Engine, TGlobals& Globals, TLoggers& Loggers);
