// The splash window: the picture with the name of the start-up step in
// progress, each step text held long enough to be read.
#pragma once

#include "base/window/Graphics_win.h"
#include "base/system/Handles_win.h"
#include "base/window/Window_win.h"
#include "ui/SplashTiming.h"

#include <string>

class TSplashDialog : public TDialog {
public:
    TSplashDialog();
    // The window goes before its font.
    ~TSplashDialog() override { Destroy(); }
    // Creates the window, shows it and paints it at once.
    void Show();
    // Waits until the previous text has been shown for more than MinMs
    // (at least 50 ms), then shows Text.
    void ShowProgress(const std::string& Text, uint32_t MinMs);
    // The splash comes before the loggers: what its picture could not show
    // is logged by the program once they exist.
    std::vector<std::string> TakePictureFailures() { return FPicture.TakeFailures(); }

protected:
    INT_PTR OnInitDialog() override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;

private:
    void Repaint();
    TSplashTiming FTiming;
    TPictureBitmap FPicture;
    TFontHandle FTitleFont;
};
