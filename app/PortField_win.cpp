#include "app/PortField_win.h"

#include <string>

void MatchComboHeights(HWND SelfDrawn, HWND Plain)
{
    // -1: the closed field; 0: the items of the dropped list.
    for (WPARAM part : {static_cast<WPARAM>(-1), WPARAM(0)}) {
        const LRESULT height = SendMessageA(Plain, CB_GETITEMHEIGHT, part, 0);
        if (height > 0)
            SendMessageA(SelfDrawn, CB_SETITEMHEIGHT, part, height);
    }
}

namespace {

std::string ItemText(HWND Combo, UINT Index)
{
    const LRESULT length = SendMessageA(Combo, CB_GETLBTEXTLEN, Index, 0);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(Combo, CB_GETLBTEXT, Index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

} // namespace

bool DrawComboItem(const DRAWITEMSTRUCT& Item)
{
    if (Item.CtlType != ODT_COMBOBOX)
        return false;
    const bool selected = (Item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (Item.itemState & ODS_DISABLED) != 0;
    const int background = disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    const int foreground = disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
    FillRect(Item.hDC, &Item.rcItem, GetSysColorBrush(background));
    if (Item.itemID != static_cast<UINT>(-1)) {
        // The control has put its own font into the device context.
        const std::string text = ItemText(Item.hwndItem, Item.itemID);
        RECT area = Item.rcItem;
        InflateRect(&area, -2 * GetSystemMetrics(SM_CXBORDER), 0);
        SetBkMode(Item.hDC, TRANSPARENT);
        SetTextColor(Item.hDC, GetSysColor(foreground));
        DrawTextA(Item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if ((Item.itemState & ODS_FOCUS) && !(Item.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(Item.hDC, &Item.rcItem);
    return true;
}
