// "Die Einstellungen konnten nicht gespeichert werden.": said once in a
// session after a settings write failed (NotSavedNotice decides when).
#pragma once

#include "app/Lifecycle.h"

class TProgram;

class TSettingsNotice {
public:
    explicit TSettingsNotice(TProgram& Program) : FProgram(Program) {}

    // When OK has applied the dialog's values, and when the program ends
    // after its last settings write (Reason crEndSession at a shutdown or
    // logoff, when only the error line is written).
    void Say(TCloseReason Reason);

private:
    TProgram& FProgram;
    bool FSaid = false;
};
