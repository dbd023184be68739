// The port field: a drop-down list that draws its own items, so that a
// device name too long for the closed field ends with "…" instead of being
// cut off in the middle of a word. It stays the system's combo box holding
// its strings, which screen readers read whole; only the painting is ours.
#pragma once

#include <windows.h>

// Gives the self-drawn box the item heights of a plain drop-down list
// beside it, so that the two look alike.
void MatchComboHeights(HWND SelfDrawn, HWND Plain);

// Draws one item of a self-drawn combo box (WM_DRAWITEM); false for the
// items of other controls.
bool DrawComboItem(const DRAWITEMSTRUCT& Item);
