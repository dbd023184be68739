// The log window: the view sink's lines, live, in a list that can be paused
// and copied from. It exists only while the view sink is on; the sink
// reaches it through TLogFormLink.
#pragma once

#include "base/system/Handles_win.h"
#include "base/window/Window_win.h"
#include "logging/LogView.h"
#include "logging/Logging.h"
#include "logging/WakeGate.h"

#include <atomic>
#include <memory>

class TLogForm : public TDialog, private TLogList {
public:
    // Shows the lines of View where Place says (a place off every monitor
    // is brought back onto one); Wake is the gate of the link that posts
    // its wake-ups.
    TLogForm(TViewLog& View, TLogViewPlace& Place, TWakeGate* Wake = nullptr);
    // Destroys the window while this is still a log form, so it stores its
    // place.
    ~TLogForm() override { Destroy(); }
    // The window's place into Place.
    void StorePlace();
    // Takes all pending lines (UM_LOGVIEW).
    void DrainLines();
    void TrimLines(int32_t Max) { FView.TrimLines(Max); }

protected:
    INT_PTR OnInitDialog() override;
    void OnCommand(int Id, int Code, HWND Control) override;
    bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, INT_PTR& Result) override;
    void OnDestroy() override;

private:
    int Count() const override;
    void DeleteFirst() override;
    void Append(const std::string& Line) override;
    void EnableCopy(bool On) override;
    void StartStop();
    void Close();
    void CopySelection();
    void Layout();

    TViewLog& FLines;
    TLogViewPlace& FPlace;
    TWakeGate* FWake;
    TLogView FView;
    TFontHandle FFont;
    TIconHandle FStartGlyph;
    TIconHandle FStopGlyph;
    TIconHandle FCopyGlyph;
    int FWidestLine = 0;
};

// The view sink's link to the log window, on the main thread; other threads
// only post the wake-up.
class TLogFormLink : public TLogWindowLink {
public:
    // The window shows the lines of View; its place is kept in Place.
    TLogFormLink(TViewLog& View, TLogViewPlace& Place) : FView(View), FPlace(Place) {}
    ~TLogFormLink() override;
    // An open window's place into the settings; Placed: a window was there
    // this session, so the place is worth saving.
    void StorePlace();
    bool Placed() const { return FPlaced; }
    bool Exists() const override { return FWindow.load() != nullptr; }
    void Open() override;
    void Close() override;
    void SendWake() override;
    void PostWake() override;
    void TrimLines(int Max) override;
    HWND Window() const { return FWindow.load(); }

private:
    TViewLog& FView;
    TLogViewPlace& FPlace;
    bool FPlaced = false;
    std::unique_ptr<TLogForm> FForm;
    std::atomic<HWND> FWindow{nullptr};
    // Other threads post one wake-up at a time, however much they log.
    TWakeGate FWake;
};
