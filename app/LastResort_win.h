// The last resort of both programs: an exception that nothing else handled
// (a C++ exception that ends in std::terminate, or a system exception such
// as an access violation, on any thread) ends the process through one
// handler, which never leaves a key or button down.
#pragma once

#include <string>

// Gets the exception's class name ("EvemuError", "EExternalException
// 0xC0000005"); it must end the process.
using TFatalHandler = void (*)(const std::string& ClassName);

// Installs Handler for std::terminate and for unhandled system exceptions;
// each releases every key and button still down before it calls Handler.
void InstallLastResort(TFatalHandler Handler);

// The same for an exception a program caught where its work ends: keys and
// buttons up, then the installed handler.
[[noreturn]] void EndWithCaughtException(const std::string& ClassName);

// Key-ups and button-ups for everything still down, then the end of the
// process with ExitCode. The handlers call it last: whatever the parser
// pressed while a message was shown goes up too.
[[noreturn]] void EndProcessWithNothingDown(unsigned ExitCode);
