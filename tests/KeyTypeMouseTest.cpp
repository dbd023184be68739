#include "tests/support/TyperHarness.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Strings = std::vector<std::string>;

class TyperMouse : public ::testing::Test {
protected:
    TTyperHarness T;
};

TEST_F(TyperMouse, ClickPressesAndReleasesTheLeftButton)
{
    EXPECT_EQ(T.Cmd(",click."), 0);
    EXPECT_EQ(T.Events(), (Strings{"button 0002", "button 0004"}));
    EXPECT_EQ(T.Cmd(",click,right."), 0);
    EXPECT_EQ(T.Cmd(",click,RIGHT."), 0);
    EXPECT_EQ(T.Events(), (Strings{"button 0008", "button 0010", "button 0008", "button 0010"}));
    EXPECT_EQ(T.Cmd(",dblclick."), 0);
    EXPECT_EQ(T.Events(), (Strings{"button 0002", "button 0004", "button 0002", "button 0004"}));
    EXPECT_TRUE(T.Lines().empty());
}

TEST_F(TyperMouse, ButtonErrors)
{
    EXPECT_EQ(T.Cmd(",click,but3."), -1);
    EXPECT_EQ(T.Lines(), Strings{"? # Unsupported parameter ,click,but3. but3"});
    EXPECT_TRUE(T.Posted().empty());

    EXPECT_EQ(T.Cmd(",click,middle."), 7);
    EXPECT_EQ(T.Lines(), Strings{"? # Parameter error >,click,middle. 1<"});
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 0, 0}}));

    EXPECT_EQ(T.Cmd(",click,left,right."), 12);
    EXPECT_EQ(T.Cmd(",dblclick,left,right."), 15);
    EXPECT_TRUE(T.Events().empty());
}

TEST_F(TyperMouse, AButtonNamedTwiceIsADoubleKeyAndNothingIsPressed)
{
    EXPECT_EQ(T.Cmd(",moulock,left,1."), 0);
    EXPECT_EQ(T.Cmd(",mourel,right,but1,5."), 0);
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Lines(), (Strings{"? # Double key ,moulock,left,1. 2", "? # Double key ,mourel,right,but1,5. 3"}));
}

TEST_F(TyperMouse, LockedButtonsStayDownAndCollide)
{
    EXPECT_EQ(T.Cmd(",moulock."), 0);
    EXPECT_EQ(T.Cmd(",moulock."), -1);
    EXPECT_EQ(T.Cmd(",click."), -1);
    EXPECT_EQ(T.Events(), Strings{"button 0002"});
    EXPECT_EQ(T.Lines(), (Strings{"? # Key collision ,moulock. left", "? # Key collision ,click. left"}));
    EXPECT_EQ(T.Cmd(",mourel,1."), 0);
    EXPECT_EQ(T.Events(), Strings{"button 0004"});
}

TEST_F(TyperMouse, MoulockGoesOnAfterACollisionButStopsAtAnUnknownName)
{
    T.Cmd(",moulock,left.");
    T.Events();
    EXPECT_EQ(T.Cmd(",moulock,left,right."), 0);
    EXPECT_EQ(T.Events(), Strings{"button 0008"});
    EXPECT_EQ(T.Cmd(",mourel,right,middle,left."), 8) << "the position of token 1, whichever was unknown";
    EXPECT_EQ(T.Events(), Strings{"button 0010"});
    EXPECT_EQ(T.Cmd(",mourel,left,but2."), -1);
    EXPECT_EQ(T.Events(), Strings{"button 0004"});
}

TEST_F(TyperMouse, MourelAloneReleasesOnlyWhatIsDown)
{
    T.Cmd(",mourel.");
    EXPECT_TRUE(T.Events().empty());
    EXPECT_TRUE(T.Lines().empty());
    T.Cmd(",moulock,right,left.");
    T.Events();
    T.Cmd(",mourel.");
    std::vector<std::string> events = T.Events();
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (Strings{"button 0004", "button 0010"}));
}

TEST_F(TyperMouse, AnchorsStoreThePointerAndGotoReturnsToIt)
{
    T.Sink.Cursor = {400, 300};
    EXPECT_EQ(T.Cmd(",anchor,a."), 0);
    T.Sink.Cursor = {10, 10};
    EXPECT_EQ(T.Cmd(",goto,A."), 0);
    // Over the virtual screen (here the primary alone): 400 * 65536 / 1920
    // and 300 * 65536 / 1080, rounded up.
    EXPECT_EQ(T.Events(), Strings{"vabs 13654 18205"});
    EXPECT_EQ(T.Cmd(",goto,ab."), 0);
    EXPECT_EQ(T.Cmd(",goto,q."), 0);
    EXPECT_EQ(T.Events(), (Strings{"vabs 13654 18205", "vabs 0 0"}));
    EXPECT_EQ(T.Cmd(",anchor,ab."), 8);
    EXPECT_EQ(T.Cmd(",anchor,a,b."), 10);
    EXPECT_EQ(T.Cmd(",goto,#."), 6);
    EXPECT_EQ(T.Cmd(",goto,1,2,3."), 10);
    EXPECT_EQ(T.Lines(), (Strings{"? # Parameter error >,anchor,ab. 1<", "? # Parameter error >,anchor,a,b. 2<",
                                  "? # Parameter error >,goto,#. 1<", "? # Parameter error >,goto,1,2,3. 3<"}));
}

// A second monitor left of the primary one, a taller one reaching above it:
// an anchor stored on either brings the pointer back to its very pixel,
// whether the system maps back truncating or rounding; goto with numbers
// still means the primary screen, the sign dropped.
TEST_F(TyperMouse, AnchorsReturnToTheirPixelOnAnyMonitor)
{
    const TScreenArea screen{-1280, -200, 3200, 1280};
    T.Sink.Virtual = screen;
    for (const TPointObj point : {TPointObj{-1280, -200}, TPointObj{-1, 500}, TPointObj{0, 0}, TPointObj{1919, 1079}}) {
        T.Sink.Cursor = point;
        T.Cmd(",anchor,m.");
        T.Cmd(",goto,m.");
        const Strings events = T.Events();
        int dx = -1, dy = -1;
        ASSERT_EQ(events.size(), 1u);
        ASSERT_EQ(std::sscanf(events[0].c_str(), "vabs %d %d", &dx, &dy), 2) << events[0];
        for (const int64_t half : {0, 32768}) {
            EXPECT_EQ(screen.Left + (dx * int64_t{screen.Width} + half) / 65536, point.X) << events[0];
            EXPECT_EQ(screen.Top + (dy * int64_t{screen.Height} + half) / 65536, point.Y) << events[0];
        }
    }
    EXPECT_EQ(T.Cmd(",goto,-100,50."), 0);
    EXPECT_EQ(T.Events(), Strings{"abs 3414 3035"});
}

TEST_F(TyperMouse, APendingAnchorTakesTheNextCharacter)
{
    T.Sink.Cursor = {960, 540};
    EXPECT_EQ(T.Cmd(",anchor."), 0);
    EXPECT_EQ(T.Typer->Pending(), ppStore);
    T.Typer->TypeChar('x');
    EXPECT_TRUE(T.Events().empty()) << "the character names the anchor and is not typed";
    EXPECT_EQ(T.Typer->Pending(), ppNone);
    T.Sink.Cursor = {0, 0};
    T.Cmd(",goto,X.");
    EXPECT_EQ(T.Events(), Strings{"vabs 32768 32768"});
}

TEST_F(TyperMouse, AnInvalidCharacterLeavesTheAnchorPendingAndIsTyped)
{
    T.Cmd(",anchor.");
    T.Typer->TypeChar('#');
    EXPECT_EQ(T.Events(), (Strings{"char 23 down", "char 23 up"}));
    EXPECT_EQ(T.Lines(), Strings{"? # Parameter error > 1<"});
    EXPECT_EQ(T.Typer->Pending(), ppStore);
    T.Typer->TypeKeyName("seven");   // a key without character: struck, not offered
    T.Events();
    T.Typer->TypeKeyName("5");       // a key with character: takes the anchor
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Typer->Pending(), ppNone);
}

TEST_F(TyperMouse, APendingGotoTakesTheNextCharacterAndAsciiToo)
{
    T.Sink.Cursor = {192, 108};
    T.Cmd(",anchor,7.");
    T.Cmd(",goto.");
    EXPECT_EQ(T.Cmd(",ascii,55."), 0);
    EXPECT_EQ(T.Events(), Strings{"vabs 6554 6554"});
    EXPECT_EQ(T.Typer->Pending(), ppNone);
}

TEST_F(TyperMouse, AbsoluteAndRelativeMoves)
{
    EXPECT_EQ(T.Cmd(",goto,-100,50."), 0);
    EXPECT_EQ(T.Cmd(",goto,100,50."), 0);
    EXPECT_EQ(T.Cmd(",goto,1920,1080."), 0);
    EXPECT_EQ(T.Cmd(",move,-10,5."), 0);
    // On 1920 x 1080 these map back to 100, 50 whether the system truncates
    // or rounds (3413 would come to 99).
    EXPECT_EQ(T.Events(), (Strings{"abs 3414 3035", "abs 3414 3035", "abs 65535 65535", "move -10 5"}));
    EXPECT_EQ(T.Cmd(",move,5."), 8);
    EXPECT_EQ(T.Cmd(",move."), 6);
    EXPECT_EQ(T.Cmd(",move,a,5."), 6);
    EXPECT_EQ(T.Cmd(",goto,1,y."), 6);
    EXPECT_EQ(T.Lines(), (Strings{"? # Parameter error >,move,5. 3<", "? # Parameter error >,move. 3<",
                                  "? # Parameter error >,move,a,5. 1<", "? # Parameter error >,goto,1,y. 1<"}));
}

TEST_F(TyperMouse, SystemErrorsAreLoggedAndTheCommandGoesOn)
{
    T.Sink.FailCursor = true;
    EXPECT_EQ(T.Cmd(",anchor,a."), 0);
    EXPECT_EQ(T.Cmd(",move,1,1."), 0) << "a relative move needs no position";
    T.Sink.FailCursor = false;
    T.Sink.FailMoves = true;
    EXPECT_EQ(T.Cmd(",goto,5,5."), 0);
    EXPECT_EQ(T.Events(), Strings{"move 1 1"});
    const std::string text = SysErrorText(T.Sink.ErrorCode);
    EXPECT_EQ(T.Lines(), (Strings{"? # SYSTEM anchor: " + text, "? # SYSTEM goto: " + text}));
}

TEST_F(TyperMouse, RefusedButtonsAndMovesAreLoggedOncePerCommand)
{
    const std::string text = SysErrorText(T.Sink.ErrorCode);
    T.Sink.RefuseInput = true;
    EXPECT_EQ(T.Cmd(",dblclick,right."), 0);
    EXPECT_EQ(T.Cmd(",moulock,left,right."), 0);
    EXPECT_EQ(T.Cmd(",moureset."), 0);
    EXPECT_EQ(T.Lines(), (Strings{"? # SYSTEM dblclick: " + text, "? # SYSTEM moulock: " + text,
                                  "? # SYSTEM moureset: " + text}));
    // A pending goto completed by a character is the goto's failure.
    T.Sink.RefuseInput = false;
    EXPECT_EQ(T.Cmd(",anchor,x."), 0);
    EXPECT_EQ(T.Cmd(",goto."), 0);
    T.Sink.RefuseInput = true;
    T.Typer->TypeChar('x');
    EXPECT_EQ(T.Typer->Pending(), ppNone);
    T.Sink.RefuseInput = false;
    EXPECT_EQ(T.Cmd(",goto."), 0);
    T.Sink.RefuseInput = true;
    EXPECT_TRUE(T.Typer->TypeKeyName("x"));
    EXPECT_EQ(T.Lines(), (Strings{"? # SYSTEM goto: " + text, "? # SYSTEM goto: " + text}));
}

TEST_F(TyperMouse, MougoChecksItsParameters)
{
    struct Case {
        const char* Text;
        int32_t Result;
        const char* Line;
    } cases[] = {
        {",mougo.", 1, "? # Parameter error >,mougo. 0<"},
        {",mougo,up.", 1, "? # Parameter error >,mougo,up. 1<"},
        {",mougo,north,2.", 1, "? # Parameter error >,mougo,north,2. 1<"},
        {",mougo,up,11.", 10, "? # Parameter error >,mougo,up,11. 2<"},
        {",mougo,up,0.", 10, "? # Parameter error >,mougo,up,0. 2<"},
        {",mougo,up,x.", 10, "? # Parameter error >,mougo,up,x. 2<"},
        {",mougo,up,1,2.", 1, "? # Parameter error >,mougo,up,1,2. 3<"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(T.Cmd(c.Text), c.Result) << c.Text;
        EXPECT_EQ(T.Lines(), Strings{c.Line});
    }
    EXPECT_FALSE(T.Typer->Moving());
}

TEST_F(TyperMouse, EachTickMovesBySpeedUnits)
{
    EXPECT_EQ(T.Cmd(",mougo,downright,2."), 0);
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 1, 0}}));
    T.Typer->MouseTick();
    T.Typer->MouseTick();
    EXPECT_EQ(T.Events(), (Strings{"move 2 2", "move 2 2"}));
    T.Cmd(",mouinc.");
    T.Typer->MouseTick();
    T.Cmd(",mougo,left,1.");
    T.Typer->MouseTick();
    EXPECT_EQ(T.Events(), (Strings{"move 3 3", "move -1 0"}));
}

TEST(TyperMouseTicks, FractionsCarryFromTickToTick)
{
    TTypingSettings typing = TTestEnvironment::QuickSettings().Typing;
    typing.MouseDelta = 50;
    TTyperHarness t(typing);
    t.Cmd(",mougo,up,3.");
    for (int i = 0; i < 4; ++i)
        t.Typer->MouseTick();
    EXPECT_EQ(t.Events(), (Strings{"move 0 -1", "move 0 -2", "move 0 -1", "move 0 -2"}));
}

TEST(TyperMouseTicks, ASmallDeltaSendsEmptyMovesUntilAPixelIsDue)
{
    TTypingSettings typing = TTestEnvironment::QuickSettings().Typing;
    typing.MouseDelta = 30;
    TTyperHarness t(typing);
    t.Cmd(",mougo,right,1.");
    for (int i = 0; i < 4; ++i)
        t.Typer->MouseTick();
    EXPECT_EQ(t.Events(), (Strings{"move 0 0", "move 0 0", "move 0 0", "move 1 0"}));
}

TEST_F(TyperMouse, TicksWhileStoppedDoNothing)
{
    T.Typer->MouseTick();
    T.Cmd(",mougo,up,1.");
    T.Cmd(",moustop.");
    T.Typer->MouseTick();
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 1, 0}, {UM_MOUSEMOVING, 0, 0}}));
}

TEST_F(TyperMouse, SpeedStaysWithinOneToTen)
{
    T.Cmd(",mougo,up,10.");
    T.Cmd(",mouinc.");
    EXPECT_EQ(T.Typer->Speed(), 10);
    T.Cmd(",mougo,up,1.");
    T.Cmd(",moudec.");
    EXPECT_EQ(T.Typer->Speed(), 1);
    EXPECT_EQ(T.Cmd(",mouinc,1."), 8);
    EXPECT_EQ(T.Cmd(",moudec,1."), 8);
    EXPECT_EQ(T.Cmd(",moustop,1."), 9);
    EXPECT_EQ(T.Cmd(",moureset,1."), 10);
}

TEST_F(TyperMouse, MoustopWhileStillPostsNothingMoureresetAlwaysDoes)
{
    T.Cmd(",moustop.");
    EXPECT_TRUE(T.Posted().empty());
    T.Cmd(",moulock,left.");
    T.Events();
    EXPECT_EQ(T.Cmd(",moureset."), 0);
    EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_MOUSEMOVING, 0, 0}}));
    EXPECT_EQ(T.Events(), (Strings{"button 0004", "abs 0 0"}));
}

TEST(MulDiv, RoundsToNearestLikeTheSystem)
{
    EXPECT_EQ(MulDiv(400, 65535, 1920), 13653);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(5, 65535, 0), -1);
    EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);
    EXPECT_EQ(MulDiv(10, 10, -3), -33);
}

} // namespace
