// Command lookup, wait, baudrate, the reset and the layout check.
#include "gidei/KeyType.h"

#include "base/threads/Sync.h"


const TKeyTyper::TCommand TKeyTyper::Commands[19] = {
    {"GIDEIbaudrate", &TKeyTyper::GIDEIbaudrate}, {"GIDEIwait", &TKeyTyper::GIDEIwait},
    {"GIDEImoureset", &TKeyTyper::GIDEImoureset}, {"GIDEIanchor", &TKeyTyper::GIDEIanchor},
    {"GIDEIgoto", &TKeyTyper::GIDEIgoto},         {"GIDEImove", &TKeyTyper::GIDEImove},
    {"GIDEIclick", &TKeyTyper::GIDEIclick},       {"GIDEIdblclick", &TKeyTyper::GIDEIdblclick},
    {"GIDEImoulock", &TKeyTyper::GIDEImoulock},   {"GIDEImourel", &TKeyTyper::GIDEImourel},
    {"GIDEImougo", &TKeyTyper::GIDEImougo},       {"GIDEImoustop", &TKeyTyper::GIDEImoustop},
    {"GIDEImoudec", &TKeyTyper::GIDEImoudec},     {"GIDEImouinc", &TKeyTyper::GIDEImouinc},
    {"GIDEIascii", &TKeyTyper::GIDEIascii},       {"GIDEIlock", &TKeyTyper::GIDEIlock},
    {"GIDEIrel", &TKeyTyper::GIDEIrel},           {"GIDEIhold", &TKeyTyper::GIDEIhold},
    {"GIDEIcombine", &TKeyTyper::GIDEIcombine},
};

int32_t TKeyTyper::ExecuteCommand(const TTokenList& Tokens)
{
    if (Tokens.empty())
        return 1;
    const std::string name = "GIDEI" + Tokens[0];
    for (const TCommand& command : Commands) {
        if (!SameNoCase(name, command.Name))
            continue;
        FCommand = Tokens[0];
        FParams = &Tokens;
        BeginUnit();
        const int32_t result = (this->*command.Handler)(Tokens);
        // The token list belongs to the parser and ends with this call.
        FParams = nullptr;
        return result;
    }
    ReportError(lkUnsupportedCommand, Tokens[0]);
    return 1;
}

int32_t TKeyTyper::GIDEIwait(const TTokenList& Tokens)
{
    if (Tokens.size() == 1)
        return ReportParamError(&Tokens, 0);
    if (Tokens.size() > 2)
        return ReportParamError(&Tokens, 2);
    int32_t time;
    // A negative time would block all later input until the program ends.
    if (!ParseDecimal(Tokens[1], time) || time < 0)
        return ReportParamError(&Tokens, 1);
    const uint32_t start = TickCount();
    while (TickCount() - start < static_cast<uint32_t>(time)) {
        if (FParser.IsTerminated() || FParser.InputCut()) {
            // One garbled digit can ask for weeks: say that it was cut.
            FLog.Log(lkPlain, "### Warten abgebrochen: " + Sequence);
            break;
        }
        SleepMs(10);
    }
    return 0;
}

int32_t TKeyTyper::GIDEIbaudrate(const TTokenList& Tokens)
{
    if (Tokens.size() == 1)
        return ReportParamError(&Tokens, 0);
    if (Tokens.size() > 2)
        return ReportParamError(&Tokens, 2);
    return 0;
}

void TKeyTyper::ResetAll() { LetGo(true); }

bool TKeyTyper::ReleaseEverything() { return LetGo(false); }

bool TKeyTyper::LetGo(bool PointerToCorner)
{
    BeginUnit();
    bool anything = FKeyTable->AnyKeyActive() || FMoving;
    for (int i = 0; i < FMouseTable->Count(); ++i)
        anything = anything || FMouseTable->ButtonState(i) != 0;
    FPending = ppNone;
    if (PointerToCorner) {
        ResetMouse();
    } else {
        ReleaseButtons();
        if (FMoving) {
            FMoving = false;
            FEvents.MovementChanged(false);
        }
    }
    ReleaseAllKeys();
    return anything;
}

bool TKeyTyper::LayoutSupported() const { return FKeyTable->LanguageSupported(); }
