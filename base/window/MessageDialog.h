// The program's message boxes: caption "Vemu Keys", German button captions.
#pragma once

#include <string>

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// A set of buttons.
enum TMsgDlgButton : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

// The button that closed the dialog.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

int MessageDialog(const std::string& Text, TMsgDlgType Kind, unsigned Buttons);
int MessageBoxOK(const std::string& Text, TMsgDlgType Kind);
