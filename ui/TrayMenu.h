// What the tray icon's callback messages ask for, where its menu opens, and
// who has the keyboard once the menu has closed. The person may type only
// with the device: whatever the menu did, what they type next must reach
// the window they worked in, never a hidden window of this program.
#pragma once

#include "base/window/ScreenPlacement.h"

#include <cstdint>
#include <optional>

// The messages the shell reports in the callback's low word (icon version 3):
// mouse messages, the context-menu key (WM_CONTEXTMENU) and Enter or Space
// on the focused icon (NIN_KEYSELECT).
constexpr uint32_t wmContextMenu = 0x007B;
constexpr uint32_t wmLButtonDblClk = 0x0203;
constexpr uint32_t wmRButtonDown = 0x0204;
constexpr uint32_t ninKeySelect = 0x0401;

enum class TTrayAction { None, ShowMainWindow, MenuAtPointer, MenuAtIcon };

TTrayAction TrayIconAction(uint32_t ShellMessage);

// Where the menu opens: at the pointer, or beside the icon, kept clear of
// it (above it, below it where the taskbar stands at the top).
struct TMenuAnchor {
    int32_t X = 0;
    int32_t Y = 0;
    bool BesideIcon = false;
    TScreenRect Icon;
};

// A menu asked for from the keyboard opens beside the icon when the shell
// tells where the icon is, otherwise (an older shell) at the pointer.
TMenuAnchor TrayMenuAnchor(TTrayAction Action, const std::optional<TScreenRect>& IconRect, int32_t CursorX,
                           int32_t CursorY);

// What the menu ended with.
enum class TTrayChoice { None, Active, Setup, Exit };

// What is seen of the windows once the menu has closed: the one that was in
// front when the icon was used, and the one that held the menu.
struct TWindowsSeenAfterMenu {
    // It still exists, is shown, and is not the window that held the menu.
    bool PreviousUsable = false;
    // The window that held the menu (or none) is still in front: nothing
    // else took the foreground meanwhile, by a click elsewhere for example.
    bool HolderInFront = false;
    // The menu was held by the tray form (the main window was hidden).
    bool HeldByTrayForm = false;
};

// Who gets the front once the menu has closed.
enum class TFrontAfterMenu {
    Unchanged, // another window took it, or the dialog the user asked for has it
    Previous,  // the window that was in front, with its keyboard focus
    Desktop,   // nothing to give back to: the hidden tray form never keeps the keyboard
};

// Not after "Einstellungen...", which shows the dialog the user asked for,
// nor when the user clicked elsewhere meanwhile.
TFrontAfterMenu FrontAfterMenu(TTrayChoice Choice, const TWindowsSeenAfterMenu& Seen);

// A menu opened from the keyboard and closed without a choice (Esc) gives
// the focus back to the notification area, where the user was.
bool FocusBackToIcon(TTrayAction Opened, TTrayChoice Choice);
