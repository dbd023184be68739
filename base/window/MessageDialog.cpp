#include "base/window/MessageDialog.h"

int MessageBoxOK(const std::string& Text, TMsgDlgType Kind, int HelpContext)
{
    return MessageDialog(Text, Kind, mbOK, HelpContext);
}
