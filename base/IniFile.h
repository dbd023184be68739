// The settings file: INI text read and written with the rules of the Windows
// private-profile functions, so that a file written by either side reads back
// the same on the other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TIniFile {
public:
    // Longest string value a read returns.
    static constexpr size_t MaxValueLength = 2047;

    explicit TIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

    const std::string& FileName() const { return FFileName; }

    // The value as the private-profile reader returns it (spaces around it
    // trimmed, one pair of enclosing quotes removed, at most MaxValueLength
    // characters); nothing when the section, the key or its '=' is missing.
    std::optional<std::string> Read(const std::string& Section, const std::string& Key) const;

    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const;
    // Decimal, or hexadecimal after "0x"; Default when missing, empty, not a
    // number or outside 32 bits.
    int32_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) const;
    bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

    // Writes through to the file at once; false when it could not be written,
    // and when the file is there but cannot be read: it is then left as it is.
    bool WriteString(const std::string& Section, const std::string& Key, const std::string& Value);
    bool WriteInteger(const std::string& Section, const std::string& Key, int32_t Value);
    bool WriteBool(const std::string& Section, const std::string& Key, bool Value);

    // Integer text as ReadInteger understands it.
    static std::optional<int32_t> ParseInteger(const std::string& Text);

private:
    std::string FFileName;
};
