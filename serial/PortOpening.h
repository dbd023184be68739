// An attempt to open the serial port, made where waiting does no harm (the
// receiver's job thread): what it needs to know, copied from the receiver,
// and what it found, handed back to the receiver.
#pragma once

#include "serial/COMObjct.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TOpenRequest {
    TPortSettings Settings;
    TPortIdentity Identity; // the device behind the port, as last known
    std::vector<std::string> OtherDevices;
    // Only a port whose device the system lists on a hardware bus is opened
    // (OnHardwareBus), checked before and after the opening.
    bool HardwareOnly = false;
    // Set once the receiver gives the attempt up: a port that opens after
    // that is closed again at once, so that the next attempt (the
    // receiver's, or another program's) finds it free.
    std::shared_ptr<const std::atomic<bool>> GivenUp;
};

struct TOpenOutcome {
    TOpenOutcome() = default;
    // A port that nobody took is closed.
    ~TOpenOutcome();
    TOpenOutcome(const TOpenOutcome&) = delete;
    TOpenOutcome& operator=(const TOpenOutcome&) = delete;
    // The open port, which the caller owns from now on.
    TPortHandle Take();

    TPortHandle Handle = InvalidPortHandle;
    int32_t Port = 0;          // where it opened
    std::string Error;         // why the port did not open (at the moved device's number when it was found)
    TPortSearchResult Search;  // where its device was looked for
    bool LinesRefused = false; // the driver would not switch DTR and RTS on
    bool Listed = false;       // Present holds the system's list
    std::vector<TPortDevice> Present;
};

// Fails (throws) unless the present device at Port sits on a hardware bus.
void CheckHardwarePort(int32_t Port, const std::vector<TPortDevice>& Present);

// Opens the port at its number, or, when the number is gone, where its
// device is now (FindMovedDevice). The present ports are listed when the
// device was looked for or the port opened, so that the receiver learns
// the device. Takes as long as the system does; an attempt given up
// meanwhile ends with nothing open.
void AttemptOpening(const TOpenRequest& Request, TOpenOutcome& Outcome);

// Tests make openings slow (a Bluetooth device that is away): the delay runs
// before each opening, on the thread that opens; a non-zero result is the
// system error with which the opening fails (it was given up). Null: none.
// Only test programs set it: nothing a user controls reaches it.
using TOpeningDelay = uint32_t (*)(int32_t Port);
void SetOpeningDelay(TOpeningDelay Delay);
