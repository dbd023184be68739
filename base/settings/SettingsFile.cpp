#include "base/settings/SettingsFile.h"

#include "base/settings/SettingsJournal.h"
#include "base/files/SharedFile.h"

namespace {

// The journal of a settings file of the largest size, with its marker.
constexpr uint64_t MaxJournalSize = TSettingsFile::MaxSize + 256;

} // namespace

TFileRead TSettingsFile::Read(std::string& Text) const
{
    // Waiting is for a hold of a moment: a start with dozens of reads, or
    // an exit with dozens of writes, would otherwise wait as many seconds.
    const TFileRead result =
        FReadWaitedInVain ? ReadFileOnce(FPath, Text, MaxSize) : ReadFileForUpdate(FPath, Text, MaxSize);
    FReadWaitedInVain = result == TFileRead::Unreadable;
    return result;
}

bool TSettingsFile::Hold(TSharedFile& Settings, TSharedFile& Journal)
{
    const uint32_t allowed = FHoldWaitedInVain ? 0 : HoldWaitMs;
    const TFileOpen settings = OpenWaiting(Settings, FPath, TFileAccess::Write, allowed);
    FHoldWaitedInVain = settings == TFileOpen::Held;
    // The journal is written only under the settings file's hold; a start
    // may be reading it for a moment.
    return settings == TFileOpen::Opened &&
           OpenWaiting(Journal, JournalName(FPath), TFileAccess::Write, allowed) == TFileOpen::Opened;
}

TSettingsFile::TTakeUp TSettingsFile::TakeUpHeld(TSharedFile& Settings, TSharedFile& Journal)
{
    std::string record;
    if (Journal.Size() == 0 || Journal.Size() > MaxJournalSize || !Journal.ReadFrom(0, record))
        return TTakeUp::Nothing;
    const std::optional<std::string> text = CompleteJournalText(record);
    if (!text)
        return TTakeUp::Nothing; // cut off before the file was touched
    // Cut off again, the journal stays complete for the next program.
    if (!Settings.Replace(*text))
        return TTakeUp::Failed;
    Journal.Replace(""); // left complete, it holds what the file holds now
    return TTakeUp::TakenUp;
}

TSettingsFile::TTakeUp TSettingsFile::TakeUpJournal()
{
    // Most starts find the journal empty and need no hold.
    std::string record;
    if (ReadFileOnce(JournalName(FPath), record, MaxJournalSize) != TFileRead::Read || !CompleteJournalText(record))
        return TTakeUp::Nothing;
    TSharedFile settings, journal;
    if (!Hold(settings, journal))
        return TTakeUp::Failed;
    return TakeUpHeld(settings, journal);
}

bool TSettingsFile::Update(const std::function<bool(std::string& Text)>& Change)
{
    TSharedFile settings, journal;
    if (!Hold(settings, journal) || TakeUpHeld(settings, journal) == TTakeUp::Failed)
        return false;
    std::string text;
    if (settings.Size() > MaxSize || !settings.ReadFrom(0, text))
        return false;
    if (!Change(text))
        return true;
    if (text.size() > MaxSize)
        return false;
    // Until the file is whole again, the complete new text is on the disk.
    if (!journal.Replace(JournalRecord(text))) {
        journal.Replace(""); // no half journal left behind
        return false;
    }
    if (settings.Replace(text)) {
        journal.Replace("");
        return true;
    }
    // Cut off here, the complete journal puts the file right: now, or at
    // the next start or write.
    return TakeUpHeld(settings, journal) == TTakeUp::TakenUp;
}
