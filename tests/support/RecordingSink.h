// An input sink that records every record as a short text ("down 10",
// "up 10", "char E4 down", "move 5 -3", "abs 32768 0", over the virtual
// screen "vabs 32768 0", "button 0002"), with a pointer position, screens
// and failures the test can set.
#pragma once

#include "gidei/InputSink.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class TRecordingSink : public TInputSink {
public:
    unsigned SendKeyboard(const TKeyboardRecord& Record) override;
    unsigned SendMouse(const TMouseRecord& Record) override;
    bool GetCursorPos(TPointObj& Point) override;
    int32_t ScreenWidth() override { return Width; }
    int32_t ScreenHeight() override { return Height; }
    TScreenArea VirtualScreen() override { return Virtual; }
    uint32_t LastError() override { return ErrorCode; }
    // Counts the takings, each with the number of records seen before it.
    void TakeWaitingMessages() override;
    std::vector<size_t> Takings();

    std::vector<std::string> Take();
    std::vector<std::string> Events();
    size_t Count();

    // Set by tests.
    int32_t Width = 1920;
    int32_t Height = 1080;
    TScreenArea Virtual{0, 0, 1920, 1080};
    TPointObj Cursor{400, 300};
    bool FailMoves = false;
    bool FailCursor = false;
    // The system inserts nothing (SendInput returns 0): no record is seen.
    std::atomic<bool> RefuseInput{false};
    // Throws from the next keyboard record, once.
    std::atomic<bool> ThrowOnKey{false};
    uint32_t ErrorCode = 5;

    static std::string Describe(const TKeyboardRecord& Record);
    static std::string Describe(const TMouseRecord& Record);

private:
    std::mutex FMutex;
    std::vector<std::string> FEvents;
    size_t FSeen = 0; // records seen, taken ones included
    std::vector<size_t> FTakings;
};
