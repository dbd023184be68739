#include "tests/support/TyperHarness.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <thread>

namespace {

using Strings = std::vector<std::string>;

class TyperCommands : public ::testing::Test {
protected:
    TTyperHarness T;
};

TEST_F(TyperCommands, CommandWordsMatchWholeAndInAnyCase)
{
    EXPECT_EQ(T.Cmd(",MOVE,5,5."), 0);
    EXPECT_EQ(T.Cmd(",Click."), 0);
    EXPECT_EQ(T.Events(), (Strings{"move 5 5", "button 0002", "button 0004"}));
    for (const char* text : {",foo.", ",mov,1,1.", ",moves,1,1.", ",GIDEImove,1,1."}) {
        T.Env.Target.Clear();
        EXPECT_EQ(T.Cmd(text), 1) << text;
        EXPECT_EQ(T.Lines(), Strings{"? # Unsupported command " + CommandTokens(text)[0]});
        EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 0, 0}}));
    }
    EXPECT_TRUE(T.Events().empty());
}

TEST_F(TyperCommands, WaitChecksItsParameter)
{
    EXPECT_EQ(T.Cmd(",wait."), 1);
    EXPECT_EQ(T.Cmd(",wait,100,5."), 10);
    EXPECT_EQ(T.Cmd(",wait,abc."), 6);
    EXPECT_EQ(T.Cmd(",wait,-5."), 6) << "a negative wait would block all later input";
    EXPECT_EQ(T.Lines(), (Strings{"? # Parameter error >,wait. 0<", "? # Parameter error >,wait,100,5. 2<",
                                  "? # Parameter error >,wait,abc. 1<", "? # Parameter error >,wait,-5. 1<"}));
}

TEST_F(TyperCommands, WaitCountsTicksAcrossTheWrap)
{
    TFakeClock clock(0xFFFFFFF0u);
    EXPECT_EQ(T.Cmd(",wait,0."), 0) << "returns at once even with the clock standing still";
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        T.Cmd(",wait,40.");
        done = true;
    });
    SleepMs(30);
    clock.Set(0x00000010u); // 32 ms later, past the wrap
    SleepMs(30);
    EXPECT_FALSE(done);
    clock.Set(0x00000018u); // 40 ms
    waiter.join();
    EXPECT_TRUE(done);
}

TEST_F(TyperCommands, WaitEndsWhenTheParserStops)
{
    TFakeClock clock(0); // time stands still: only the stop can end it
    std::thread stopper([&] {
        SleepMs(30);
        T.Owner.Stop = true;
    });
    EXPECT_EQ(T.Cmd(",wait,3000."), 0);
    stopper.join();
    EXPECT_EQ(T.Lines(), Strings{"### Warten abgebrochen: ,wait,3000."});
}

// One garbled digit asks for 24 days: the wait ends as soon as the input it
// came with is gone, and says so once.
TEST_F(TyperCommands, WaitEndsWhenInputIsCut)
{
    TFakeClock clock(0);
    std::thread cutter([&] {
        SleepMs(30);
        T.Owner.Cut = true;
    });
    EXPECT_EQ(T.Cmd(",wait,2147483647."), 0);
    cutter.join();
    EXPECT_EQ(T.Lines(), Strings{"### Warten abgebrochen: ,wait,2147483647."});
    // A wait that runs its time says nothing.
    T.Owner.Cut = false;
    std::thread ticker([&] {
        SleepMs(20);
        clock.Set(50);
    });
    EXPECT_EQ(T.Cmd(",wait,50."), 0);
    ticker.join();
    EXPECT_TRUE(T.Lines().empty());
}

// What the device can no longer release goes up; unlike the reset the
// pointer stays where the user left it.
TEST_F(TyperCommands, ReleaseEverythingLeavesNothingDownAndThePointerWhereItIs)
{
    EXPECT_FALSE(T.Typer->ReleaseEverything()) << "nothing held";
    EXPECT_TRUE(T.Events().empty());
    T.Cmd(",lock,shift.");
    T.Cmd(",hold,ctrl.");
    T.Cmd(",moulock,right.");
    T.Cmd(",mougo,up,3.");
    T.Cmd(",anchor.");
    T.Events();
    T.Env.Target.Clear();
    EXPECT_TRUE(T.Typer->ReleaseEverything());
    EXPECT_EQ(T.Events(), (Strings{"button 0010", "up 10", "up 11"}));
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 0, 0}}));
    EXPECT_FALSE(T.Typer->Moving());
    EXPECT_EQ(T.Typer->Pending(), ppNone);
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
    T.Typer->TypeChar('q');
    EXPECT_EQ(T.Events(), (Strings{"char 71 down", "char 71 up"})) << "typed plainly, no anchor taken";
    EXPECT_FALSE(T.Typer->ReleaseEverything());
}

TEST_F(TyperCommands, BaudrateTakesOneParameterAndDoesNothing)
{
    EXPECT_EQ(T.Cmd(",baudrate,9600."), 0);
    EXPECT_EQ(T.Cmd(",baudrate."), 1);
    EXPECT_EQ(T.Cmd(",baudrate,1,2."), 12);
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Lines(), (Strings{"? # Parameter error >,baudrate. 0<", "? # Parameter error >,baudrate,1,2. 2<"}));
}

TEST_F(TyperCommands, ResetReleasesEverythingAndForgetsAPendingGoto)
{
    T.Cmd(",lock,shift.");
    T.Cmd(",hold,rctrl.");
    T.Cmd(",moulock,left.");
    T.Cmd(",mougo,up,2.");
    T.Cmd(",goto.");
    T.Events();
    T.Env.Target.Clear();
    T.Typer->ResetAll();
    EXPECT_EQ(T.Events(), (Strings{"button 0004", "abs 0 0", "up 10", "up A3"}));
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 0, 0}}));
    EXPECT_FALSE(T.Typer->Moving());
    EXPECT_EQ(T.Typer->Pending(), ppNone);
    T.Typer->TypeChar('q');
    EXPECT_EQ(T.Events(), (Strings{"char 71 down", "char 71 up"}));
}

TEST_F(TyperCommands, AFailedMoveDuringTheResetNamesTheLastCommand)
{
    T.Cmd(",click.");
    T.Lines();
    T.Sink.FailMoves = true;
    T.Typer->ResetAll();
    EXPECT_EQ(T.Lines(), Strings{"? # SYSTEM click: " + SysErrorText(T.Sink.ErrorCode)});
}

TEST_F(TyperCommands, TheLayoutFollowsTheInputLanguage)
{
    T.Env.Language = 0x0C07;
    EXPECT_TRUE(T.Typer->LayoutSupported());
    T.Env.Language = 0x0409;
    EXPECT_FALSE(T.Typer->LayoutSupported());
}

// Replays what the sink saw and holds the typer to its word: after every
// operation exactly the keys and buttons it thinks are down are down, and
// after the reset nothing is.
class TInputModel {
public:
    void Apply(const std::string& Event)
    {
        unsigned code = 0;
        if (std::sscanf(Event.c_str(), "down %x", &code) == 1) {
            EXPECT_TRUE(Keys.insert(code).second) << "second key-down without key-up: " << Event;
        } else if (std::sscanf(Event.c_str(), "up %x", &code) == 1) {
            EXPECT_EQ(Keys.erase(code), 1u) << "key-up of a key that is not down: " << Event;
        } else if (std::sscanf(Event.c_str(), "button %x", &code) == 1) {
            static const std::map<unsigned, std::pair<unsigned, bool>> Buttons = {
                {0x0002, {1, true}}, {0x0004, {1, false}}, {0x0008, {5, true}}, {0x0010, {5, false}}};
            auto button = Buttons.find(code);
            ASSERT_NE(button, Buttons.end()) << Event;
            if (button->second.second)
                EXPECT_TRUE(ButtonsDown.insert(button->second.first).second) << Event;
            else
                EXPECT_EQ(ButtonsDown.erase(button->second.first), 1u) << Event;
        }
    }
    std::set<unsigned> Keys;
    std::set<unsigned> ButtonsDown;
};

void ExpectAgreement(const TKeyTyper& Typer, const TInputModel& Model, const std::string& Step)
{
    for (int vk = 0; vk < 256; ++vk)
        ASSERT_EQ(Typer.KeyTable().KeyState(vk) != ksUp, Model.Keys.count(static_cast<unsigned>(vk)) == 1)
            << "key " << vk << " after " << Step;
    int left, right;
    ASSERT_TRUE(Typer.MouseTable().Find("left", left));
    ASSERT_TRUE(Typer.MouseTable().Find("right", right));
    ASSERT_EQ(Typer.MouseTable().ButtonState(left) != 0, Model.ButtonsDown.count(1) == 1) << Step;
    ASSERT_EQ(Typer.MouseTable().ButtonState(right) != 0, Model.ButtonsDown.count(5) == 1) << Step;
}

std::string RandomCommand(std::mt19937& Random)
{
    static const Strings Words = {"hold", "lock", "rel", "combine", "ascii", "click", "dblclick", "moulock",
                                  "mourel", "move", "goto", "anchor", "mougo", "moustop", "mouinc", "moudec",
                                  "moureset", "wait", "baudrate", "HOLD", "Combine", "nonsense"};
    static const Strings Keys = {"shift", "ctrl", "alt", "altgr", "lshift", "rctrl", "cmd", "a", "del", "f5",
                                 "at", "adieresis", "pause", "nokey", "SHIFT", "Ctrl", "1", "exclaim", "tab"};
    static const Strings Buttons = {"left", "right", "1", "5", "but1", "but5", "but2", "middle", "LEFT"};
    static const Strings Others = {"0", "65", "300", "-4", "x", "up", "downright", "3", "11", "q", "#", "ab"};
    std::uniform_int_distribution<int> pick(0, 1000);
    std::string word = Words[static_cast<size_t>(pick(Random)) % Words.size()];
    std::string text = "," + word;
    const int parameters = pick(Random) % 5;
    for (int i = 0; i < parameters; ++i) {
        const Strings& source = (word == "click" || word == "dblclick" || word == "moulock" || word == "mourel")
                                    ? Buttons
                                    : (pick(Random) % 4 == 0 ? Others : Keys);
        text += "," + source[static_cast<size_t>(pick(Random)) % source.size()];
    }
    if (word == "wait")
        text = ",wait,0";
    return text + ".";
}

TEST(TyperNoStuckInput, RandomInputNeverLeavesAKeyOrButtonDown)
{
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 42u, 1234u, 99991u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TTyperHarness t;
        t.Env.Log().SetLogEvents(0);
        std::mt19937 random(seed);
        TInputModel model;
        for (int step = 0; step < 1500; ++step) {
            std::string what;
            switch (random() % 4) {
            case 0:
                what = RandomCommand(random);
                t.Cmd(what);
                break;
            case 1: {
                const uint8_t code = static_cast<uint8_t>(random() % 256);
                what = "char " + std::to_string(code);
                t.Typer->TypeChar(code);
                break;
            }
            case 2: {
                static const Strings Names = {"a", "shift", "at", "f1", "xyz", "Enter", "sharps", "altgr", "5"};
                what = Names[random() % Names.size()];
                t.Typer->TypeKeyName(what);
                break;
            }
            default:
                what = "tick";
                t.Typer->MouseTick();
                break;
            }
            for (const std::string& event : t.Sink.Take())
                model.Apply(event);
            ExpectAgreement(*t.Typer, model, what);
            if (::testing::Test::HasFatalFailure())
                return;
        }
        t.Typer->ResetAll();
        for (const std::string& event : t.Sink.Take())
            model.Apply(event);
        EXPECT_TRUE(model.Keys.empty());
        EXPECT_TRUE(model.ButtonsDown.empty());
        EXPECT_FALSE(t.Typer->KeyTable().AnyKeyActive());
        for (int vk = 0; vk < 256; ++vk)
            EXPECT_EQ(t.Typer->KeyTable().KeyState(vk), ksUp);
    }
}

} // namespace
