#include "base/threads/Sync.h"

#include <windows.h>

#include <vector>

struct TCriticalSection::TImpl {
    CRITICAL_SECTION Section;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>())
{
    // Spin a little before sleeping, as the system heap's lock does.
    InitializeCriticalSectionAndSpinCount(&FImpl->Section, 4000);
}

TCriticalSection::~TCriticalSection()
{
    DeleteCriticalSection(&FImpl->Section);
}

void TCriticalSection::Enter() { EnterCriticalSection(&FImpl->Section); }
void TCriticalSection::Leave() { LeaveCriticalSection(&FImpl->Section); }

TEvent::TEvent(bool ManualReset, const char* Name)
{
    FHandle = CreateEventA(nullptr, ManualReset ? TRUE : FALSE, FALSE, Name);
    const DWORD error = GetLastError();
    if (Name && (!FHandle || error == ERROR_ALREADY_EXISTS)) {
        if (FHandle)
            CloseHandle(FHandle);
        FHandle = CreateEventA(nullptr, ManualReset ? TRUE : FALSE, FALSE, nullptr);
        FNameRefused = true;
    }
}

TEvent::~TEvent()
{
    if (FHandle)
        CloseHandle(FHandle);
}

bool TEvent::Valid() const { return FHandle != nullptr; }
void TEvent::Set() { if (FHandle) SetEvent(FHandle); }
void TEvent::Reset() { if (FHandle) ResetEvent(FHandle); }

bool TEvent::Wait(uint32_t TimeoutMs)
{
    return FHandle && WaitForSingleObject(FHandle, TimeoutMs) == WAIT_OBJECT_0;
}

int WaitForAny(std::initializer_list<TEvent*> Events, uint32_t TimeoutMs)
{
    HANDLE handles[MAXIMUM_WAIT_OBJECTS] = {};
    DWORD count = 0;
    for (TEvent* event : Events) {
        if (count == MAXIMUM_WAIT_OBJECTS || !event || !event->Valid())
            return -1;
        handles[count++] = event->NativeHandle();
    }
    DWORD result = WaitForMultipleObjects(count, handles, FALSE, TimeoutMs);
    if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count)
        return static_cast<int>(result - WAIT_OBJECT_0);
    return -1;
}

namespace {
std::atomic<uint32_t (*)()> TickSource{nullptr};
}

uint32_t TickCount()
{
    if (auto source = TickSource.load())
        return source();
    return GetTickCount();
}

void SetTickSource(uint32_t (*Source)()) { TickSource.store(Source); }

void SleepMs(uint32_t Ms) { Sleep(Ms); }

TCallCanceller::TCallCanceller()
{
    HANDLE thread = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, THREAD_TERMINATE, FALSE,
                        0))
        FThread = thread;
}

TCallCanceller::~TCallCanceller()
{
    if (FThread)
        CloseHandle(FThread);
}

void TCallCanceller::Cancel()
{
    if (FThread)
        CancelSynchronousIo(FThread);
}
