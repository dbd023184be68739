#include "base/files/OwnFile_win.h"

#include <cstdint>

namespace {

// The reparse tag of the opened file; 0 for an ordinary file.
DWORD ReparseTag(HANDLE File)
{
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(File, FileAttributeTagInfo, &info, sizeof info))
        return 0;
    return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info.ReparseTag : 0;
}

// Which file a handle holds: its volume and its number there.
uint64_t FileIdentity(HANDLE File)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(File, &info))
        return 0;
    return (static_cast<uint64_t>(info.dwVolumeSerialNumber) << 32) ^
           ((static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

} // namespace

HANDLE OpenOwnFile(const std::function<HANDLE(DWORD Flags)>& Open, TReparseFacts& Found)
{
    Found = TReparseFacts();
    HANDLE file = Open(FILE_FLAG_OPEN_REPARSE_POINT);
    const DWORD tag = file == INVALID_HANDLE_VALUE ? 0 : ReparseTag(file);
    if (tag == 0)
        return file;
    if (IsReparseTagNameSurrogate(tag)) {
        Found.Kind = TReparse::NameSurrogate;
        return file;
    }
    Found.Kind = TReparse::Other;
    const uint64_t identity = FileIdentity(file);
    CloseHandle(file);
    file = Open(0);
    Found.SameFile = file == INVALID_HANDLE_VALUE || FileIdentity(file) == identity;
    return file;
}
