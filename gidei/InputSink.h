// Where the typer's synthetic input goes: one keyboard or mouse record at a
// time, as SendInput takes them, plus the pointer position and the screen
// size. SendInput on Windows; a recorder in tests.
#pragma once

#include "gidei/MouseTables.h"

#include <cstdint>

constexpr uint32_t KEYEVENTF_KEYUP_FLAG = 0x0002;
constexpr uint32_t KEYEVENTF_UNICODE_FLAG = 0x0004;
constexpr uint32_t MOUSEEVENTF_MOVE_FLAG = 0x0001;
constexpr uint32_t MOUSEEVENTF_ABSOLUTE_FLAG = 0x8000;
constexpr uint32_t MOUSEEVENTF_VIRTUALDESK_FLAG = 0x4000;

struct TKeyboardRecord {
    uint16_t Vk = 0;
    uint16_t Scan = 0;
    uint32_t Flags = 0;
    bool operator==(const TKeyboardRecord&) const = default;
};

struct TMouseRecord {
    int32_t Dx = 0;
    int32_t Dy = 0;
    uint32_t Flags = 0;
    bool operator==(const TMouseRecord&) const = default;
};

// The virtual screen: the rectangle around every monitor, in the pixels of
// the pointer's position; its origin lies left of or above the primary
// screen's when a monitor does.
struct TScreenArea {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

class TInputSink {
public:
    virtual ~TInputSink() = default;
    // Each returns how many records the system inserted (0 or 1).
    virtual unsigned SendKeyboard(const TKeyboardRecord& Record) = 0;
    virtual unsigned SendMouse(const TMouseRecord& Record) = 0;
    virtual bool GetCursorPos(TPointObj& Point) = 0;
    virtual int32_t ScreenWidth() = 0;
    virtual int32_t ScreenHeight() = 0;
    virtual TScreenArea VirtualScreen() = 0;
    // The error code of the last failed call (GetLastError on Windows).
    virtual uint32_t LastError() = 0;
    // What the system leaves in the sending thread's message queue for each
    // injected record piles up unless that thread takes it (some 200 bytes
    // a pointer move). The thread that sends calls this between units: it
    // takes what is waiting and never waits.
    virtual void TakeWaitingMessages() = 0;
};

// a * b / c rounded to the nearest integer (halves away from zero); -1 when c
// is 0 or the result leaves 32 bits, like the Windows MulDiv.
int32_t MulDiv(int64_t A, int64_t B, int64_t C);

// The absolute coordinate (0..65535 over the virtual screen, or over the
// primary screen with Origin 0) of the pixel Pixel on an axis of that
// screen from Origin, Extent pixels long:
// the system, which maps it back to Origin + Coordinate * Extent / 65536,
// truncated or rounded, comes to Pixel itself. Pixels off the screen (a
// monitor gone since) go to its edge.
int32_t VirtualDeskCoordinate(int32_t Pixel, int32_t Origin, int32_t Extent);

#ifdef _WIN32
// The SendInput sink of the running desktop.
TInputSink& SystemInputSink();
// Key-ups and button-ups for every key and mouse button the system reports
// down or this process put down through SystemInputSink and has not
// released, so that nobody is left with a held modifier or button the
// program put down: before a fatal error's message, which the person may
// still answer with the device. It allocates nothing.
void ReleaseInputStillDown();
// The last release, right before the process ends: from the first call on
// the sink puts no key or button down any more (ups still go), whatever
// thread sends; sends under way are waited for; then everything goes up as
// above. It allocates nothing.
void ReleaseInputForGood();
#endif
