// The program's message box: caption "Vemu Keys" and German buttons, read
// from the box on the screen by a second thread, which then answers it.
#include "base/window/MessageDialog.h"

#include "tests/support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct TSeenBox {
    std::string Caption;
    std::vector<std::string> Buttons;
};

BOOL CALLBACK CollectButton(HWND Child, LPARAM Data)
{
    char className[32] = "";
    GetClassNameA(Child, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0) {
        char text[64] = "";
        GetWindowTextA(Child, text, sizeof text);
        reinterpret_cast<TSeenBox*>(Data)->Buttons.push_back(text);
    }
    return TRUE;
}

// Finds the message box of this process, notes what it shows and presses
// the button with the given id.
TSeenBox AnswerBox(int Button)
{
    TSeenBox seen;
    for (int i = 0; i < 500; ++i) {
        HWND box = FindWindowA("#32770", nullptr);
        if (box && IsWindowVisible(box)) {
            char caption[64] = "";
            GetWindowTextA(box, caption, sizeof caption);
            seen.Caption = caption;
            EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&seen));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), 0);
            return seen;
        }
        Sleep(10);
    }
    return seen;
}

TEST(MessageDialog, GermanButtonsAndTheProgramsCaption)
{
    TSeenBox seen;
    std::thread answer([&] { seen = AnswerBox(IDCANCEL); });
    int result = MessageDialog("Frage?", mtConfirmation, mbOK | mbCancel);
    answer.join();
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(seen.Caption, "Vemu Keys");
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"OK", "Abbrechen"}));

    std::thread answerYes([&] { seen = AnswerBox(IDYES); });
    seen = {};
    result = MessageDialog("Ja oder nein?", mtWarning, mbYes | mbNo);
    answerYes.join();
    EXPECT_EQ(result, mrYes);
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"Ja", "Nein"}));

    std::thread answerOk([&] { seen = AnswerBox(IDOK); });
    seen = {};
    EXPECT_EQ(MessageBoxOK("Hinweis", mtInformation), mrOk);
    answerOk.join();
    EXPECT_EQ(seen.Buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(seen.Caption, "Vemu Keys") << "also before the program's settings exist";
}

} // namespace
