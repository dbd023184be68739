// The event selection dialog: the fourteen selectable event kinds with a
// check box each.
#pragma once

#include "base/window/Window_win.h"

#include <cstdint>
#include <vector>

class TLogTypeDialog : public TDialog {
public:
    TLogTypeDialog();
    // Ticks the kinds set in Mask (before or while the dialog is shown).
    void SetMask(uint32_t Mask);
    // The ticked kinds.
    uint32_t GetMask() const;

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;

private:
    void ReadTicks();
    std::vector<bool> FTicks;
};
