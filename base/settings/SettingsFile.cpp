#include "base/settings/SettingsFile.h"

#include "base/files/SharedFile.h"
#include "base/settings/SettingsJournal.h"
#include "base/threads/TimedCall.h"

#include <memory>
#include <mutex>

namespace {

using TText = TSettingsFile::TText;
using TTakeUp = TSettingsFile::TTakeUp;

constexpr uint64_t MaxSize = TSettingsFile::MaxSize;
// The journal of the largest write: both texts and the marker.
constexpr uint64_t MaxJournalSize = 2 * MaxSize + 256;
// Of an access's time, what its own opens, reads and writes are given; the
// rest may go to waiting for another program's hold.
constexpr uint32_t WorkMs = 500;
// How long a later read waits for another program's hold.
constexpr uint32_t ReadWaitMs = 1000;

// A complete journal of a write the file may take: none of a text larger
// than the file may be.
std::optional<TJournal> UsableJournal(const std::string& Record)
{
    std::optional<TJournal> journal = CompleteJournal(Record);
    if (journal && (journal->Text.size() > MaxSize || journal->Replaced.size() > MaxSize))
        return std::nullopt;
    return journal;
}

std::optional<TJournal> ReadJournal(TSharedFile& Journal)
{
    std::string record;
    return ReadWhole(Journal, MaxJournalSize, record) == TFileRead::Read ? UsableJournal(record) : std::nullopt;
}

// One look at the journal alone: whether there is anything in it, and the
// text of a complete one (what a start runs with should the rest hang).
bool PeekJournal(const std::string& Path, std::string& Complete)
{
    TSharedFile journal;
    if (journal.Open(JournalName(Path), TFileAccess::Read) != TFileOpen::Opened || journal.Size() == 0)
        return false;
    if (const std::optional<TJournal> complete = ReadJournal(journal))
        Complete = complete->Text;
    return true;
}

// Both files held for writing.
TTakeUp TakeUpHeld(TSharedFile& Settings, TSharedFile& Journal)
{
    if (Journal.Size() == 0)
        return TTakeUp::Nothing;
    std::string record;
    const TFileRead readJournal = ReadWhole(Journal, MaxJournalSize, record);
    if (readJournal == TFileRead::Unreadable)
        return TTakeUp::Failed; // what it holds cannot be told: it stays
    if (const std::optional<TJournal> journal = readJournal == TFileRead::Read ? UsableJournal(record) : std::nullopt) {
        std::string file;
        const TFileRead readFile = ReadWhole(Settings, MaxSize, file);
        if (readFile == TFileRead::Unreadable)
            return TTakeUp::Failed;
        if (readFile == TFileRead::Read && JournalFits(*journal, file)) {
            const bool behind = file != journal->Text;
            // Cut off again, the journal stays complete for the next program.
            if (behind && !Settings.Replace(journal->Text))
                return TTakeUp::Failed;
            Journal.Replace("");
            return behind ? TTakeUp::TakenUp : TTakeUp::Nothing;
        }
    }
    // Incomplete (cut off before the file was touched), too large, of a
    // write over another text than the file holds (changed since, by hand
    // or by a program that kept no journal), or of the earlier kind: taken
    // up, any of these would undo what the file holds now. The earlier kind
    // names no text it replaced, so that the write it may have cut off
    // cannot be told from a journal left over whose file was changed since;
    // an update can leave one behind, from a crash of the old version's
    // last write before the update. Emptied, none of them can be taken up
    // later over a file that happens to fit it again.
    Journal.Replace("");
    return TTakeUp::Nothing;
}

TTakeUp TakeUpWaiting(const std::string& Path, TWaitBudget& Budget)
{
    TSharedFile settings, journal;
    const THeldPair held = HoldBoth(settings, Path, journal, JournalName(Path), TFileAccess::Write, Budget);
    if (held.First != TFileOpen::Opened || held.Second != TFileOpen::Opened)
        return TTakeUp::Failed;
    return TakeUpHeld(settings, journal);
}

// The file's text when the file itself stays held: a complete journal's,
// which the write going on or cut off puts there.
void ReadWithoutFile(const std::string& Path, TText& Result)
{
    Result.Result = TFileRead::Held;
    Result.HeldPath = Path;
    PeekJournal(Path, Result.Text);
}

TText ReadBoth(const std::string& Path, TWaitBudget& Budget)
{
    TText result;
    TSharedFile settings, journal;
    const THeldPair held = HoldBoth(settings, Path, journal, JournalName(Path), TFileAccess::Read, Budget);
    if (Budget.GivenUp())
        return result;
    switch (held.First) {
    case TFileOpen::Opened:
        break;
    case TFileOpen::Missing:
        return result;
    case TFileOpen::Held:
        ReadWithoutFile(Path, result);
        return result;
    case TFileOpen::Refused:
        result.Result = TFileRead::Unreadable;
        return result;
    }
    result.Result = ReadWhole(settings, MaxSize, result.Text);
    if (result.Result != TFileRead::Read)
        return result;
    if (held.Second == TFileOpen::Held) {
        result.Result = TFileRead::Held; // the file's own text
        result.HeldPath = JournalName(Path);
    } else if (held.Second == TFileOpen::Opened) {
        // A journal that cannot be read or does not fit is no write of the
        // text there: the file's text stands.
        const std::optional<TJournal> pending = ReadJournal(journal);
        if (pending && JournalFits(*pending, result.Text))
            result.Text = pending->Text;
    }
    return result;
}

// Both files held for writing.
bool UpdateHeld(TSharedFile& Settings, TSharedFile& Journal, const std::function<bool(std::string&)>& Change,
                const TWaitBudget& Budget)
{
    if (TakeUpHeld(Settings, Journal) == TTakeUp::Failed)
        return false;
    std::string text;
    if (ReadWhole(Settings, MaxSize, text) != TFileRead::Read)
        return false;
    const std::string replaced = text;
    if (!Change(text))
        return true;
    // A write given up by its caller was said to have failed: it writes
    // nothing now.
    if (text.size() > MaxSize || Budget.GivenUp())
        return false;
    // Until the file is whole again, the complete new text is on the disk.
    if (!Journal.Replace(JournalRecord(text, replaced))) {
        Journal.Replace(""); // no half journal left behind
        return false;
    }
    if (Settings.Replace(text)) {
        Journal.Replace("");
        return true;
    }
    // Cut off here, the complete journal puts the file right: now, or at
    // the next start or write.
    return TakeUpHeld(Settings, Journal) == TTakeUp::TakenUp;
}

// What an access on a thread of its own leaves its caller: its own, shared
// with the caller, who may have given up on it.
struct TAccess {
    explicit TAccess(uint32_t AllowedMs) : Budget(AllowedMs) {}
    TWaitBudget Budget;
    std::mutex Lock;
    TText Text;
    TTakeUp TakeUp = TTakeUp::Failed;
    bool Written = false;
    bool HeldInVain = true;
};

bool RunAccess(uint32_t LimitMs, const std::shared_ptr<TAccess>& Access, std::function<void(TAccess&)> Job)
{
    return RunWithin(
        LimitMs, [Access, Job = std::move(Job)] { Job(*Access); }, [Access] { Access->Budget.GiveUp(); });
}

uint32_t WaitAllowed(bool WaitedInVain, uint32_t LimitMs) { return WaitedInVain ? 0 : LimitMs - WorkMs; }

} // namespace

TText TSettingsFile::ReadAtStart()
{
    auto access = std::make_shared<TAccess>(StartWaitMs - WorkMs);
    const bool returned = RunAccess(StartWaitMs, access, [Path = FPath](TAccess& Access) {
        std::string complete;
        const bool pending = PeekJournal(Path, complete);
        {
            std::lock_guard<std::mutex> lock(Access.Lock);
            Access.Text.Text = complete; // should the rest not return in time
        }
        const bool takenUp = pending && TakeUpWaiting(Path, Access.Budget) == TTakeUp::TakenUp;
        TText text = ReadBoth(Path, Access.Budget);
        text.TakenUp = takenUp;
        std::lock_guard<std::mutex> lock(Access.Lock);
        Access.Text = std::move(text);
    });
    std::lock_guard<std::mutex> lock(access->Lock);
    if (!returned) {
        access->Text.Result = TFileRead::Held;
        access->Text.HeldPath = FPath;
        access->Text.TakenUp = false;
        FHoldWaitedInVain = true;
    }
    FReadWaitedInVain = access->Text.Result == TFileRead::Held;
    return access->Text;
}

TText TSettingsFile::Read() const
{
    auto access = std::make_shared<TAccess>(WaitAllowed(FReadWaitedInVain, ReadWaitMs + WorkMs));
    const bool returned = RunAccess(ReadWaitMs + WorkMs, access, [Path = FPath](TAccess& Access) {
        TText text = ReadBoth(Path, Access.Budget);
        std::lock_guard<std::mutex> lock(Access.Lock);
        Access.Text = std::move(text);
    });
    std::lock_guard<std::mutex> lock(access->Lock);
    if (!returned) {
        access->Text = TText();
        access->Text.Result = TFileRead::Held;
        access->Text.HeldPath = FPath;
    }
    FReadWaitedInVain = access->Text.Result == TFileRead::Held;
    return access->Text;
}

TTakeUp TSettingsFile::TakeUpJournal()
{
    auto access = std::make_shared<TAccess>(HoldWaitMs - WorkMs);
    const bool returned = RunAccess(HoldWaitMs, access, [Path = FPath](TAccess& Access) {
        // Most starts find the journal empty and need no hold.
        std::string complete;
        const TTakeUp takeUp = PeekJournal(Path, complete) ? TakeUpWaiting(Path, Access.Budget) : TTakeUp::Nothing;
        std::lock_guard<std::mutex> lock(Access.Lock);
        Access.TakeUp = takeUp;
    });
    std::lock_guard<std::mutex> lock(access->Lock);
    return returned ? access->TakeUp : TTakeUp::Failed;
}

bool TSettingsFile::Update(std::function<bool(std::string& Text)> Change)
{
    auto access = std::make_shared<TAccess>(WaitAllowed(FHoldWaitedInVain, HoldWaitMs));
    const bool returned =
        RunAccess(HoldWaitMs, access, [Path = FPath, Change = std::move(Change)](TAccess& Access) {
            TSharedFile settings, journal;
            const THeldPair held =
                HoldBoth(settings, Path, journal, JournalName(Path), TFileAccess::Write, Access.Budget);
            const bool holds = held.First == TFileOpen::Opened && held.Second == TFileOpen::Opened;
            const bool written = holds && UpdateHeld(settings, journal, Change, Access.Budget);
            std::lock_guard<std::mutex> lock(Access.Lock);
            Access.HeldInVain =
                held.First == TFileOpen::Held || (held.First == TFileOpen::Opened && held.Second == TFileOpen::Held);
            Access.Written = written;
        });
    std::lock_guard<std::mutex> lock(access->Lock);
    FHoldWaitedInVain = !returned || access->HeldInVain;
    return returned && access->Written;
}
