#include "base/window/MessageDialog.h"

int MessageBoxOK(const std::string& Text, TMsgDlgType Kind)
{
    return MessageDialog(Text, Kind, mbOK);
}
