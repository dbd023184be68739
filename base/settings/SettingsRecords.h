// The settings as plain records, one per owner: the receiver's port, the
// parser's typing, the loggers' choices, and the program's start and
// windows. The defaults here are the defaults of the settings file.
#pragma once

#include <cstdint>
#include <string>

struct TPortSettings {
    int32_t Port = 0;
    int32_t Rate = 300;
    int32_t ByteSize = 8;
    int32_t Parity = 0;   // 0 none, 1 odd, 2 even
    int32_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    int32_t QInSize = 0;
    int32_t QOutSize = 0;
    // The device behind the port, as the system listed it when the port
    // last opened.
    std::string Device;
    std::string DeviceModel;
    // DTR and RTS on while the port is open, for devices powered from them
    // or waiting for the computer's ready signal.
    bool ControlLines = false;
    bool operator==(const TPortSettings&) const = default;
};

struct TTypingSettings {
    bool WaitAfter = false;
    int32_t WaitFor = 500; // ms
    bool UseGIDEI = false;
    // A pause after each injected input (-1 none at all); for finding faults.
    int32_t Wait = 0;
    // Hundredths of a pixel per movement tick and speed step.
    int32_t MouseDelta = 100;
    bool operator==(const TTypingSettings&) const = default;
};

struct TLogSettings {
    bool ViewLog = false;
    int32_t ViewMax = 200;
    bool FileLog = false;
    std::string FileName;
    uint32_t LogEvents = 0;
    bool operator==(const TLogSettings&) const = default;
};

// Where the log window was; a size of 0 leaves the window's own default.
struct TLogViewPlace {
    int32_t Left = 10;
    int32_t Top = 10;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TLogViewPlace&) const = default;
};

struct TStartSettings {
    bool Tray = false;
    bool ExpandPort = false;
    int32_t Left = 100;
    int32_t Top = 100;
    bool ExtendedUI = false;
    bool GIDEIUI = false;
    bool CheckPort = true;
    bool UseSound = false;
    std::string Sound;
    bool LogfileInfo = false;
    TLogViewPlace LogView;
    bool operator==(const TStartSettings&) const = default;
};

struct TSettingsRecords {
    TPortSettings Port;
    TTypingSettings Typing;
    TLogSettings Log;
    TStartSettings Start;
    bool operator==(const TSettingsRecords&) const = default;
};
