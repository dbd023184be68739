#include "gidei/MouseTables.h"

#include "base/system/SystemServices.h"
#include "gidei/KeyTable.h"
#include "gidei/ResourceReader.h"

#include <algorithm>
#include <cstring>

namespace {
// MouseDirections and AnchorNames, made by mktables from resources/mousetable.txt.
#include "MouseNames.inc"
}


TMouseTable::TMouseTable(TLog& Log) : TMouseTable(LoadResourceBytes(MouseTableResourceId), Log) {}

TMouseTable::TMouseTable(const std::vector<uint8_t>& Resource, TLog& Log) { Load(Resource, Log); }

void TMouseTable::Append(const std::string& Name, const std::string& Canonical)
{
    auto data = std::make_unique<TMouseData>();
    data->Name = Canonical;
    FItems.emplace_back(Name, std::move(data));
}

// Every button is named by its number and by "but" and its number; the
// resource adds the flags of the buttons that have them, and another name.
void TMouseTable::Load(const std::vector<uint8_t>& Resource, TLog& Log)
{
    if (Resource.empty())
        return;
    for (int n = 1; n <= 5; ++n)
        Append(std::to_string(n), "but" + std::to_string(n));
    for (int n = 1; n <= 5; ++n)
        Append("but" + std::to_string(n), "but" + std::to_string(n));

    TResourceReader reader(Resource, Log);
    for (;;) {
        uint32_t button = 0, down = 0, up = 0;
        if (!reader.U32(button)) {
            reader.ReportDamage("Mouse table");
            break;
        }
        if (button == 0)
            break;
        std::string alias;
        if (!reader.U32(down) || !reader.U32(up) || !reader.Text(alias)) {
            reader.ReportDamage("Mouse table");
            break;
        }
        const std::string canonical = "but" + std::to_string(button);
        if (!alias.empty())
            Append(alias, canonical);
        for (auto& item : FItems)
            if (SameNoCase(item.second->Name, canonical)) {
                item.second->DownFlags = down;
                item.second->UpFlags = up;
            }
    }
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const auto& A, const auto& B) { return CompareNoCase(A.first, B.first) < 0; });
}

bool TMouseTable::Find(const std::string& Name, int& Index) const { return FindNoCase(FItems, Name, Index); }

std::string TMouseTable::ButtonOf(const std::string& Name) const
{
    int index;
    return Find(Name, index) ? ButtonName(index) : std::string();
}

uint8_t TMouseTable::ButtonState(int Index) const
{
    int owner;
    return Find(ButtonName(Index), owner) ? FItems[static_cast<size_t>(owner)].second->ButtonState : 0;
}

void TMouseTable::SetButtonState(int Index, uint8_t State)
{
    int owner;
    if (Find(ButtonName(Index), owner))
        FItems[static_cast<size_t>(owner)].second->ButtonState = State;
}

// Directions ----------------------------------------------------------------

TMouseDir::TMouseDir()
{
    for (const TMouseDirStruct& direction : MouseDirections)
        FItems.emplace_back(direction.Name, TPointObj{direction.X, direction.Y});
    std::sort(FItems.begin(), FItems.end(), [](const auto& A, const auto& B) { return CompareNoCase(A.first, B.first) < 0; });
}

bool TMouseDir::Find(const std::string& Name, int& Index) const { return FindNoCase(FItems, Name, Index); }

void TMouseDir::Delta(int Index, TPointObj& Point) const { Point = FItems.at(static_cast<size_t>(Index)).second; }

// Anchors -------------------------------------------------------------------

TMousePosMem::TMousePosMem() : FSlots(std::strlen(AnchorNames)) {}

TPointObj* TMousePosMem::Slot(char Name)
{
    Invalid = false;
    if (Name >= 'a' && Name <= 'z')
        Name = static_cast<char>(Name - 'a' + 'A');
    const char* place = Name != '\0' ? std::strchr(AnchorNames, Name) : nullptr;
    if (place)
        return &FSlots[static_cast<size_t>(place - AnchorNames)];
    Invalid = true;
    return nullptr;
}

void TMousePosMem::Recall(char Name, TPointObj& Point)
{
    TPointObj* slot = Slot(Name);
    Point = slot ? *slot : FFallback;
}

void TMousePosMem::Store(char Name, const TPointObj& Point)
{
    if (TPointObj* slot = Slot(Name))
        *slot = Point;
}
