#include "base/files/FileSystem.h"

#include "base/files/SharedFile.h"
#include "base/threads/Sync.h"

#include <algorithm>

namespace {

void PlainPause(uint32_t Ms) { SleepMs(Ms); }

TRetryPause RetryPause = PlainPause;

} // namespace

void SetRetryPause(TRetryPause Pause) { RetryPause = Pause ? Pause : PlainPause; }

uint32_t RetryPauseMs(uint32_t Tries, uint32_t WaitedMs, uint32_t AllowedMs)
{
    if (WaitedMs >= AllowedMs)
        return 0;
    const uint32_t pause = Tries >= 4 ? 300 : 100 + 50 * Tries;
    return std::min(pause, AllowedMs - WaitedMs);
}

bool TWaitBudget::CanWaitMore() const { return !FGivenUp && RetryPauseMs(FTries, FWaitedMs, FAllowedMs) > 0; }

bool TWaitBudget::PauseBeforeNextTry()
{
    const uint32_t pause = FGivenUp ? 0 : RetryPauseMs(FTries, FWaitedMs, FAllowedMs);
    if (pause == 0)
        return false;
    RetryPause(pause);
    FWaitedMs += pause;
    ++FTries;
    return !FGivenUp;
}

THeldPair HoldBoth(TSharedFile& First, const std::string& FirstPath, TSharedFile& Second,
                   const std::string& SecondPath, TFileAccess Access, TWaitBudget& Budget)
{
    for (;;) {
        if (Budget.GivenUp())
            return {TFileOpen::Held, TFileOpen::Held};
        THeldPair pair{First.Open(FirstPath, Access), TFileOpen::Held};
        if (pair.First == TFileOpen::Opened && !Budget.GivenUp())
            pair.Second = Second.Open(SecondPath, Access);
        if (Budget.GivenUp()) {
            First.Close();
            Second.Close();
            return {TFileOpen::Held, TFileOpen::Held};
        }
        const bool held = pair.First == TFileOpen::Held || (pair.First == TFileOpen::Opened && pair.Second == TFileOpen::Held);
        if (!held || !Budget.CanWaitMore())
            return pair;
        // Neither is kept while the pause lasts.
        First.Close();
        if (!Budget.PauseBeforeNextTry())
            return {TFileOpen::Held, TFileOpen::Held};
    }
}

TFileRead ReadWhole(TSharedFile& File, uint64_t Limit, std::string& Contents)
{
    Contents.clear();
    if (File.Size() > Limit)
        return TFileRead::TooLarge;
    if (!File.ReadFrom(0, Contents, Limit)) {
        Contents.clear();
        return TFileRead::Unreadable;
    }
    if (Contents.size() > Limit) {
        Contents.clear();
        return TFileRead::TooLarge;
    }
    return TFileRead::Read;
}
