// What the dialog shows of the device while it is open: the last units the
// queue framed, as a carer can read them (the escape byte as «ESC», other
// control bytes by their names), and a verdict on the latest one. Units
// come from the read thread, the window reads them on its own.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

enum class TReceivedVerdict {
    Nothing,    // "Noch nichts empfangen"
    Gidei,      // "GIDEI empfangen"
    Text,       // "Zeichen empfangen"
    Unreadable, // "Unlesbare Zeichen: die Datenrate passt vermutlich nicht"
};

// A unit in Windows-1252 as it is shown: printable characters as they are,
// control bytes as «ESC», «CR», «LF», «TAB», «NUL» and so on, bytes
// Windows-1252 leaves undefined as «x81».
std::string ReadableUnit(const std::string& Unit);

// What a unit is: a GIDEI sequence (ESC to '.'), readable text (printable
// ASCII, CR, LF, TAB and the German letters), or neither.
TReceivedVerdict UnitVerdict(const std::string& Unit);

class TReceivedView {
public:
    static constexpr size_t ShownUnits = 5;

    // Any thread.
    void Add(const std::string& Unit);
    void Clear();
    // The shown units, oldest first, one blank between them.
    std::string Text() const;
    TReceivedVerdict Verdict() const;

private:
    mutable std::mutex FMutex;
    std::deque<std::string> FUnits;
};
