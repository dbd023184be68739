// The GIDEI parser thread: pops the framed units from the receive queue,
// classifies and tokenises them and has the typer execute them; it also runs
// continuous mouse movement one step per tick and paces the output.
#pragma once

#include "base/threads/Sync.h"
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
    TKeyParser(TInputSink& Sink, const TTypingSettings& Typing, TLog& Log, TTyperEvents& Events,
               const TInputLanguage& Language, bool NamedEvents = true);
    // Stops the thread and waits for its end.
    ~TKeyParser() override;

    // The typing settings as they are saved.
    TTypingSettings Typing() const;
    // WaitAfter, WaitFor (clamped to 50..9999) and UseGIDEI from the main
    // thread; the parser reads them on each use.
    void ApplyTyping(const TTypingSettings& Typing);
    bool WaitAfter() const { return FWaitAfter; }
    int32_t WaitFor() const { return FWaitFor; }
    bool UseGIDEI() const { return FUseGIDEI; }

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
    std::unique_ptr<TKeyTyper> Typer;

    // One unit carried out on the calling thread, as the parser thread
    // does it (the fuzzer and the benchmarks drive the parser so).
    void HandleUnit(const std::string& Unit);

protected:
    void Execute() override;

private:
    friend class TKeyParserPeer; // the tests' look at the tokens
    // The tokens of Text between its ',' and its final '.'; none (after a
    // logged error) when a name repeats or there are none or too many.
    std::optional<TTokenList> SplitTokens();
    std::string Text; // the unit in hand, without its ESC

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
    // Tells the host that the unit failed, then logs it.
    void ReportFailure(TLogKind Kind, const std::string& Text);

    // Cuts asked for, and the cuts the parser has released after: counts,
    // so that a cut that comes while the last one is being released is
    // released again, never lost.
    std::atomic<uint32_t> FCuts{0};
    std::atomic<uint32_t> FCutsReleased{0};
    std::atomic<uint32_t> FCutsDone{0}; // the releases finished

    TInputSink& FSink; // the typer's; the parser takes its thread's queue for it
    TLog& FLog;
    TTyperEvents& FEvents;
    const TTypingSettings FStored; // what the typer was made with
    std::atomic<int32_t> FWaitFor{500};
    std::atomic<bool> FWaitAfter{false};
    std::atomic<bool> FUseGIDEI{false};

};
