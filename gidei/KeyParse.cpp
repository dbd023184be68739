#include "gidei/KeyParse.h"

#include "base/system/Text.h"
#include "serial/EngineEvents.h"


TKeyParser::TKeyParser(TInputSink& Sink, const TTypingSettings& Typing, TLog& Log, TTyperEvents& Events,
                       const TInputLanguage& Language, bool NamedEvents)
    : FSink(Sink), FLog(Log), FEvents(Events), FStored(Typing)
{
    StopEvent = MakeEngineEvent(ParserStopEventName, NamedEvents, Log);
    DataEvent = MakeEngineEvent(ParserDataEventName, NamedEvents, Log);
    TickEvent = MakeEngineEvent(ParserTickEventName, NamedEvents, Log);
    ApplyTyping(Typing);
    Typer = std::make_unique<TKeyTyper>(*this, Sink, Typing, Log, Events, Language);
}

TKeyParser::~TKeyParser()
{
    // Only a thread that has ended may lose its events and its typer.
    Stop();
    Join();
    TickEvent.reset();
    DataEvent.reset();
    StopEvent.reset();
    Typer.reset();
}

TTypingSettings TKeyParser::Typing() const
{
    TTypingSettings typing = FStored;
    typing.WaitAfter = FWaitAfter;
    typing.WaitFor = FWaitFor;
    typing.UseGIDEI = FUseGIDEI;
    return typing;
}

void TKeyParser::ApplyTyping(const TTypingSettings& Typing)
{
    int32_t waitFor = Typing.WaitFor;
    ClampAndCompare(waitFor, 50, 9999, 0);
    FWaitFor = waitFor;
    FWaitAfter = Typing.WaitAfter;
    FUseGIDEI = Typing.UseGIDEI;
}

void TKeyParser::ReportFailure(TLogKind Kind, const std::string& Text)
{
    FEvents.SequenceFailed();
    FLog.Log(Kind, Text);
}

void TKeyParser::Stop()
{
    Terminate();
    StopEvent->Set();
}

void TKeyParser::CutInput()
{
    ++FCuts;
    // The stop event wakes the thread; the flag tells it why.
    StopEvent->Set();
}

void TKeyParser::ReleaseAfterCut()
{
    const uint32_t cuts = FCuts.load();
    FCutsReleased = cuts;
    if (Typer->ReleaseEverything())
        FLog.Log(lkPlain, "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen");
    FCutsDone = cuts;
}

bool TKeyParser::AwaitRelease(uint32_t TimeoutMs) const
{
    const uint32_t start = TickCount();
    while (FCutsDone.load() != FCuts.load()) {
        if (TickCount() - start >= TimeoutMs)
            return false;
        SleepMs(2);
    }
    return true;
}

void TKeyParser::Execute()
{
    while (!Terminated()) {
        try {
            if (CutPending())
                ReleaseAfterCut();
            switch (WaitForAny({DataEvent.get(), TickEvent.get(), StopEvent.get()}, kInfinite)) {
            case 0:
                Drain();
                break;
            case 1:
                // After a cut the release comes first (it stops movement).
                if (!CutPending()) {
                    Typer->MouseTick();
                    FSink.TakeWaitingMessages();
                }
                break;
            case 2:
                break;
            default:
                SleepMs(100); // a failed wait must not become a busy loop
                break;
            }
        } catch (const std::exception& error) {
            FLog.Log(lkError, error.what());
        } catch (...) {
            FLog.Log(lkError, "unknown exception");
        }
    }
}

// The queue is emptied before the parser waits again: units that arrive while
// it works find others waiting and set no event of their own. That holds
// through a cut as well: the data event this drain answers may be the
// wake-up of units that came after the cut, and no other would follow.
void TKeyParser::Drain()
{
    std::deque<std::string> units;
    uint32_t generation = 0;
    while (Queue && !Terminated()) {
        // A failure (of the release, too) leaves the drain going: it ends
        // only with the queue empty.
        try {
            if (CutPending())
                ReleaseAfterCut();
            // Units taken before input was cut belong to the input that is
            // gone; what the queue framed since is the user's new input.
            if (!units.empty() && generation != Queue->Generation())
                units.clear();
            if (units.empty()) {
                generation = Queue->PopAll(units);
                if (units.empty())
                    return;
                continue; // a cut that came meanwhile is released first
            }
            const std::string unit = std::move(units.front());
            units.pop_front();
            HandleUnit(unit);
            // Between units, never while idle: the parser sleeps in its wait.
            FSink.TakeWaitingMessages();
            PauseAfter();
        } catch (const std::exception& error) {
            FLog.Log(lkError, error.what());
        } catch (...) {
            FLog.Log(lkError, "unknown exception");
        }
    }
}

void TKeyParser::HandleUnit(const std::string& Unit)
{
    Text = Unit;
    if (Text.empty())
        return;
    if (Text == std::string{Esc, '.'}) {
        Typer->ResetAll();
        return;
    }
    if (Text[0] != Esc) {
        Typer->TypeChar(static_cast<uint8_t>(Text[0]));
        return;
    }
    Text.erase(0, 1);
    if (!CheckCharacters())
        return;
    if (Text[0] == ',')
        ProcessCommand();
    else
        ProcessKeyName();
}

bool TKeyParser::CheckCharacters()
{
    if (!FUseGIDEI)
        return true;
    for (size_t i = 0; i < Text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(Text[i]);
        if (byte < 32 || byte > 126) {
            ReportFailure(lkGideiProblem, Text);
            TypeFrom(static_cast<int>(i) + 1);
            return false;
        }
    }
    return true;
}

std::optional<TTokenList> TKeyParser::SplitTokens()
{
    TTokenList tokens;
    // Positions count from 1; the last one holds the terminating '.'.
    const size_t last = Text.size();
    size_t position = (!Text.empty() && Text[0] == ',') ? 2 : 1;
    while (position < last) {
        std::string token;
        while (position < last && Text[position - 1] != ',')
            token += Text[position++ - 1];
        ++position; // past the ','
        if (token.empty())
            continue;
        bool repeated = false;
        for (const std::string& earlier : tokens)
            repeated = repeated || SameNoCase(earlier, token);
        // Numbers may repeat (",move,10,10."); names may not.
        if (repeated && !(token[0] == '+' || token[0] == '-' || (token[0] >= '0' && token[0] <= '9'))) {
            FLog.Log(lkParameterError, "Double token name \"" + token + "\"");
            return std::nullopt;
        }
        tokens.push_back(token);
    }
    if (tokens.empty() || tokens.size() > MaxTokens) {
        ReportFailure(lkProtocol, Text);
        return std::nullopt;
    }
    return tokens;
}

void TKeyParser::ProcessCommand()
{
    std::optional<TTokenList> tokens = SplitTokens();
    if (!tokens)
        return;
    Typer->Sequence = Text;
    const int32_t position = Typer->ExecuteCommand(*tokens);
    if (FUseGIDEI && position > 0)
        TypeFrom(position);
}

void TKeyParser::ProcessKeyName()
{
    std::optional<TTokenList> tokens = SplitTokens();
    if (!tokens)
        return;
    if (tokens->size() >= 2) {
        ReportFailure(lkProtocol, Text);
        return;
    }
    if (!Typer->TypeKeyName(tokens->front()) && FUseGIDEI)
        TypeFrom(1);
}

void TKeyParser::TypeFrom(int Position)
{
    if (Position <= 0)
        return;
    const std::string text = Text; // the typer may not change it, but be sure
    for (size_t i = static_cast<size_t>(Position); i <= text.size() && !Interrupted(); ++i) {
        Typer->TypeChar(static_cast<uint8_t>(text[i - 1]));
        if (i != text.size())
            PauseAfter();
    }
}

void TKeyParser::PauseAfter()
{
    if (!FWaitAfter)
        return;
    const uint32_t start = TickCount();
    while (!Interrupted() && TickCount() - start < static_cast<uint32_t>(FWaitFor.load()))
        SleepMs(10);
}
