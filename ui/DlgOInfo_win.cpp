#include "ui/DlgOInfo_win.h"

#include "base/system/Text.h"
#include "resources/ResourceIds.h"

TOwnInfoDialog::TOwnInfoDialog(std::string Text) : TDialog(IDD_OWNINFO), FText(std::move(Text)) {}

INT_PTR TOwnInfoDialog::OnInitDialog()
{
    // The system's shared warning icon: not ours to destroy.
    SendDlgItemMessageA(Handle(), IDC_INFO_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32515))), 0);
    SetDlgItemTextA(Handle(), IDC_INFO_TEXT, JoinLinesCrLf(SplitLines(FText)).c_str());
    SetFocus(Item(IDOK));
    return FALSE; // the focus is set
}

void TOwnInfoDialog::OnCommand(int Id, int, HWND)
{
    if (Id == IDOK || Id == IDCANCEL) {
        FSuppress = Checked(IDC_INFO_SHOW);
        EndModal(Id == IDOK ? 1 : 2);
    }
}

bool ShowInfoOnce(const std::string& Text, bool Suppressed)
{
    if (Suppressed)
        return true;
    TOwnInfoDialog dialog(Text);
    dialog.ShowModal(nullptr);
    return dialog.Suppress();
}
