#include "ui/TrayMenu.h"

TTrayAction TrayIconAction(uint32_t ShellMessage)
{
    switch (ShellMessage) {
    case wmLButtonDblClk:
        return TTrayAction::ShowMainWindow;
    case wmRButtonDown:
        return TTrayAction::MenuAtPointer;
    case wmContextMenu:
    case ninKeySelect:
        return TTrayAction::MenuAtIcon;
    default:
        return TTrayAction::None;
    }
}

TMenuAnchor TrayMenuAnchor(TTrayAction Action, const std::optional<TScreenRect>& IconRect, int32_t CursorX,
                           int32_t CursorY)
{
    TMenuAnchor anchor;
    if (Action == TTrayAction::MenuAtIcon && IconRect && IconRect->Width() > 0 && IconRect->Height() > 0) {
        // The menu's lower left corner at the icon's upper left one; the
        // system moves it below the icon when there is no room above.
        anchor.X = IconRect->Left;
        anchor.Y = IconRect->Top;
        anchor.BesideIcon = true;
        anchor.Icon = *IconRect;
        return anchor;
    }
    anchor.X = CursorX;
    anchor.Y = CursorY;
    return anchor;
}

TFrontAfterMenu FrontAfterMenu(TTrayChoice Choice, const TWindowsSeenAfterMenu& Seen)
{
    if (Choice == TTrayChoice::Setup || !Seen.HolderInFront)
        return TFrontAfterMenu::Unchanged;
    if (Seen.PreviousUsable)
        return TFrontAfterMenu::Previous;
    // "Beenden" takes the tray form away with the program; the system then
    // chooses as it does for any program that ends.
    return Seen.HeldByTrayForm && Choice != TTrayChoice::Exit ? TFrontAfterMenu::Desktop : TFrontAfterMenu::Unchanged;
}

bool FocusBackToIcon(TTrayAction Opened, TTrayChoice Choice)
{
    return Opened == TTrayAction::MenuAtIcon && Choice == TTrayChoice::None;
}
