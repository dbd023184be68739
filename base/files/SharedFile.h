// The files in the program's folder that every user's program writes: the
// settings, their journal, Errors.log and Errors.old.log. In an installed
// folder users may read and write these files but create, rename or delete
// nothing there, so they are only ever opened, read and written in place. In
// a folder of the user's own (the zip) a missing one is made on first use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

enum class TFileAccess {
    Read, // beside other readers; a writer's hold keeps it out
    Write // reading and writing, shared with no one; made when missing
};

enum class TFileOpen {
    Opened,
    Missing, // reading only: there is no file of that name
    Held,    // another program has it open (its write, a scanner)
    Refused  // no right to it, read-only, or not a plain file (a folder, a link, a device)
};

class TSharedFile {
public:
    TSharedFile() = default;
    ~TSharedFile() { Close(); }
    TSharedFile(const TSharedFile&) = delete;
    TSharedFile& operator=(const TSharedFile&) = delete;

    // Only the file of that very name is kept open: a link there, or
    // whatever else the name leads to, is closed again and Refused.
    TFileOpen Open(const std::string& Path, TFileAccess Access);
    bool IsOpen() const;
    // Bytes in the file; 0 when it is not open.
    uint64_t Size() const;
    // Everything from Offset to the end, but never more than Limit bytes
    // and one: a file that another program makes grow while it is read ends
    // the read there, and Contents longer than Limit says it was larger.
    bool ReadFrom(uint64_t Offset, std::string& Contents, uint64_t Limit = UINT64_MAX);
    // The file becomes Contents: written from its start, cut to their
    // length and flushed to the disk.
    bool Replace(const std::string& Contents);
    // Adds Data at the end.
    bool Append(const std::string& Data);
    void Close();

private:
    TFileOpen PlatformOpen(const std::string& Path, TFileAccess Access);
    // Up to Size bytes at Offset: how many, 0 at the end, -1 on an error.
    int64_t PlatformReadPiece(uint64_t Offset, char* Buffer, size_t Size);
    // Writes Data at Offset; with Cut the file ends after it, flushed.
    bool PlatformWrite(uint64_t Offset, const std::string& Data, bool Cut);
    // PlatformWrite, as far as a crash a test has set lets it reach the disk.
    bool Write(uint64_t Offset, const std::string& Data, bool Cut);

    std::string FPath;
    bool FReadFails = false;
    bool FWriteFails = false;
#ifdef _WIN32
    void* FHandle = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int FFd = -1;
#endif
};

// What a test makes of the opens of a path: held by another program,
// refused, or opened with every read failing, or with every write stopping
// half way (a full disk: what was written stays, the rest of the file too).
// Hangs: the open does not return until ReleaseHangingOpens is called, as
// when another program holds an oplock on the file and never acknowledges
// its break; it then returns Held without touching the file again, so that
// a thread given up in it does nothing more on the disk.
enum class TFileFault { None, Held, Refused, ReadFails, WriteFails, Hangs };
using TFileFaults = std::function<TFileFault(const std::string& Path, TFileAccess Access)>;
// An empty function takes the faults away. Asked only of an open that
// found the file there.
void SetFileFaults(TFileFaults Faults);
// Lets every open that hangs now return (from any thread); later opens of
// a hanging path hang again.
void ReleaseHangingOpens();
// How many opens hang now: a test waits for one to begin.
size_t HangingOpens();

// A crash of the program part way through its writes, set by a test: once
// Units more units have been written (each byte one, each cut of a file's
// end with its flush one), no write reaches the disk any more, as after a
// power cut, and every write reports failure. Nothing ends it.
void SetWriteCrash(std::optional<uint64_t> Units);

// Called after each piece a read takes from a file, with the file's path:
// a test appends to the file there, as another program may while it is
// read. An empty function takes it away.
using TReadPieceHook = std::function<void(const std::string& Path)>;
void SetReadPieceHook(TReadPieceHook Hook);
