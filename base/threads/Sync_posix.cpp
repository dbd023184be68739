#include "base/threads/Sync.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <vector>

struct TCriticalSection::TImpl {
    pthread_mutex_t Mutex;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>())
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&FImpl->Mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

TCriticalSection::~TCriticalSection() { pthread_mutex_destroy(&FImpl->Mutex); }
// Like a Windows critical section with a spin count: a lock held for a few
// microseconds is waited for on the CPU before the thread goes to sleep,
// which would cost two context switches.
void TCriticalSection::Enter()
{
    for (int spin = 0; spin < 200; ++spin) {
        if (pthread_mutex_trylock(&FImpl->Mutex) == 0)
            return;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    pthread_mutex_lock(&FImpl->Mutex);
}
void TCriticalSection::Leave() { pthread_mutex_unlock(&FImpl->Mutex); }

// An event is an eventfd: a non-zero counter is the signalled state, so the
// serial reader can poll it together with the port.
TEvent::TEvent(bool ManualReset, const char*) : FManualReset(ManualReset)
{
    FFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TEvent::~TEvent()
{
    if (FFd >= 0)
        close(FFd);
}

bool TEvent::Valid() const { return FFd >= 0; }

void TEvent::Set()
{
    uint64_t one = 1;
    if (FFd >= 0)
        while (write(FFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
}

void TEvent::Reset()
{
    uint64_t value;
    if (FFd >= 0)
        while (read(FFd, &value, sizeof value) < 0 && errno == EINTR) {
        }
}

bool TEvent::TryConsume()
{
    uint64_t value;
    for (;;) {
        if (read(FFd, &value, sizeof value) == sizeof value)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool TEvent::Wait(uint32_t TimeoutMs) { return WaitForAny({this}, TimeoutMs) == 0; }

namespace {

int64_t MonotonicMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::atomic<uint32_t (*)()> TickSource{nullptr};

} // namespace

int WaitForAny(std::initializer_list<TEvent*> Events, uint32_t TimeoutMs)
{
    std::vector<pollfd> fds;
    std::vector<TEvent*> events(Events);
    for (TEvent* event : events) {
        if (!event || !event->Valid())
            return -1;
        fds.push_back({event->NativeFd(), POLLIN, 0});
    }
    const int64_t deadline = MonotonicMs() + TimeoutMs;
    for (;;) {
        int wait = -1;
        if (TimeoutMs != kInfinite) {
            int64_t left = deadline - MonotonicMs();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        int ready = poll(fds.data(), fds.size(), wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (ready == 0)
            return -1;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            if (events[i]->ManualReset() || events[i]->TryConsume())
                return static_cast<int>(i);
        }
        // Every signal we saw was taken by another waiter: wait again.
    }
}

uint32_t TickCount()
{
    if (auto source = TickSource.load())
        return source();
    return static_cast<uint32_t>(MonotonicMs());
}

void SetTickSource(uint32_t (*Source)()) { TickSource.store(Source); }

void SleepMs(uint32_t Ms)
{
    if (Ms == 0) {
        sched_yield();
        return;
    }
    timespec pause{static_cast<time_t>(Ms / 1000), static_cast<long>(Ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) < 0 && errno == EINTR) {
    }
}

TCallCanceller::TCallCanceller() = default;
TCallCanceller::~TCallCanceller() = default;
void TCallCanceller::Cancel() {}
