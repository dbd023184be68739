#include <cstdio>
#include <string>

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    return std::rename(From.c_str(), To.c_str()) == 0;
}
