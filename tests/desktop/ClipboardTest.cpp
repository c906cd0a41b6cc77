#include "platform/Clipboard.h"

#include "engine/CodePages.h"
#include "engine/Utf8.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

std::u16string U(std::string_view utf8) {
    std::size_t rest = 0;
    return Utf8ToWide(utf8, rest);
}

QtClipboard Clip(int codePage) {
    return QtClipboard(
        codePage, {[codePage](std::string_view bytes) { return AnsiToWide(bytes, codePage); },
                   [codePage](std::u16string_view text) { return WideToAnsi(text, codePage); }});
}

class QtClipboardTest : public ::testing::Test {
protected:
    QClipboard* desktop = QGuiApplication::clipboard();
    int changes = 0;
    void SetUp() override {
        desktop->clear();
        QObject::connect(desktop, &QClipboard::dataChanged, [this] { ++changes; });
    }
    void TearDown() override { desktop->disconnect(); }
    const QMimeData* Data() const { return desktop->mimeData(); }
    static void Write(Clipboard& clipboard, unsigned format, const std::string& block) {
        WriteClipboardFormat(clipboard, format, block, block.size());
    }
};

TEST(HtmlClipboardBlock, OffsetsPointAtTheDocumentAndTheFragmentWhichIsFoundWithoutThem) {
    const std::string html = "<b>中文</b>";
    const std::string block = HtmlClipboardBlock(html);
    const auto at = [&block](const std::string& name) {
        return std::stoul(block.substr(block.find(name + ":") + name.size() + 1, 10));
    };
    EXPECT_EQ(block.substr(at("StartFragment"), at("EndFragment") - at("StartFragment")), html);
    EXPECT_EQ(block.substr(at("StartHTML"), 6), "<html>");
    EXPECT_EQ(at("EndHTML"), block.size());
    // A block whose fragment changed length still gives the whole fragment.
    std::string longer = block;
    longer.replace(at("StartFragment"), html.size(), "<b>中文中文中文</b>");
    EXPECT_EQ(HtmlOfClipboardBlock(longer + '\0'), "<b>中文中文中文</b>");
    EXPECT_EQ(HtmlOfClipboardBlock("Version:0.9\r\n<p>x</p>"), "<p>x</p>");
    EXPECT_EQ(HtmlOfClipboardBlock("no markup"), "");
}

TEST_F(QtClipboardTest, DesktopTextComesAsUnicodeAndAsTheSystemCodePage) {
    desktop->setText(QString::fromUtf8("简体a"));
    QtClipboard gbk = Clip(CodePageGbk);
    EXPECT_EQ(gbk.GetClipboardData(CF_TEXT), WideToAnsi(U("简体a"), CodePageGbk) + '\0');
    EXPECT_EQ(gbk.GetClipboardData(CF_UNICODETEXT), UnicodeTextBlock(U("简体a")));
    EXPECT_EQ(Clip(CodePageUtf8).GetClipboardData(CF_TEXT), "简体a" + std::string(1, '\0'));
    EXPECT_FALSE(gbk.IsClipboardFormatAvailable(gbk.RegisterClipboardFormat(HtmlFormatName)));
    desktop->clear();
    EXPECT_FALSE(gbk.GetClipboardData(CF_UNICODETEXT));
}

TEST_F(QtClipboardTest, EightBitBytesWrittenAreReadBackExactly) {
    // Big5 bytes on a GBK system: what G > B leaves there.
    const std::string big5 = WideToAnsi(U("簡體"), CodePageBig5);
    QtClipboard gbk = Clip(CodePageGbk);
    Write(gbk, CF_TEXT, big5 + '\0' + "after the terminator");
    EXPECT_EQ(Data()->data("text/plain;charset=gbk").toStdString(), big5);
    EXPECT_EQ(Data()->text().toStdU16String(), AnsiToWide(big5, CodePageGbk))
        << "as the system derives it";
    EXPECT_EQ(gbk.GetClipboardData(CF_TEXT), big5 + '\0');
    EXPECT_EQ(changes, 1);
    // A Unicode desktop has no 8-bit text of its own: the bytes are its text.
    QtClipboard utf8 = Clip(CodePageUtf8);
    WriteClipboardFormat(utf8, CF_TEXT, "简体", 3);
    EXPECT_EQ(Data()->formats(), QStringList{"text/plain"});
    EXPECT_EQ(Data()->text(), QString::fromUtf8("简"));
}

TEST_F(QtClipboardTest, SessionPublishesItsFormatsTogetherAndReplacesTheRest) {
    desktop->setText("old text");
    changes = 0;
    QtClipboard clipboard = Clip(CodePageGbk);
    const unsigned html = clipboard.RegisterClipboardFormat(HtmlFormatName);
    const std::string block = HtmlClipboardBlock("<b>簡體</b>") + '\0';
    {
        const ClipboardSession session(clipboard);
        clipboard.EmptyClipboard();
        Write(clipboard, CF_UNICODETEXT, UnicodeTextBlock(U("簡體")));
        Write(clipboard, CF_TEXT, WideToAnsi(U("簡體"), CodePageGbk) + '\0');
        Write(clipboard, html, block);
        EXPECT_EQ(changes, 0) << "nothing is published while the session is open";
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Data()->text(), QString::fromUtf8("簡體")) << "the Unicode text, not a derived one";
    EXPECT_EQ(Data()->html(), QString::fromUtf8("<b>簡體</b>"));
    EXPECT_EQ(clipboard.GetClipboardData(html), block);
    // A single write replaces everything; opened, read and closed (once too
    // often) the clipboard stays as it is; emptied and nothing written, empty.
    Write(clipboard, CF_UNICODETEXT, UnicodeTextBlock(u"new"));
    EXPECT_FALSE(Data()->hasHtml());
    changes = 0;
    std::string read;
    ReadClipboardFormat(clipboard, CF_UNICODETEXT, read);
    clipboard.CloseClipboard();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Data()->text(), "new");
    clipboard.OpenClipboard();
    clipboard.EmptyClipboard();
    clipboard.CloseClipboard();
    EXPECT_FALSE(clipboard.IsClipboardFormatAvailable(CF_UNICODETEXT));
}

} // namespace
} // namespace tessarim
