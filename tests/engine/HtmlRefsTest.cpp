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

// Pages as they are found: only the three places that declare the page's code
// change, whole labels of the codes converted are replaced, and the same in
// 8-bit and UTF-16 text.
TEST(RewriteCharsetDeclarations, OnlyDeclarationsOfConvertedCodesChange) {
    struct Case {
        std::string in;
        Code target;
        std::string out;
    };
    const Case cases[] = {
        // An XHTML page: the XML declaration and the http-equiv content.
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><head><meta "
         "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />",
         GBK,
         "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<html><head><meta "
         "http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"},
        // Labels replaced whole, never a part of one; every common label of the codes.
        {"<meta charset=big5-hkscs><META CHARSET='x-gbk'><meta charset=\"EUC-CN\">"
         "<meta charset=windows-936><meta charset=cp950>",
         UTF8,
         "<meta charset=utf-8><META CHARSET='utf-8'><meta charset=\"utf-8\">"
         "<meta charset=utf-8><meta charset=utf-8>"},
        // Words that only look like labels stay: a description, a title, a
        // content without http-equiv, labels of codes never converted.
        {"<meta name=\"description\" content=\"Unicode \xC5\xBB Big5\"><title>gbk</title>"
         "<meta content=\"charset=gbk\"><meta charset=koi8-r><meta charset=gb23>12 charset=gbk",
         BIG5,
         "<meta name=\"description\" content=\"Unicode \xC5\xBB Big5\"><title>gbk</title>"
         "<meta content=\"charset=gbk\"><meta charset=koi8-r><meta charset=gb23>12 charset=gbk"},
        // A quoted ">" is no tag end; an unfinished tag is left alone.
        {"<meta content=\"a>b; charset=gbk\" http-equiv=content-type><meta charset=gbk", ULE,
         "<meta content=\"a>b; charset=unicode\" http-equiv=content-type><meta charset=gbk"},
    };
    for (const auto& [in, target, out] : cases) {
        Bytes bytes = in;
        RewriteCharsetDeclarations(bytes, target);
        EXPECT_EQ(bytes, out);
        std::u16string units = Widen(in);
        RewriteCharsetDeclarationsW(units, target);
        EXPECT_EQ(units, Widen(out)) << in;
    }
}

// Characters from U+0100 are decoded, in decimal or hex, with leading zeros or
// "+"; markup and other ASCII stay references, so "&#60;b&#62;" in a page never
// becomes a tag. Other values, negative ones, values that wrap round at 2^32
// or 2^64 and malformed references stay as text and do not swallow the next one.
TEST(DecodeNumericRefs, DecodesCharactersFromU0100) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"&#20013;&#x4e2d;&#X4E2D;", u"中中中"},
        {u"&#+20013;&#0020013;&#x00004e2d;", u"中中中"},
        {u"&#256;&#65534;a&#20013;b", u"\u0100\uFFFEa中b"},
        // Beyond U+FFFF: one reference for the character, or one per surrogate as
        // older notation wrote it.
        {u"&#128512;&#x10FFFF;&#55357;&#56832;", u"\U0001F600\U0010FFFF\U0001F600"},
        {u"&#abc;&#20013;", u"&#abc;中"},
        {u"&#12&#20013;", u"&#12中"},
        {u"&#x&amp;&#256;;", u"&#x&amp;\u0100;"},
        {u"&#&#&#&#256;", u"&#&#&#\u0100"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Decoded(text), expected);
    for (const std::u16string text : {u"&#233;",
                                      u"&#xFF;",
                                      u"&#65535;",
                                      u"&#1114112;",
                                      u"&#-5;",
                                      u"& #20013;",
                                      u"&#;",
                                      u"&#x;",
                                      u"&#+;",
                                      u"&#x-4e;",
                                      u"&#xG1;",
                                      u"&#65 ;",
                                      u"&#12",
                                      u"&",
                                      u"&#x4e2d",
                                      u"&#4294967361;",
                                      u"&#18446744073709551681;",
                                      u"&#x10000000000000041;",
                                      u"&#60;b&#62;",
                                      u"&#10;",
                                      u"&#x3C;",
                                      u"&#0;",
                                      u"&#38;#20013;"}) {
        EXPECT_EQ(Decoded(text), text);
        EXPECT_EQ(Decoded(text + u"&#20013;"), text + u"中");
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
