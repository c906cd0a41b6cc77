#include "engine/HtmlRefs.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

std::u16string Decoded(std::u16string text) {
    DecodeNumericRefs(text);
    return text;
}

Bytes Rewritten(Bytes text, std::string_view name) {
    RewriteMetaCharset(text, name);
    return text;
}

std::u16string RewrittenW(std::u16string text, std::u16string_view name) {
    RewriteMetaCharsetW(text, name);
    return text;
}

TEST(CharsetNameTest, NamesTheTargetCode) {
    EXPECT_EQ(CharsetNameOf(ULE), "unicode");
    EXPECT_EQ(CharsetNameOf(UBE), "unicode");
    EXPECT_EQ(CharsetNameOf(UTF8), "utf-8");
    EXPECT_EQ(CharsetNameOf(GBK), "gb2312");
    EXPECT_EQ(CharsetNameOf(BIG5), "big5");
    EXPECT_EQ(CharsetNameOf(DecNotation), "iso-8859-1");
    EXPECT_EQ(CharsetNameOf(HexNotation), "iso-8859-1");
}

TEST(RewriteMetaCharsetTest, ReplacesOnlyTheCharsetName) {
    const Bytes page = "<html><head><meta http-equiv=\"Content-Type\" "
                       "content=\"text/html; charset=gb2312\"></head><body>\xCE\xD2</body>";
    EXPECT_EQ(Rewritten(page, "big5"),
              "<html><head><meta http-equiv=\"Content-Type\" "
              "content=\"text/html; charset=big5\"></head><body>\xCE\xD2</body>");
    EXPECT_EQ(Rewritten("<META charset=GB2312>", "big5"), "<META charset=big5>");
    EXPECT_EQ(Rewritten("<MeTa charset=\"x-unicode-2-0-utf-8\">", "gb2312"),
              "<MeTa charset=\"gb2312\">");
    // Table order, not text order: "utf-8" is tried before "gbk".
    EXPECT_EQ(Rewritten("<meta gbk utf-8>", "big5"), "<meta gbk big5>");
}

TEST(RewriteMetaCharsetTest, LeavesTextOutsideMetaTagsAlone) {
    const Bytes text = "charset=gb2312 <title>gb2312</title> <meta name=author> gbk";
    EXPECT_EQ(Rewritten(text, "big5"), text);
    EXPECT_EQ(Rewritten("", "big5"), "");
    EXPECT_EQ(Rewritten("<meta", "big5"), "<meta");
    // The name must lie inside the tag.
    EXPECT_EQ(Rewritten("<meta charset=gb23>12", "big5"), "<meta charset=gb23>12");
}

TEST(RewriteMetaCharsetTest, SecondTagIsFoundAfterTheFirstShrinks) {
    EXPECT_EQ(Rewritten("<meta charset=big5><p>x</p><meta content='charset=BIG5'>", "gb2312"),
              "<meta charset=gb2312><p>x</p><meta content='charset=gb2312'>");
    EXPECT_EQ(Rewritten("<meta a=gb2312><meta b=gb2312>", "big5"), "<meta a=big5><meta b=big5>");
}

TEST(RewriteMetaCharsetTest, TagWithoutCloseRunsToTheEnd) {
    EXPECT_EQ(Rewritten("<meta charset=gb2312", "big5"), "<meta charset=big5");
    EXPECT_EQ(Rewritten("<meta x=1> <meta charset=\"gbk\" ", "utf-8"),
              "<meta x=1> <meta charset=\"utf-8\" ");
}

TEST(RewriteMetaCharsetWTest, ReplacesOnlyTheCharsetName) {
    EXPECT_EQ(RewrittenW(u"<head><meta content=\"text/html; charset=gb2312\">中文</head>", u"big5"),
              u"<head><meta content=\"text/html; charset=big5\">中文</head>");
    EXPECT_EQ(RewrittenW(u"<META CHARSET=GB2312>", u"unicode"), u"<META CHARSET=unicode>");
    EXPECT_EQ(RewrittenW(u"<meta charset=x-unicode-2-0-utf-8>", u"gb2312"),
              u"<meta charset=gb2312>");
    EXPECT_EQ(RewrittenW(u"gb2312 <p>big5</p>", u"utf-8"), u"gb2312 <p>big5</p>");
}

TEST(RewriteMetaCharsetWTest, LaterTagsFollowTheShift) {
    EXPECT_EQ(RewrittenW(u"<meta charset=big5>中<meta content='charset=big5'>", u"gb2312"),
              u"<meta charset=gb2312>中<meta content='charset=gb2312'>");
    EXPECT_EQ(RewrittenW(u"<meta charset=unicode-1-1-utf-8><meta charset=big5>", u"gbk"),
              u"<meta charset=gbk><meta charset=gbk>");
    // A second "<meta" inside the first tag shares its ">"; both names are found.
    EXPECT_EQ(RewrittenW(u"<meta a=gbk <meta b=big5>", u"iso-8859-1"),
              u"<meta a=iso-8859-1 <meta b=iso-8859-1>");
    // The first tag's name lies after the second "<meta", which keeps its place.
    EXPECT_EQ(RewrittenW(u"<meta <meta big5 unicode-1-1-utf-8>", u"iso-8859-1"),
              u"<meta <meta iso-8859-1 iso-8859-1>");
}

TEST(RewriteMetaCharsetWTest, TagWithoutCloseIsSkipped) {
    EXPECT_EQ(RewrittenW(u"<meta charset=gb2312", u"big5"), u"<meta charset=gb2312");
    EXPECT_EQ(RewrittenW(u"<meta charset=gb2312> <meta charset=gbk", u"big5"),
              u"<meta charset=big5> <meta charset=gbk");
    EXPECT_EQ(RewrittenW(u"", u"big5"), u"");
}

TEST(DecodeNumericRefsTest, DecodesAsciiAndCharactersFromU0100) {
    EXPECT_EQ(Decoded(u"&#20013;"), u"中");
    EXPECT_EQ(Decoded(u"&#x4e2d;"), u"中");
    EXPECT_EQ(Decoded(u"&#X4E2D;"), u"中");
    EXPECT_EQ(Decoded(u"&#65;&#x42;C"), u"ABC");
    EXPECT_EQ(Decoded(u"&#+65;"), u"A");
    EXPECT_EQ(Decoded(u"&#0065;&#x00004e2d;"), u"A中");
    EXPECT_EQ(Decoded(u"&#256;&#65534;"), u"\u0100\uFFFE");
    EXPECT_EQ(Decoded(u"a&#20013;b&#25991;c"), u"a中b文c");
    // Beyond U+FFFF: one reference for the character, or one per surrogate as older
    // notation wrote it.
    EXPECT_EQ(Decoded(u"&#128512;&#x10FFFF;&#70000;"), u"\U0001F600\U0010FFFF\U00011170");
    EXPECT_EQ(Decoded(u"&#55357;&#56832;"), u"\U0001F600");
}

TEST(DecodeNumericRefsTest, OutOfRangeValuesStayAsText) {
    for (const std::u16string text :
         {u"&#233;", u"&#128;", u"&#xFF;", u"&#65535;", u"&#xFFFF;", u"&#1114112;", u"&#-5;",
          u"&#-0;", u"&#4294967361;", u"&#1234567890123456789012345678901234567890;",
          u"&#x10000000000000041;"}) {
        EXPECT_EQ(Decoded(text), text);
        EXPECT_EQ(Decoded(text + u"&#65;"), text + u"A");
    }
}

TEST(DecodeNumericRefsTest, MalformedReferencesStayAsText) {
    for (const std::u16string text : {u"& #20013;",
                                      u"&#;",
                                      u"&#x;",
                                      u"&#X;",
                                      u"&#abc;",
                                      u"&#+;",
                                      u"&#-;",
                                      u"&#x-4e;",
                                      u"&#xG1;",
                                      u"&# 65;",
                                      u"&#65 ;",
                                      u"&#6 5;",
                                      u"&#$41;",
                                      u"&#12",
                                      u"&#",
                                      u"&",
                                      u"&&#",
                                      u"&#x4e2d",
                                      u"text without any reference",
                                      u""}) {
        EXPECT_EQ(Decoded(text), text);
    }
}

TEST(DecodeNumericRefsTest, MalformedReferenceDoesNotSwallowTheNextOne) {
    EXPECT_EQ(Decoded(u"&#abc;&#20013;"), u"&#abc;中");
    EXPECT_EQ(Decoded(u"&#12&#20013;"), u"&#12中");
    EXPECT_EQ(Decoded(u"&#x&amp;&#65;;"), u"&#x&amp;A;");
    EXPECT_EQ(Decoded(u"&#;&#65;"), u"&#;A");
    EXPECT_EQ(Decoded(u"&&#65;"), u"&A");
    EXPECT_EQ(Decoded(u"&#&#&#&#65;"), u"&#&#&#A");
}

TEST(DecodeNumericRefsTest, TextAfterANulIsDecodedToo) {
    std::u16string text = u"&#65;";
    text += u'\0';
    text += u"x&#20013;&#0;";
    std::u16string expected = u"A";
    expected += u'\0';
    expected += u"x中";
    expected += u'\0';
    EXPECT_EQ(Decoded(text), expected);
}

TEST(DecodeNumericRefsTest, LongRunsAreDecodedInOnePass) {
    std::u16string text;
    std::u16string expected;
    for (int i = 0; i < 100000; ++i) {
        text += u"&#20013;&#";
        expected += u"中&#";
    }
    text += u';';
    expected += u';';
    EXPECT_EQ(Decoded(text), expected);
    // A long run of "&#" with the only ";" at its end: every "&#" is kept.
    std::u16string ampersands;
    for (int i = 0; i < 100000; ++i)
        ampersands += u"&#";
    ampersands += u';';
    EXPECT_EQ(Decoded(ampersands), ampersands);
}

} // namespace
} // namespace tessarim
