#include "tests/support/TyperHarness.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(TyperConstruction, PauseAfterEachEventComesFromTheSettingsClamped)
{
    for (const auto& [stored, kept] : {std::pair{5000, 999}, {-7, -1}, {0, 0}, {25, 25}}) {
        TTypingSettings typing;
        typing.Wait = stored;
        EXPECT_EQ(TTyperHarness(typing).Typer->Wait(), kept) << stored;
    }
}

class TyperKeys : public ::testing::Test {
protected:
    TTyperHarness T;
};

TEST_F(TyperKeys, CharacterKeysWithNothingDownAreTypedAsCharacters)
{
    EXPECT_TRUE(T.Typer->TypeKeyName("a"));
    EXPECT_TRUE(T.Typer->TypeKeyName("at"));
    EXPECT_EQ(T.Events(), (Strings{"char 61 down", "char 61 up", "char 40 down", "char 40 up"}));
}

TEST_F(TyperKeys, KeysWithoutACharacterAreStruck)
{
    EXPECT_TRUE(T.Typer->TypeKeyName("PgUp"));
    EXPECT_TRUE(T.Typer->TypeKeyName("altgr"));
    EXPECT_EQ(T.Events(), (Strings{"down 21", "up 21", "down 11", "down 12", "up 12", "up 11"}));
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
}

TEST_F(TyperKeys, WithShiftHeldTheAtKeyIsStruckAndShiftReleased)
{
    T.Cmd(",hold,shift.");
    EXPECT_TRUE(T.Typer->TypeKeyName("at"));
    EXPECT_EQ(T.Events(), (Strings{"down 10", "down 11", "down 12", "down 51", "up 51", "up 12", "up 11", "up 10"}));
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
}

TEST_F(TyperKeys, HeldShiftThenPlainA)
{
    T.Cmd(",hold,shift.");
    T.Typer->TypeChar('a');
    EXPECT_EQ(T.Events(), (Strings{"down 10", "down 41", "up 41", "up 10"}));
}

TEST_F(TyperKeys, UmlautsGoThroughTheCharacterPath)
{
    T.Typer->TypeChar(0xE4);
    T.Typer->TypeChar(0xDF);
    EXPECT_EQ(T.Events(), (Strings{"char E4 down", "char E4 up", "char DF down", "char DF up"}));
}

// Bytes 0x80 to 0x9F are the program's code page, Windows-1252: the euro
// sign, quotes and dashes, not C1 control codes that show nothing. The
// five bytes it leaves unassigned stay as they are; 0xA0 and up are the
// same in both.
TEST_F(TyperKeys, BytesOfTheWindowsCodePageAreTheCharactersItMeans)
{
    const std::pair<uint8_t, const char*> expected[] = {
        {0x80, "20AC"}, {0x84, "201E"}, {0x93, "201C"}, {0x94, "201D"}, {0x96, "2013"}, {0x97, "2014"},
        {0x8A, "160"},  {0x9F, "178"},  {0x81, "81"},   {0x8D, "8D"},   {0x8F, "8F"},   {0x90, "90"},
        {0x9D, "9D"},   {0xA0, "A0"},   {0xFF, "FF"},
    };
    for (const auto& [byte, character] : expected) {
        T.Typer->TypeChar(byte);
        EXPECT_EQ(T.Events(), (Strings{std::string("char ") + character + " down", std::string("char ") + character + " up"}))
            << "byte " << int(byte);
    }
    EXPECT_EQ(T.Cmd(",ascii,128."), 0);
    EXPECT_EQ(T.Cmd(",ascii,150."), 0);
    EXPECT_EQ(T.Events(), (Strings{"char 20AC down", "char 20AC up", "char 2013 down", "char 2013 up"}));
}

TEST_F(TyperKeys, AnUmlautWhileShiftIsLockedIsRefused)
{
    T.Cmd(",lock,shift.");
    T.Events();
    T.Lines();
    T.Typer->TypeChar(0xE4);
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Lines(), Strings{"? # Parameter error >\xe4<"});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x10), ksLocked);
}

TEST_F(TyperKeys, AReceivedLetterUsesItsKeyWhileCtrlIsHeld)
{
    T.Cmd(",hold,ctrl.");
    T.Typer->TypeChar('A');
    EXPECT_EQ(T.Events(), (Strings{"down 11", "down 41", "up 41", "up 11"}));
}

TEST_F(TyperKeys, HoldingTwiceCollidesAndSendsOneKeyDown)
{
    T.Cmd(",hold,shift.");
    T.Lines();
    EXPECT_EQ(T.Cmd(",hold,shift."), 0);
    EXPECT_EQ(T.Events(), Strings{"down 10"});
    EXPECT_EQ(T.Lines(), Strings{"? # Key collision ,hold,shift."});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x10), ksHeld);
}

TEST_F(TyperKeys, HoldAfterLockLeavesTheKeyLocked)
{
    T.Cmd(",lock,shift.");
    T.Cmd(",hold,shift.");
    EXPECT_EQ(T.Events(), Strings{"down 10"});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x10), ksLocked);
    T.Typer->TypeKeyName("a");
    T.Typer->TypeKeyName("b");
    EXPECT_EQ(T.Events(), (Strings{"down 41", "up 41", "down 42", "up 42"})) << "a locked key stays down";
}

TEST_F(TyperKeys, AStrokeLeavesALockedKeyOfItsOwnGroupDown)
{
    T.Cmd(",lock,ctrl.");
    T.Events();
    T.Typer->TypeKeyName("altgr");
    T.Typer->TypeKeyName("at");
    EXPECT_EQ(T.Events(), (Strings{"down 12", "up 12", "down 12", "down 51", "up 51", "up 12"}));
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x11), ksLocked);
}

TEST_F(TyperKeys, LockAfterHoldLocksWithoutASecondKeyDown)
{
    T.Cmd(",hold,shift.");
    T.Lines();
    T.Cmd(",lock,shift.");
    EXPECT_EQ(T.Events(), Strings{"down 10"});
    EXPECT_EQ(T.Lines(), Strings{"? # Key collision ,lock,shift."});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x10), ksLocked);
}

TEST_F(TyperKeys, ReleasingAKeyThatIsUpCollidesButStillEndsHolds)
{
    T.Cmd(",hold,ctrl.");
    T.Events();
    T.Lines();
    EXPECT_EQ(T.Cmd(",rel,shift."), 0);
    EXPECT_EQ(T.Events(), Strings{"up 11"});
    EXPECT_EQ(T.Lines(), Strings{"? # Key collision ,rel,shift."});
}

TEST_F(TyperKeys, RelAloneReleasesEveryKeyInAscendingOrder)
{
    T.Cmd(",lock,rshift.");
    T.Cmd(",hold,alt.");
    T.Cmd(",lock,shift.");
    T.Events();
    T.Cmd(",rel.");
    EXPECT_EQ(T.Events(), (Strings{"up 10", "up 12", "up A1"}));
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
}

TEST_F(TyperKeys, CombineReleasesEntriesFromLastToFirst)
{
    EXPECT_EQ(T.Cmd(",combine,ctrl,alt,del."), 0);
    EXPECT_EQ(T.Events(), (Strings{"down 11", "down 12", "down 2E", "up 2E", "up 12", "up 11"}));
}

TEST_F(TyperKeys, CombineReleasesTheCodesOfOneEntryInPressOrder)
{
    EXPECT_EQ(T.Cmd(",combine,altgr,q."), 0);
    EXPECT_EQ(T.Events(), (Strings{"down 11", "down 12", "down 51", "up 51", "up 11", "up 12"}));
}

TEST_F(TyperKeys, CombineReleasesAKeyHeldBeforeItButNotOtherHolds)
{
    T.Cmd(",hold,ctrl.");
    T.Cmd(",hold,lalt.");
    T.Events();
    T.Lines();
    T.Cmd(",combine,ctrl,a.");
    EXPECT_EQ(T.Events(), (Strings{"down 41", "up 41", "up 11"}));
    EXPECT_EQ(T.Lines(), Strings{"? # Key collision ,combine,ctrl,a."});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0xA4), ksHeld);
}

TEST_F(TyperKeys, ParametersMustBeModifiersExceptTheLastOfACombination)
{
    struct Case {
        const char* Text;
        int32_t Result;
        const char* Line;
    } cases[] = {
        {",combine,ctrl,alt.", 14, "? # Parameter error >,combine,ctrl,alt. 2<"},
        {",combine,a,b.", 9, "? # Parameter error >,combine,a,b. 1<"},
        {",hold,a.", 6, "? # Parameter error >,hold,a. 1<"},
        {",hold,aacute.", 6, "? # Parameter error >,hold,aacute. 1<"},
        {",lock,shift,nokey.", 12, "? # Parameter error >,lock,shift,nokey. 2<"},
        {",rel,shift,a.", 11, "? # Parameter error >,rel,shift,a. 2<"},
        {",hold.", 1, "? # Parameter error >,hold. 0<"},
        {",lock.", 1, "? # Parameter error >,lock. 0<"},
        {",combine,ctrl.", 1, "? # Parameter error >,combine,ctrl. 0<"},
    };
    for (const Case& c : cases) {
        T.Env.Target.Clear();
        EXPECT_EQ(T.Cmd(c.Text), c.Result) << c.Text;
        EXPECT_TRUE(T.Events().empty()) << c.Text;
        EXPECT_EQ(T.Lines(), Strings{c.Line});
        EXPECT_EQ(T.Posted(), (std::vector<TPostedMessage>{{UM_GIDEIERROR, 0, 0}})) << c.Text;
    }
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
}

TEST_F(TyperKeys, AsciiTypesOneCharacterByItsCode)
{
    EXPECT_EQ(T.Cmd(",ascii,32."), 0);
    EXPECT_EQ(T.Cmd(",ascii,255."), 0);
    EXPECT_EQ(T.Events(), (Strings{"char 20 down", "char 20 up", "char FF down", "char FF up"}));
}

TEST_F(TyperKeys, AsciiErrorsAreLoggedWithoutTheErrorSignal)
{
    for (const char* text : {",ascii,31.", ",ascii,256.", ",ascii,x.", ",ascii.", ",ascii,65,66.", ",ascii,-65."}) {
        EXPECT_EQ(T.Cmd(text), 0) << text;
        EXPECT_EQ(T.Lines(), Strings{std::string("? # Parameter error >") + text + "<"});
    }
    EXPECT_TRUE(T.Events().empty());
    EXPECT_TRUE(T.Posted().empty());
}

TEST_F(TyperKeys, AsciiWhileAKeyIsActiveIsAModifierCollision)
{
    T.Cmd(",hold,shift.");
    T.Events();
    T.Lines();
    EXPECT_EQ(T.Cmd(",ascii,65."), 0);
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Lines(), Strings{"  # Modifier collision ,ascii,65."});
    EXPECT_EQ(T.Typer->KeyTable().KeyState(0x10), ksHeld);
}

TEST_F(TyperKeys, UnknownKeyNamesAndCharactersWithoutAKey)
{
    EXPECT_FALSE(T.Typer->TypeKeyName("xyz"));
    EXPECT_FALSE(T.Typer->TypeKeyName("pause"));
    T.Cmd(",hold,shift.");
    T.Events();
    T.Typer->TypeChar(' ');
    EXPECT_TRUE(T.Events().empty());
    EXPECT_EQ(T.Lines(), (Strings{"? # Parameter error >xyz<", "? # Parameter error >pause<", "? # Parameter error > <"}));
    EXPECT_TRUE(T.Posted().empty()) << "these errors give no error signal";
}

TEST_F(TyperKeys, CollisionsDuringCharactersAndKeyNamesCarryAnEmptyText)
{
    T.Cmd(",lock,shift.");
    T.Lines();
    T.Typer->TypeKeyName("shift");
    EXPECT_EQ(T.Lines(), Strings{"? # Key collision "});
    EXPECT_EQ(T.Typer->Sequence, "");
}

TEST(TyperExit, DestroyingTheTyperReleasesKeysAndButtonsButLeavesThePointer)
{
    TTyperHarness t;
    t.Cmd(",lock,shift.");
    t.Cmd(",hold,ctrl.");
    t.Cmd(",moulock,right.");
    t.Cmd(",mougo,up,3.");
    t.Events();
    t.Typer.reset();
    EXPECT_EQ(t.Sink.Take(), (Strings{"button 0010", "up 10", "up 11"}));
}

// While the system refuses input (a window of higher integrity has the
// focus), each unit says so once, with the system's text, and the typer's
// key states go on as if the records had gone through.
TEST_F(TyperKeys, RefusedInputIsLoggedOncePerUnit)
{
    const std::string text = SysErrorText(T.Sink.ErrorCode);
    T.Sink.RefuseInput = true;
    EXPECT_EQ(T.Cmd(",combine,ctrl,alt,del."), 0);
    EXPECT_EQ(T.Lines(), Strings{"? # SYSTEM combine: " + text}) << "six records, one line";
    EXPECT_EQ(T.Cmd(",lock,shift."), 0);
    EXPECT_TRUE(T.Typer->KeyTable().AnyKeyActive()) << "the state follows the command all the same";
    T.Typer->TypeChar('a');
    EXPECT_TRUE(T.Typer->TypeKeyName("PgUp"));
    T.Typer->TypeChar(0xE4);
    EXPECT_EQ(T.Lines(), (Strings{"? # SYSTEM lock: " + text, "? # SYSTEM a: " + text, "? # SYSTEM PgUp: " + text,
                                  "? # Parameter error >\xe4<"}));
    T.Typer->ResetAll();
    EXPECT_EQ(T.Lines(), Strings{"? # SYSTEM lock: " + text}) << "the reset: moves and key-ups, one line";
    EXPECT_FALSE(T.Typer->KeyTable().AnyKeyActive());
    EXPECT_TRUE(T.Events().empty());

    T.Sink.RefuseInput = false;
    T.Typer->TypeChar('b');
    EXPECT_EQ(T.Events(), (Strings{"char 62 down", "char 62 up"}));
    EXPECT_TRUE(T.Lines().empty());
}

} // namespace
