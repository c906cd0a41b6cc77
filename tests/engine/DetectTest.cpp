#include "engine/Detect.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

Bytes Repeat(std::string_view piece, std::size_t times) {
    Bytes text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}
const auto A = [](std::size_t count) { return Bytes(count, 'a'); };

// GBK codes that are in neither sample: one inside GB2312 ("啊") and one outside ("丂").
const Bytes GbNoHit = "\xB0\xA1";
const Bytes OutsideGb2312NoHit = "\x81\x40";
const Bytes Zhong = "\xE4\xB8\xAD"; // "中" in UTF-8

TEST(Detect, MarksAndTheShapeOfUtf8) {
    EXPECT_EQ(DetectBom("\xFF\xFE"), ULE);
    EXPECT_EQ(DetectBom("\xFE\xFF\x4E\x2D"), UBE);
    EXPECT_EQ(DetectBom("\xEF\xBB\xBF\x41"), UTF8);
    EXPECT_EQ(DetectBom("\xEF\xBB\x41"), Undetermined);

    // One well-formed sequence and no ill-formed one in the first 3006 bytes; a
    // sequence cut by the end of the input or of the sample ends it.
    for (const Bytes& text : {"caf\xC3\xA9 " + Zhong, Bytes("\xF4\x8F\xBF\xBF"),
                              Bytes("\xC3\xA9 and \xF0\x9F\x98"), A(2999) + Zhong + "\xFF",
                              "\xC3\xA9" + A(3004) + "\xFF", "\xC3\xA9" + A(3002) + Zhong + "\xFF"})
        EXPECT_TRUE(LooksLikeUtf8(text)) << test::ToHex(text.substr(0, 40));
    // GBK "我们" and Big5 "我們" last.
    for (const Bytes& text :
         {Bytes("plain ASCII\r\n"), Bytes("\xF5\x80\x80\x80"), Bytes("\xA9 alone"),
          Bytes("\xC3\xA9 then \xC3("), Bytes("only ASCII before \xE4\xB8"),
          A(2990) + Zhong + "\xFF", A(3004) + Zhong, "\xC3\xA9" + A(3000) + "\xC3(",
          Bytes("\xCE\xD2\xC3\xC7"), Bytes("\xA7\xDA\xAD\xCC")})
        EXPECT_FALSE(LooksLikeUtf8(text)) << test::ToHex(text.substr(0, 40));
}

// Mark first, then the shape of UTF-8, and what is left undetermined, are the fuzz target's;
// here hits among the frequent characters of each code in the first 5121 codes, ASCII between
// them not counting; a tie goes to Big5 when more than 4 % of the codes lie outside GB2312.
TEST(Detect, StreamByMarkShapeAndSampleHits) {
    const Bytes big5Hit = "\xA7\xDA";          // "我", inside GB2312 but no GBK hit
    const Bytes bothHits = "\xA7\xDA\xCE\xD2"; // "我" in Big5 and in GBK
    const Bytes gbk = "\xCE\xD2\xC3\xC7";      // "我们"
    for (const Bytes& text :
         {gbk, Repeat(GbNoHit, 10), Repeat(GbNoHit, 24) + OutsideGb2312NoHit,
          bothHits + Repeat(GbNoHit, 10), Repeat(GbNoHit, 5121) + Repeat(big5Hit, 50)})
        EXPECT_EQ(DetectStream(text), GBK) << test::ToHex(text.substr(0, 60));
    for (const Bytes& text :
         {Bytes("\xA7\xDA\xAD\xCC"), Repeat(GbNoHit, 23) + OutsideGb2312NoHit,
          bothHits + Repeat(OutsideGb2312NoHit, 10), Repeat(GbNoHit, 5120) + big5Hit,
          Repeat(GbNoHit + "\r\n", 5120) + big5Hit})
        EXPECT_EQ(DetectStream(text), BIG5) << test::ToHex(text.substr(0, 60));
}

// The code is read from the non-ASCII bytes however late they come (Big5 trail
// bytes in the ASCII range kept with their lead); a text with none is ASCII;
// UTF-16 without a mark shows by zeros on one side of its units only.
TEST(Detect, LateChineseAsciiAndUtf16WithoutMark) {
    const Bytes big5 = "\xA7\xDA\xAD\xCC\xA4\x40"; // 我們一: a trail byte 0x40
    const std::pair<Bytes, TextCode> cases[] = {
        {A(100000) + Zhong, {UTF8, false}},
        {A(6000) + Repeat(big5 + " ", 20), {BIG5, false}},
        {A(6000) + Repeat("\xCE\xD2\xC3\xC7\n", 20), {GBK, false}},
        {A(200000), {Undetermined, true}},
        {Bytes("a\0b\0", 4), {ULE, false}},
        {Bytes("\x4E\x2D\0\n\x4E\x2D\0\n", 8), {UBE, false}},
        // A stray NUL, or zeros on both sides (binary data), is no UTF-16.
        {Bytes("ab\0d", 4), {Undetermined, true}},
        {Bytes("\0a\0b\0\0", 6), {Undetermined, true}}};
    for (const auto& [text, expected] : cases) {
        CodeSniffer sniffer;
        for (std::size_t at = 0; at < text.size(); at += 4096)
            if (!sniffer.Feed(std::string_view(text).substr(at, 4096))) break;
        const TextCode found = sniffer.Result();
        EXPECT_EQ(found.code, expected.code) << test::ToHex(text.substr(text.size() - 12));
        EXPECT_EQ(found.asciiOnly, expected.asciiOnly) << test::ToHex(text.substr(0, 12));
    }
}

// Everyday Chinese prose of 17 to about 1000 characters in every encoding; the extension
// names the expected code.
TEST(Detect, EachSampleFileIsDetected) {
    const std::map<std::string, Code> expected = {{".gbk", GBK},     {".big5", BIG5},
                                                  {".txt", UTF8},    {".utf8bom", UTF8},
                                                  {".utf16le", ULE}, {".utf16be", UBE}};
    int files = 0;
    for (const auto& entry : fs::directory_iterator(TESSARIM_SOURCE_DIR "/tests/data/detect")) {
        const auto code = expected.find(entry.path().extension().string());
        if (code == expected.end()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(DetectFile(entry.path().string()), code->second); // as the stream: fuzz target
        ++files;
    }
    EXPECT_EQ(files, 21);
}

} // namespace
} // namespace tessarim
