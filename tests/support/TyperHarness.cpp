#include "tests/support/TyperHarness.h"

TTokenList CommandTokens(const std::string& Text)
{
    TTokenList tokens;
    std::string token;
    for (size_t i = 1; i + 1 < Text.size(); ++i) {
        if (Text[i] == ',') {
            if (!token.empty())
                tokens.push_back(token);
            token.clear();
        } else {
            token += Text[i];
        }
    }
    if (!token.empty())
        tokens.push_back(token);
    return tokens;
}

TTyperHarness::TTyperHarness(const TTypingSettings& Typing)
{
    Typer = std::make_unique<TKeyTyper>(Owner, Sink, Typing, Env.Log(), Env.Events, Env.Language);
}

TTyperHarness::~TTyperHarness() { Typer.reset(); }

int32_t TTyperHarness::Cmd(const std::string& Text)
{
    Typer->Sequence = Text;
    return Typer->ExecuteCommand(CommandTokens(Text));
}
