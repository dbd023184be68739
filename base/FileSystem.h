// Whole-file reads and safe replacement, the only file operations the
// settings store needs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

enum class TFileRead {
    Read,      // Contents holds every byte of the file
    Missing,   // no file of that name: its contents may be taken as empty
    Unreadable // it is there but could not be read (locked, a read error)
};

// For a file that is about to be rewritten: only a file that is not there
// may be taken as empty. One that is there but cannot be read (another
// program holds it without read sharing, a failing stick, no right to read
// it) is Unreadable, and must then be left alone. Such a file is mostly
// held for a moment only (a virus scanner, a sync tool): it is tried again
// a few times over about a second before it counts as Unreadable. A
// missing file is never waited for.
TFileRead ReadFileForUpdate(const std::string& Path, std::string& Contents);
// The same with one try only.
TFileRead ReadFileOnce(const std::string& Path, std::string& Contents);

// The pause between two tries of a file that could not be read: SleepMs,
// unless a test puts its own in place (nullptr restores SleepMs).
using TRetryPause = void (*)(uint32_t Ms);
void SetRetryPause(TRetryPause Pause);

// Replaces the file's contents so that a reader sees either the old or the
// new text, never a half-written one: written beside it (under a name of
// this process's own, so that two programs ending at once never write into
// one file), flushed to the disk, then moved over it. When either step
// fails the file keeps its old bytes, the new file is removed and the
// result is false.
bool ReplaceWholeFile(const std::string& Path, const std::string& Contents);
// The name of that new file: Path, this process's id and ".new".
std::string ReplacementName(const std::string& Path);

// Moves the file From over To, replacing it; false when it failed (From
// then keeps its name).
bool MoveFileOver(const std::string& From, const std::string& To);

// Opens a file for reading (fopen "rb"); the file layer's one door, which a
// test may replace to make reads fail as a locked or damaged file does.
using TOpenForRead = std::FILE* (*)(const char* Path);
// nullptr restores the plain fopen.
void SetOpenForRead(TOpenForRead Open);
