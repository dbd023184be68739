// A typer with a recording sink and a stand-in owner, driven by sequence
// texts as the parser hands them over (",hold,shift." without the ESC).
#pragma once

#include "gidei/KeyType.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <memory>

class TStubOwner : public TKeyTyperOwner {
public:
    bool IsTerminated() const override { return Stop; }
    bool InputCut() const override { return Cut; }
    std::atomic<bool> Stop{false};
    std::atomic<bool> Cut{false};
};

// The tokens of a command text: between the leading ',' and the final '.',
// empty ones dropped.
TTokenList CommandTokens(const std::string& Text);

class TTyperHarness {
public:
    // The typer is made from Typing: by default no pause after events.
    explicit TTyperHarness(const TTypingSettings& Typing = TTestEnvironment::QuickSettings().Typing);
    ~TTyperHarness();

    int32_t Cmd(const std::string& Text);
    std::vector<std::string> Events() { return Sink.Take(); }
    std::vector<std::string> Lines() { return Env.TakeUnstampedLines(); }
    std::vector<TPostedMessage> Posted() { return Env.Target.Messages(); }

    TTestEnvironment Env;
    TRecordingSink Sink;
    TStubOwner Owner;
    std::unique_ptr<TKeyTyper> Typer;
};
