// Turns the readable key and mouse tables into the binary data resources the
// program loads, and those into C++ byte arrays for builds without a
// resource section.
//
//   mktables keys  OUT.bin TABLE.txt [TABLE.txt ...]   one block per table
//   mktables mouse OUT.bin TABLE.txt
//   mktables mousenames OUT.inc TABLE.txt             directions and anchor names
//   mktables embed OUT.cpp ID=FILE [ID=FILE ...]
//   mktables array OUT.inc NAME FILE                  one byte array to include
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FlagUnavailable = 0x01;
constexpr uint32_t FlagChar = 0x20;
constexpr uint32_t KnownFlags = 0x3F;
constexpr size_t MaxNameLength = 13;

struct TSourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TWriter {
public:
    void U32(uint32_t Value)
    {
        for (int i = 0; i < 4; ++i)
            FBytes.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
    }
    void Text(const std::string& Value)
    {
        FBytes += Value;
        FBytes.push_back('\0');
    }
    void Byte(uint8_t Value) { FBytes.push_back(static_cast<char>(Value)); }
    const std::string& Bytes() const { return FBytes; }

private:
    std::string FBytes;
};

std::vector<std::string> Words(const std::string& Line)
{
    std::istringstream stream(Line);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

uint32_t Hex(const std::string& Word, const std::string& Where, uint32_t Max)
{
    if (Word.empty() || Word.size() > 8 || Word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw TSourceError(Where + ": not a hexadecimal number: " + Word);
    uint32_t value = static_cast<uint32_t>(std::stoul(Word, nullptr, 16));
    if (value > Max)
        throw TSourceError(Where + ": value too large: " + Word);
    return value;
}

// The lines of a table that carry data, with their places for messages.
std::vector<std::pair<std::string, std::vector<std::string>>> DataLines(const std::string& FileName)
{
    std::ifstream file(FileName);
    if (!file)
        throw TSourceError(FileName + ": cannot be read");
    std::vector<std::pair<std::string, std::vector<std::string>>> lines;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        lines.emplace_back(FileName + ":" + std::to_string(number), Words(line));
    }
    return lines;
}

void CheckName(const std::string& Name, const std::string& Where)
{
    if (Name.empty() || Name.size() > MaxNameLength)
        throw TSourceError(Where + ": a key name has 1 to 13 characters: " + Name);
    for (unsigned char c : Name)
        if (c <= ' ' || c >= 0x7F || (c >= 'A' && c <= 'Z'))
            throw TSourceError(Where + ": key names are lower-case ASCII: " + Name);
}

void WriteKeyBlock(TWriter& Out, const std::string& FileName)
{
    std::vector<uint32_t> languages;
    TWriter entries;
    uint32_t count = 0;
    for (const auto& [where, words] : DataLines(FileName)) {
        if (words[0] == "languages") {
            for (size_t i = 1; i < words.size(); ++i)
                languages.push_back(Hex(words[i], where, 0xFFFF));
            continue;
        }
        if (words.size() < 4)
            throw TSourceError(where + ": expected name, flags, key codes and character");
        const std::string& name = words[0];
        CheckName(name, where);
        uint32_t flags = Hex(words[1], where, KnownFlags);
        const std::string& character = words.back();
        std::vector<uint32_t> keys;
        if (!(words.size() == 4 && words[2] == "-"))
            for (size_t i = 2; i + 1 < words.size(); ++i)
                keys.push_back(Hex(words[i], where, 0xFF));

        if (flags & FlagUnavailable) {
            if (!keys.empty() || character != "-")
                throw TSourceError(where + ": an unavailable key has no codes and no character");
        } else if (keys.empty()) {
            throw TSourceError(where + ": an available key needs at least one key code");
        }
        const bool hasChar = character != "-";
        if (hasChar != ((flags & FlagChar) != 0))
            throw TSourceError(where + ": a character goes with flag 20, and only with it");

        entries.Text(name);
        entries.U32(flags);
        const uint32_t groups = keys.empty() ? 0 : (hasChar ? 2 : 1);
        entries.U32(groups);
        if (groups > 0) {
            entries.U32(static_cast<uint32_t>(keys.size()));
            for (uint32_t key : keys)
                entries.U32(key);
        }
        if (groups > 1) {
            entries.U32(1);
            entries.U32(Hex(character, where, 0xFF));
        }
        ++count;
    }
    if (languages.empty())
        throw TSourceError(FileName + ": no languages line");
    Out.U32(count);
    Out.U32(static_cast<uint32_t>(languages.size()));
    for (uint32_t language : languages)
        Out.U32(language);
    for (char byte : entries.Bytes())
        Out.Byte(static_cast<uint8_t>(byte));
    Out.Byte(0);
}

std::string KeyTable(const std::vector<std::string>& Files)
{
    TWriter out;
    out.U32(static_cast<uint32_t>(Files.size()));
    for (const std::string& file : Files)
        WriteKeyBlock(out, file);
    return out.Bytes();
}

// Lines of the mouse table that are not button records.
bool IsNameLine(const std::vector<std::string>& Words) { return Words[0] == "direction" || Words[0] == "anchors"; }

std::string MouseTable(const std::string& FileName)
{
    TWriter out;
    for (const auto& [where, words] : DataLines(FileName)) {
        if (IsNameLine(words))
            continue;
        if (words.size() != 4)
            throw TSourceError(where + ": expected button, down flags, up flags and name");
        const uint32_t button = Hex(words[0], where, 0xFFFFFFFF);
        if (button == 0)
            throw TSourceError(where + ": button 0 would end the table");
        out.U32(button);
        out.U32(Hex(words[1], where, 0xFFFFFFFF));
        out.U32(Hex(words[2], where, 0xFFFFFFFF));
        if (words[3] == "-")
            out.Byte(0);
        else {
            CheckName(words[3], where);
            out.Text(words[3]);
        }
    }
    out.U32(0);
    return out.Bytes();
}

int Step(const std::string& Word, const std::string& Where)
{
    if (Word != "-1" && Word != "0" && Word != "1")
        throw TSourceError(Where + ": a step is -1, 0 or 1: " + Word);
    return std::stoi(Word);
}

// The directions and the anchor names as C++ definitions for the program's
// tables, which are thus made from the same lines as the guide's.
std::string MouseNames(const std::string& FileName)
{
    std::ostringstream directions;
    std::vector<std::string> directionNames;
    std::string anchors;
    bool anchorsSeen = false;
    for (const auto& [where, words] : DataLines(FileName)) {
        if (words[0] == "direction") {
            if (words.size() != 4)
                throw TSourceError(where + ": expected direction, name, x step and y step");
            CheckName(words[1], where);
            for (const std::string& seen : directionNames)
                if (seen == words[1])
                    throw TSourceError(where + ": direction named twice: " + words[1]);
            const int x = Step(words[2], where), y = Step(words[3], where);
            if (x == 0 && y == 0)
                throw TSourceError(where + ": a direction moves: " + words[1]);
            directionNames.push_back(words[1]);
            directions << "    {\"" << words[1] << "\", " << x << ", " << y << "},\n";
        } else if (words[0] == "anchors") {
            if (anchorsSeen)
                throw TSourceError(where + ": one anchors line only");
            anchorsSeen = true;
            for (size_t i = 1; i < words.size(); ++i) {
                const std::string& name = words[i];
                if (name.size() != 1 || !((name[0] >= '0' && name[0] <= '9') || (name[0] >= 'A' && name[0] <= 'Z')))
                    throw TSourceError(where + ": an anchor name is one digit or capital letter: " + name);
                if (anchors.find(name[0]) != std::string::npos)
                    throw TSourceError(where + ": anchor named twice: " + name);
                anchors += name;
            }
        }
    }
    if (directionNames.empty() || anchors.empty())
        throw TSourceError(FileName + ": needs direction lines and an anchors line");
    std::ostringstream out;
    out << "// Generated by mktables from " << FileName << "; do not edit.\n"
        << "const TMouseDirStruct MouseDirections[] = {\n" << directions.str() << "};\n"
        << "const char AnchorNames[] = \"" << anchors << "\";\n";
    return out.str();
}

std::string ReadBinary(const std::string& FileName)
{
    std::ifstream file(FileName, std::ios::binary);
    if (!file)
        throw TSourceError(FileName + ": cannot be read");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Embedded(const std::vector<std::string>& Items)
{
    std::ostringstream out;
    out << "// Generated by mktables from the table sources; do not edit.\n"
        << "#include \"resources/EmbeddedResources.h\"\n\nnamespace {\n";
    std::vector<std::pair<int, size_t>> resources;
    for (const std::string& item : Items) {
        size_t equals = item.find('=');
        if (equals == std::string::npos)
            throw TSourceError("embed: expected ID=FILE: " + item);
        int id = std::stoi(item.substr(0, equals));
        std::string bytes = ReadBinary(item.substr(equals + 1));
        out << "const uint8_t Resource" << id << "[] = {";
        for (size_t i = 0; i < bytes.size(); ++i)
            out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(static_cast<uint8_t>(bytes[i])) << ",";
        out << "\n};\n";
        resources.emplace_back(id, bytes.size());
    }
    out << "} // namespace\n\nconst TEmbeddedResource EmbeddedResources[] = {\n";
    for (const auto& [id, size] : resources)
        out << "    {" << id << ", Resource" << id << ", " << size << "},\n";
    out << "};\nconst size_t EmbeddedResourceCount = " << resources.size() << ";\n";
    return out.str();
}

std::string Array(const std::string& Name, const std::string& FileName)
{
    std::string bytes = ReadBinary(FileName);
    std::ostringstream out;
    out << "// Generated by mktables from " << FileName << "; do not edit.\n"
        << "static const unsigned char " << Name << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i)
        out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(static_cast<uint8_t>(bytes[i])) << ",";
    out << "\n};\n";
    return out.str();
}

void WriteFile(const std::string& FileName, const std::string& Bytes)
{
    std::ofstream file(FileName, std::ios::binary | std::ios::trunc);
    file.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!file)
        throw TSourceError(FileName + ": cannot be written");
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 3 && args[0] == "keys")
            WriteFile(args[1], KeyTable({args.begin() + 2, args.end()}));
        else if (args.size() == 3 && args[0] == "mouse")
            WriteFile(args[1], MouseTable(args[2]));
        else if (args.size() == 3 && args[0] == "mousenames")
            WriteFile(args[1], MouseNames(args[2]));
        else if (args.size() == 4 && args[0] == "array")
            WriteFile(args[1], Array(args[2], args[3]));
        else if (args.size() >= 3 && args[0] == "embed")
            WriteFile(args[1], Embedded({args.begin() + 2, args.end()}));
        else {
            std::cerr << "usage: mktables keys OUT TABLE...|mouse OUT TABLE|mousenames OUT TABLE|embed OUT ID=FILE...|array OUT NAME FILE\n";
            return 2;
        }
    } catch (const std::exception& error) {
        std::cerr << "mktables: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
