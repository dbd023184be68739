#include "tests/support/RecordingSink.h"

#include <cstdio>
#include <stdexcept>

std::string TRecordingSink::Describe(const TKeyboardRecord& Record)
{
    char text[64];
    const char* direction = (Record.Flags & KEYEVENTF_KEYUP_FLAG) ? "up" : "down";
    if (Record.Flags & KEYEVENTF_UNICODE_FLAG)
        std::snprintf(text, sizeof text, "char %02X %s", Record.Scan, direction);
    else
        std::snprintf(text, sizeof text, "%s %02X", direction, Record.Vk);
    std::string result = text;
    if (Record.Flags & ~(KEYEVENTF_KEYUP_FLAG | KEYEVENTF_UNICODE_FLAG))
        result += " flags " + std::to_string(Record.Flags);
    if (!(Record.Flags & KEYEVENTF_UNICODE_FLAG) && Record.Scan != 0)
        result += " scan " + std::to_string(Record.Scan);
    return result;
}

std::string TRecordingSink::Describe(const TMouseRecord& Record)
{
    char text[64];
    if (Record.Flags == MOUSEEVENTF_MOVE_FLAG)
        std::snprintf(text, sizeof text, "move %d %d", Record.Dx, Record.Dy);
    else if (Record.Flags == (MOUSEEVENTF_MOVE_FLAG | MOUSEEVENTF_ABSOLUTE_FLAG))
        std::snprintf(text, sizeof text, "abs %d %d", Record.Dx, Record.Dy);
    else if (Record.Flags == (MOUSEEVENTF_MOVE_FLAG | MOUSEEVENTF_ABSOLUTE_FLAG | MOUSEEVENTF_VIRTUALDESK_FLAG))
        std::snprintf(text, sizeof text, "vabs %d %d", Record.Dx, Record.Dy);
    else
        std::snprintf(text, sizeof text, "button %04X%s", Record.Flags, (Record.Dx || Record.Dy) ? " moved" : "");
    return text;
}

unsigned TRecordingSink::SendKeyboard(const TKeyboardRecord& Record)
{
    if (ThrowOnKey.exchange(false))
        throw std::runtime_error("input sink failed");
    if (RefuseInput)
        return 0;
    std::lock_guard<std::mutex> lock(FMutex);
    FEvents.push_back(Describe(Record));
    ++FSeen;
    return 1;
}

unsigned TRecordingSink::SendMouse(const TMouseRecord& Record)
{
    std::lock_guard<std::mutex> lock(FMutex);
    const bool move = (Record.Flags & MOUSEEVENTF_MOVE_FLAG) != 0;
    if (RefuseInput || (move && FailMoves))
        return 0;
    FEvents.push_back(Describe(Record));
    ++FSeen;
    return 1;
}

void TRecordingSink::TakeWaitingMessages()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FTakings.push_back(FSeen);
}

std::vector<size_t> TRecordingSink::Takings()
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FTakings;
}

bool TRecordingSink::GetCursorPos(TPointObj& Point)
{
    if (FailCursor)
        return false;
    Point = Cursor;
    return true;
}

std::vector<std::string> TRecordingSink::Take()
{
    std::lock_guard<std::mutex> lock(FMutex);
    std::vector<std::string> events;
    events.swap(FEvents);
    return events;
}

std::vector<std::string> TRecordingSink::Events()
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FEvents;
}

size_t TRecordingSink::Count()
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FEvents.size();
}
