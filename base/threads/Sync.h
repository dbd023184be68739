// Locks, kernel-style events, threads and the millisecond clock: the few
// operating-system services the engine's threads meet through.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <thread>

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A critical section that the holding thread may enter again; it must leave
// it as often as it entered.
class TCriticalSection {
public:
    TCriticalSection();
    ~TCriticalSection();
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter();
    void Leave();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// An event in the Win32 sense: auto-reset events wake one waiter and clear
// themselves, manual-reset events stay set until Reset. A name makes the event
// a kernel object in the session's own namespace on Windows; elsewhere it is
// ignored.
class TEvent {
public:
    // A named event is always a new one: when another process holds an
    // object of that name already (perhaps set for good, which would make a
    // waiter spin), an unnamed event is made instead and NameRefused says so.
    explicit TEvent(bool ManualReset = false, const char* Name = nullptr);
    ~TEvent();
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    bool Valid() const;
    bool NameRefused() const { return FNameRefused; }
    void Set();
    void Reset();
    // True when the event was signalled within the time.
    bool Wait(uint32_t TimeoutMs);

#ifdef _WIN32
    void* NativeHandle() const { return FHandle; }
#else
    int NativeFd() const { return FFd; }
    bool ManualReset() const { return FManualReset; }
    // Consumes the signal of an auto-reset event; false when another waiter
    // took it first.
    bool TryConsume();
#endif

private:
    bool FNameRefused = false;
#ifdef _WIN32
    void* FHandle = nullptr;
#else
    int FFd = -1;
    bool FManualReset = false;
#endif
};

// Waits until one of the events is signalled and returns its index; when
// several are, the lowest index wins. -1 on time-out or failure.
int WaitForAny(std::initializer_list<TEvent*> Events, uint32_t TimeoutMs);

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
uint32_t TickCount();
// Replaces the clock for tests (nullptr restores the system clock).
void SetTickSource(uint32_t (*Source)());
// Sleeps; 0 gives up the rest of the time slice.
void SleepMs(uint32_t Ms);

// Ends the blocking system call (a synchronous open or read) that a thread
// is in, where the system can: made on that thread, used from another.
// Elsewhere it does nothing (the host build's calls do not block).
class TCallCanceller {
public:
    TCallCanceller();
    ~TCallCanceller();
    TCallCanceller(const TCallCanceller&) = delete;
    TCallCanceller& operator=(const TCallCanceller&) = delete;
    void Cancel();

private:
    void* FThread = nullptr;
};

// A worker thread that is created without running, started once, told to end
// through its terminated flag and joined by its owner. Owners call Join
// before they destroy the object, so that Execute never outlives its fields.
class TThread {
public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    void Join();

protected:
    virtual void Execute() = 0;

private:
    void Run();
    std::thread FThread;
    std::atomic<bool> FTerminated{false};
};
