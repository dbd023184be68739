// A notice with a warning icon and "Meldung nicht mehr anzeigen".
#pragma once

#include "base/window/Window_win.h"

#include <string>

class TOwnInfoDialog : public TDialog {
public:
    explicit TOwnInfoDialog(std::string Text);
    // Whether the box was ticked when the dialog closed (OK, Esc or the
    // close box).
    bool Suppress() const { return FSuppress; }

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;

private:
    std::string FText;
    bool FSuppress = false;
};

// Shows the notice unless the user suppressed it; the result is the new
// suppression flag. Suppressed: no window at all.
bool ShowInfoOnce(const std::string& Text, bool Suppressed);
