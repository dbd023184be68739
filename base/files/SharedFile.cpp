#include "base/files/SharedFile.h"

namespace {

TFileFaults Faults;

} // namespace

void SetFileFaults(TFileFaults NewFaults) { Faults = std::move(NewFaults); }

TFileOpen TSharedFile::Open(const std::string& Path, TFileAccess Access)
{
    Close();
    const TFileOpen result = PlatformOpen(Path, Access);
    const TFileFault fault = Faults && result == TFileOpen::Opened ? Faults(Path, Access) : TFileFault::None;
    if (fault == TFileFault::Held || fault == TFileFault::Refused) {
        Close();
        return fault == TFileFault::Held ? TFileOpen::Held : TFileOpen::Refused;
    }
    FReadFails = fault == TFileFault::ReadFails;
    FWriteFails = fault == TFileFault::WriteFails;
    return result;
}

bool TSharedFile::ReadFrom(uint64_t Offset, std::string& Contents)
{
    Contents.clear();
    return IsOpen() && !FReadFails && PlatformRead(Offset, Contents);
}

bool TSharedFile::Replace(const std::string& Contents)
{
    if (!IsOpen())
        return false;
    if (FWriteFails) {
        PlatformWrite(0, Contents.substr(0, Contents.size() / 2), true);
        return false;
    }
    return PlatformWrite(0, Contents, true);
}

bool TSharedFile::Append(const std::string& Data)
{
    if (!IsOpen())
        return false;
    if (FWriteFails) {
        PlatformWrite(Size(), Data.substr(0, Data.size() / 2), false);
        return false;
    }
    return PlatformWrite(Size(), Data, false);
}
