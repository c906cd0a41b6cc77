#include "engine/HtmlRefs.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

std::u16string Decoded(std::u16string text) {
    DecodeNumericRefs(text);
    return text;
}

std::u16string Widen(std::string_view bytes) {
    std::u16string units;
    for (const char c : bytes)
        units += static_cast<char16_t>(static_cast<std::uint8_t>(c));
    return units;
}

// Only the name inside a meta tag changes, the first of the known names in
// their table's order. A tag without ">" runs to the end of the bytes; the
// UTF-16 rewriter (outW) skips it.
TEST(RewriteMetaCharset, BothRewritersReplaceOnlyTheCharsetName) {
    struct Case {
        std::string in, name, out, outW = "";
    };
    const Case cases[] = {
        {"<meta content=\"text/html; charset=gb2312\">\xCE\xD2", "big5",
         "<meta content=\"text/html; charset=big5\">\xCE\xD2"},
        {"<MeTa charset=\"x-unicode-2-0-utf-8\">", "gb2312", "<MeTa charset=\"gb2312\">"},
        {"<META charset=GB2312><meta gbk utf-8>", "big5", "<META charset=big5><meta gbk big5>"},
        {"charset=gb2312 <title>gb2312</title> <meta name=author> gbk <meta charset=gb23>12",
         "big5",
         "charset=gb2312 <title>gb2312</title> <meta name=author> gbk <meta charset=gb23>12"},
        {"<meta charset=big5><p>x</p><meta content='charset=BIG5'>", "gb2312",
         "<meta charset=gb2312><p>x</p><meta content='charset=gb2312'>"},
        {"<meta charset=unicode-1-1-utf-8><meta charset=big5>", "gbk",
         "<meta charset=gbk><meta charset=gbk>"},
        {"<meta x=1> <meta charset=\"gbk\" ", "utf-8", "<meta x=1> <meta charset=\"utf-8\" ",
         "<meta x=1> <meta charset=\"gbk\" "}};
    for (const auto& [in, name, out, outW] : cases) {
        Bytes bytes = in;
        RewriteMetaCharset(bytes, name);
        EXPECT_EQ(bytes, out);
        std::u16string units = Widen(in);
        RewriteMetaCharsetW(units, Widen(name));
        EXPECT_EQ(units, Widen(outW.empty() ? out : outW)) << in;
    }
    // A second "<meta" inside the first tag shares its ">"; both names are found,
    // also when the first tag's name lies after the second "<meta".
    std::u16string units = u"<meta a=gbk <meta b=big5>中<meta <meta big5 unicode-1-1-utf-8>";
    RewriteMetaCharsetW(units, u"iso-8859-1");
    EXPECT_EQ(units, u"<meta a=iso-8859-1 <meta b=iso-8859-1>中<meta <meta iso-8859-1 iso-8859-1>");
}

// ASCII and characters from U+0100 are decoded, in decimal or hex, with leading
// zeros or "+"; other values, negative ones, values that wrap round at 2^32 or
// 2^64 and malformed references stay as text and do not swallow the next one.
TEST(DecodeNumericRefs, DecodesAsciiAndCharactersFromU0100) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"&#20013;&#x4e2d;&#X4E2D;", u"中中中"},
        {u"&#65;&#x42;C&#+65;&#0065;&#x00004e2d;", u"ABCAA中"},
        {u"&#256;&#65534;a&#20013;b", u"\u0100\uFFFEa中b"},
        // Beyond U+FFFF: one reference for the character, or one per surrogate as
        // older notation wrote it.
        {u"&#128512;&#x10FFFF;&#55357;&#56832;", u"\U0001F600\U0010FFFF\U0001F600"},
        {u"&#abc;&#20013;", u"&#abc;中"},
        {u"&#12&#20013;", u"&#12中"},
        {u"&#x&amp;&#65;;", u"&#x&amp;A;"},
        {u"&#&#&#&#65;", u"&#&#&#A"},
        {std::u16string(u"&#65;\0x&#20013;&#0;", 19), std::u16string(u"A\0x中\0", 5)}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Decoded(text), expected);
    for (const std::u16string text :
         {u"&#233;", u"&#xFF;", u"&#65535;", u"&#1114112;", u"&#-5;", u"& #20013;", u"&#;", u"&#x;",
          u"&#+;", u"&#x-4e;", u"&#xG1;", u"&#65 ;", u"&#12", u"&", u"&#x4e2d", u"&#4294967361;",
          u"&#18446744073709551681;", u"&#x10000000000000041;"}) {
        EXPECT_EQ(Decoded(text), text);
        EXPECT_EQ(Decoded(text + u"&#65;"), text + u"A");
    }
}

// In one pass: the only ";" at the end of a long run of "&#" is found once, and
// every "&#" is kept.
TEST(DecodeNumericRefs, LongRunsAreDecodedInOnePass) {
    std::u16string ampersands;
    for (int i = 0; i < 100000; ++i)
        ampersands += u"&#";
    EXPECT_EQ(Decoded(ampersands + u"&#20013;;"), ampersands + u"中;");
}

} // namespace
} // namespace tessarim
