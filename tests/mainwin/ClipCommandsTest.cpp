#include "mainwin/ClipCommands.h"

#include "core/TableLoader.h"
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"
#include "mainwin/ClipHtml.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Message.h"
#include "platform/Sound.h"
#include "settings/ProgramSettings.h"
#include "tests/support/TestSupport.h"

#include <clocale>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

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
    void OpenClipboard() override { written_ = depth_++ > 0 && written_; }
    void CloseClipboard() override {
        if (--depth_ > 0 || !written_) return;
        ++changes;
        if (onChange) onChange();
    }
    void EmptyClipboard() override { Write().clear(); }
    std::optional<std::string> GetClipboardData(unsigned format) override {
        return formats.count(format) ? std::optional(formats[format]) : std::nullopt;
    }
    void SetClipboardData(unsigned format, std::string_view block) override {
        Write()[format] = block;
    }
    void SetAnsi(const std::string& bytes) { formats[CF_TEXT] = bytes + '\0'; }
    void SetUnicode(std::u16string_view text) { formats[CF_UNICODETEXT] = UnicodeTextBlock(text); }
    void SetHtml(const std::string& block) { formats[HtmlFormat] = block + '\0'; }
    std::string Ansi() const { return Text(CF_TEXT); }
    std::u16string Unicode() const { return UnicodeTextOfBlock(Text(CF_UNICODETEXT)); }
    std::string Html() const { return Text(HtmlFormat); }

private:
    std::map<unsigned, std::string>& Write() {
        EXPECT_GT(depth_, 0) << "written while closed";
        written_ = true;
        return formats;
    }
    // A text block up to its terminator, which it must have.
    std::string Text(unsigned format) const {
        const std::string block = formats.count(format) ? formats.at(format) : "";
        EXPECT_TRUE(block.ends_with('\0')) << format;
        return block.substr(0, format == CF_UNICODETEXT ? block.size() : block.find('\0'));
    }

    int depth_ = 0;
    bool written_ = false;
};

// The user who answers questions, and a record of the busy cursor, the sound
// and the paste.
class FakeUser : public Dialogs, public Sound, public ForegroundPaste {
public:
    bool answer = true;
    std::vector<std::string> questions;
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
    bool PlayWaveFile(const std::string&) override { return false; }
    void PasteToForeground() override { ++pastes; }
};

// Eight or more frequent characters: text the detector recognises.
constexpr const char16_t* Traditional8 = u"我們的國家是大中華，這是一個很好的時代";
constexpr const char16_t* Simplified8 = u"我们的国家是大中华，这是一个很好的时代";
using Texts = std::vector<std::string>;

class ClipCommandsTest : public ::testing::Test {
protected:
    FakeClipboard clipboard;
    FakeUser user;
    ProgramSettings settings;
    std::uint64_t now = 1000;
    std::unique_ptr<ClipCommands> commands;
    Texts shown;
    // Every message is information, shown once the busy cursor is gone.
    const MessageHandler saved = SetMessageHandler([this](MessageKind kind, std::string_view text) {
        EXPECT_EQ(kind, MessageKind::Information);
        EXPECT_EQ(user.busy, 0) << "busy with the message: " << text;
        shown.emplace_back(text);
    });

    static void SetUpTestSuite() {
        // The time is written with the locale's decimal point; these tests expect a ".".
        std::setlocale(LC_NUMERIC, "C");
    }
    void SetUp() override {
        // The character tables alone: results do not depend on the user's corrections.
        ProgramFixTables().Clear(FixTableId::Big5);
        ProgramFixTables().Clear(FixTableId::Gbk);
    }
    ~ClipCommandsTest() override { SetMessageHandler(saved); }

    // The commands on a system with this code page; each command takes 250 ms.
    ClipCommands& On(int codePage) {
        commands = std::make_unique<ClipCommands>(ClipDesktop{clipboard, user, user, user},
                                                  settings, codePage);
        commands->groupSeparator = ",";
        commands->GetTickCount = [this] { return std::exchange(now, now + 250); };
        clipboard.onChange = [this] { commands->ClipboardChange(); };
        return *commands;
    }
    // A command by number: 0 G > B, 1 B > G, 11 and 12 to Traditional and Simplified
    // Unicode, 13 and 14 decimal and hex notation.
    void Run(int command) {
        if (command == 0) commands->ConvertGbkToBig5();
        if (command == 1) commands->ConvertBig5ToGbk();
        if (command == 11 || command == 12)
            commands->ConvertUnicodeTypeface(command == 11 ? FaceT : FaceS);
        if (command > 12) commands->WriteNumericNotation(command == 14);
    }
    static std::string Gbk(std::u16string_view text) { return WideToAnsi(text, CodePageGbk); }
    static std::string Big5(std::u16string_view text) { return WideToAnsi(text, CodePageBig5); }
    static std::string Html(std::string block, Face face, int codePage, bool references = true) {
        ConvertHtmlFragment(block, face, codePage, references, nullptr);
        return block;
    }
};

TEST_F(ClipCommandsTest, CommandsConvertTheTextAndWriteTheirFormsOnly) {
    const std::u16string mixed = u"简体中文 한국어 😀 &#20013;";
    const std::u16string traditional = u"簡體中文 한국어 😀 &#20013;";
    // Each form before and after; "" is none.
    const struct {
        int codePage, command;
        std::string ansi, toAnsi;
        std::u16string unicode, toUnicode;
        std::size_t formats;
    } cases[] = {
        // Bytes alone are exchanged; references are clipboard text like any
        // other: they stay as they are.
        {CodePageGbk, 0, Gbk(u"简体中文转换&#20013;"), Big5(u"簡體中文轉換&#20013;"), u"", u"", 1},
        // Unicode text changes its typeface on every system, keeping what the
        // code pages lack, whatever 8-bit form comes with it.
        {CodePageBig5, 1, "", "", u"簡體中文", u"简体中文", 1},
        {CodePageUtf8, 0, "?", "", mixed, traditional, 1},
        {CodePageUtf8, 1, "", "", traditional, mixed, 1},
        {CodePageBig5, 12, Big5(u"簡體"), Big5(u"简体"), u"", u"简体", 3},
        {CodePageUtf8, 13, "", "&#20013;a", u"中a", u"&#20013;a", 2},
        // References are decoded first; one reference per surrogate.
        {CodePageUtf8, 14, "", "&#x4E2D;&#xE9;\r\n", u"&#x4e2d;é\r\n", u"&#x4E2D;&#xE9;\r\n", 2},
        // One reference per character, also beyond the basic plane.
        {CodePageUtf8, 13, "", "&#128512;&#55357;", u"😀\xD83D", u"&#128512;&#55357;", 2},
        {CodePageBig5, 0, Big5(u"简体中文"), "", u"简体中文", u"簡體中文", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.codePage << " " << c.command);
        clipboard.formats.clear();
        if (!c.ansi.empty()) clipboard.SetAnsi(c.ansi);
        if (!c.unicode.empty()) clipboard.SetUnicode(c.unicode);
        clipboard.SetHtml("<body>简体</body>");
        On(c.codePage);
        Run(c.command);
        EXPECT_EQ(clipboard.formats.size(), c.formats);
        EXPECT_EQ(c.toAnsi.empty() ? "" : clipboard.Ansi(), c.toAnsi);
        EXPECT_EQ(c.toUnicode.empty() ? u"" : clipboard.Unicode(), c.toUnicode);
    }
    EXPECT_EQ(user.beeps, 9);
    EXPECT_EQ(user.busyShown, 4);
    EXPECT_EQ(shown.at(0), "GBK > Big5 conversion finished.\r\n\r\nText size: 20 bytes\r\n\r\n"
                           "Total time used: 0.25 sec");
    // The size of the text as the desktop holds it.
    EXPECT_NE(shown.at(2).find("Text size: 36 bytes"), std::string::npos) << shown[2];
    EXPECT_EQ(shown.at(5),
              "Unicode > Decimal Notation\r\n\r\nTotal: 4 bytes\r\n\r\nTotal time used: 0.25 sec");

    // A language the program does not have speaks English; no message, still the sound.
    settings.Lang = 7;
    commands->ConvertBig5ToGbk();
    settings.MsgClipConFinished = false;
    commands->ConvertBig5ToGbk();
    ASSERT_EQ(shown.size(), 10u);
    EXPECT_TRUE(shown[9].starts_with("Big5 > GBK conversion finished.")) << shown[9];
    EXPECT_EQ(user.beeps, 11);
}

TEST_F(ClipCommandsTest, TextAlreadyInTheTargetCodeIsConvertedOnlyAfterYes) {
    clipboard.SetAnsi(Big5(Traditional8));
    user.answer = false;
    On(CodePageGbk).ConvertGbkToBig5();
    EXPECT_EQ(clipboard.changes + user.beeps + shown.size(), 0u);

    // A minute spent answering is no part of the time reported.
    user.answer = true;
    user.whileAsking = [this] { now += 60000; };
    commands->ConvertGbkToBig5();
    EXPECT_EQ(clipboard.changes, 1);
    EXPECT_TRUE(shown.at(0).ends_with("Total time used: 0.5 sec")) << shown[0];

    clipboard.SetAnsi(Gbk(Simplified8));
    commands->ConvertBig5ToGbk();
    ASSERT_EQ(user.questions.size(), 3u);
    EXPECT_TRUE(user.questions[0].starts_with("The clipboard may contain Big5 data."));
    EXPECT_TRUE(user.questions[2].starts_with("The clipboard may contain GB data."));

    // The C locale's system is a Unicode desktop: text already in the target
    // typeface asks first, text of eight characters alike in both does not.
    user.answer = false;
    ClipCommands& western = On(CodePageWestern);
    for (const char16_t* text : {Traditional8, Simplified8, u"中文中文中文中文中文"}) {
        clipboard.SetUnicode(text);
        western.ConvertGbkToBig5();
    }
    EXPECT_EQ(user.questions.size(), 4u);
    EXPECT_EQ(clipboard.changes, 4);
}

TEST_F(ClipCommandsTest, UnicodeCommandConvertsTheHtmlFragmentUnlessHtmlIsOff) {
    const std::string html = HtmlClipboardBlock("<span style=\"font-family:SimSun\">简体</span>");
    clipboard.SetUnicode(u"简体中文");
    clipboard.SetAnsi("ignored");
    clipboard.SetHtml(html);
    On(CodePageGbk).ConvertUnicodeTypeface(FaceT);
    EXPECT_EQ(clipboard.Ansi(), Gbk(u"簡體中文"));
    EXPECT_EQ(clipboard.Html(), Html(html, FaceT, CodePageGbk));
    EXPECT_EQ(shown, Texts{"CF_HTML: " + std::to_string(clipboard.Html().size()) +
                           " bytes\r\n\r\nUnicode: 8 bytes\r\n\r\nTotal time used: 0.25 sec"});
    // Without HTML support the HTML form is gone, and the message leaves it out.
    settings.CF_HTML_Support = false;
    clipboard.SetHtml(html);
    commands->ConvertUnicodeTypeface(FaceS);
    EXPECT_EQ(clipboard.formats.count(FakeClipboard::HtmlFormat), 0u);
    EXPECT_TRUE(shown.at(1).starts_with("Unicode: ")) << shown[1];
}

TEST_F(ClipCommandsTest, HotKeysConvertTheSameTextOnceWithoutAMessageAndPasteAfter) {
    ClipCommands& clip = On(CodePageGbk);
    clip.PasteAfrHotKey = true;
    // Without text nothing happens.
    clipboard.SetHtml("<body>简体</body>");
    for (const int command : {0, 11, 13})
        Run(command);
    clip.RunHotKey(0);
    EXPECT_EQ(clipboard.changes + user.beeps + user.busyShown + user.pastes + shown.size(), 0u);
    clipboard.SetAnsi(Gbk(u"简体"));
    clip.RunHotKey(0);
    EXPECT_EQ(clipboard.Ansi(), Big5(u"簡體"));
    clip.RunHotKey(0);
    EXPECT_EQ(clipboard.changes, 1) << "pressed twice, converted once";
    EXPECT_EQ(user.beeps + user.pastes, 2);
    clip.RunHotKey(1);
    EXPECT_EQ(clipboard.Ansi(), Gbk(u"简体")) << "the other direction converts";
    clip.ClipboardChange(); // another program copied
    clip.RunHotKey(1);
    EXPECT_EQ(clipboard.changes, 3);

    // Text offered as Unicode changes its typeface, also on a Big5 system; 3 is
    // to Simplified.
    clipboard.SetUnicode(u"简体");
    ClipCommands& unicode = On(CodePageBig5);
    unicode.PasteAfrHotKey = true;
    unicode.RunHotKey(0);
    EXPECT_EQ(clipboard.Unicode(), u"簡體");
    unicode.RunHotKey(3);
    EXPECT_EQ(clipboard.Unicode(), u"简体");
    EXPECT_TRUE(shown.empty() && settings.MsgClipConFinished) << "quiet, and restored after";
    unicode.UnicodeAvailable = false;
    unicode.RunHotKey(3);
    EXPECT_EQ(clipboard.changes + user.pastes, 10);
}

TEST_F(ClipCommandsTest, HtmlBodyTurnsToTheTypefaceAndItsFontsFollowTheSystemCodePage) {
    const std::string head = "Version:0.9\r\n<html><head><style>p {font-family: SimSun}</style>";
    const std::string traditional = "<body face=\"PMingLiU\"><p face='mingliu' lang=\"ZH-TW\">";
    const std::tuple<std::string, Face, int, std::string> cases[] = {
        // Before "<body" nothing changes; after the last tag nothing is left;
        // references to ASCII stay references.
        {head + "<BODY lang=\"ZH-CN\"><p style=\"font-family:nsimsun\">简体&#x4E66;&#60;b&#62;"
                "</p><span lang=\"zh-cn\">书</span></body></html>\r\ntail",
         FaceT, CodePageGbk,
         head + "<BODY lang=\"ZH-TW\"><p style=\"font-family:MingLiU\">簡體書&#60;b&#62;</p>"
                "<span lang=\"zh-cn\">書</span></body></html>"},
        {"<p style=\"font-family:SimSun\">简体</p>tail", FaceT, CodePageGbk,
         "<p style=\"font-family:SimSun\">简体</p>tail"},
        {traditional, FaceS, CodePageBig5,
         "<body face=\"SimSun\"><p face='SimSun' lang=\"ZH-CN\">"},
        {traditional, FaceS, CodePageGbk, "<body face=\"新宋体\"><p face='宋体' lang=\"ZH-CN\">"},
        // 新宋体 holds 宋体; replaced text is not searched again.
        {"<body face=\"新宋体,NSimSun\">", FaceT, CodePageBig5,
         "<body face=\"新細明體,新細明體\">"}};
    for (const auto& [block, face, codePage, expected] : cases)
        EXPECT_EQ(Html(block, face, codePage), expected);
    EXPECT_EQ(Html("<body>书&#x4E66;</body>", FaceT, CodePageGbk, false),
              "<body>書&#x4E66;</body>");
    EXPECT_EQ(ReplaceAllText("abc", "", "x", true), "abc");
}

} // namespace
} // namespace tessarim
