// The settings file on the disk, shared by every user's program: read
// beside other readers, and written in place through its journal while it
// is held without sharing for the whole read-change-write, so that two
// programs saving at once (two sessions ending) each keep their change.
#pragma once

#include "base/files/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class TSharedFile;

class TSettingsFile {
public:
    // A larger file is not read (a start reads it dozens of times) and is
    // never written over: it counts as unreadable.
    static constexpr uint64_t MaxSize = 64 * 1024;
    // How long a write waits for another program's write to end.
    static constexpr uint32_t HoldWaitMs = 2000;

    explicit TSettingsFile(std::string Path) : FPath(std::move(Path)) {}
    const std::string& Path() const { return FPath; }

    // The file's text. A file held by another program is waited for about a
    // second; once that was in vain, reads try once until one succeeds.
    TFileRead Read(std::string& Text) const;

    enum class TTakeUp { Nothing, TakenUp, Failed };
    // A write that was cut off left its complete text in the journal: it is
    // copied into the file, and the journal emptied.
    TTakeUp TakeUpJournal();

    // Holds the file (waiting up to about 2 s for another program's write;
    // once that was in vain, one try until a hold succeeds), takes up a
    // complete journal, lets Change edit the text (it returns whether it
    // changed it) and writes the result: the journal first, then the file
    // in place, then the journal is emptied. False when the file could not
    // be held, read or written, or the new text is larger than MaxSize.
    bool Update(const std::function<bool(std::string& Text)>& Change);

private:
    bool Hold(TSharedFile& Settings, TSharedFile& Journal);
    TTakeUp TakeUpHeld(TSharedFile& Settings, TSharedFile& Journal);

    std::string FPath;
    mutable std::atomic<bool> FReadWaitedInVain{false};
    std::atomic<bool> FHoldWaitedInVain{false};
};
