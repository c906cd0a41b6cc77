#include "engine/ConvertStream.h"

#include "engine/FixTableIndex.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

Bytes LE(std::u16string_view units) {
    return Bytes(reinterpret_cast<const char*>(units.data()), 2 * units.size());
}

// Every source, target and typeface, from tests/data/engine/routes.tsv.
TEST(ConvertStream, EveryRouteGivesWhatItPromises) {
    const std::vector<std::string> codes = {"ULE", "UBE", "UTF8", "GBK", "BIG5", "DEC", "HEX"};
    const auto code = [&](const std::string& name) {
        return static_cast<Code>(std::find(codes.begin(), codes.end(), name) - codes.begin());
    };
    std::ifstream cases(TESSARIM_SOURCE_DIR "/tests/data/engine/routes.tsv");
    std::string line, from, to, face, input, expected;
    int checked = 0;
    while (std::getline(cases, line)) {
        std::istringstream fields(line);
        if (line.starts_with('#') || !(fields >> from >> to >> face >> input >> expected)) continue;
        Bytes text = FromHex(input);
        const auto typeface = static_cast<Face>(std::string("TSD").find(face));
        EXPECT_EQ(ConvertStream(text, {code(from), code(to), typeface, false, code(to) <= UTF8}),
                  0u);
        EXPECT_EQ(ToHex(text), expected) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 105);
}

Bytes Page(std::string_view charset) {
    return "<META http-equiv=Content-Type content=\"text/html; charset=" + std::string(charset) +
           "\">";
}

enum Flags { Html = 1, Refs = 2, Bom = 4, More = 8 };

// References, charset rewriting and notation on either road, and what a block
// hands on to the next when more follow: the lead byte of a split character
// (0xFF leads none), or a reference in the making up to the longest, U+10FFFF.
// That the table road maps pair by pair, and that split characters and
// references join up across blocks, is left to the fuzz targets.
TEST(ConvertStream, OptionsAndBlockEnds) {
    struct Case {
        Code from, to;
        Face face;
        int flags;
        Bytes in, out;
        std::size_t carry;
    };
    const Case cases[] = {
        {ULE, ULE, FaceD, Refs | Bom, LE(u"\uFEFF&#20013;"), LE(u"\uFEFF中"), 0},
        {GBK, BIG5, FaceT, Refs, "&#x4E2D;\xC3\xC7", "\xA4\xA4\xAD\xCC", 0},
        {GBK, BIG5, FaceT, Html, Page("GB2312") + "\xC3\xC7", Page("big5") + "\xAD\xCC", 0},
        {GBK, UTF8, FaceD, Html, Page("GB2312"), Page("utf-8"), 0},
        {GBK, DecNotation, FaceD, 0, "\xD6\xD0!", "&#20013;!", 0},
        {UTF8, HexNotation, FaceD, 0, "\xF0\x9F\x98\x80\xC3\xA9", "&#x1F600;&#xE9;", 0},
        {GBK, UTF8, FaceD, Refs | More, "\xFF\xB0", "?", 1},
        {GBK, UTF8, FaceD, Refs | More, "ab&#x10FFFF", "ab", 9},
        {ULE, UTF8, FaceD, Refs | More, LE(u"ab&#1114111"), "ab", 18},
        // At the end a cut UTF-8 sequence is ill-formed; nothing waits for a
        // reference when they are not decoded; an odd last byte is dropped.
        {UTF8, ULE, FaceD, Refs, "A&\xF0\x9F\x98", LE(u"A&\uFFFD\uFFFD\uFFFD"), 0},
        {ULE, UTF8, FaceD, More, LE(u"A&"), "A&", 0},
        {ULE, UTF8, FaceD, Refs, LE(u"\uFEFFA") + "B", "A", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        Bytes text = c.in;
        const ConvertOptions options{
            c.from, c.to, c.face, bool(c.flags & Html), bool(c.flags & Bom), bool(c.flags & Refs)};
        EXPECT_EQ(ConvertStream(text, options, {true, !(c.flags & More)}), c.carry);
        EXPECT_EQ(ToHex(text), ToHex(c.out));
    }
}

// Two conversions with different options and tables at the same time give each
// the bytes it gives alone: nothing of one conversion is kept where the other
// can see it.
TEST(ConvertStream, ConversionsOnTwoThreadsDoNotMeet) {
    test::TempFolder folder;
    test::WriteFile(folder.File("b5fix.dat"), "\r\n\r\n\xA4\xA4,\xA4\xE5\r\n"); // 中 -> 文
    struct Job {
        ConvertOptions options;
        Bytes input;
        FixTables tables;
        Bytes alone;
    };
    Job jobs[2] = {{{GBK, BIG5, FaceT, true, false, false}, "", {}, ""},
                   {{UTF8, ULE, FaceT, false, true, true}, "", {}, ""}};
    for (int i = 0; i < 200; ++i) {
        jobs[0].input += "<meta charset=gb2312>\xD6\xD0\xCE\xC4&#20013;";
        jobs[1].input += "\xE4\xB8\xAD&#x4E2D;\xE5\x8F\x91";
    }
    test::MemoryStamps stamps;
    for (Job& job : jobs)
        ASSERT_TRUE(LoadFixTable(job.tables, FixTableId::Big5, folder.Dir(), stamps));
    const auto run = [](Job& job) {
        Bytes text = job.input;
        ConvertStream(text, job.options, WholeText, &job.tables);
        return text;
    };
    for (Job& job : jobs)
        job.alone = run(job);
    for (int round = 0; round < 20; ++round) {
        Bytes together[2];
        std::thread other([&] { together[1] = run(jobs[1]); });
        together[0] = run(jobs[0]);
        other.join();
        ASSERT_EQ(together[0], jobs[0].alone);
        ASSERT_EQ(together[1], jobs[1].alone);
    }
}

} // namespace
} // namespace tessarim
