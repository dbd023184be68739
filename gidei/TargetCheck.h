// Input the system drops without a word: a window that runs with higher
// rights than the program (an installer, a program started "as
// administrator") takes nothing the program injects. The sink below looks
// where each record goes as it is sent, never in between, and tells its
// host once per such window.
#pragma once

#include "gidei/InputSink.h"

#include <cstdint>
#include <vector>

class TTargetProbe {
public:
    // The window the record goes to: the foreground window for keys, the
    // top-level window under the pointer for the mouse; 0 for none.
    virtual uintptr_t InputWindow(bool Keyboard) = 0;
    // Whether the window's process runs with higher rights than this one.
    virtual bool Elevated(uintptr_t Window) = 0;

protected:
    ~TTargetProbe() = default;
};

class TElevatedTargetEvents {
public:
    // Input goes to the elevated Window, for the first time (parser thread).
    virtual void ElevatedTarget(uintptr_t Window) = 0;

protected:
    ~TElevatedTargetEvents() = default;
};

class TTargetCheckingSink final : public TInputSink {
public:
    // The windows told of are remembered up to this many; then the memory
    // starts afresh.
    static constexpr size_t RememberedWindows = 256;

    TTargetCheckingSink(TInputSink& Inner, TTargetProbe& Probe, TElevatedTargetEvents& Events)
        : FInner(Inner), FProbe(Probe), FEvents(Events)
    {
    }

    unsigned SendKeyboard(const TKeyboardRecord& Record) override;
    unsigned SendMouse(const TMouseRecord& Record) override;
    bool GetCursorPos(TPointObj& Point) override { return FInner.GetCursorPos(Point); }
    int32_t ScreenWidth() override { return FInner.ScreenWidth(); }
    int32_t ScreenHeight() override { return FInner.ScreenHeight(); }
    TScreenArea VirtualScreen() override { return FInner.VirtualScreen(); }
    uint32_t LastError() override { return FInner.LastError(); }
    void TakeWaitingMessages() override { FInner.TakeWaitingMessages(); }

private:
    void Check(bool Keyboard);

    TInputSink& FInner;
    TTargetProbe& FProbe;
    TElevatedTargetEvents& FEvents;
    // The rights of a window are asked once, when input first goes to it.
    uintptr_t FLastWindow[2] = {0, 0};
    bool FLastElevated[2] = {false, false};
    std::vector<uintptr_t> FTold;
};
