// The settings file on the disk, shared by every user's program: read
// together with its journal beside other readers, and written in place
// through its journal while both are held without sharing for the whole
// read-change-write, so that two programs saving at once (two sessions
// ending) each keep their change. Every access runs on a thread of its own
// with a time limit: another user can make an open wait as long as they
// like.
#pragma once

#include "base/files/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class TSharedFile;

class TSettingsFile {
public:
    // A larger file is not read and is never written over: it counts as
    // unreadable. A journal of a text larger than that is never taken up.
    static constexpr uint64_t MaxSize = 64 * 1024;
    // How long a write, and a take-up of the journal, wait in all: for
    // another program's hold and for their own opens and writes.
    static constexpr uint32_t HoldWaitMs = 2000;
    // How long the start's read waits in all for files another program holds.
    static constexpr uint32_t StartWaitMs = 10000;

    explicit TSettingsFile(std::string Path) : FPath(std::move(Path)) {}
    const std::string& Path() const { return FPath; }

    struct TText {
        TFileRead Result = TFileRead::Missing;
        // The settings: a complete journal's text where it fits the file,
        // so that a write cut off or going on is never read half.
        std::string Text;
        std::string HeldPath; // Held: the file another program held
        bool TakenUp = false; // the start took up a write cut off
    };

    // The settings at the start: a write that was cut off is taken up from
    // the journal first; held files are waited for up to StartWaitMs in all.
    // Held when they stayed held (or an open did not return): Text is then
    // what could be read, the file's text or else a complete journal's.
    TText ReadAtStart();
    // The settings later on. A held file is waited for about a second; once
    // that was in vain, reads try once until one succeeds.
    TText Read() const;

    enum class TTakeUp { Nothing, TakenUp, Failed };
    // A write that was cut off left a complete journal: where it fits the
    // file it is copied into it; the journal is emptied either way, as what
    // does not fit now never will. Failed when the files could not be held
    // (within HoldWaitMs) or the file could not be written.
    TTakeUp TakeUpJournal();

    // Holds both files (waiting as HoldWaitMs allows; once that was in
    // vain, one try until a hold succeeds), takes up the journal, lets
    // Change edit the text (it returns whether it changed it) and writes the
    // result: the journal first, then the file in place, then the journal is
    // emptied. False when the files could not be held, read or written, the
    // new text is larger than MaxSize, or the time ran out. Change runs on
    // the access's own thread: it must hold copies of what it uses.
    bool Update(std::function<bool(std::string& Text)> Change);

private:
    std::string FPath;
    mutable std::atomic<bool> FReadWaitedInVain{false};
    std::atomic<bool> FHoldWaitedInVain{false};
};
