// The serial receiver and the GIDEI parser, created, wired and freed in the
// order the program's main window uses: the receiver (port opened), then the
// parser on the receiver's queue; at the end the parser first, so that no
// input is injected while the port closes.
#pragma once

#include "gidei/KeyParse.h"
#include "serial/COMObjct.h"

#include <atomic>
#include <memory>

class TEngine {
public:
    // Globals and Loggers exist already. PortOverride (0..255) replaces the
    // stored port before it is opened; -1 keeps it.
    TEngine(TInputSink& Sink, TSerialReceiver::TStateCallback OnStateChange, void* Data, bool NamedEvents = true,
            int PortOverride = -1);
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    TSerialReceiver& Receiver() { return *FReceiver; }
    TKeyParser& Parser() { return *FParser; }

    // UM_MOUSEMOVING: continuous movement was switched on or off.
    void SetMouseMoving(bool On) { FMoving = On; }
    bool MouseMoving() const { return FMoving; }
    // The 100 ms timer: one movement step while movement is on.
    void MouseTimerTick();

private:
    std::unique_ptr<TSerialReceiver> FReceiver;
    std::unique_ptr<TKeyParser> FParser;
    std::atomic<bool> FMoving{false};
};
