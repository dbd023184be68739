#include "logging/DlgLType_win.h"

#include "logging/EventMask.h"
#include "logging/Logging.h"
#include "resources/ResourceIds.h"

#include <commctrl.h>

TLogTypeDialog::TLogTypeDialog() : TDialog(IDD_LOGTYPE), FTicks(SelectableLogKinds, false) {}

void TLogTypeDialog::SetMask(uint32_t Mask)
{
    TickFromMask(Mask, FTicks);
    if (HWND list = Item(IDC_EVENTS_LIST))
        for (size_t i = 0; i < FTicks.size(); ++i)
            ListView_SetCheckState(list, static_cast<int>(i), FTicks[i] ? TRUE : FALSE);
}

uint32_t TLogTypeDialog::GetMask() const { return MaskFromTicks(FTicks); }

void TLogTypeDialog::ReadTicks()
{
    if (HWND list = Item(IDC_EVENTS_LIST))
        for (size_t i = 0; i < FTicks.size(); ++i)
            FTicks[i] = ListView_GetCheckState(list, static_cast<int>(i)) != 0;
}

INT_PTR TLogTypeDialog::OnInitDialog()
{
    HWND list = Item(IDC_EVENTS_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (int kind = 1; kind <= SelectableLogKinds; ++kind) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = kind - 1;
        item.pszText = const_cast<char*>(LogKindName(static_cast<TLogKind>(kind)));
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    SetMask(0); // shows the ticks set before the window existed

    // Centred on the window that opened it.
    if (HWND owner = GetWindow(Handle(), GW_OWNER)) {
        RECT outer, own;
        GetWindowRect(owner, &outer);
        GetWindowRect(Handle(), &own);
        const int width = own.right - own.left;
        const int height = own.bottom - own.top;
        SetWindowPos(Handle(), nullptr, outer.left + (outer.right - outer.left - width) / 2,
                     outer.top + (outer.bottom - outer.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return TRUE;
}

void TLogTypeDialog::OnCommand(int Id, int, HWND)
{
    if (Id == IDOK) {
        ReadTicks();
        EndModal(1);
    } else if (Id == IDCANCEL) {
        EndModal(2);
    }
}
