// The key table: key names of GIDEI sequences to virtual-key codes and
// characters, loaded from data resource 234, with one state byte per
// virtual-key code and the input languages the table was made for.
#pragma once

#include "base/system/Numbers.h"
#include "logging/Log.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Flags of a key entry.
constexpr uint32_t kfUnavailable = 0x01;
constexpr uint32_t kfModifier = 0x02;
constexpr uint32_t kfKey = 0x04;
constexpr uint32_t kfDigit = 0x08;
constexpr uint32_t kfLetter = 0x10;
constexpr uint32_t kfChar = 0x20;

// Key states kept by the typer.
constexpr uint8_t ksUp = 0;
constexpr uint8_t ksPressed = 1;
constexpr uint8_t ksHeld = 2;
constexpr uint8_t ksLocked = 3;

constexpr int KeyTableResourceId = 234;

// The language id of the current input language (the low 16 bits of its
// layout): rewritten by the host's thread on each change, read by others.
using TInputLanguage = std::atomic<uint32_t>;

// Binary search in (name, value) pairs sorted with CompareNoCase: Index is
// where Name stands or would stand; true when it is there.
template <typename TItems>
bool FindNoCase(const TItems& Items, const std::string& Name, int& Index)
{
    auto place = std::lower_bound(Items.begin(), Items.end(), Name,
                                  [](const auto& Item, const std::string& Key) { return CompareNoCase(Item.first, Key) < 0; });
    Index = static_cast<int>(place - Items.begin());
    return place != Items.end() && SameNoCase(place->first, Name);
}

// One group of values of a key entry.
class TKeyList {
public:
    int Count() const { return static_cast<int>(FValues.size()); }
    uint32_t Value(int Index) const;
    void Add(uint32_t Value) { FValues.push_back(Value); }
    const std::vector<uint32_t>& Values() const { return FValues; }

private:
    std::vector<uint32_t> FValues;
};

class TKeyTable;

// One key entry: group 0 holds the virtual-key codes in press order, group 1
// (only with kfChar) the character code.
class TKeyData {
public:
    int GroupCount() const { return static_cast<int>(FGroups.size()); }
    const TKeyList& Group(int Index) const;
    void AddGroup(std::unique_ptr<TKeyList> Group) { FGroups.push_back(std::move(Group)); }
    bool HasChar() const { return (Flags & kfChar) != 0; }
    uint32_t CharCode() const;

    std::string Name;
    uint32_t Flags = 0;
    TKeyTable* Table = nullptr;

private:
    std::vector<std::unique_ptr<TKeyList>> FGroups;
};

// Entries by name (compared without regard to case), in insertion order. A
// list that owns its entries frees them with Clear and on destruction; one
// that only collects references to another list's entries frees nothing.
class TKeyDataList {
public:
    explicit TKeyDataList(bool OwnsEntries = false) : FOwnsEntries(OwnsEntries) {}
    virtual ~TKeyDataList();
    TKeyDataList(const TKeyDataList&) = delete;
    TKeyDataList& operator=(const TKeyDataList&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TKeyData* KeyData(int Index) const;
    const std::string& Name(int Index) const { return FItems.at(static_cast<size_t>(Index)).first; }
    virtual void Add(const std::string& Name, TKeyData* Entry);
    void Clear();

protected:
    std::vector<std::pair<std::string, TKeyData*>> FItems;
    bool FOwnsEntries;
};

// The same, kept sorted by name and searched by halving. Adding a name that
// is already there adds nothing; the first entry stays.
class TKeyDataSortedList : public TKeyDataList {
public:
    using TKeyDataList::TKeyDataList;
    void Add(const std::string& Name, TKeyData* Entry) override;
    // True and the position when the name is present.
    virtual bool Find(const std::string& Name, int& Index) const;
};

class TKeyTable : public TKeyDataSortedList {
public:
    // Loads resource 234 of the program: the first block made for the
    // current input language, else the last; damage is reported in Log.
    TKeyTable(const TInputLanguage& Language, TLog& Log);
    // Loads the given resource bytes (tests feed damaged copies).
    TKeyTable(const std::vector<uint8_t>& Resource, const TInputLanguage& Language, TLog& Log);
    ~TKeyTable() override = default;

    // Present and not flagged unavailable; Index is set in both cases.
    bool Find(const std::string& Name, int& Index) const override;

    uint8_t KeyState(int Vk) const;
    // A locked key leaves the locked state only through ksUp.
    void SetKeyState(int Vk, uint8_t State);
    bool AnyKeyActive() const;

    // The current input language is one the loaded block was made for.
    bool LanguageSupported() const;
    int LanguageCount() const { return static_cast<int>(FLanguageIds.size()); }
    uint32_t LanguageId(int Index) const;

private:
    void Load(const std::vector<uint8_t>& Resource, TLog& Log);

    std::array<uint8_t, 256> FKeyStates{};
    int FActiveKeys = 0; // number of non-zero states
    std::vector<uint32_t> FLanguageIds;
    const TInputLanguage& FLanguage;
};
