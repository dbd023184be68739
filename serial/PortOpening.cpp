#include "serial/PortOpening.h"

#include "base/system/Error.h"
#include "base/system/SystemServices.h"
#include "serial/EnumCOM.h"
#include "serial/HardwarePort.h"

#include <atomic>

namespace {

std::atomic<TOpeningDelay> OpeningDelay{nullptr};

void List(TOpenOutcome& Outcome)
{
    if (!Outcome.Listed)
        GetInstalledPorts(Outcome.Present);
    Outcome.Listed = true;
}

// Opens the port Settings name; why it did not goes into Outcome.Error.
bool TryOpen(const TOpenRequest& Request, const TPortSettings& Settings, TOpenOutcome& Outcome)
{
    try {
        if (Request.HardwareOnly) {
            List(Outcome);
            CheckHardwarePort(Settings.Port, Outcome.Present);
        }
        if (const TOpeningDelay delay = OpeningDelay.load())
            if (const uint32_t givenUp = delay(Settings.Port))
                throw EvemuError("Serial Init Error (1): " + SysErrorText(givenUp));
        Outcome.Handle = OpenSerialPort(Settings);
        Outcome.Port = Settings.Port;
        if (Request.HardwareOnly) {
            // The number may have gone to another device meanwhile.
            Outcome.Present.clear();
            GetInstalledPorts(Outcome.Present);
            CheckHardwarePort(Settings.Port, Outcome.Present);
        }
        if (Settings.ControlLines)
            Outcome.LinesRefused = !RaiseControlLines(Outcome.Handle);
        return true;
    } catch (const std::exception& error) {
        if (Outcome.Handle != InvalidPortHandle)
            CloseSerialPort(Outcome.Take());
        Outcome.Error = error.what();
        return false;
    }
}

bool GivenUp(const TOpenRequest& Request) { return Request.GivenUp && Request.GivenUp->load(); }

} // namespace

TOpenOutcome::~TOpenOutcome()
{
    if (Handle != InvalidPortHandle)
        CloseSerialPort(Handle);
}

TPortHandle TOpenOutcome::Take()
{
    const TPortHandle handle = Handle;
    Handle = InvalidPortHandle;
    return handle;
}

void AttemptOpening(const TOpenRequest& Request, TOpenOutcome& Outcome)
{
    if (!TryOpen(Request, Request.Settings, Outcome) && !Request.Identity.Empty() && !GivenUp(Request)) {
        // The adapter may sit in another socket now, under another number.
        List(Outcome);
        Outcome.Search =
            FindMovedDevice(Request.Settings.Port, Request.Identity, Outcome.Present, Request.OtherDevices);
        if (Outcome.Search.Outcome == TPortSearch::Moved) {
            TPortSettings moved = Request.Settings;
            moved.Port = Outcome.Search.Port;
            // A device found but busy says why it did not open, not why the
            // stored number did not; the next attempt looks again.
            TryOpen(Request, moved, Outcome);
        }
    }
    if (Outcome.Handle != InvalidPortHandle && GivenUp(Request)) {
        // The opening hung past the point where it was wanted: its result
        // waits for the receiver's thread, which drops it; the port must
        // not wait with it.
        CloseSerialPort(Outcome.Take());
    }
    if (Outcome.Handle != InvalidPortHandle)
        List(Outcome);
}

void CheckHardwarePort(int32_t Port, const std::vector<TPortDevice>& Present)
{
    const TPortDevice* device = DeviceAt(Port, Present);
    if (!device || !OnHardwareBus(device->Identity.Device))
        throw EvemuError("Serial Init Error (1): COM" + std::to_string(Port) + " ist kein Ger\xe4t an einem Bus");
}

void SetOpeningDelay(TOpeningDelay Delay) { OpeningDelay.store(Delay); }
