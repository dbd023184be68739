// The class name of an exception, for the program's last-resort message and
// log line.
#pragma once

#include <exception>
#include <string>

// The readable name of the exception's dynamic type ("EvemuError",
// "std::bad_alloc").
std::string ExceptionClassName(const std::exception& Error);
// For an exception that is no std::exception.
std::string ExceptionClassName();
