// The host build has no desktop: a message goes to standard error and the
// dialog answers with its first button.
#include "base/window/MessageDialog.h"

#include <cstdio>

int MessageDialog(const std::string& Text, TMsgDlgType, unsigned Buttons)
{
    std::fprintf(stderr, "Vemu Keys: %s\n", Text.c_str());
    if (Buttons & mbOK)
        return mrOk;
    if (Buttons & mbYes)
        return mrYes;
    return (Buttons & mbCancel) ? mrCancel : mrNone;
}
