#include "mainwin/ClipCommands.h"

#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"
#include "engine/Utf8.h"
#include "settings/ProgramSettings.h"
#include "tests/mainwin/FakeClipboard.h"
#include "tests/support/TestSupport.h"

#include <clocale>
#include <gtest/gtest.h>
#include <memory>

namespace tessarim {
namespace {

using test::CapturedMessages;
using test::FakeClipboard;

std::u16string U(std::string_view utf8) {
    std::size_t rest = 0;
    return Utf8ToWide(utf8, rest);
}
std::string Gbk(std::string_view utf8) {
    return WideToAnsi(U(utf8), CodePageGbk);
}
std::string Big5(std::string_view utf8) {
    return WideToAnsi(U(utf8), CodePageBig5);
}

// Eight or more frequent characters: text the detector recognises.
constexpr const char* Traditional8 = "我們的國家是大中華，這是一個很好的時代";
constexpr const char* Simplified8 = "我们的国家是大中华，这是一个很好的时代";

constexpr const char* GtoBQuestionEnglish =
    "The clipboard may contain Big5 data.\r\n\r\nAre you sure "
    "you want to continue the GB > Big5 conversion?";

class ClipCommandsTest : public ::testing::Test {
protected:
    FakeClipboard clipboard;
    test::FakeDialogs dialogs;
    test::FakeSound sound;
    test::FakePaste paste;
    ProgramSettings settings;
    CapturedMessages messages;
    std::uint64_t now = 1000;
    std::unique_ptr<ClipCommands> commands;

    static void SetUpTestSuite() {
        LoadCodeTables();
        // The time is written with the locale's decimal point; these tests expect a ".".
        std::setlocale(LC_NUMERIC, "C");
    }
    void SetUp() override {
        // The character tables alone, so that results do not depend on the
        // user's corrections.
        ClearFixTable(FixTableId::Big5);
        ClearFixTable(FixTableId::Gbk);
        Fix_UNN = true;
        settings.WaveFile.clear();
    }

    // The commands on a system with this code page; each command takes 250 ms.
    ClipCommands& On(int codePage) {
        commands = std::make_unique<ClipCommands>(ClipDesktop{clipboard, dialogs, sound, paste},
                                                  settings, codePage);
        commands->groupSeparator = ",";
        commands->GetTickCount = [this] {
            const std::uint64_t tick = now;
            now += 250;
            return tick;
        };
        clipboard.onChange = [this] { commands->ClipboardChange(); };
        return *commands;
    }
    std::string Messages() const { return messages.texts(); }
};

TEST_F(ClipCommandsTest, GbkSystemExchangesTheBytesAndLeavesOnlyTheEightBitText) {
    // References are clipboard text like any other: they stay as they are.
    clipboard.SetAnsi(Gbk("简体中文转换&#20013;"));
    clipboard.SetUnicode(u"anything");
    clipboard.SetHtml("<html><body>简体</body></html>");
    On(CodePageGbk).BtnClipGtoBClick();
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_TEXT});
    EXPECT_EQ(clipboard.Ansi(), Big5("簡體中文轉換&#20013;"));
    EXPECT_TRUE(Fix_UNN) << "restored";
    EXPECT_EQ(Messages(), "GBK > Big5 conversion finished.\r\n\r\nText size: 20 bytes\r\n\r\n"
                          "Total time used: 0.25 sec");
    EXPECT_EQ(messages.messages().at(0).first, MessageKind::Information);
    EXPECT_EQ(sound.beeps, 1);

    commands->BtnClipBtoGClick();
    EXPECT_EQ(clipboard.Ansi(), Gbk("简体中文转换&#20013;"));

    // Without 8-bit text the Unicode text goes through the system code page.
    clipboard.formats.clear();
    clipboard.SetUnicode(U("簡體中文"));
    On(CodePageBig5).BtnClipBtoGClick();
    EXPECT_EQ(clipboard.Ansi(), Gbk("简体中文"));
    EXPECT_NE(Messages().find("Text size: 8 bytes"), std::string::npos) << Messages();
    // An empty 8-bit text gives way to the Unicode text.
    clipboard.formats.clear();
    clipboard.SetAnsi("");
    clipboard.SetUnicode(U("简体"));
    On(CodePageGbk).BtnClipGtoBClick();
    EXPECT_EQ(clipboard.Ansi(), Big5("簡體"));
}

TEST_F(ClipCommandsTest, TextAlreadyInTheTargetCodeIsConvertedOnlyAfterYes) {
    settings.Lang = 0;
    clipboard.SetAnsi(Big5(Traditional8));
    dialogs.answer = false;
    On(CodePageGbk).BtnClipGtoBClick();
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{GtoBQuestionEnglish});
    EXPECT_EQ(clipboard.changes, 0);
    EXPECT_EQ(clipboard.Ansi(), Big5(Traditional8));
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_TRUE(Fix_UNN) << "restored after No as well";

    // A minute spent answering is no part of the time reported.
    dialogs.answer = true;
    dialogs.whileAsking = [this] { now += 60000; };
    commands->BtnClipGtoBClick();
    EXPECT_EQ(clipboard.changes, 1);
    EXPECT_TRUE(Messages().ends_with("Total time used: 0.5 sec")) << Messages();

    // Seven double-byte characters are never questioned.
    dialogs.questions.clear();
    clipboard.SetAnsi(Big5("我們的國家是大"));
    commands->BtnClipGtoBClick();
    EXPECT_TRUE(dialogs.questions.empty());

    settings.Lang = 1;
    clipboard.SetAnsi(Gbk(Simplified8));
    commands->BtnClipBtoGClick();
    settings.Lang = 2;
    clipboard.SetAnsi(Big5(Traditional8));
    commands->BtnClipGtoBClick();
    EXPECT_EQ(dialogs.questions,
              (std::vector<std::string>{
                  "剪貼簿內文可能已是GB簡體編碼。\r\n\r\n是否繼續 Big5 > GB 轉換？",
                  "剪贴板内文可能已是Big5繁体编码。\r\n\r\n是否继续 GB >Big5 转换？"}));
}

TEST_F(ClipCommandsTest, CompletionMessageGroupsDigitsAndSpeaksTheLanguage) {
    ClipCommands& clip = On(CodePageGbk);
    const std::string text(1234, 'a');
    clipboard.SetAnsi(text);
    clip.BtnClipGtoBClick();
    settings.Lang = 1;
    clip.groupSeparator = ".";
    clip.BtnClipGtoBClick();
    settings.Lang = 2;
    clip.groupSeparator = "\u00a0";
    clip.BtnClipBtoGClick();
    settings.Lang = 7; // a language the program does not have
    clip.BtnClipBtoGClick();
    EXPECT_EQ(Messages(),
              "GBK > Big5 conversion finished.\r\n\r\nText size: 1,234 bytes\r\n\r\n"
              "Total time used: 0.25 sec|"
              "GBK > Big5 轉換完畢！\r\n\r\n總共轉換： 1.234 字節\r\n\r\n須時: 0.25 秒|"
              "Big5 > GBK 转换完毕！\r\n\r\n总共转换： 1\u00a0234 字节\r\n\r\n须时: 0.25 秒|"
              "Big5 > GBK conversion finished.\r\n\r\nText size: 1\u00a0234 bytes\r\n\r\n"
              "Total time used: 0.25 sec");

    settings.MsgClipConFinished = false;
    clip.BtnClipGtoBClick();
    EXPECT_EQ(messages.messages().size(), 4u);
    EXPECT_EQ(sound.beeps, 5) << "the sound is not part of the message";
}

TEST_F(ClipCommandsTest, UnicodeDesktopChangesTheTypefaceAndKeepsWhatTheCodePagesLack) {
    const std::u16string simplified = U("简体中文 한국어 😀 &#20013;");
    clipboard.SetUnicode(simplified);
    clipboard.SetAnsi("?");
    clipboard.SetHtml("<body>简体</body>");
    On(CodePageUtf8).BtnClipGtoBClick();
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_UNICODETEXT});
    EXPECT_EQ(clipboard.Unicode(), U("簡體中文 한국어 😀 &#20013;"));
    const std::string utf8Size = std::to_string(WideToUtf8(simplified).size());
    EXPECT_NE(Messages().find("Text size: " + utf8Size + " bytes"), std::string::npos)
        << "the size of the text as the desktop holds it";

    commands->BtnClipBtoGClick();
    EXPECT_EQ(clipboard.Unicode(), simplified);
    EXPECT_TRUE(dialogs.questions.empty());

    // The C locale's system is a Unicode desktop as well; text already in
    // the target typeface asks first.
    dialogs.answer = false;
    clipboard.SetUnicode(U(Traditional8));
    const int changes = clipboard.changes;
    On(CodePageWestern).BtnClipGtoBClick();
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{GtoBQuestionEnglish});
    EXPECT_EQ(clipboard.changes, changes);
    clipboard.SetUnicode(U(Simplified8));
    commands->BtnClipGtoBClick();
    EXPECT_EQ(dialogs.questions.size(), 1u) << "Simplified text is what G > B expects";
    EXPECT_EQ(clipboard.Unicode(), U(Traditional8));
}

TEST(ClipFace, SimplifiedTextLooksLikeSimplifiedOnlyWithEightChineseCharacters) {
    LoadCodeTables();
    ClearFixTable(FixTableId::Big5);
    ClearFixTable(FixTableId::Gbk);
    EXPECT_TRUE(LooksLikeFace(U(Simplified8), FaceS));
    EXPECT_FALSE(LooksLikeFace(U(Simplified8), FaceT));
    EXPECT_TRUE(LooksLikeFace(U(Traditional8), FaceT));
    EXPECT_FALSE(LooksLikeFace(U("我们的国家 abc 中华"), FaceS)) << "seven characters";
    EXPECT_FALSE(LooksLikeFace(U("中文中文中文中文中文"), FaceS)) << "the same in both faces";
}

TEST_F(ClipCommandsTest, UnicodeCommandConvertsTextAndHtmlAndWritesThreeForms) {
    const std::string html = HtmlClipboardBlock("<span style=\"font-family:SimSun\">简体</span>");
    clipboard.SetUnicode(U("简体中文"));
    clipboard.SetAnsi("ignored");
    clipboard.SetHtml(html);
    On(CodePageGbk).UClipConStoTClick(11);
    EXPECT_EQ(clipboard.Formats(),
              (std::vector<unsigned>{CF_TEXT, CF_UNICODETEXT, FakeClipboard::HtmlFormat}));
    EXPECT_EQ(clipboard.Unicode(), U("簡體中文"));
    EXPECT_EQ(clipboard.Ansi(), Gbk("簡體中文"));
    // The header's offsets stay as they were.
    EXPECT_EQ(clipboard.Html(), html.substr(0, html.find("<html>")) +
                                    "<html><body>\r\n<!--StartFragment--><span "
                                    "style=\"font-family:MingLiU\">簡體</span><!--EndFragment-->"
                                    "\r\n</body>\r\n</html>");
    EXPECT_EQ(Messages(), "CF_HTML: " + std::to_string(clipboard.Html().size()) +
                              " bytes\r\n\r\nUnicode: 8 bytes\r\n\r\nTotal time used: 0.25 sec");

    // Without HTML support the HTML form is gone, and the message leaves it out.
    settings.CF_HTML_Support = false;
    clipboard.SetHtml(html);
    commands->UClipConStoTClick(12);
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_TEXT, CF_UNICODETEXT}));
    EXPECT_EQ(clipboard.Unicode(), U("简体中文"));
    EXPECT_TRUE(messages.messages().at(1).second.starts_with("Unicode: "));

    // Only 8-bit text: read through the system code page.
    clipboard.formats.clear();
    clipboard.SetAnsi(Big5("簡體"));
    On(CodePageBig5).UClipConStoTClick(12);
    EXPECT_EQ(clipboard.Unicode(), U("简体"));
    EXPECT_EQ(clipboard.Ansi(), Big5("简体")) << "Big5 lacks these two: they become \"?\"";
}

TEST_F(ClipCommandsTest, BusyCursorShowsWhileTheWorkLastsNotWithTheMessage) {
    std::vector<int> busyAtMessage;
    const MessageHandler captured = SetMessageHandler(
        [&](MessageKind, std::string_view) { busyAtMessage.push_back(dialogs.busy); });
    clipboard.SetUnicode(U("简体"));
    ClipCommands& clip = On(CodePageUtf8);
    clip.UClipConStoTClick(11);
    clip.Uni2DecClick(13);
    SetMessageHandler(captured);
    EXPECT_EQ(busyAtMessage, (std::vector<int>{0, 0}));
    EXPECT_EQ(dialogs.busyShown, 2);
}

TEST_F(ClipCommandsTest, NotationWritesEveryNonAsciiUnitAsAReference) {
    struct Case {
        const char* text;
        const char* decimal;
        const char* hex;
    };
    const Case cases[] = {
        {"中a", "&#20013;a", "&#x4E2D;a"},
        {"&#x4e2d;", "&#20013;", "&#x4E2D;"}, // decoded first
        {"é\r\n", "&#233;\r\n", "&#xE9;\r\n"},
        {"😀", "&#55357;&#56832;", "&#xD83D;&#xDE00;"}, // one reference per surrogate
        {"", "", ""},
    };
    ClipCommands& clip = On(CodePageUtf8);
    for (const Case& c : cases) {
        for (const int tag : {13, 14}) {
            const std::string expected = tag == 13 ? c.decimal : c.hex;
            clipboard.SetUnicode(U(c.text));
            clipboard.SetHtml("<body>x</body>");
            clip.Uni2DecClick(tag);
            EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_TEXT, CF_UNICODETEXT}));
            EXPECT_EQ(clipboard.Ansi(), expected) << c.text;
            EXPECT_EQ(clipboard.Unicode(), U(expected)) << c.text;
        }
    }
    EXPECT_EQ(messages.messages().at(0).second,
              "Unicode > Decimal Notation\r\n\r\nTotal: 4 bytes\r\n\r\nTotal time used: 0.25 sec");
    EXPECT_TRUE(messages.messages().at(1).second.starts_with("Unicode > Hex Notation\r\n"));
    EXPECT_TRUE(messages.messages().back().second.starts_with(
        "Unicode > Hex Notation\r\n\r\nTotal: 0 bytes\r\n\r\nTotal time used: "));

    clipboard.formats.clear();
    clipboard.SetAnsi(Big5("中文"));
    On(CodePageBig5).Uni2DecClick(13);
    EXPECT_EQ(clipboard.Ansi(), "&#20013;&#25991;");
}

TEST_F(ClipCommandsTest, WithoutTextNoCommandDoesAnything) {
    clipboard.SetHtml("<body>简体</body>");
    for (const int codePage : {CodePageGbk, CodePageUtf8}) {
        ClipCommands& clip = On(codePage);
        clip.BtnClipGtoBClick();
        clip.BtnClipBtoGClick();
        clip.UClipConStoTClick(11);
        clip.Uni2DecClick(13);
        clip.PasteAfrHotKey = true;
        clip.AMHotKeysHotKeys0HotKey();
        clip.AMHotKeysHotKeys1HotKey();
    }
    EXPECT_EQ(clipboard.changes, 0);
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_EQ(dialogs.busyShown, 0);
    EXPECT_EQ(paste.pastes, 0);
}

TEST_F(ClipCommandsTest, GbHotKeyConvertsTheSameTextOnce) {
    ClipCommands& clip = On(CodePageGbk);
    clip.PasteAfrHotKey = true;
    clipboard.SetAnsi(Gbk("简体"));
    clip.AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.Ansi(), Big5("簡體"));
    clip.AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.changes, 1) << "pressed twice, converted once";
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_EQ(paste.pastes, 1);

    clip.AMHotKeysHotKeys1HotKey();
    EXPECT_EQ(clipboard.Ansi(), Gbk("简体")) << "the other direction converts";
    clip.AMHotKeysHotKeys1HotKey();
    EXPECT_EQ(clipboard.changes, 2);

    clip.ClipboardChange(); // another program copied
    clip.AMHotKeysHotKeys1HotKey();
    EXPECT_EQ(clipboard.changes, 3);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(Messages(), "");

    clipboard.SetUnicode(U("简体"));
    clip.ClipboardChange();
    On(CodePageUtf8).AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("簡體")) << "a Unicode desktop changes the typeface";
}

TEST_F(ClipCommandsTest, UnicodeHotKeysRunWithoutMessageAndPasteAfter) {
    ClipCommands& clip = On(CodePageUtf8);
    clip.PasteAfrHotKey = true;
    clipboard.SetUnicode(U("简体"));
    clip.AMHotKeysHotKeys2HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("簡體"));
    clip.AMHotKeysHotKeys3HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("简体"));
    EXPECT_EQ(Messages(), "");
    EXPECT_TRUE(settings.MsgClipConFinished) << "restored";
    EXPECT_EQ(paste.pastes, 2);
    EXPECT_EQ(sound.beeps, 2);

    clip.UnicodeAvailable = false;
    clip.AMHotKeysHotKeys2HotKey();
    EXPECT_EQ(clipboard.changes, 2);
    EXPECT_EQ(paste.pastes, 2);
}

TEST(DoneSound, WaveFileWhenItPlaysElseTheBeep) {
    test::TempFolder folder;
    const std::string wave = folder.File("done.wav");
    test::WriteFile(wave, "RIFF");
    test::FakeSound sound;
    PlayDoneSound(sound, false, wave); // sound off
    PlayDoneSound(sound, true, wave);
    EXPECT_EQ(sound.played, std::vector<std::string>{wave});
    EXPECT_EQ(sound.beeps, 0);
    // No file, a missing file, a folder, and a file that does not play: the beep.
    PlayDoneSound(sound, true, "");
    PlayDoneSound(sound, true, folder.File("missing.wav"));
    PlayDoneSound(sound, true, folder.Dir());
    sound.plays = false;
    PlayDoneSound(sound, true, wave);
    EXPECT_EQ(sound.beeps, 4);
}

} // namespace
} // namespace tessarim
