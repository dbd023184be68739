#include "base/threads/KeptThreads.h"

#include <mutex>
#include <vector>

namespace {

class TKeptThreads {
public:
    void Keep(std::function<bool()> Over, std::thread Thread)
    {
        std::lock_guard<std::mutex> guard(FLock);
        FThreads.push_back({std::move(Over), std::move(Thread)});
    }

    ~TKeptThreads()
    {
        static auto* running = new std::vector<std::thread>; // never freed, see the header
        for (TKept& kept : FThreads) {
            if (kept.Over())
                kept.Thread.join();
            else
                running->push_back(std::move(kept.Thread));
        }
    }

private:
    struct TKept {
        std::function<bool()> Over;
        std::thread Thread;
    };
    std::mutex FLock;
    std::vector<TKept> FThreads;
};

TKeptThreads& KeptThreads()
{
    static TKeptThreads kept;
    return kept;
}

} // namespace

void KeepThread(std::function<bool()> Over, std::thread Thread) { KeptThreads().Keep(std::move(Over), std::move(Thread)); }

void PrepareKeptThreads() { KeptThreads(); }
