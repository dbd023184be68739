// The mouse button table (resource 235), the eight directions of continuous
// movement and the 36 remembered pointer positions (anchors).
#pragma once

#include "logging/Log.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

constexpr int MouseTableResourceId = 235;

struct TMouseData {
    std::string Name; // canonical button name "but1" .. "but5"
    uint32_t DownFlags = 0; // 0: the button is not supported
    uint32_t UpFlags = 0;
    uint8_t ButtonState = 0; // counts only on the entry named by the canonical name
};

class TMouseTable {
public:
    // Builds the table from resource 235 of the program.
    // Damage is reported in Log.
    explicit TMouseTable(TLog& Log);
    TMouseTable(const std::vector<uint8_t>& Resource, TLog& Log);

    bool Find(const std::string& Name, int& Index) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Name(int Index) const { return FItems.at(static_cast<size_t>(Index)).first; }
    const std::string& ButtonName(int Index) const { return Data(Index).Name; }
    // The canonical name a name denotes, or "" when it is unknown.
    std::string ButtonOf(const std::string& Name) const;
    uint32_t DownFlags(int Index) const { return Data(Index).DownFlags; }
    uint32_t UpFlags(int Index) const { return Data(Index).UpFlags; }
    // The state of the entry's button, shared by all names of the button.
    uint8_t ButtonState(int Index) const;
    void SetButtonState(int Index, uint8_t State);

private:
    void Load(const std::vector<uint8_t>& Resource, TLog& Log);
    void Append(const std::string& Name, const std::string& Canonical);
    const TMouseData& Data(int Index) const { return *FItems.at(static_cast<size_t>(Index)).second; }

    std::vector<std::pair<std::string, std::unique_ptr<TMouseData>>> FItems;
};

struct TPointObj {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPointObj&) const = default;
};

struct TMouseDirStruct {
    const char* Name;
    int32_t X;
    int32_t Y;
};

// The directions of continuous movement, from resources/mousetable.txt:
// "up", "down", "left", "right", "upleft", "upright", "downleft", "downright".
class TMouseDir {
public:
    TMouseDir();
    bool Find(const std::string& Name, int& Index) const;
    void Delta(int Index, TPointObj& Point) const;
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<std::pair<std::string, TPointObj>> FItems; // sorted by name
};

// Pointer positions named by the anchor names of resources/mousetable.txt,
// '0' to '9' and 'A' to 'Z' (letters in either case).
class TMousePosMem {
public:
    TMousePosMem();
    void Recall(char Name, TPointObj& Point);
    void Store(char Name, const TPointObj& Point);
    // The name given to the last Recall or Store was no digit or letter.
    bool Invalid = false;

private:
    TPointObj* Slot(char Name);
    std::vector<TPointObj> FSlots; // one per anchor name, in the table's order
    TPointObj FFallback; // what an invalid name recalls; never written
};
