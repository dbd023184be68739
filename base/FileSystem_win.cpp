#include <windows.h>

#include <string>

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    return MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
