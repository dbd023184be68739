// What the tray icon's messages open, where its menu stands, and who has
// the keyboard once the menu has closed.
#include "ui/TrayMenu.h"

#include <gtest/gtest.h>

namespace {

TEST(TrayMenu, TheMouseAndTheKeyboardOpenWhatTheyShould)
{
    EXPECT_EQ(TrayIconAction(wmLButtonDblClk), TTrayAction::ShowMainWindow);
    EXPECT_EQ(TrayIconAction(wmRButtonDown), TTrayAction::MenuAtPointer);
    EXPECT_EQ(TrayIconAction(ninKeySelect), TTrayAction::MenuAtIcon) << "Enter on the focused icon";
    EXPECT_EQ(TrayIconAction(wmContextMenu), TTrayAction::MenuAtIcon) << "the menu key";
    for (uint32_t other : {0x0200u, 0x0201u, 0x0202u, 0x0205u, 0x0400u})
        EXPECT_EQ(TrayIconAction(other), TTrayAction::None) << std::hex << other;
}

TEST(TrayMenu, AKeyboardMenuStandsBesideTheIconWhereTheShellTellsWhereItIs)
{
    const TScreenRect icon{980, 740, 1000, 760};
    const TMenuAnchor beside = TrayMenuAnchor(TTrayAction::MenuAtIcon, icon, 10, 20);
    EXPECT_TRUE(beside.BesideIcon);
    EXPECT_EQ(beside.Icon, icon) << "kept clear of the icon";
    EXPECT_EQ(beside.X, 980);
    EXPECT_EQ(beside.Y, 740);

    for (const std::optional<TScreenRect>& unknown : {std::optional<TScreenRect>(), std::optional(TScreenRect{})}) {
        const TMenuAnchor atPointer = TrayMenuAnchor(TTrayAction::MenuAtIcon, unknown, 10, 20);
        EXPECT_FALSE(atPointer.BesideIcon) << "an older shell: at the pointer";
        EXPECT_EQ(atPointer.X, 10);
        EXPECT_EQ(atPointer.Y, 20);
    }
    const TMenuAnchor clicked = TrayMenuAnchor(TTrayAction::MenuAtPointer, icon, 10, 20);
    EXPECT_FALSE(clicked.BesideIcon) << "a right click opens it where the pointer is";
    EXPECT_EQ(clicked.X, 10);
}

TEST(TrayMenu, TheUsersWindowGetsTheKeyboardBackUnlessTheDialogWasAskedForOrAnotherTookIt)
{
    const TWindowsSeenAfterMenu untouched{true, true, true};
    for (TTrayChoice choice : {TTrayChoice::None, TTrayChoice::Active, TTrayChoice::Exit})
        EXPECT_EQ(FrontAfterMenu(choice, untouched), TFrontAfterMenu::Previous) << static_cast<int>(choice);
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::Setup, untouched), TFrontAfterMenu::Unchanged)
        << "Einstellungen... shows the dialog";
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::None, {true, false, true}), TFrontAfterMenu::Unchanged)
        << "the user clicked elsewhere";
    // No window to give back to: the hidden tray form must not keep the
    // keyboard, but a shown dialog may, and "Beenden" takes the form away.
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::Active, {false, true, true}), TFrontAfterMenu::Desktop);
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::None, {false, true, true}), TFrontAfterMenu::Desktop);
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::Active, {false, true, false}), TFrontAfterMenu::Unchanged);
    EXPECT_EQ(FrontAfterMenu(TTrayChoice::Exit, {false, true, true}), TFrontAfterMenu::Unchanged);
}

TEST(TrayMenu, EscOnAKeyboardMenuReturnsToTheNotificationArea)
{
    EXPECT_TRUE(FocusBackToIcon(TTrayAction::MenuAtIcon, TTrayChoice::None));
    EXPECT_FALSE(FocusBackToIcon(TTrayAction::MenuAtIcon, TTrayChoice::Active));
    EXPECT_FALSE(FocusBackToIcon(TTrayAction::MenuAtPointer, TTrayChoice::None)) << "the mouse was used";
}

} // namespace
