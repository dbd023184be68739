#include "gidei/KeyTable.h"

#include "gidei/ResourceReader.h"
#include "base/system/SystemServices.h"

#include <algorithm>

uint32_t TKeyList::Value(int Index) const
{
    return Index >= 0 && Index < Count() ? FValues[static_cast<size_t>(Index)] : 0;
}

const TKeyList& TKeyData::Group(int Index) const
{
    static const TKeyList Empty;
    return Index >= 0 && Index < GroupCount() ? *FGroups[static_cast<size_t>(Index)] : Empty;
}

uint32_t TKeyData::CharCode() const { return HasChar() ? Group(1).Value(0) : 0; }

// Lists ---------------------------------------------------------------------

TKeyDataList::~TKeyDataList() { Clear(); }

TKeyData* TKeyDataList::KeyData(int Index) const
{
    return Index >= 0 && Index < Count() ? FItems[static_cast<size_t>(Index)].second : nullptr;
}

void TKeyDataList::Add(const std::string& Name, TKeyData* Entry) { FItems.emplace_back(Name, Entry); }

void TKeyDataList::Clear()
{
    if (FOwnsEntries)
        for (auto& item : FItems)
            delete item.second;
    FItems.clear();
}

void TKeyDataSortedList::Add(const std::string& Name, TKeyData* Entry)
{
    int index;
    if (FindNoCase(FItems, Name, index)) {
        if (FOwnsEntries)
            delete Entry;
        return;
    }
    FItems.emplace(FItems.begin() + index, Name, Entry);
}

bool TKeyDataSortedList::Find(const std::string& Name, int& Index) const { return FindNoCase(FItems, Name, Index); }

// Table ---------------------------------------------------------------------

TKeyTable::TKeyTable(const TInputLanguage& Language, TLog& Log)
    : TKeyTable(LoadResourceBytes(KeyTableResourceId), Language, Log)
{
}

TKeyTable::TKeyTable(const std::vector<uint8_t>& Resource, const TInputLanguage& Language, TLog& Log)
    : TKeyDataSortedList(true), FLanguage(Language)
{
    Load(Resource, Log);
}

bool TKeyTable::Find(const std::string& Name, int& Index) const
{
    return TKeyDataSortedList::Find(Name, Index) && !(KeyData(Index)->Flags & kfUnavailable);
}

uint8_t TKeyTable::KeyState(int Vk) const { return Vk >= 0 && Vk <= 255 ? FKeyStates[static_cast<size_t>(Vk)] : 0; }

void TKeyTable::SetKeyState(int Vk, uint8_t State)
{
    if (Vk < 0 || Vk > 255)
        return;
    uint8_t& current = FKeyStates[static_cast<size_t>(Vk)];
    if (current == ksLocked && State != ksUp)
        return;
    FActiveKeys += (State != ksUp) - (current != ksUp);
    current = State;
}

bool TKeyTable::AnyKeyActive() const { return FActiveKeys > 0; }

bool TKeyTable::LanguageSupported() const
{
    const uint32_t language = FLanguage.load();
    for (auto id = FLanguageIds.rbegin(); id != FLanguageIds.rend(); ++id)
        if (*id == language)
            return true;
    return false;
}

uint32_t TKeyTable::LanguageId(int Index) const
{
    return Index >= 0 && Index < LanguageCount() ? FLanguageIds[static_cast<size_t>(Index)] : 0;
}

// Blocks of entries, each made for some input languages; the first block
// that fits the current language is kept, else the last one. A damaged
// resource is read up to the damage and reported once.
void TKeyTable::Load(const std::vector<uint8_t>& Resource, TLog& Log)
{
    if (Resource.empty())
        return;
    TResourceReader reader(Resource, Log);
    uint32_t blocks = 0;
    if (!reader.U32(blocks)) {
        reader.ReportDamage("Key table");
        return;
    }
    for (uint32_t block = 0; block < blocks; ++block) {
        uint32_t entryCount = 0, languageCount = 0;
        if (!reader.U32(entryCount) || !reader.U32(languageCount) || !reader.Fits(languageCount, 4)) {
            reader.ReportDamage("Key table");
            return;
        }
        Clear();
        FLanguageIds.clear();
        for (uint32_t i = 0; i < languageCount; ++i) {
            uint32_t id = 0;
            reader.U32(id);
            FLanguageIds.push_back(id);
        }
        for (;;) {
            uint8_t first = 0;
            if (!reader.Peek(first)) {
                reader.ReportDamage("Key table");
                return;
            }
            if (first == 0) {
                reader.Skip(1);
                break;
            }
            std::string name;
            uint32_t flags = 0, groups = 0;
            if (!reader.Text(name) || !reader.U32(flags) || !reader.U32(groups) || groups > 2) {
                reader.ReportDamage("Key table");
                return;
            }
            auto entry = std::make_unique<TKeyData>();
            for (uint32_t g = 0; g < groups; ++g) {
                uint32_t values = 0;
                if (!reader.U32(values) || !reader.Fits(values, 4)) {
                    reader.ReportDamage("Key table");
                    return;
                }
                auto group = std::make_unique<TKeyList>();
                for (uint32_t v = 0; v < values; ++v) {
                    uint32_t value = 0;
                    reader.U32(value);
                    group->Add(value);
                }
                entry->AddGroup(std::move(group));
            }
            entry->Name = name;
            entry->Flags = flags;
            entry->Table = this;
            Add(name, entry.release());
        }
        if (LanguageSupported())
            return;
    }
}
