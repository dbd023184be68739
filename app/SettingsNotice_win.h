// "Die Einstellungen konnten nicht gespeichert werden.": said once in a
// session after a settings write failed (NotSavedNotice decides when).
#pragma once

#include "app/Lifecycle.h"

// When OK has applied the dialog's values, and when the program ends after
// its last settings write (Reason crEndSession at a shutdown or logoff).
void SayIfSettingsNotSaved(TCloseReason Reason);
