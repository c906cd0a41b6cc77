// The two roads of GBK -> Big5 (Traditional) and Big5 -> GBK (Simplified), code
// by code. The table road replaces each double-byte code by its table entry; the
// road through Unicode, taken when a text holds a reference, decodes with the
// code page, changes the typeface and encodes again. They must give the same
// bytes for every code except where one of them cannot: a code the code page
// does not decode, a code the table leaves unmapped (the Unicode road keeps the
// character), and a Big5 character that code page 950 holds under two codes
// (the Unicode road writes the one the code page encodes).
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarim {
namespace {

using test::ToHex;

enum Outcome { Same, NotInCodePage, TableUnmapped, HeldTwice, Outcomes };

// Checks every code and returns how many fell into each outcome.
std::vector<unsigned> CompareRoads(bool toBig5) {
    const Code source = toBig5 ? GBK : BIG5, target = toBig5 ? BIG5 : GBK;
    const int sourcePage = toBig5 ? CodePageGbk : CodePageBig5;
    const int targetPage = toBig5 ? CodePageBig5 : CodePageGbk;
    const auto& entries = toBig5 ? GbToBig5Table() : Big5ToGbTable();
    const auto convert = [&](Bytes text) {
        ConvertStream(text, {source, target, toBig5 ? FaceT : FaceS});
        return text;
    };
    // A reference in the text sends it down the road through Unicode; the
    // reference itself is no number and comes out as it went in.
    const auto throughUnicode = [&](const Bytes& text) {
        Bytes out = convert(text + "&#;");
        EXPECT_TRUE(out.ends_with("&#;")) << ToHex(text);
        return out.substr(0, out.size() - 3);
    };
    std::vector<unsigned> counts(Outcomes, 0);
    int faults = 0;
    for (unsigned code = 0x8140; code <= 0xFEFE; ++code) {
        if ((code & 0xFF) < 0x40 || (code & 0xFF) == 0xFF) continue;
        const Bytes bytes{static_cast<char>(code >> 8), static_cast<char>(code)};
        const Bytes table = convert(bytes);
        const std::u16string character = AnsiToWide(bytes, sourcePage);
        const Bytes tableRoundTrip = WideToAnsi(AnsiToWide(table, targetPage), targetPage);

        Outcome outcome = Same;
        Bytes expected = table;
        if (character.size() != 1 || character == u"?") {
            outcome = NotInCodePage;
            expected = WideToAnsi(character, targetPage);
        } else if (const Bytes canonical = WideToAnsi(character, sourcePage); canonical != bytes) {
            outcome = HeldTwice;
            expected = throughUnicode(canonical);
        } else if (entries[code - 0x8000] == (toBig5 ? Big5WhiteSquare : GbWhiteSquare) &&
                   character != u"\u25A1") {
            outcome = TableUnmapped;
            expected = WideToAnsi(character, targetPage);
        } else if (tableRoundTrip != table) {
            outcome = HeldTwice;
            expected = tableRoundTrip;
        }
        ++counts[outcome];
        const Bytes unicode = throughUnicode(bytes);
        if (unicode != expected && ++faults <= 20)
            ADD_FAILURE() << ToHex(bytes) << " (outcome " << outcome << "): table road "
                          << ToHex(table) << ", Unicode road " << ToHex(unicode) << ", expected "
                          << ToHex(expected);
    }
    return counts;
}

TEST(RoadAgreement, EveryCodeBothWays) {
    // Code page 936 decodes 21791 of the 24066 codes, each either mapped by the
    // table or kept by the Unicode road; code page 950 decodes 13752 and holds ten
    // characters twice.
    const auto toBig5 = CompareRoads(true), toGbk = CompareRoads(false);
    EXPECT_EQ(toBig5[NotInCodePage], 126u * 191 - 21791);
    EXPECT_EQ(toBig5[Same] + toBig5[TableUnmapped], 21791u);
    EXPECT_EQ(toBig5[HeldTwice], 0u);
    EXPECT_EQ(toGbk[NotInCodePage], 126u * 191 - 13752);
    EXPECT_EQ(toGbk[Same] + toGbk[TableUnmapped], 13752u - 10);
    EXPECT_EQ(toGbk[HeldTwice], 10u);
}

} // namespace
} // namespace tessarim
