#include "app/LastResort_win.h"

#include "base/ExceptionName.h"
#include "gidei/InputSink.h"

#include <windows.h>

#include <exception>

namespace {

TFatalHandler Fatal = nullptr;

void Terminated()
{
    std::string name = ExceptionClassName();
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            name = ExceptionClassName(error);
        } catch (...) {
        }
    }
    Fatal(name);
    EndProcessWithNothingDown(1); // a handler that returned after all
}

LONG WINAPI UnhandledException(EXCEPTION_POINTERS* Info)
{
    char code[32];
    wsprintfA(code, "0x%08lX", Info && Info->ExceptionRecord ? Info->ExceptionRecord->ExceptionCode : 0ul);
    Fatal(std::string("EExternalException ") + code);
    EndProcessWithNothingDown(1);
}

} // namespace

void InstallLastResort(TFatalHandler Handler)
{
    Fatal = Handler;
    std::set_terminate(Terminated);
    SetUnhandledExceptionFilter(UnhandledException);
}

void EndProcessWithNothingDown(unsigned ExitCode)
{
    ReleaseInputStillDown();
    ExitProcess(ExitCode);
}
