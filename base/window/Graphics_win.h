// Pixels, icons and pictures for the screen's DPI. The program is DPI aware
// (system DPI): sizes designed for 96 DPI are scaled once for the screen.
#pragma once

#include "base/system/Handles_win.h"
#include "base/window/ScreenPlacement.h"

#include <windows.h>

#include <string>
#include <vector>

struct TPicture;

int ScreenDpi();
// A length designed at 96 DPI, for the screen.
int ScaleForDpi(int Pixels);
// Size of small icons (notification area, menus, buttons).
int SmallIconSize();

// An icon of the program's resources at the size given, picked from the
// icon's images (never a shared icon: the holder destroys it).
TIconHandle LoadIconSized(int Id, int Size);

// A decoded picture as a DIB section, drawn scaled with halftoning.
class TPictureBitmap {
public:
    // Takes the 1x picture at 96 DPI and the 2x one above, scaled down:
    // crisp either way. False (nothing to draw) when neither decodes.
    bool Load(int Id, int LargeId);
    bool Empty() const { return !FBitmap; }
    void Clear() { FBitmap.Reset(); }
    // The error lines of pictures that did not decode, for the log.
    std::vector<std::string> TakeFailures() { return std::move(FFailures); }
    // Draws the whole picture into Target.
    void Draw(HDC DC, const RECT& Target) const;

private:
    bool FromPicture(const TPicture& Picture);
    TBitmapHandle FBitmap;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<std::string> FFailures;
};

// The window's rectangle for a stored place, on the monitors there are now
// (PlaceStored).
TScreenRect PlaceOnScreen(const TStoredPlace& Place, int32_t MinWidth, int32_t MinHeight);

// Whether the user chose a high-contrast scheme: pictures give way to the
// system colours then.
bool HighContrast();
