// Reading the shared files of the program's folder, and waiting for another
// program that holds one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class TSharedFile;
enum class TFileAccess;
enum class TFileOpen;

enum class TFileRead {
    Read,       // Contents holds every byte of the file
    Missing,    // no file of that name: its contents may be taken as empty
    Unreadable, // it is there but could not be read (held, a read error)
    TooLarge    // larger than the reader takes: never read, never written over
};

// For a file that is about to be rewritten: only a file that is not there
// may be taken as empty. One that is there but cannot be read (another
// program holds it without read sharing, a failing stick, no right to read
// it) is Unreadable, and must then be left alone. Such a file is mostly
// held for a moment only (a virus scanner, a sync tool): it is tried again
// a few times over about a second before it counts as Unreadable. A
// missing file is never waited for.
TFileRead ReadFileForUpdate(const std::string& Path, std::string& Contents, uint64_t Limit = UINT64_MAX);
// The same with one try only.
TFileRead ReadFileOnce(const std::string& Path, std::string& Contents, uint64_t Limit = UINT64_MAX);

// The pause before the next try of a file that another program holds, after
// Tries tries that waited WaitedMs in all: 100 ms, then 50 ms longer each
// time up to 300 ms, never past AllowedMs; 0 once they are used up.
uint32_t RetryPauseMs(uint32_t Tries, uint32_t WaitedMs, uint32_t AllowedMs);
// Opens the file, trying again while another program holds it, for about
// AllowedMs in all.
TFileOpen OpenWaiting(TSharedFile& File, const std::string& Path, TFileAccess Access, uint32_t AllowedMs);

// The pause between two tries of a file that could not be read: SleepMs,
// unless a test puts its own in place (nullptr restores SleepMs).
using TRetryPause = void (*)(uint32_t Ms);
void SetRetryPause(TRetryPause Pause);
