#include "mainwin/ClipCommands.h"

#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"
#include "engine/Utf8.h"
#include "mainwin/ClipHtml.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Sound.h"
#include "settings/ProgramSettings.h"
#include "tests/support/TestSupport.h"

#include <clocale>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <ranges>

namespace tessarim {
namespace {

// A clipboard of format blocks that holds exactly the formats written, derives
// none, and counts the sessions that wrote.
class FakeClipboard : public Clipboard {
public:
    static constexpr unsigned HtmlFormat = 0xC0DE;
    std::map<unsigned, std::string> formats;
    int changes = 0;
    std::function<void()> onChange; // the desktop tells of every change

    unsigned RegisterClipboardFormat(std::string_view name) override {
        return name == HtmlFormatName ? HtmlFormat : 0;
    }
    bool IsClipboardFormatAvailable(unsigned format) override { return formats.count(format) > 0; }
    void OpenClipboard() override {
        if (depth_++ == 0) written_ = false;
    }
    void CloseClipboard() override {
        if (--depth_ > 0 || !written_) return;
        ++changes;
        if (onChange) onChange();
    }
    void EmptyClipboard() override { Written(); }
    std::optional<std::string> GetClipboardData(unsigned format) override {
        if (!formats.count(format)) return std::nullopt;
        return formats[format];
    }
    void SetClipboardData(unsigned format, std::string_view block) override {
        Written()[format] = block;
    }
    void SetAnsi(const std::string& bytes) { formats[CF_TEXT] = bytes + '\0'; }
    void SetUnicode(std::u16string_view text) { formats[CF_UNICODETEXT] = UnicodeTextBlock(text); }
    void SetHtml(const std::string& block) { formats[HtmlFormat] = block + '\0'; }
    std::string Ansi() const { return Text(CF_TEXT); }
    std::u16string Unicode() const { return UnicodeTextOfBlock(Text(CF_UNICODETEXT)); }
    std::string Html() const { return Text(HtmlFormat); }
    std::vector<unsigned> Formats() const {
        const auto ids = std::views::keys(formats);
        return {ids.begin(), ids.end()};
    }

private:
    // A session's first write replaces what the clipboard held.
    std::map<unsigned, std::string>& Written() {
        EXPECT_GT(depth_, 0) << "written while closed";
        if (!std::exchange(written_, true)) formats.clear();
        return formats;
    }
    // A text block up to its terminator, which it must have.
    std::string Text(unsigned format) const {
        if (!formats.count(format)) return "<absent>";
        const std::string& block = formats.at(format);
        EXPECT_TRUE(block.ends_with('\0')) << format;
        return format == CF_UNICODETEXT ? block : block.substr(0, block.find('\0'));
    }

    int depth_ = 0;
    bool written_ = false;
};

// The user who answers questions, and a record of the busy cursor, the sound
// and the paste.
class FakeUser : public Dialogs, public Sound, public ForegroundPaste {
public:
    bool answer = true, plays = true;
    std::vector<std::string> questions, played;
    std::function<void()> whileAsking; // the user thinks
    int busy = 0, busyShown = 0, beeps = 0, pastes = 0;

    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        if (whileAsking) whileAsking();
        return answer;
    }
    void BeginBusy() override { ++busy, ++busyShown; }
    void EndBusy() override { --busy; }
    void MessageBeep() override { ++beeps; }
    bool PlayWaveFile(const std::string& path) override {
        played.push_back(path);
        return plays;
    }
    void PasteToForeground() override { ++pastes; }
};

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
    FakeUser user;
    ProgramSettings settings;
    test::CapturedMessages messages;
    std::uint64_t now = 1000;
    std::unique_ptr<ClipCommands> commands;

    static void SetUpTestSuite() {
        LoadCodeTables();
        // The time is written with the locale's decimal point; these tests expect a ".".
        std::setlocale(LC_NUMERIC, "C");
    }
    void SetUp() override {
        // The character tables alone: results do not depend on the user's corrections.
        ClearFixTable(FixTableId::Big5);
        ClearFixTable(FixTableId::Gbk);
        Fix_UNN = true;
        settings.WaveFile.clear();
    }

    // The commands on a system with this code page; each command takes 250 ms.
    ClipCommands& On(int codePage) {
        commands = std::make_unique<ClipCommands>(ClipDesktop{clipboard, user, user, user},
                                                  settings, codePage);
        commands->groupSeparator = ",";
        commands->GetTickCount = [this] { return std::exchange(now, now + 250); };
        clipboard.onChange = [this] { commands->ClipboardChange(); };
        return *commands;
    }
    std::string Messages() const { return messages.texts(); }
    static std::string Html(std::string block, Face face, int codePage) {
        ConvertHtmlFragment(block, face, codePage);
        return block;
    }
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
    EXPECT_EQ(user.beeps, 1);

    // Without 8-bit text the Unicode text goes through the system code page.
    clipboard.formats.clear();
    clipboard.SetUnicode(U("簡體中文"));
    On(CodePageBig5).BtnClipBtoGClick();
    EXPECT_EQ(clipboard.Ansi(), Gbk("简体中文"));
    EXPECT_TRUE(Messages().ends_with("Text size: 8 bytes\r\n\r\nTotal time used: 0.25 sec"));
}

TEST_F(ClipCommandsTest, TextAlreadyInTheTargetCodeIsConvertedOnlyAfterYes) {
    clipboard.SetAnsi(Big5(Traditional8));
    user.answer = false;
    On(CodePageGbk).BtnClipGtoBClick();
    EXPECT_EQ(user.questions, std::vector<std::string>{GtoBQuestionEnglish});
    EXPECT_EQ(clipboard.changes + user.beeps, 0);
    EXPECT_EQ(Messages(), "");
    EXPECT_TRUE(Fix_UNN) << "restored after No as well";

    // A minute spent answering is no part of the time reported.
    user.answer = true;
    user.whileAsking = [this] { now += 60000; };
    commands->BtnClipGtoBClick();
    EXPECT_EQ(clipboard.changes, 1);
    EXPECT_TRUE(Messages().ends_with("Total time used: 0.5 sec")) << Messages();

    // Seven double-byte characters are never questioned; B > G asks of GB text.
    user.questions.clear();
    clipboard.SetAnsi(Big5("我們的國家是大"));
    commands->BtnClipGtoBClick();
    clipboard.SetAnsi(Gbk(Simplified8));
    commands->BtnClipBtoGClick();
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_TRUE(user.questions[0].starts_with("The clipboard may contain GB data."));
}

TEST_F(ClipCommandsTest, CompletionMessageGroupsDigitsInTheLanguageElseInEnglish) {
    ClipCommands& clip = On(CodePageGbk);
    clipboard.SetAnsi(std::string(1234, 'a'));
    settings.Lang = 1;
    clip.groupSeparator = ".";
    clip.BtnClipGtoBClick();
    settings.Lang = 7; // a language the program does not have
    clip.BtnClipBtoGClick();
    EXPECT_EQ(Messages(), "GBK > Big5 轉換完畢！\r\n\r\n總共轉換： 1.234 字節\r\n\r\n須時: 0.25 秒|"
                          "Big5 > GBK conversion finished.\r\n\r\nText size: 1.234 bytes\r\n\r\n"
                          "Total time used: 0.25 sec");
    settings.MsgClipConFinished = false;
    clip.BtnClipGtoBClick();
    EXPECT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(user.beeps, 3) << "the sound is not part of the message";
}

TEST_F(ClipCommandsTest, UnicodeDesktopChangesTheTypefaceAndKeepsWhatTheCodePagesLack) {
    const std::u16string simplified = U("简体中文 한국어 😀 &#20013;");
    clipboard.SetUnicode(simplified);
    clipboard.SetAnsi("?");
    clipboard.SetHtml("<body>简体</body>");
    On(CodePageUtf8).BtnClipGtoBClick();
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_UNICODETEXT});
    EXPECT_EQ(clipboard.Unicode(), U("簡體中文 한국어 😀 &#20013;"));
    EXPECT_NE(Messages().find("Text size: 36 bytes"), std::string::npos)
        << "the size of the text as the desktop holds it: " << Messages();
    commands->BtnClipBtoGClick();
    EXPECT_EQ(clipboard.Unicode(), simplified);

    // The C locale's system is a Unicode desktop as well; text already in the
    // target typeface asks first, text of eight characters alike in both does not.
    user.answer = false;
    const int changes = clipboard.changes;
    ClipCommands& western = On(CodePageWestern);
    for (const char* text : {Traditional8, Simplified8, "中文中文中文中文中文"}) {
        clipboard.SetUnicode(U(text));
        western.BtnClipGtoBClick();
    }
    EXPECT_EQ(user.questions, std::vector<std::string>{GtoBQuestionEnglish});
    EXPECT_EQ(clipboard.changes, changes + 2);
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
        [&](MessageKind, std::string_view) { busyAtMessage.push_back(user.busy); });
    clipboard.SetUnicode(U("简体"));
    On(CodePageUtf8).UClipConStoTClick(11);
    commands->Uni2DecClick(13);
    SetMessageHandler(captured);
    EXPECT_EQ(busyAtMessage, (std::vector<int>{0, 0}));
    EXPECT_EQ(user.busyShown, 2);
}

TEST_F(ClipCommandsTest, NotationWritesEveryNonAsciiUnitAsAReference) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {13, "中a", "&#20013;a"},
        {14, "&#x4e2d;é\r\n", "&#x4E2D;&#xE9;\r\n"}, // references are decoded first
        {13, "😀", "&#55357;&#56832;"},               // one reference per surrogate
        {14, "", ""}};
    ClipCommands& clip = On(CodePageUtf8);
    for (const auto& [tag, text, expected] : cases) {
        clipboard.SetUnicode(U(text));
        clipboard.SetHtml("<body>x</body>");
        clip.Uni2DecClick(tag);
        EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_TEXT, CF_UNICODETEXT}));
        EXPECT_EQ(clipboard.Ansi(), expected) << text;
        EXPECT_EQ(clipboard.Unicode(), U(expected)) << text;
    }
    EXPECT_EQ(messages.messages().at(0).second,
              "Unicode > Decimal Notation\r\n\r\nTotal: 4 bytes\r\n\r\nTotal time used: 0.25 sec");
    EXPECT_TRUE(messages.messages().back().second.starts_with("Unicode > Hex Notation\r\n\r\n"
                                                              "Total: 0 bytes"));
    clipboard.formats.clear();
    clipboard.SetAnsi(Big5("中文"));
    On(CodePageBig5).Uni2DecClick(13);
    EXPECT_EQ(clipboard.Ansi(), "&#20013;&#25991;");
}

TEST_F(ClipCommandsTest, WithoutTextNoCommandDoesAnything) {
    clipboard.SetHtml("<body>简体</body>");
    for (const int codePage : {CodePageGbk, CodePageUtf8}) {
        ClipCommands& clip = On(codePage);
        clip.PasteAfrHotKey = true;
        clip.BtnClipGtoBClick();
        clip.UClipConStoTClick(11);
        clip.Uni2DecClick(13);
        clip.AMHotKeysHotKeys0HotKey();
    }
    EXPECT_EQ(clipboard.changes + user.beeps + user.busyShown + user.pastes, 0);
    EXPECT_EQ(Messages(), "");
}

TEST_F(ClipCommandsTest, HotKeysConvertTheSameTextOnceWithoutAMessageAndPasteAfter) {
    ClipCommands& clip = On(CodePageGbk);
    clip.PasteAfrHotKey = true;
    clipboard.SetAnsi(Gbk("简体"));
    clip.AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.Ansi(), Big5("簡體"));
    clip.AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.changes, 1) << "pressed twice, converted once";
    EXPECT_EQ(user.beeps + user.pastes, 2);
    clip.AMHotKeysHotKeys1HotKey();
    EXPECT_EQ(clipboard.Ansi(), Gbk("简体")) << "the other direction converts";
    clip.ClipboardChange(); // another program copied
    clip.AMHotKeysHotKeys1HotKey();
    EXPECT_EQ(clipboard.changes, 3);

    // A Unicode desktop changes the typeface: 2 is to Traditional, 3 to Simplified.
    clipboard.SetUnicode(U("简体"));
    ClipCommands& unicode = On(CodePageUtf8);
    unicode.PasteAfrHotKey = true;
    unicode.AMHotKeysHotKeys0HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("簡體"));
    unicode.AMHotKeysHotKeys3HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("简体"));
    unicode.AMHotKeysHotKeys2HotKey();
    EXPECT_EQ(clipboard.Unicode(), U("簡體"));
    EXPECT_EQ(Messages(), "");
    EXPECT_TRUE(settings.MsgClipConFinished) << "restored";
    unicode.UnicodeAvailable = false;
    unicode.AMHotKeysHotKeys3HotKey();
    EXPECT_EQ(clipboard.changes, 6);
    EXPECT_EQ(user.pastes, 6);
}

TEST(DoneSound, WaveFileWhenItPlaysElseTheBeep) {
    test::TempFolder folder;
    const std::string wave = folder.File("done.wav");
    test::WriteFile(wave, "RIFF");
    FakeUser sound;
    PlayDoneSound(sound, false, wave); // sound off
    PlayDoneSound(sound, true, wave);
    EXPECT_EQ(sound.played, std::vector<std::string>{wave});
    EXPECT_EQ(sound.beeps, 0);
    // No file, a missing file, a folder, and a file that does not play: the beep.
    for (const std::string& file : {std::string(), folder.File("missing.wav"), folder.Dir()})
        PlayDoneSound(sound, true, file);
    sound.plays = false;
    PlayDoneSound(sound, true, wave);
    EXPECT_EQ(sound.beeps, 4);
}

TEST_F(ClipCommandsTest, HtmlBodyTurnsTraditionalItsTagsNameTraditionalFontsAndTheTailGoes) {
    const std::string head = "Version:0.9\r\nStartHTML:0000000105\r\n<html><head><style>p "
                             "{font-family: SimSun}</style></head>";
    const std::string block = head +
                              "<BODY lang=\"ZH-CN\">\r\n<!--StartFragment--><p "
                              "style=\"font-family:nsimsun\">简体&#x4E66;&#60;b&#62;</p><span "
                              "lang=\"zh-cn\">书</span><!--EndFragment--></body></html>\r\ntail";
    // Before "<body" nothing changes; after the last tag nothing is left.
    EXPECT_EQ(Html(block, FaceT, CodePageGbk),
              head + "<BODY lang=\"ZH-TW\">\r\n<!--StartFragment--><p "
                     "style=\"font-family:MingLiU\">簡體書&#60;b&#62;</p><span "
                     "lang=\"zh-cn\">書</span><!--EndFragment--></body></html>");
    const std::string noBody = "<html><p style=\"font-family:SimSun\">简体</p></html>tail";
    EXPECT_EQ(Html(noBody, FaceT, CodePageGbk), noBody);
    Fix_UNN = false;
    EXPECT_EQ(Html("<body>书&#x4E66;</body>", FaceT, CodePageGbk), "<body>書&#x4E66;</body>");
    EXPECT_FALSE(Fix_UNN) << "restored";
}

TEST_F(ClipCommandsTest, HtmlFontNamesFollowTheSystemCodePageAndLongerNamesGoFirst) {
    const std::string traditional = "<body face=\"PMingLiU\"><p face='mingliu' lang=\"ZH-TW\">";
    EXPECT_EQ(Html(traditional, FaceS, CodePageBig5),
              "<body face=\"SimSun\"><p face='SimSun' lang=\"ZH-CN\">");
    EXPECT_EQ(Html(traditional, FaceS, CodePageGbk),
              "<body face=\"新宋体\"><p face='宋体' lang=\"ZH-CN\">");
    // 新宋体 holds 宋体; replaced text is not searched again.
    EXPECT_EQ(Html("<body face=\"新宋体,NSimSun\">", FaceT, CodePageBig5),
              "<body face=\"新細明體,新細明體\">");
    EXPECT_EQ(ReplaceAllText("aaaa", "aa", "a", true), "aa");
    EXPECT_EQ(ReplaceAllText("abc", "", "x", true), "abc");
}

} // namespace
} // namespace tessarim
