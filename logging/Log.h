// What a part that logs needs: the kinds of log events and a log to hand
// them to. The engine knows only this; the sinks (the log window's buffer,
// the files) are the loggers' business.
#pragma once

#include <cstdint>
#include <string>

using TLogKind = uint8_t;

constexpr TLogKind lkPlain = 0;
constexpr TLogKind lkGeneral = 1;
constexpr TLogKind lkReceived = 2;
constexpr TLogKind lkSequence = 3;
constexpr TLogKind lkIncomplete = 4;
constexpr TLogKind lkGideiProblem = 5;
constexpr TLogKind lkProtocol = 6;
constexpr TLogKind lkUnsupportedCommand = 7;
constexpr TLogKind lkUnsupportedParameter = 8;
constexpr TLogKind lkParameterError = 9;
constexpr TLogKind lkKeyCollision = 10;
constexpr TLogKind lkDoubleKey = 11;
constexpr TLogKind lkSystem = 12;
constexpr TLogKind lkDebug = 13;
constexpr TLogKind lkModifierCollision = 14;
constexpr TLogKind lkError = 30;

class TLog {
public:
    virtual ~TLog() = default;
    // Safe from every thread.
    virtual void Log(TLogKind Kind, const std::string& Text) = 0;
    // Whether events of the kind are logged at all: a caller may skip
    // building a costly text.
    virtual bool Enabled(TLogKind Kind) const = 0;

    // The bytes as hexadecimal pairs after Prefix.
    void LogHex(TLogKind Kind, const std::string& Prefix, const std::string& Data)
    {
        if (!Enabled(Kind))
            return;
        static const char Digits[] = "0123456789ABCDEF";
        std::string text = Prefix;
        text.reserve(Prefix.size() + Data.size() * 2);
        for (unsigned char byte : Data) {
            text += Digits[byte >> 4];
            text += Digits[byte & 15];
        }
        Log(Kind, text);
    }
};

// A log that keeps nothing: for what must never log what it receives, and
// for parts built without a log.
class TNoLog final : public TLog {
public:
    void Log(TLogKind, const std::string&) override {}
    bool Enabled(TLogKind) const override { return false; }
};

// The one log that keeps nothing; it holds no state.
inline TLog& NoLog()
{
    static TNoLog none;
    return none;
}
