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
    // Wake is the gate of the link that posts its wake-ups.
    explicit TLogForm(TWakeGate* Wake = nullptr);
    // Destroys the window while this is still a log form, so it stores its
    // place.
    ~TLogForm() override { Destroy(); }
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
    ~TLogFormLink() override;
    bool Exists() const override { return FWindow.load() != nullptr; }
    void Open() override;
    void Close() override;
    void SendWake() override;
    void PostWake() override;
    void TrimLines(int Max) override;
    HWND Window() const { return FWindow.load(); }

private:
    std::unique_ptr<TLogForm> FForm;
    std::atomic<HWND> FWindow{nullptr};
    // Other threads post one wake-up at a time, however much they log.
    TWakeGate FWake;
};
