// UTF-8 to UTF-8 in the Traditional typeface goes straight through Big5 codes;
// it must give, block by block and carry by carry, what the road through
// UTF-16 gives: reading, decoding references, ConvertFaceW, writing UTF-8.
// Checked over every character of the BMP, over random text full of what
// the reader and the markers treat specially, with no fix table, the shipped
// one, and one whose entries add, drop and move the markers.
#include "engine/CodePages.h"
#include "engine/ConvertStream.h"
#include "engine/FixTableIndex.h"
#include "engine/FixTables.h"
#include "engine/HtmlRefs.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace tessarim {
namespace {

// Where two texts part, with a few bytes of each from there, in hex.
std::string Difference(std::string_view a, std::string_view b) {
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    return "at byte " + std::to_string(at) + ": " + test::ToHex(a.substr(at, 12)) + " / " +
           test::ToHex(b.substr(at, 12));
}

// The road through UTF-16, from its public parts.
std::size_t ThroughUtf16(Bytes& text, const ConvertOptions& options, BlockPosition position,
                         FixTables* tables) {
    std::u16string units;
    std::size_t carry = 0;
    ReadUnicodeStream(text, UTF8, position, options.decodeReferences, units, carry);
    if (options.decodeReferences) DecodeNumericRefs(units);
    ConvertFaceW(units, FaceT, tables);
    text.assign(options.addBom && position.first ? "\xEF\xBB\xBF" : "");
    WideToUtf8Append(units, text);
    return carry;
}

// Converts text in blocks of the given sizes (the carry handed on counted in,
// as the block loop fills a block; the last one as long as it takes).
template <class Convert>
Bytes InBlocks(std::string_view text, const std::vector<std::size_t>& sizes, Convert convert) {
    Bytes out, pending;
    std::size_t at = 0;
    for (std::size_t k = 0; at < text.size() || k == 0; ++k) {
        const std::size_t size = k < sizes.size() ? sizes[k] : pending.size() + text.size();
        const std::size_t take = std::min(size - pending.size(), text.size() - at);
        const Bytes read = pending + Bytes(text.substr(at, take));
        at += take;
        const BlockPosition position{k == 0, at == text.size()};
        Bytes block = read;
        const std::size_t carry = convert(block, position);
        EXPECT_LE(carry, std::min(MaxCarry, read.size()));
        EXPECT_TRUE(carry == 0 || !position.last);
        pending = read.substr(read.size() - carry);
        out += block;
    }
    return out;
}

class Utf8Traditional : public ::testing::Test {
protected:
    // Both roads over the text in the given blocks, each with its own copy of
    // the tables, for every combination of byte-order mark and references.
    void ExpectSameRoads(std::string_view text, const std::vector<std::size_t>& sizes,
                         bool withTables) {
        for (const bool bom : {false, true}) {
            for (const bool refs : {false, true}) {
                const ConvertOptions options{UTF8, UTF8, FaceT, false, bom, refs};
                FixTables* direct = withTables ? &directTables : nullptr;
                FixTables* general = withTables ? &generalTables : nullptr;
                const Bytes expected = InBlocks(text, sizes, [&](Bytes& b, BlockPosition p) {
                    return ThroughUtf16(b, options, p, general);
                });
                const Bytes got = InBlocks(text, sizes, [&](Bytes& b, BlockPosition p) {
                    return ConvertStream(b, options, p, direct);
                });
                ASSERT_TRUE(got == expected)
                    << Difference(got, expected) << ", bom " << bom << ", refs " << refs;
            }
        }
    }
    void LoadTable(std::string_view entries) {
        test::WriteFile(folder.File("b5fix.dat"),
                        "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n" + Bytes(entries));
        for (FixTables* tables : {&directTables, &generalTables})
            ASSERT_TRUE(LoadFixTable(*tables, FixTableId::Big5, folder.Dir(), stamps));
    }
    void LoadShippedTable() {
        for (FixTables* tables : {&directTables, &generalTables})
            ASSERT_TRUE(LoadFixTableWithDefault(*tables, FixTableId::Big5, folder.Dir(), stamps));
    }

    test::TempFolder folder;
    test::MemoryStamps stamps;
    FixTables directTables, generalTables;
};

// Random text from pieces: Chinese text the shipped table has phrases for,
// what GBK or Big5 lack (kept behind markers), the marker itself, characters
// beyond U+FFFF, references, and ill-formed, cut and legacy UTF-8.
std::string RandomText(std::mt19937& rng, std::size_t pieces) {
    static const std::string sample = [] {
        Bytes utf8;
        AnsiToUtf8Append(test::ReadFile(TESSARIM_SOURCE_DIR "/samples/sample_gbk.txt"), CodePageGbk,
                         utf8);
        return utf8;
    }();
    static const std::vector<std::string> odd = {"\x1F",
                                                 "?",
                                                 "Q",
                                                 "Z",
                                                 "K",
                                                 " ",
                                                 "\r\n",
                                                 "&",
                                                 "#",
                                                 "&#20013;",
                                                 "&#x1F600;",
                                                 "&#12",
                                                 "한",
                                                 "é",
                                                 "\u00A0",
                                                 "□",
                                                 "€",
                                                 "\uFFFD",
                                                 "丂",
                                                 "台",
                                                 "😀",
                                                 "\U00020000",
                                                 "\x80",
                                                 "\xFF",
                                                 "\xC0\x80",
                                                 "\xED\xA0\x80",
                                                 "\xED\xB0\x80",
                                                 "\xED\xA0\xBD\xED\xB8\x80",
                                                 "\xE0\x80\x80",
                                                 "\xE4\xBD",
                                                 "\xF0\x9F\x98",
                                                 "\xEF\xBB\xBF",
                                                 std::string(1, '\0'),
                                                 "aaaaaaaaaaaaaaaa"};
    std::string text;
    for (std::size_t k = 0; k < pieces; ++k) {
        if (rng() % 3 == 0) {
            const std::size_t at = rng() % (sample.size() - 64);
            text += sample.substr(at, rng() % 64);
        } else {
            text += odd[rng() % odd.size()];
        }
    }
    return text;
}

std::vector<std::size_t> RandomSizes(std::mt19937& rng, std::size_t count, std::size_t largest) {
    std::vector<std::size_t> sizes;
    for (std::size_t k = 0; k < count; ++k)
        sizes.push_back(MaxCarry + 1 + rng() % largest);
    return sizes;
}

// Markers added (Q), dropped (Z), and put apart (two in a row are the halves
// of a character beyond U+FFFF); a stray lead byte (K); and phrases.
constexpr std::string_view TroubleTable = "\x1F\x1F,\x1F-\x1F\r\n"
                                          "Q,\x1F\r\n"
                                          "Z\x1F,Z\r\n"
                                          "K,\xA4\r\n"
                                          "\xA5\x78,\xBB\x4F\r\n"
                                          "\xA4\xA4\xA4\xE5,\xA4\xE5\xA4\xA4\r\n";

TEST_F(Utf8Traditional, EveryCharacterOfTheBmpAsTheGeneralRoadGivesIt) {
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF) all += static_cast<char16_t>(c);
    const Bytes text = WideToUtf8(all);
    ExpectSameRoads(text, {}, false);
    LoadShippedTable();
    ExpectSameRoads(text, {}, true);
}

TEST_F(Utf8Traditional, RandomTextInRandomBlocksAsTheGeneralRoadGivesIt) {
    std::mt19937 rng(20);
    for (int round = 0; round < 300; ++round) {
        const std::string text = RandomText(rng, 1 + rng() % 60);
        const auto sizes = RandomSizes(rng, 40, 40);
        ExpectSameRoads(text, sizes, false);
        if (HasFailure()) return;
    }
    for (const bool shipped : {true, false}) {
        if (shipped)
            LoadShippedTable();
        else
            LoadTable(TroubleTable);
        for (int round = 0; round < 300; ++round) {
            ExpectSameRoads(RandomText(rng, 1 + rng() % 60), RandomSizes(rng, 40, 40), true);
            if (HasFailure()) return;
        }
    }
}

// Blocks of the file routine's size.
TEST_F(Utf8Traditional, BlocksOfTheFileRoutinesSize) {
    std::mt19937 rng(1024);
    std::string text;
    while (text.size() < 3 * BlockSize)
        text += RandomText(rng, 200);
    LoadTable(TroubleTable);
    ExpectSameRoads(text, {BlockSize, BlockSize, BlockSize}, true);
}

} // namespace
} // namespace tessarim
