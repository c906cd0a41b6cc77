// Our code pages 936 and 950 against glibc's iconv converters CP936 and CP950:
// every single byte from 0x80 and every double-byte code decoded, every UTF-16
// unit outside the surrogates encoded. The differences are listed below, each
// with its reason and its size; a difference not listed, or a listed one that
// changes size, fails the test.
#include "engine/CodePages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iconv.h>
#include <optional>
#include <string>
#include <vector>

namespace tessarim {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Opened()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Opened() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The converted bytes, or nothing when iconv has no mapping for the input.
    std::optional<std::string> operator()(std::string input) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = input.data();
        std::size_t inLeft = input.size();
        char buffer[16];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0 ||
            iconv(cd_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        return std::string(buffer, static_cast<std::size_t>(out - buffer));
    }

private:
    iconv_t cd_;
};

constexpr unsigned None = 0;

// A difference: the byte sequence or unit it is about, and what each side makes of it.
struct Difference {
    unsigned key;
    unsigned ours;
    unsigned theirs;
};

struct Known {
    const char* reason;
    std::function<bool(const Difference&)> covers;
    unsigned count;
};

unsigned Bytes2(std::string_view bytes) {
    unsigned value = 0;
    for (const char c : bytes)
        value = value << 8 | static_cast<std::uint8_t>(c);
    return value;
}

std::vector<Difference> DecodeDifferences(int codePage, Iconv& theirs) {
    std::vector<Difference> differences;
    const auto compare = [&](const std::string& bytes) {
        const std::u16string text = AnsiToWide(bytes, codePage);
        const unsigned ours = text.size() == 1 && text != u"?" ? text[0] : None;
        const auto converted = theirs(bytes);
        unsigned their = None;
        if (converted && converted->size() == 2)
            their = static_cast<std::uint8_t>((*converted)[0]) |
                    static_cast<std::uint8_t>((*converted)[1]) << 8;
        if (ours != their) differences.push_back({Bytes2(bytes), ours, their});
    };
    compare("\x80");
    compare("\xFF");
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
            compare({static_cast<char>(lead), static_cast<char>(trail)});
    return differences;
}

std::vector<Difference> EncodeDifferences(int codePage, Iconv& theirs) {
    std::vector<Difference> differences;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const unsigned ours = EncodeUnit(static_cast<char16_t>(unit), codePage);
        const auto converted =
            theirs({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
        const unsigned their = converted ? Bytes2(*converted) : None;
        if (ours != their) differences.push_back({unit, ours, their});
    }
    return differences;
}

void ExpectOnlyKnown(const std::vector<Difference>& differences, const std::vector<Known>& known) {
    std::vector<unsigned> tally(known.size(), 0);
    std::vector<std::string> unexplained;
    for (const Difference& d : differences) {
        std::size_t k = 0;
        while (k < known.size() && !known[k].covers(d))
            ++k;
        if (k < known.size()) {
            ++tally[k];
        } else if (unexplained.size() < 20) {
            char line[64];
            std::snprintf(line, sizeof line, "%04X: ours %04X, iconv %04X", d.key, d.ours,
                          d.theirs);
            unexplained.push_back(line);
        }
    }
    EXPECT_TRUE(unexplained.empty()) << testing::PrintToString(unexplained);
    for (std::size_t k = 0; k < known.size(); ++k)
        EXPECT_EQ(tally[k], known[k].count) << known[k].reason;
}

bool InRange(unsigned value, unsigned first, unsigned last) {
    return value >= first && value <= last;
}

TEST(IconvAgreement, CodePage936) {
    Iconv decode("UTF-16LE", "CP936");
    Iconv encode("CP936", "UTF-16LE");
    if (!decode.Opened() || !encode.Opened()) GTEST_SKIP() << "glibc's CP936 converter is missing";

    // No difference at all.
    ExpectOnlyKnown(DecodeDifferences(CodePageGbk, decode), {});
    ExpectOnlyKnown(EncodeDifferences(CodePageGbk, encode), {});
}

TEST(IconvAgreement, CodePage950) {
    Iconv decode("UTF-16LE", "CP950");
    Iconv encode("CP950", "UTF-16LE");
    if (!decode.Opened() || !encode.Opened()) GTEST_SKIP() << "glibc's CP950 converter is missing";

    const char* control = "glibc passes byte 80 through as the control character U+0080; the "
                          "published code page 950 leaves it undefined";
    const char* eten = "C6A1-C7FC: we read the kana, Cyrillic letters and symbols of the ETEN "
                       "extension there, as Python's cp950 codec does; glibc, like Windows, gives "
                       "the whole user-defined range C6A1-C8FE Private Use code points";
    const char* userDefined = "C7FD-C8FE: no ETEN character; glibc gives Private Use code points";
    ExpectOnlyKnown(
        DecodeDifferences(CodePageBig5, decode),
        {{control, [](const Difference& d) { return d.key == 0x80 && d.theirs == 0x80; }, 1},
         {eten,
          [](const Difference& d) {
              return InRange(d.key, 0xC6A1, 0xC7FC) && d.ours != None &&
                     InRange(d.theirs, 0xF6B1, 0xF848);
          },
          249},
         {userDefined,
          [](const Difference& d) {
              return InRange(d.key, 0xC7FD, 0xC8FE) && d.ours == None &&
                     InRange(d.theirs, 0xF6B1, 0xF848);
          },
          159}});

    const char* bestFit =
        "Windows writes these characters as a look-alike Big5 character (¢ as ￠, "
        "• as ‧, ∼ as ～, ...); glibc refuses them";
    const std::vector<unsigned> bestFitUnits = {0x00A2, 0x00A3, 0x00A5, 0x2022, 0x203E,
                                                0x223C, 0x2609, 0x2641, 0xFF64};
    ExpectOnlyKnown(
        EncodeDifferences(CodePageBig5, encode),
        {{control, [](const Difference& d) { return d.key == 0x80 && d.ours == None; }, 1},
         {eten,
          [](const Difference& d) { return d.theirs == None && InRange(d.ours, 0xC6A1, 0xC7FC); },
          249},
         {eten,
          [](const Difference& d) {
              return InRange(d.key, 0xF6B1, 0xF848) && d.ours == None &&
                     InRange(d.theirs, 0xC6A1, 0xC8FE);
          },
          408},
         {bestFit,
          [&](const Difference& d) {
              return d.theirs == None && std::find(bestFitUnits.begin(), bestFitUnits.end(),
                                                   d.key) != bestFitUnits.end();
          },
          9}});
}

} // namespace
} // namespace tessarim
