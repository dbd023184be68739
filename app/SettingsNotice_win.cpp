#include "app/SettingsNotice_win.h"

#include "base/settings/Globals.h"
#include "base/window/MessageDialog.h"
#include "base/system/SystemServices.h"
#include "logging/Logging.h"
#include "resources/StringIds.h"

namespace {

bool Said = false;

} // namespace

void SayIfSettingsNotSaved(TCloseReason Reason)
{
    if (!Globals)
        return;
    const TNotSavedNotice notice = NotSavedNotice(Globals->SaveFailed(), Said, Reason);
    if (notice == TNotSavedNotice::Nothing)
        return;
    Said = true;
    if (notice == TNotSavedNotice::Message) {
        MessageBoxOK(LoadResourceText(IDS_SETTINGS_NOT_SAVED), mtWarning, 0);
        return;
    }
    const std::string text = Globals->NotSavedLine();
    // At the end of a logoff the loggers are gone: the error file is
    // written on its own.
    if (Loggers)
        Loggers->Log(lkError, text);
    else
        TErrorLog().LockedWrite(lkError, FormatLogLine(lkError, 0, text));
}
