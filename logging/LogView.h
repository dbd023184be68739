// What the log window decides: whether it shows new lines, how its list is
// cut to the line limit, and the text that "Kopieren" puts on the
// clipboard. The list itself is a seam: the window's list box on Windows, a
// vector in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TViewLog;

class TLogList {
public:
    virtual ~TLogList() = default;
    virtual int Count() const = 0;
    virtual void DeleteFirst() = 0;
    // Appends the line and makes it the current line (scrolled into view,
    // the selection unchanged).
    virtual void Append(const std::string& Line) = 0;
    virtual void EnableCopy(bool On) = 0;
};

class TLogView {
public:
    explicit TLogView(TLogList& List) : FList(List) {}

    bool Running() const { return FRunning; }
    // Start/Stop: the new caption's string id and whether the stop glyph
    // (running) or the start glyph (paused) goes with it.
    int StartStop();
    // Takes every pending line from the view sink; shown while running,
    // dropped while paused.
    void DrainLines(TViewLog& Source);
    // Cuts the list to Max lines (oldest first), only while running.
    void TrimLines(int32_t Max);

private:
    TLogList& FList;
    bool FRunning = false;
};

// The selected lines in list order, each followed by CR LF.
std::string LogCopyText(const std::vector<std::string>& Lines, const std::vector<int>& Selected);
