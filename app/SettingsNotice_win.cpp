#include "app/SettingsNotice_win.h"

#include "app/Program.h"
#include "base/system/SystemServices.h"
#include "base/window/MessageDialog.h"
#include "resources/StringIds.h"

void TSettingsNotice::Say(TCloseReason Reason)
{
    const TNotSavedNotice notice = NotSavedNotice(FProgram.Globals().SaveFailed(), FSaid, Reason);
    if (notice == TNotSavedNotice::Nothing)
        return;
    FSaid = true;
    if (notice == TNotSavedNotice::Message)
        MessageBoxOK(LoadResourceText(IDS_SETTINGS_NOT_SAVED), mtWarning);
    else
        FProgram.Loggers().Log(lkError, FProgram.Globals().NotSavedLine());
}
