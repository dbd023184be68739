// "Errors.log": an exclusively opened file that lines are appended to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TLogFileHandle {
public:
    TLogFileHandle() = default;
    ~TLogFileHandle() { Close(); }
    TLogFileHandle(const TLogFileHandle&) = delete;
    TLogFileHandle& operator=(const TLogFileHandle&) = delete;

    // Opens for reading and writing without sharing, creating the file when
    // it is missing, and moves to its end. Only a file on a disk is kept:
    // whatever else a name still leads to (a device, a pipe) is closed again
    // at once.
    bool Open(const std::string& Name);
    bool IsOpen() const;
    // Bytes in the file (the position after Open); 0 when it is not open.
    uint64_t Size() const;
    bool Write(const char* Data, size_t Size);
    // Empties the file; the next Write begins it afresh.
    bool Truncate();
    void Close();

private:
#ifdef _WIN32
    void* FHandle = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int FFd = -1;
#endif
};
