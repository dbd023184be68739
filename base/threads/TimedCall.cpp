#include "base/threads/TimedCall.h"

#include "base/threads/JobThread.h"
#include "base/threads/Sync.h"

#include <memory>

namespace {

bool PlainWait(TEvent& Done, uint32_t Ms) { return Done.Wait(Ms); }

TCallWait CallWait = PlainWait;

} // namespace

void SetCallWait(TCallWait Wait) { CallWait = Wait ? Wait : PlainWait; }

bool RunWithin(uint32_t LimitMs, std::function<void()> Call, std::function<void()> GiveUp)
{
    auto done = std::make_shared<TEvent>(true);
    // The thread's end cancels a call still running where the system can,
    // waits for it about TJobThread::EndWaitMs, and then keeps its thread.
    TJobThread thread([done] { done->Set(); });
    thread.Run([Call = std::move(Call)] {
        Call();
        return TJobThread::TResult([] {}); // a result, so that the end is announced
    });
    const bool returned = CallWait(*done, LimitMs);
    if (!returned && GiveUp)
        GiveUp();
    return returned;
}
