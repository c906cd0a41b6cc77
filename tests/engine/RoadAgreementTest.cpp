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

#include <map>
#include <vector>

namespace tessarim {
namespace {

using test::ToHex;

enum class Outcome { Same, NotInCodePage, TableUnmapped, HeldTwice };

const char* NameOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Same:
        return "same";
    case Outcome::NotInCodePage:
        return "not in the code page";
    case Outcome::TableUnmapped:
        return "left unmapped by the table";
    case Outcome::HeldTwice:
        return "held twice by code page 950";
    }
    return "";
}

struct Route {
    Code source;
    Code target;
    Face face;
    int sourcePage;
    int targetPage;
    const std::array<DbcsCode, TableSpan>& (*table)();
    DbcsCode whiteSquare;
};

Bytes Convert(Bytes text, const Route& route) {
    ConvertStream(text, route.source, route.target, route.face, false, false);
    return text;
}

// A reference in the text sends it down the road through Unicode; the reference
// itself is no number and comes out as it went in.
Bytes ConvertThroughUnicode(const Bytes& text, const Route& route) {
    Bytes out = Convert(text + "&#;", route);
    EXPECT_TRUE(out.ends_with("&#;")) << ToHex(text);
    out.resize(out.size() - 3);
    return out;
}

Bytes TwoBytes(unsigned code) {
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// Checks every code and returns how many fell into each outcome.
std::map<Outcome, unsigned> CompareRoads(const Route& route) {
    std::map<Outcome, unsigned> counts;
    std::vector<std::string> faults;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const Bytes code = TwoBytes(lead << 8 | trail);
            const Bytes table = Convert(code, route);
            const Bytes unicode = ConvertThroughUnicode(code, route);
            const std::u16string character = AnsiToWide(code, route.sourcePage);
            const DbcsCode entry = route.table()[(lead << 8 | trail) - 0x8000];
            const Bytes canonical = WideToAnsi(character, route.sourcePage);

            Outcome outcome = Outcome::Same;
            Bytes expected = table;
            if (character.size() != 1 || character == u"?") {
                outcome = Outcome::NotInCodePage;
                expected = WideToAnsi(character, route.targetPage);
            } else if (canonical != code) {
                outcome = Outcome::HeldTwice;
                expected = ConvertThroughUnicode(canonical, route);
            } else if (entry == route.whiteSquare && character != u"\u25A1") {
                outcome = Outcome::TableUnmapped;
                expected = WideToAnsi(character, route.targetPage);
            } else if (WideToAnsi(AnsiToWide(table, route.targetPage), route.targetPage) != table) {
                outcome = Outcome::HeldTwice;
                expected = WideToAnsi(AnsiToWide(table, route.targetPage), route.targetPage);
            }
            ++counts[outcome];
            if (unicode != expected && faults.size() < 20)
                faults.push_back(ToHex(code) + " (" + NameOf(outcome) + "): table road " +
                                 ToHex(table) + ", Unicode road " + ToHex(unicode) + ", expected " +
                                 ToHex(expected));
        }
    }
    EXPECT_TRUE(faults.empty()) << testing::PrintToString(faults);
    for (const auto& [outcome, count] : counts)
        std::printf("  %-28s %6u codes\n", NameOf(outcome), count);
    return counts;
}

class RoadAgreement : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void SetUp() override { Fix_UNN = true; }
};

TEST_F(RoadAgreement, GbkToBig5Traditional) {
    const Route route{GBK, BIG5, FaceT, CodePageGbk, CodePageBig5, GbToBig5Table, Big5WhiteSquare};
    auto counts = CompareRoads(route);
    // Code page 936 decodes 21791 of the 24066 codes, each either mapped by the
    // table or kept by the Unicode road.
    EXPECT_EQ(counts[Outcome::NotInCodePage], 126u * 191 - 21791);
    EXPECT_EQ(counts[Outcome::Same] + counts[Outcome::TableUnmapped], 21791u);
    EXPECT_EQ(counts[Outcome::HeldTwice], 0u);
}

TEST_F(RoadAgreement, Big5ToGbkSimplified) {
    const Route route{BIG5, GBK, FaceS, CodePageBig5, CodePageGbk, Big5ToGbTable, GbWhiteSquare};
    auto counts = CompareRoads(route);
    // Code page 950 decodes 13752 codes; ten characters it holds twice.
    EXPECT_EQ(counts[Outcome::NotInCodePage], 126u * 191 - 13752);
    EXPECT_EQ(counts[Outcome::Same] + counts[Outcome::TableUnmapped], 13752u - 10);
    EXPECT_EQ(counts[Outcome::HeldTwice], 10u);
}

} // namespace
} // namespace tessarim
