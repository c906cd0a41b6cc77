#include "engine/Detect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

const fs::path SampleDir = fs::path(TESSARIM_SOURCE_DIR) / "tests/data/detect";

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Repeat(std::string_view piece, std::size_t times) {
    Bytes text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// GBK codes that are in neither sample: one inside GB2312 ("啊") and one outside ("丂").
constexpr std::string_view GbNoHit = "\xB0\xA1";
constexpr std::string_view OutsideGb2312NoHit = "\x81\x40";

TEST(DetectBomTest, RecognisesTheThreeMarksOnly) {
    EXPECT_EQ(DetectBom(""), Undetermined);
    EXPECT_EQ(DetectBom("\xFF"), Undetermined);
    EXPECT_EQ(DetectBom("\xFF\xFE"), ULE);
    EXPECT_EQ(DetectBom("\xFE\xFF\x4E\x2D"), UBE);
    EXPECT_EQ(DetectBom("\xEF\xBB"), Undetermined);
    EXPECT_EQ(DetectBom("\xEF\xBB\xBF\x41"), UTF8);
    EXPECT_EQ(DetectBom("\xEF\xBB\x41"), Undetermined);
    EXPECT_EQ(DetectBom("\xBB\xEF\xBF"), Undetermined);
}

TEST(DetectStreamTest, MarkDecidesBeforeTheContent) {
    const Bytes gbk = "\xCE\xD2\xC3\xC7"; // "我们"
    EXPECT_EQ(DetectStream("\xFF\xFE" + gbk), ULE);
    EXPECT_EQ(DetectStream("\xFE\xFF" + gbk), UBE);
    EXPECT_EQ(DetectStream("\xEF\xBB\xBF" + gbk), UTF8);
}

TEST(LooksLikeUtf8Test, NeedsOneWellFormedSequenceAndNoIllFormedOne) {
    EXPECT_FALSE(LooksLikeUtf8(""));
    EXPECT_FALSE(LooksLikeUtf8("plain ASCII text\r\n"));
    EXPECT_TRUE(LooksLikeUtf8("\xE4\xB8\xAD\xE6\x96\x87"));   // "中文"
    EXPECT_TRUE(LooksLikeUtf8("caf\xC3\xA9 au lait"));        // "é"
    EXPECT_TRUE(LooksLikeUtf8("smile \xF0\x9F\x98\x80 now")); // a four-byte sequence
    EXPECT_TRUE(LooksLikeUtf8("\xF4\x8F\xBF\xBF"));           // the last code point
    EXPECT_FALSE(LooksLikeUtf8("\xF5\x80\x80\x80"));          // no such lead byte
    EXPECT_FALSE(LooksLikeUtf8("\xF8\x88\x80\x80\x80"));
    EXPECT_FALSE(LooksLikeUtf8("\xA9 alone"));          // continuation without a lead
    EXPECT_FALSE(LooksLikeUtf8("\xC3\xA9 then \xC3(")); // ill-formed after a good one
    EXPECT_FALSE(LooksLikeUtf8("\xE4\xB8("));
    EXPECT_FALSE(LooksLikeUtf8("\xF0\x9F\x98("));
    EXPECT_FALSE(LooksLikeUtf8("\xCE\xD2\xC3\xC7")); // GBK "我们"
    EXPECT_FALSE(LooksLikeUtf8("\xA7\xDA\xAD\xCC")); // Big5 "我們"
}

TEST(LooksLikeUtf8Test, SequenceCutByTheEndOfTheInputEndsTheSample) {
    EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9 and \xE4\xB8"));
    EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9 and \xF0\x9F\x98"));
    EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9 and \xC3"));
    // Nothing well-formed before the cut: not enough to call it UTF-8.
    EXPECT_FALSE(LooksLikeUtf8("only ASCII before \xE4\xB8"));
    // What is there must still have the shape of a sequence.
    EXPECT_FALSE(LooksLikeUtf8("\xC3\xA9 and \xE4("));
}

TEST(LooksLikeUtf8Test, JudgesOnlyTheStartOfALongText) {
    const std::string_view zhong = "\xE4\xB8\xAD"; // "中"
    // A sequence ending past byte 3000 settles it; what follows is not looked at.
    EXPECT_TRUE(LooksLikeUtf8(Bytes(2999, 'a') + Bytes(zhong) + "\xFF\xFF"));
    EXPECT_FALSE(LooksLikeUtf8(Bytes(2990, 'a') + Bytes(zhong) + "\xFF\xFF"));
    // Bytes after the first 3006 are never looked at.
    EXPECT_FALSE(LooksLikeUtf8(Bytes(3006, 'a') + Bytes(zhong)));
    EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9" + Bytes(3004, 'a') + "\xFF"));
    // A sequence cut by the 3006-byte sample ends it.
    EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9" + Bytes(3002, 'a') + Bytes(zhong) + "\xFF"));
    EXPECT_FALSE(LooksLikeUtf8(Bytes(3004, 'a') + Bytes(zhong)));
    // After ASCII up to there, a sequence starting between 3001 and 3005 is still judged.
    EXPECT_FALSE(LooksLikeUtf8("\xC3\xA9" + Bytes(3000, 'a') + "\xC3("));
}

TEST(LooksLikeUtf8Test, ChineseProseCutInASequenceAtTheSampleEnd) {
    const Bytes prose = ReadFile(SampleDir / "diary-s.txt") + ReadFile(SampleDir / "market-s.txt");
    ASSERT_GT(prose.size(), 3010u);
    // One of three alignments puts byte 3006 inside a three-byte sequence.
    bool cutSeen = false;
    for (std::size_t shift = 0; shift < 3; ++shift) {
        const Bytes text = Bytes(shift, ' ') + prose;
        cutSeen = cutSeen || (static_cast<std::uint8_t>(text[3006]) & 0xC0) == 0x80;
        EXPECT_TRUE(LooksLikeUtf8(text)) << "shift " << shift;
        EXPECT_EQ(DetectStream(text), UTF8) << "shift " << shift;
    }
    EXPECT_TRUE(cutSeen);
}

TEST(DetectStreamTest, CountsSampleHitsToTellGbkFromBig5) {
    EXPECT_EQ(DetectStream(""), Undetermined);
    EXPECT_EQ(DetectStream("ASCII only, no mark.\r\n"), Undetermined);
    EXPECT_EQ(DetectStream("\xE4\xB8\xAD\xE6\x96\x87"), UTF8);
    EXPECT_EQ(DetectStream("\xA7\xDA\xAD\xCC"), BIG5); // "我們": "我" is a Big5 sample hit
    EXPECT_EQ(DetectStream("\xCE\xD2\xC3\xC7"), GBK);  // "我们": "我" is a GBK sample hit
    // A lead byte at the very end has no code to count.
    EXPECT_EQ(DetectStream("abc\xB0"), Undetermined);
    // Only bytes of 0x81 and above lead a code.
    EXPECT_EQ(DetectStream("\x80\x80\x80"), Undetermined);
}

TEST(DetectStreamTest, TieIsBrokenByTheShareOfCodesOutsideGb2312) {
    EXPECT_EQ(DetectStream(Repeat(GbNoHit, 10)), GBK);
    // 1 of 25 codes is exactly 4 %: still GBK. 1 of 24 is more.
    EXPECT_EQ(DetectStream(Repeat(GbNoHit, 24) + Bytes(OutsideGb2312NoHit)), GBK);
    EXPECT_EQ(DetectStream(Repeat(GbNoHit, 23) + Bytes(OutsideGb2312NoHit)), BIG5);
    // Equal hits tie too: one hit in each sample.
    EXPECT_EQ(DetectStream("\xA7\xDA\xCE\xD2" + Repeat(GbNoHit, 10)), GBK);
    EXPECT_EQ(DetectStream("\xA7\xDA\xCE\xD2" + Repeat(OutsideGb2312NoHit, 10)), BIG5);
}

TEST(DetectStreamTest, DecidesOnTheFirst5121CodesOnly) {
    const Bytes big5Hit = "\xA7\xDA"; // "我" in Big5; inside GB2312 but no GBK hit
    EXPECT_EQ(DetectStream(Repeat(GbNoHit, 5120) + big5Hit), BIG5);
    EXPECT_EQ(DetectStream(Repeat(GbNoHit, 5121) + Repeat(big5Hit, 50)), GBK);
    // ASCII between codes does not count.
    EXPECT_EQ(DetectStream(Repeat(Bytes(GbNoHit) + "\r\n", 5120) + big5Hit), BIG5);
}

// Everyday Chinese prose of 17 to about 1000 characters in every encoding; the extension
// names the expected code.
TEST(DetectProseTest, EachSampleFileIsDetected) {
    const std::map<std::string, Code> expected = {{".gbk", GBK},     {".big5", BIG5},
                                                  {".txt", UTF8},    {".utf8bom", UTF8},
                                                  {".utf16le", ULE}, {".utf16be", UBE}};
    int files = 0;
    for (const auto& entry : fs::directory_iterator(SampleDir)) {
        const auto code = expected.find(entry.path().extension().string());
        if (code == expected.end()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(DetectFile(entry.path().string()), code->second);
        EXPECT_EQ(DetectStream(ReadFile(entry.path())), code->second);
        ++files;
    }
    EXPECT_EQ(files, 21);
}

class DetectFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tessarim-detect-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const Bytes& content) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path dir_;
};

TEST_F(DetectFileTest, JudgesTheFirst5120BytesOnly) {
    const Bytes gbk = ReadFile(SampleDir / "market-s.gbk");
    EXPECT_EQ(DetectFile(Write("late.txt", Bytes(5120, 'a') + gbk)), Undetermined);
    EXPECT_EQ(DetectFile(Write("early.txt", Bytes(5118, 'a') + gbk)), GBK);
    EXPECT_EQ(DetectFile(Write("empty.txt", "")), Undetermined);
}

TEST_F(DetectFileTest, UnopenablePathRaisesTheOpenError) {
    const std::string missing = (dir_ / "missing.txt").string();
    try {
        DetectFile(missing);
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(DetectFile(dir_.string()), ConvertError);
}

TEST(HasDoubleByteTextTest, NeedsEightCodes) {
    EXPECT_FALSE(HasDoubleByteText(""));
    EXPECT_FALSE(HasDoubleByteText(Repeat(GbNoHit, 7)));
    EXPECT_TRUE(HasDoubleByteText(Repeat(GbNoHit, 8)));
    EXPECT_TRUE(HasDoubleByteText(Repeat(Bytes(GbNoHit) + "a b", 8)));
    // A lead byte takes the next byte with it, whatever it is.
    EXPECT_FALSE(HasDoubleByteText(Bytes(15, '\xB0')));
    EXPECT_TRUE(HasDoubleByteText(Bytes(16, '\xB0')));
    EXPECT_FALSE(HasDoubleByteText(Repeat(GbNoHit, 7) + "\xB0"));
    EXPECT_FALSE(HasDoubleByteText(Bytes(100, '\x80')));
}

} // namespace
} // namespace tessarim
