// What the settings store and the helpers ask of the operating system. The
// Windows side uses the Win32 services; the host side answers for a machine
// without them (no registry, no resources section, no message boxes).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Windows of the NT family, version 5 (Windows 2000) or later.
bool SystemIsNT5();
// Language id of the default input language (low 16 bits of its layout).
uint32_t SystemDefaultInputLanguage();
// The error code of the calling thread's last failed system call.
uint32_t SystemLastError();
// Current local date and time in the user's short date and long time form.
std::string LocalDateTimeText();

// The machine's Run key, where the autostart value lives, open for the
// object's lifetime.
class TRunKey {
public:
    virtual ~TRunKey() = default;
    // The value's data as text; false when it is missing or longer than 260
    // bytes.
    virtual bool Query(const char* Name, std::string& Data) const = 0;
    virtual bool SetString(const char* Name, const std::string& Data) = 0;
    virtual bool Delete(const char* Name) = 0;
};

// The system's Run key opened for reading, or for reading and writing; null
// when the user may not open it so (a host without a registry never can).
std::unique_ptr<TRunKey> OpenSystemRunKey(bool Write);

// The bytes of a data resource (RCDATA) of the program's own module.
std::vector<uint8_t> LoadResourceBytes(int Id);

// The system's text for an error code, or "<unbekannt>".
std::string SysErrorText(uint32_t Code);

// The full path of the running program's file.
std::string ProgramFilePath();

// The file version of an executable; false when it has none.
bool ReadFileVersion(const std::string& FileName, int& Major, int& Minor, int& Release, int& Build);

// A text of the program's string table; empty when it has none.
std::string LoadResourceText(int Id);
