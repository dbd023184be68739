#include "gidei/KeyParse.h"

#include "base/Globals.h"
#include "logging/Logging.h"

namespace {
constexpr char Esc = '\x1b';
}

TKeyParser::TKeyParser(TInputSink& Sink, bool NamedEvents)
{
    StopEvent = std::make_unique<TEvent>(false, NamedEvents ? "vemuUruk" : nullptr);
    DataEvent = std::make_unique<TEvent>(false, NamedEvents ? "vemuSnaga" : nullptr);
    TickEvent = std::make_unique<TEvent>(false, NamedEvents ? "vemuSharku" : nullptr);
    if (Globals) {
        WaitAfter = Globals->GetBool("Extended", "WaitAfter", false);
        SetWaitFor(Globals->GetInteger("Extended", "WaitFor", 500));
        UseGIDEI = Globals->GetBool("GIDEI", "Use", false);
    }
    Typer = std::make_unique<TKeyTyper>(*this, Sink);
}

TKeyParser::~TKeyParser()
{
    // Only a thread that has ended may lose its events and its typer.
    Stop();
    Join();
    WriteSettings();
    TickEvent.reset();
    DataEvent.reset();
    StopEvent.reset();
    Typer.reset();
}

void TKeyParser::WriteSettings()
{
    if (Globals) {
        Globals->PutBool("Extended", "WaitAfter", WaitAfter);
        Globals->PutInteger("Extended", "WaitFor", WaitFor);
        Globals->PutBool("GIDEI", "Use", UseGIDEI);
    }
}

void TKeyParser::SetWaitFor(int32_t Value)
{
    ClampAndCompare(Value, 50, 9999, WaitFor);
    WaitFor = Value;
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
        LogEvent(lkPlain, "### Eingabe unterbrochen: alle Tasten und Maustasten losgelassen");
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
                if (!CutPending())
                    Typer->MouseTick();
                break;
            case 2:
                break;
            default:
                SleepMs(100); // a failed wait must not become a busy loop
                break;
            }
        } catch (const std::exception& error) {
            LogEvent(lkError, error.what());
        } catch (...) {
            LogEvent(lkError, "unknown exception");
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
            PauseAfter();
        } catch (const std::exception& error) {
            LogEvent(lkError, error.what());
        } catch (...) {
            LogEvent(lkError, "unknown exception");
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
    if (!UseGIDEI)
        return true;
    for (size_t i = 0; i < Text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(Text[i]);
        if (byte < 32 || byte > 126) {
            ReportError(lkGideiProblem, Text);
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
            LogEvent(lkParameterError, "Double token name \"" + token + "\"");
            return std::nullopt;
        }
        tokens.push_back(token);
    }
    if (tokens.empty() || tokens.size() > MaxTokens) {
        ReportError(lkProtocol, Text);
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
    if (UseGIDEI && position > 0)
        TypeFrom(position);
}

void TKeyParser::ProcessKeyName()
{
    std::optional<TTokenList> tokens = SplitTokens();
    if (!tokens)
        return;
    if (tokens->size() >= 2) {
        ReportError(lkProtocol, Text);
        return;
    }
    if (!Typer->TypeKeyName(tokens->front()) && UseGIDEI)
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
    if (!WaitAfter)
        return;
    const uint32_t start = TickCount();
    while (!Interrupted() && TickCount() - start < static_cast<uint32_t>(WaitFor.load()))
        SleepMs(10);
}
