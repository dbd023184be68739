#include "serial/SearchPorts.h"

#include "base/threads/JobThread.h"
#include "base/threads/Sync.h"

#include <algorithm>
#include <memory>

namespace {

// A port opened on a job thread: closed unless the search takes it, so an
// opening that ends after the search gave up on it leaves nothing open.
struct TOpened {
    TOpened() = default;
    TOpened(const TOpened&) = delete;
    TOpened& operator=(const TOpened&) = delete;
    ~TOpened()
    {
        if (Handle != InvalidPortHandle)
            CloseSerialPort(Handle);
    }
    TPortHandle Handle = InvalidPortHandle;
};

} // namespace

std::vector<TSearchPort> OpenSearchPorts(const std::vector<int32_t>& Numbers, const TPortSettings& Framing,
                                         uint32_t WaitMs, TEvent& Stop)
{
    TPortSettings settings = Framing;
    settings.Rate = RateSearchOrder[0];
    settings.ControlLines = false;
    settings.QInSize = 0; // the driver's own queue sizes
    settings.QOutSize = 0;

    // One job thread a port: an opening that hangs keeps only its own.
    TEvent ready;
    std::vector<std::unique_ptr<TJobThread>> jobs;
    std::vector<std::shared_ptr<TOpened>> opened;
    std::vector<bool> over(Numbers.size(), false);
    for (size_t i = 0; i < Numbers.size(); ++i) {
        auto result = std::make_shared<TOpened>();
        jobs.push_back(std::make_unique<TJobThread>([&ready] { ready.Set(); }));
        opened.push_back(result);
        TPortSettings port = settings;
        port.Port = Numbers[i];
        jobs.back()->Run([port, result]() -> TJobThread::TResult {
            TPortHandle handle = InvalidPortHandle;
            try {
                handle = OpenSerialPort(port);
            } catch (...) {
                handle = InvalidPortHandle; // in use or gone: passed over
            }
            auto got = std::make_shared<TOpened>();
            got->Handle = handle;
            return [result, got] { std::swap(result->Handle, got->Handle); };
        });
    }
    const uint32_t start = TickCount();
    for (;;) {
        bool all = true;
        for (size_t i = 0; i < jobs.size(); ++i) {
            jobs[i]->Deliver();
            over[i] = over[i] || !jobs[i]->Busy();
            all = all && over[i];
        }
        const uint32_t waited = TickCount() - start;
        if (all || waited >= WaitMs || Stop.Wait(0))
            break;
        ready.Wait(std::min<uint32_t>(20, WaitMs - waited));
    }
    // Openings still under way are given up with their job threads.
    jobs.clear();
    std::vector<TSearchPort> ports;
    for (size_t i = 0; i < Numbers.size(); ++i) {
        if (opened[i]->Handle == InvalidPortHandle)
            continue;
        ports.push_back({Numbers[i], SearchLineOn(opened[i]->Handle, settings)});
        opened[i]->Handle = InvalidPortHandle;
    }
    return ports;
}
