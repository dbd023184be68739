// The GIDEI parser thread: pops the framed units from the receive queue,
// classifies and tokenises them and has the typer execute them; it also runs
// continuous mouse movement one step per tick and paces the output.
#pragma once

#include "base/Sync.h"
#include "gidei/KeyType.h"
#include "serial/ReceiveQ.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class TKeyParser : public TThread, public TKeyTyperOwner {
public:
    static constexpr size_t MaxTokens = 6;

    // Created suspended: the owner sets Queue, hands DataEvent to the queue
    // and then calls Start. Without NamedEvents the events get no global
    // names (tests run several parsers side by side).
    explicit TKeyParser(TInputSink& Sink, bool NamedEvents = true);
    // The owner has stopped the thread (Stop, WaitFor) before.
    ~TKeyParser() override;

    // The typing settings into the settings file (also done when the
    // parser goes).
    void WriteSettings();

    void SetWaitFor(int32_t Value);
    void Stop();
    bool IsTerminated() const override { return Terminated(); }
    // On the main thread, whenever the receiver leaves state 2 (the port
    // closed or lost, input switched off), after the queue's Discard: the
    // device can release nothing from now on. The unit in hand ends early
    // (a wait within about 10 ms), the units the parser took before the
    // Discard are dropped, and the typer releases every key and button it
    // holds, with one log line. Units the queue framed since are the new
    // input: they are handled after the release.
    void CutInput();
    // Waits until the parser has released what it held after the last cut,
    // at most TimeoutMs; true when it has (before the computer sleeps).
    bool AwaitRelease(uint32_t TimeoutMs) const;
    bool InputCut() const override { return CutPending(); }
    void SignalMouseTick() { TickEvent->Set(); }
    bool LayoutSupported() const { return Typer->LayoutSupported(); }

    std::unique_ptr<TEvent> StopEvent;
    std::unique_ptr<TEvent> DataEvent;
    std::unique_ptr<TEvent> TickEvent;
    TReceiveQueue* Queue = nullptr;
    // Written by the main thread, read by the parser on each use.
    std::atomic<int32_t> WaitFor{500};
    std::atomic<bool> WaitAfter{false};
    std::atomic<bool> UseGIDEI{false};
    std::unique_ptr<TKeyTyper> Typer;

    // The steps of one unit, open to tests that drive the parser without its
    // thread.
    void HandleUnit(const std::string& Unit);
    std::optional<TTokenList> SplitTokens();
    std::string Text;

protected:
    void Execute() override;

private:
    // Work of the parser thread: nothing in hand is finished once input
    // was cut or the thread is told to end.
    bool Interrupted() const { return Terminated() || CutPending(); }
    bool CutPending() const { return FCuts.load() != FCutsReleased.load(); }
    void ReleaseAfterCut();
    void Drain();
    bool CheckCharacters();
    void ProcessCommand();
    void ProcessKeyName();
    void TypeFrom(int Position);
    void PauseAfter();

    // Cuts asked for, and the cuts the parser has released after: counts,
    // so that a cut that comes while the last one is being released is
    // released again, never lost.
    std::atomic<uint32_t> FCuts{0};
    std::atomic<uint32_t> FCutsReleased{0};
    std::atomic<uint32_t> FCutsDone{0}; // the releases finished

};
