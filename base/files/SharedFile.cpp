#include "base/files/SharedFile.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace {

TFileFaults Faults;
TReadPieceHook ReadPieceHook;

// Opens that hang until a test lets them go. Never freed: an open given up
// by its caller may still wait here when the process ends.
struct THangGate {
    std::mutex Lock;
    std::condition_variable Released;
    uint64_t Releases = 0;
    size_t Hanging = 0;
};

THangGate& HangGate()
{
    static THangGate* gate = new THangGate;
    return *gate;
}

void HangUntilReleased()
{
    THangGate& gate = HangGate();
    std::unique_lock<std::mutex> lock(gate.Lock);
    const uint64_t releases = gate.Releases;
    ++gate.Hanging;
    gate.Released.wait(lock, [&] { return gate.Releases != releases; });
    --gate.Hanging;
}

std::mutex CrashLock;
std::optional<uint64_t> CrashUnits; // left before the crash

} // namespace

void SetFileFaults(TFileFaults NewFaults) { Faults = std::move(NewFaults); }

void SetReadPieceHook(TReadPieceHook Hook) { ReadPieceHook = std::move(Hook); }

void ReleaseHangingOpens()
{
    THangGate& gate = HangGate();
    std::lock_guard<std::mutex> lock(gate.Lock);
    ++gate.Releases;
    gate.Released.notify_all();
}

size_t HangingOpens()
{
    THangGate& gate = HangGate();
    std::lock_guard<std::mutex> lock(gate.Lock);
    return gate.Hanging;
}

void SetWriteCrash(std::optional<uint64_t> Units)
{
    std::lock_guard<std::mutex> lock(CrashLock);
    CrashUnits = Units;
}

TFileOpen TSharedFile::Open(const std::string& Path, TFileAccess Access)
{
    Close();
    FPath = Path;
    const TFileOpen result = PlatformOpen(Path, Access);
    const TFileFault fault = Faults && result == TFileOpen::Opened ? Faults(Path, Access) : TFileFault::None;
    if (fault == TFileFault::Hangs) {
        Close(); // the open that hangs does not have the file
        HangUntilReleased();
        return TFileOpen::Held;
    }
    if (fault == TFileFault::Held || fault == TFileFault::Refused) {
        Close();
        return fault == TFileFault::Held ? TFileOpen::Held : TFileOpen::Refused;
    }
    FReadFails = fault == TFileFault::ReadFails;
    FWriteFails = fault == TFileFault::WriteFails;
    return result;
}

bool TSharedFile::ReadFrom(uint64_t Offset, std::string& Contents, uint64_t Limit)
{
    Contents.clear();
    if (!IsOpen() || FReadFails)
        return false;
    const uint64_t most = Limit == UINT64_MAX ? Limit : Limit + 1;
    char buffer[16384];
    while (Contents.size() < most) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, most - Contents.size()));
        const int64_t count = PlatformReadPiece(Offset + Contents.size(), buffer, want);
        if (count < 0)
            return false;
        if (count == 0)
            break;
        Contents.append(buffer, static_cast<size_t>(count));
        if (ReadPieceHook)
            ReadPieceHook(FPath);
    }
    return true;
}

bool TSharedFile::Replace(const std::string& Contents)
{
    if (!IsOpen())
        return false;
    if (FWriteFails) {
        Write(0, Contents.substr(0, Contents.size() / 2), false);
        return false;
    }
    return Write(0, Contents, true);
}

bool TSharedFile::Append(const std::string& Data)
{
    if (!IsOpen())
        return false;
    if (FWriteFails) {
        Write(Size(), Data.substr(0, Data.size() / 2), false);
        return false;
    }
    return Write(Size(), Data, false);
}

bool TSharedFile::Write(uint64_t Offset, const std::string& Data, bool Cut)
{
    std::lock_guard<std::mutex> lock(CrashLock);
    if (!CrashUnits)
        return PlatformWrite(Offset, Data, Cut);
    const size_t bytes = static_cast<size_t>(std::min<uint64_t>(*CrashUnits, Data.size()));
    *CrashUnits -= bytes;
    const bool cut = Cut && bytes == Data.size() && *CrashUnits > 0;
    if (cut)
        --*CrashUnits;
    if (bytes > 0 || cut)
        PlatformWrite(Offset, Data.substr(0, bytes), cut);
    return bytes == Data.size() && cut == Cut;
}
