// Our code pages 936 and 950 against glibc's iconv converters CP936 and CP950:
// every single byte from 0x80 and every double-byte code decoded, every UTF-16
// unit outside the surrogates encoded. The differences are listed below, each
// with its reason and its size; a difference not listed, or a listed one that
// changes size, fails the test.
#include "engine/CodePages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iconv.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessarim {
namespace {

constexpr unsigned None = 0;

// glibc's conversion of one character as a number, first byte highest, or None
// when iconv has no mapping for it.
unsigned Iconv(iconv_t cd, std::string input) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = input.data();
    std::size_t inLeft = input.size(), outLeft = 16;
    char buffer[16];
    char* out = buffer;
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
        return None;
    unsigned value = 0;
    for (const char* c = buffer; c != out; ++c)
        value = value << 8 | static_cast<std::uint8_t>(*c);
    return value;
}

// A difference: the bytes or the unit it is about, and what each side makes of it.
struct Difference {
    unsigned key, ours, theirs;
};

// What decoding (or encoding) every code (or unit) gives on each side; nothing
// when glibc lacks the converter.
std::optional<std::vector<Difference>> Differences(int codePage, const char* name, bool encode) {
    const iconv_t cd = iconv_open(encode ? name : "UTF-16BE", encode ? "UTF-16BE" : name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    const std::unique_ptr<void, decltype(&iconv_close)> close(cd, iconv_close);
    std::vector<Difference> differences;
    const auto compare = [&](unsigned key, const std::string& input, unsigned ours) {
        if (const unsigned their = Iconv(cd, input); ours != their)
            differences.push_back({key, ours, their});
    };
    if (encode) {
        for (unsigned unit = 1; unit <= 0xFFFF; ++unit)
            if (unit < 0xD800 || unit > 0xDFFF)
                compare(unit, {char(unit >> 8), char(unit)}, EncodeUnit(char16_t(unit), codePage));
        return differences;
    }
    const auto decode = [&](unsigned code) {
        const std::string bytes =
            code > 0xFF ? std::string{char(code >> 8), char(code)} : std::string(1, char(code));
        const std::u16string text = AnsiToWide(bytes, codePage);
        compare(code, bytes, text.size() == 1 && text != u"?" ? text[0] : None);
    };
    decode(0x80);
    decode(0xFF);
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
            decode(lead << 8 | trail);
    return differences;
}

bool InRange(unsigned value, unsigned first, unsigned last) {
    return value >= first && value <= last;
}

// Why code page 950 differs from glibc's, or "" when nothing explains it.
std::string Reason950(const Difference& d) {
    constexpr unsigned bestFit[] = {0xA2,   0xA3,   0xA5,   0x2022, 0x203E,
                                    0x223C, 0x2609, 0x2641, 0xFF64};
    const bool privateUse = InRange(d.theirs, 0xF6B1, 0xF848);
    // glibc passes byte 80 through as the control character U+0080; the published
    // code page 950 leaves it undefined.
    if (d.key == 0x80 && (d.theirs == 0x80 || d.ours == None)) return "byte 80";
    // C6A1-C7FC: we read the kana, Cyrillic letters and symbols of the ETEN
    // extension there, as Python's cp950 codec does; glibc, like Windows, gives the
    // whole user-defined range C6A1-C8FE Private Use code points.
    if (InRange(d.key, 0xC6A1, 0xC7FC) && d.ours != None && privateUse) return "ETEN read";
    if (InRange(d.ours, 0xC6A1, 0xC7FC) && d.theirs == None) return "ETEN written";
    if (InRange(d.key, 0xF6B1, 0xF848) && d.ours == None && InRange(d.theirs, 0xC6A1, 0xC8FE))
        return "Private Use written";
    // C7FD-C8FE: no ETEN character; glibc gives Private Use code points.
    if (InRange(d.key, 0xC7FD, 0xC8FE) && d.ours == None && privateUse) return "user-defined";
    // Windows writes these as a look-alike Big5 character (¢ as ￠, • as ‧, ∼ as ～,
    // ...); glibc refuses them.
    if (d.theirs == None &&
        std::find(std::begin(bestFit), std::end(bestFit), d.key) != std::end(bestFit))
        return "best fit";
    return "";
}

using Tally = std::map<std::string, unsigned>;

// How many differences each reason explains; those nothing explains count under
// "" and are reported. Nothing when glibc lacks the converter.
std::optional<Tally> Reasons(int codePage, const char* name, bool encode) {
    const auto differences = Differences(codePage, name, encode);
    if (!differences) return std::nullopt;
    Tally tally;
    for (const Difference& d : *differences) {
        const std::string why = codePage == CodePageBig5 ? Reason950(d) : "";
        if (++tally[why] <= 20 && why.empty())
            ADD_FAILURE() << std::hex << d.key << ": ours " << d.ours << ", iconv " << d.theirs;
    }
    return tally;
}

TEST(IconvAgreement, CodePage936) {
    const auto decoded = Reasons(CodePageGbk, "CP936", false);
    if (!decoded) GTEST_SKIP() << "glibc's CP936 converter is missing";
    EXPECT_EQ(*decoded, Tally{});
    EXPECT_EQ(Reasons(CodePageGbk, "CP936", true), Tally{});
}

TEST(IconvAgreement, CodePage950) {
    const auto decoded = Reasons(CodePageBig5, "CP950", false);
    if (!decoded) GTEST_SKIP() << "glibc's CP950 converter is missing";
    EXPECT_EQ(*decoded, (Tally{{"byte 80", 1}, {"ETEN read", 249}, {"user-defined", 159}}));
    EXPECT_EQ(
        Reasons(CodePageBig5, "CP950", true),
        (Tally{
            {"byte 80", 1}, {"ETEN written", 249}, {"Private Use written", 408}, {"best fit", 9}}));
}

} // namespace
} // namespace tessarim
