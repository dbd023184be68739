// The files in the program's folder that every user's program writes: the
// settings, their journal, Errors.log and Errors.old.log. In an installed
// folder users may read and write these files but create, rename or delete
// nothing there, so they are only ever opened, read and written in place. In
// a folder of the user's own (the zip) a missing one is made on first use.
#pragma once

#include <cstdint>
#include <functional>
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
    // Everything from Offset to the end.
    bool ReadFrom(uint64_t Offset, std::string& Contents);
    // The file becomes Contents: written from its start, cut to their
    // length and flushed to the disk.
    bool Replace(const std::string& Contents);
    // Adds Data at the end.
    bool Append(const std::string& Data);
    void Close();

private:
    TFileOpen PlatformOpen(const std::string& Path, TFileAccess Access);
    bool PlatformRead(uint64_t Offset, std::string& Contents);
    // Writes Data at Offset; with Cut the file ends after it, flushed.
    bool PlatformWrite(uint64_t Offset, const std::string& Data, bool Cut);

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
// half way (a full disk).
enum class TFileFault { None, Held, Refused, ReadFails, WriteFails };
using TFileFaults = std::function<TFileFault(const std::string& Path, TFileAccess Access)>;
// An empty function takes the faults away.
void SetFileFaults(TFileFaults Faults);
