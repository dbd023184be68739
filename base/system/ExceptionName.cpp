#include "base/system/ExceptionName.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

std::string ExceptionClassName(const std::exception& Error)
{
    const char* mangled = typeid(Error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                    std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

std::string ExceptionClassName() { return "unknown"; }
