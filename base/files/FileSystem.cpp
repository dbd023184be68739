#include "base/files/FileSystem.h"

#include "base/files/SharedFile.h"
#include "base/threads/Sync.h"

#include <algorithm>

namespace {

void PlainPause(uint32_t Ms) { SleepMs(Ms); }

TRetryPause RetryPause = PlainPause;

// About a second in all: a scanner's hold is over by then, and a start or an
// exit that finds the file held waits no longer than that.
constexpr uint32_t ReadWaitMs = 1000;

} // namespace

void SetRetryPause(TRetryPause Pause) { RetryPause = Pause ? Pause : PlainPause; }

uint32_t RetryPauseMs(uint32_t Tries, uint32_t WaitedMs, uint32_t AllowedMs)
{
    if (WaitedMs >= AllowedMs)
        return 0;
    const uint32_t pause = Tries >= 4 ? 300 : 100 + 50 * Tries;
    return std::min(pause, AllowedMs - WaitedMs);
}

TFileOpen OpenWaiting(TSharedFile& File, const std::string& Path, TFileAccess Access, uint32_t AllowedMs)
{
    uint32_t waited = 0;
    for (uint32_t tries = 0;; ++tries) {
        const TFileOpen result = File.Open(Path, Access);
        const uint32_t pause = result == TFileOpen::Held ? RetryPauseMs(tries, waited, AllowedMs) : 0;
        if (pause == 0)
            return result;
        RetryPause(pause);
        waited += pause;
    }
}

TFileRead ReadFileForUpdate(const std::string& Path, std::string& Contents, uint64_t Limit)
{
    TFileRead result = ReadFileOnce(Path, Contents, Limit);
    uint32_t waited = 0;
    for (uint32_t tries = 0; result == TFileRead::Unreadable; ++tries) {
        const uint32_t pause = RetryPauseMs(tries, waited, ReadWaitMs);
        if (pause == 0)
            break;
        RetryPause(pause);
        waited += pause;
        result = ReadFileOnce(Path, Contents, Limit);
    }
    return result;
}

TFileRead ReadFileOnce(const std::string& Path, std::string& Contents, uint64_t Limit)
{
    Contents.clear();
    TSharedFile file;
    switch (file.Open(Path, TFileAccess::Read)) {
    case TFileOpen::Opened:
        break;
    case TFileOpen::Missing:
        return TFileRead::Missing;
    default:
        return TFileRead::Unreadable;
    }
    if (file.Size() > Limit)
        return TFileRead::TooLarge;
    if (!file.ReadFrom(0, Contents) || Contents.size() > Limit) {
        Contents.clear();
        return TFileRead::Unreadable;
    }
    return TFileRead::Read;
}
