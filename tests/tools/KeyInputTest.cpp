// The key sender without a display: keywords, the order of played keys, and a
// send to a target that may be gone or may not take the keyboard.
#include "tools/KeyInput.h"
#include "tests/tools/FakeTools.h"
#include "tools/EngineCalls.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FakeSynth;
using test::FakeWindows;
using Events = std::vector<std::string>;

Events Played(std::string_view keywords) {
    FakeSynth synth;
    SendKeyCodes(KeywordsToCodes(keywords), synth);
    return synth.events;
}

TEST(KeywordsTest, KeywordsBecomeCodesInAnyCase) {
    EXPECT_EQ(KeywordsToCodes("[TAB]x[tab]"), "\x09x\x09");
    EXPECT_EQ(KeywordsToCodes("[Enter][F1][F10][f12][ALT_UP]"), "\x0d\xe4\xed\xef\xff");
    // Anything else bracketed is typed as it stands.
    EXPECT_EQ(KeywordsToCodes("[F13][ENTE]"), "[F13][ENTE]");
    // Every keyword of the table turns into its own code.
    for (const KeywordRow& row : KeywordTable())
        EXPECT_EQ(KeywordsToCodes(row.keyword), std::string(1, static_cast<char>(row.code)))
            << row.keyword;
}

TEST(SendKeyCodesTest, ShiftIsAddedWhereTheLayoutNeedsIt) {
    // A capital letter: Shift around it.
    EXPECT_EQ(Played("A"), (Events{"+ffe1", "+41", "-41", "-ffe1"}));
    // Held by a keyword: no second Shift.
    EXPECT_EQ(Played("[SHIFT_DN]a[SHIFT_UP]"), (Events{"+ffe1", "+61", "-61", "-ffe1"}));
    EXPECT_EQ(Played("[CTRL_DN]A[CTRL_UP]"), (Events{"+ffe3", "+41", "-41", "-ffe3"}));
    // Special keys and plain characters never get Shift.
    EXPECT_EQ(Played("[ENTER]a[F5]"), (Events{"+ff0d", "-ff0d", "+61", "-61", "+ffc2", "-ffc2"}));
}

TEST(SendKeyCodesTest, NoModifierStaysHeldAfterwards) {
    // A press keyword without its release: released at the end, last first.
    EXPECT_EQ(Played("[CTRL_DN][ALT_DN][DEL]"),
              (Events{"+ffe3", "+ffe9", "+ffff", "-ffff", "-ffe9", "-ffe3"}));
    // Shift is still held after Ctrl's release: no automatic Shift on top.
    EXPECT_EQ(Played("[SHIFT_DN][CTRL_UP]!"), (Events{"+ffe1", "-ffe3", "+21", "-21", "-ffe1"}));
}

class SendTest : public ::testing::Test {
protected:
    SendKeyState state;
    FakeWindows windows;
    FakeSynth synth;
    KeySenderLogic logic{state, windows, synth, [](std::u16string_view text, Direction direction) {
                             return ConvertForSending(text, direction, 936);
                         }};
    void SetUp() override {
        windows.windows = {{77, "Chat", "Chat"}};
        state.TargetWindow = 77;
        state.KeysAfterText = KeywordsToCodes("[ENTER]");
    }
};

TEST_F(SendTest, LineIsConvertedTypedAndFollowedByTheKeys) {
    std::u16string line = u"头发a";
    EXPECT_EQ(logic.Send(line, GbToBig5), KeySenderLogic::SendResult::Sent);
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(synth.typed, U"頭發a"); // the plain table: no phrase correction
    EXPECT_EQ(synth.events, (Events{"+ff0d", "-ff0d"}));
    EXPECT_EQ(state.SendDirection, GbToBig5);
    // An empty line: only the keys.
    synth = FakeSynth();
    EXPECT_EQ(logic.Send(line, Big5ToGb), KeySenderLogic::SendResult::Sent);
    EXPECT_TRUE(synth.typed.empty());
    EXPECT_EQ(synth.events.size(), 2u);
}

TEST_F(SendTest, UnicodeDesktopChangesTheTypefaceAndTypesWholeCharacters) {
    KeySenderLogic unicode{state, windows, synth, [](std::u16string_view text, Direction d) {
                               return ConvertForSending(text, d, 65001);
                           }};
    // A character beyond both code pages stays, typed as one character, not
    // as two halves of a surrogate pair.
    std::u16string line = u"简体\U0001F600é";
    unicode.Send(line, GbToBig5);
    EXPECT_EQ(synth.typed, U"簡體\U0001F600é");
}

TEST_F(SendTest, TargetThatIsGoneOrDoesNotTakeTheKeyboardGetsNothing) {
    std::u16string line = u"你好";
    windows.takesFocus = false;
    EXPECT_EQ(logic.Send(line, GbToBig5), KeySenderLogic::SendResult::NotActivated);
    EXPECT_EQ(line, u"你好") << "the text stays for another try";
    EXPECT_TRUE(synth.events.empty());
    EXPECT_TRUE(synth.typed.empty());
    state.TargetWindow = 78;
    EXPECT_EQ(logic.Send(line, GbToBig5), KeySenderLogic::SendResult::NoTarget);
    EXPECT_EQ(windows.activated, std::vector<WindowId>{77});
}

TEST(KeySenderTextsTest, LoneCarriageReturnsBreakLines) {
    EXPECT_EQ(LineBreaks(KeySenderTextsFor(0)->NoWindow),
              "Window does not exist!\r\n\r\nPlease select one.");
    EXPECT_EQ(LineBreaks("a\r\nb\r"), "a\r\nb\r\n");
}

TEST(KeySenderGeometryTest, BarStaysWhollyOnTheScreen) {
    EXPECT_EQ(InitialBarRect(1024, 768, 30), (BarRect{128, 702, 768, 30}));
    EXPECT_EQ(KeepOnScreen({900, 10, 300, 30}, 1024, 768), (BarRect{723, 10, 300, 30}));
    EXPECT_EQ(KeepOnScreen({-5, -2, 300, 30}, 1024, 768), (BarRect{0, 0, 300, 30}));
    EXPECT_EQ(KeepOnScreen({5, 760, 300, 30}, 1024, 768), (BarRect{5, 737, 300, 30}));
}

} // namespace
} // namespace tessarim
