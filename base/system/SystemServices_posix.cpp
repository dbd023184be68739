// The host build runs the engine for tests and tools: it answers as a
// supported system with the German layout the key table is made for, and has
// no registry, no message boxes and no version block.
#include "base/system/SystemServices.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "resources/EmbeddedResources.h"

bool SystemIsNT5() { return true; }

uint32_t SystemDefaultInputLanguage() { return 0x0407; }

uint32_t SystemLastError() { return static_cast<uint32_t>(errno); }

std::string LocalDateTimeText()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

std::unique_ptr<TRunKey> OpenSystemRunKey(bool) { return nullptr; }

std::vector<uint8_t> LoadResourceBytes(int Id)
{
    for (size_t i = 0; i < EmbeddedResourceCount; ++i)
        if (EmbeddedResources[i].Id == Id)
            return std::vector<uint8_t>(EmbeddedResources[i].Data, EmbeddedResources[i].Data + EmbeddedResources[i].Size);
    return {};
}

bool ReadFileVersion(const std::string&, int&, int&, int&, int&) { return false; }

std::string ProgramFilePath()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string LoadResourceText(int) { return std::string(); }

std::string SysErrorText(uint32_t Code)
{
    const char* text = std::strerror(static_cast<int>(Code));
    return text && *text ? std::string(text) : std::string("<unbekannt>");
}
