// The configuration dialog's tab "Info": the picture, the version, and two
// links (web page and e-mail) that light up under the mouse and open with
// the shell. The links are buttons, so they can be reached with the Tab key
// and pressed with the space bar.
#pragma once

#include "logging/Log.h"

#include "base/window/Graphics_win.h"
#include "base/system/Handles_win.h"
#include "base/window/Window_win.h"

#include <string>

class TInfoPage : public TDialog {
public:
    // A picture that cannot be shown is said in Log.
    explicit TInfoPage(TLog& Log);
    ~TInfoPage() override { Destroy(); }

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;

private:
    TLog& FLog;
    static LRESULT CALLBACK LinkProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                     DWORD_PTR Data);
    void SetHot(int Id, bool Hot);
    void DrawLink(const DRAWITEMSTRUCT& Item);
    void PaintBackground(HDC DC, const RECT& Area);
    void RenderBackground();
    void UpdatePicture();

    TPictureBitmap FPicture;
    // The picture scaled to the page, drawn under the transparent labels.
    TBitmapHandle FBackground;
    SIZE FBackgroundSize{};
    TFontHandle FUnderlined;
    int FHotLink = 0;
    std::string FWebAddress;
    std::string FEmailAddress;
};
