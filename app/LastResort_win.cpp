#include "app/LastResort_win.h"

#include "base/system/ExceptionName.h"
#include "gidei/InputSink.h"

#include <windows.h>

#include <exception>

namespace {

TFatalHandler Fatal = nullptr;

// The installed handler; the end all the same should it return.
[[noreturn]] void HandOver(const std::string& ClassName)
{
    Fatal(ClassName);
    EndProcessWithNothingDown(1);
}

// Both handlers release first, before anything allocates: the fault may
// be a corrupt heap that faults again. Until the process ends the device
// may still press keys (the person answers the message with it); the last
// release makes sure nothing stays down.
[[noreturn]] void OnTerminate()
{
    ReleaseInputStillDown();
    std::string name = ExceptionClassName();
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            name = ExceptionClassName(error);
        } catch (...) {
        }
    }
    HandOver(name);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* Info)
{
    ReleaseInputStillDown();
    char code[32];
    wsprintfA(code, "0x%08lX", Info && Info->ExceptionRecord ? Info->ExceptionRecord->ExceptionCode : 0ul);
    HandOver(std::string("EExternalException ") + code);
}

} // namespace

void InstallLastResort(TFatalHandler Handler)
{
    Fatal = Handler;
    std::set_terminate(OnTerminate);
    SetUnhandledExceptionFilter(OnUnhandledException);
}

void EndWithCaughtException(const std::string& ClassName)
{
    ReleaseInputStillDown();
    HandOver(ClassName);
}

void EndProcessWithNothingDown(unsigned ExitCode)
{
    // The parser may still be running: from here on it puts nothing down.
    ReleaseInputForGood();
    ExitProcess(ExitCode);
}
