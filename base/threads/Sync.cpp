#include "base/threads/Sync.h"

TThread::~TThread()
{
    // Last resort only: an owner that forgot Join must not leave a thread
    // running on freed memory, and a joinable std::thread would abort.
    if (FThread.joinable()) {
        Terminate();
        FThread.join();
    }
}

void TThread::Start()
{
    if (!FThread.joinable())
        FThread = std::thread(&TThread::Run, this);
}

void TThread::Join()
{
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        // A run loop that fails ends its thread; the owner still joins it.
    }
}
