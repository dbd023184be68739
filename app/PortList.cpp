#include "app/PortList.h"

#include <algorithm>

namespace {

// Format with its %d and %s filled in order. The values are device texts:
// they are put in as they are, never read as a format.
std::string Fill(const std::string& Format, int32_t Number, const std::vector<std::string>& Texts)
{
    std::string text;
    size_t next = 0;
    for (size_t i = 0; i < Format.size(); ++i) {
        if (Format[i] == '%' && i + 1 < Format.size() && Format[i + 1] == 'd') {
            text += std::to_string(Number);
            ++i;
        } else if (Format[i] == '%' && i + 1 < Format.size() && Format[i + 1] == 's') {
            text += next < Texts.size() ? Texts[next++] : std::string();
            ++i;
        } else {
            text += Format[i];
        }
    }
    return text;
}

} // namespace

std::vector<TPortItem> PortListItems(bool CheckPort, const std::vector<TPortDevice>& Present,
                                     const std::vector<int32_t>& Kept, const std::vector<int32_t>& New)
{
    std::vector<TPortItem> items;
    if (!CheckPort) {
        for (int32_t port = 1; port <= 255; ++port)
            items.push_back({port, true, std::string()});
        return items;
    }
    auto listed = [&](int32_t Port) {
        return std::any_of(items.begin(), items.end(), [&](const TPortItem& Item) { return Item.Port == Port; });
    };
    for (const TPortDevice& device : Present)
        if (device.Number >= 1 && device.Number <= 255 && !listed(device.Number))
            items.push_back({device.Number, true, device.Description,
                             std::find(New.begin(), New.end(), device.Number) != New.end()});
    for (int32_t port : Kept)
        if (port >= 1 && port <= 255 && !listed(port))
            items.push_back({port, false, std::string()});
    std::sort(items.begin(), items.end(),
              [](const TPortItem& A, const TPortItem& B) { return A.New != B.New ? A.New : A.Port < B.Port; });
    return items;
}

std::vector<int32_t> PortNumbers(const std::vector<TPortDevice>& Present)
{
    std::vector<int32_t> numbers;
    for (const TPortDevice& device : Present)
        numbers.push_back(device.Number);
    return numbers;
}

std::vector<int32_t> PortsNewSince(const std::vector<int32_t>& Before, const std::vector<TPortDevice>& Present)
{
    std::vector<int32_t> added;
    for (const TPortDevice& device : Present)
        if (std::find(Before.begin(), Before.end(), device.Number) == Before.end())
            added.push_back(device.Number);
    return added;
}

std::string PortItemText(const TPortItem& Item, const TPortTexts& Texts)
{
    if (!Item.Present)
        return Fill(Texts.Absent, Item.Port, {});
    const std::string mark = Item.New ? Texts.NewMark : std::string();
    if (Item.Description.empty())
        return Fill(Texts.Plain, Item.Port, {}) + mark;
    return Fill(Texts.Described, Item.Port, {Item.Description}) + mark;
}

std::string PortListingLine(const TPortDevice& Device, const std::string& Format)
{
    auto shown = [](const std::string& Text) { return Text.empty() ? std::string("-") : Text; };
    return Fill(Format, Device.Number,
                {shown(Device.Description), shown(Device.Identity.Device), shown(Device.Identity.Model)});
}
