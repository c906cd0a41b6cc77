// ConvertStream on one block, from every source to every target in every
// typeface, with reference decoding and the more-blocks flag on and off.
// Checks what a block promises the block loop and the reader of its output:
// the carry fits, the table road maps pair by pair, code-page and UTF-8 targets
// get the encoding they name, and the shortcuts to UTF-8 give what the general
// road gives.
//
// Input: source, target, flags (bits 0-1 typeface, 2 fixHtml, 3 addBom,
// 4 first block, 5 decode references, 6 more blocks follow), then the text.
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/HtmlRefs.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using namespace tessarim;

// The table road, one character at a time: bytes below 0x81 stay, a byte of 0x81
// or more and the byte after it become the table's two bytes, an unpaired last
// byte is dropped.
void CheckTableRoad(std::string_view before, std::string_view after, std::size_t carry,
                    const std::array<DbcsCode, TableSpan>& table) {
    const auto at = [](std::string_view text, std::size_t i) { return std::uint8_t(text[i]); };
    std::size_t i = 0;
    for (; i < before.size() && (at(before, i) < 0x81 || i + 1 < before.size()); ++i) {
        if (at(before, i) < 0x81) {
            FUZZ_CHECK(after[i] == before[i]);
            continue;
        }
        const DbcsCode to = table[(at(before, i) << 8 | at(before, i + 1)) - 0x8000u];
        FUZZ_CHECK(at(after, i) == to >> 8 && at(after, ++i) == (to & 0xFF));
    }
    FUZZ_CHECK(carry == before.size() - i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const auto source = static_cast<Code>(input.Byte() % 5);
    const auto target = static_cast<Code>(input.Byte() % 7);
    const std::uint8_t flags = input.Byte();
    const auto face = static_cast<Face>((flags & 3) % 3);
    const bool fixHtml = flags & 4, addBom = flags & 8, refs = flags & 32;
    const BlockPosition position{bool(flags & 16), !(flags & 64)};
    const ConvertOptions options{source, target, face, fixHtml, addBom, refs};
    const Bytes original(input.rest);

    Bytes text = original;
    const std::size_t carry = ConvertStream(text, options, position);
    FUZZ_CHECK(carry <= original.size() && carry <= MaxCarry);
    // The same call again gives the same: nothing of one block leaks into the next.
    Bytes again = original;
    FUZZ_CHECK(ConvertStream(again, options, position) == carry);
    FUZZ_CHECK(again == text);

    if (original.empty()) {
        FUZZ_CHECK(text.empty() && carry == 0);
        return 0;
    }
    const bool tableRoad = ((source == GBK && target == BIG5 && face == FaceT) ||
                            (source == BIG5 && target == GBK && face == FaceS)) &&
                           !(refs && HasRefStart(original));
    if (tableRoad) {
        // Whether or not more blocks follow, only an unpaired last byte waits.
        FUZZ_CHECK(carry <= 1);
        if (!fixHtml) {
            FUZZ_CHECK(text.size() == original.size() - carry);
            CheckTableRoad(original, text, carry,
                           source == GBK ? GbToBig5Table() : Big5ToGbTable());
        }
        return 0;
    }
    if (!refs && source <= UTF8 && target == source && face == FaceD) {
        FUZZ_CHECK(text == original && carry == 0);
        return 0;
    }
    if (position.last) FUZZ_CHECK(carry == 0);

    // Each target gets the encoding it names; code-page output holds only what the
    // code page writes, so decoding it and encoding again gives the same bytes.
    if (target <= UBE) FUZZ_CHECK(text.size() % 2 == 0);
    // Well-formed UTF-8 comes back from the decoder as it went in; anything
    // ill-formed comes back as U+FFFD, or shorter (E0 80 80, split surrogates).
    std::size_t cut = 0;
    if (target == UTF8) FUZZ_CHECK(WideToUtf8(Utf8ToWide(text, cut)) == text && cut == 0);
    if (target == GBK || target == BIG5) {
        const int page = target == GBK ? CodePageGbk : CodePageBig5;
        FUZZ_CHECK(WideToAnsi(AnsiToWide(text, page), page) == text);
    }

    // GBK or Big5 straight to UTF-8 takes a shortcut past UTF-16; it must give
    // what the general road gives.
    if ((source == GBK || source == BIG5) && target == UTF8 && face == FaceD && !fixHtml) {
        std::u16string units =
            AnsiToWide(std::string_view(original).substr(0, original.size() - carry),
                       source == GBK ? CodePageGbk : CodePageBig5);
        if (refs) DecodeNumericRefs(units);
        FUZZ_CHECK(text == (addBom && position.first ? "\xEF\xBB\xBF" : "") + WideToUtf8(units));
    }
    // So does UTF-8 to UTF-8 in the Traditional typeface.
    if (source == UTF8 && target == UTF8 && face == FaceT && !fixHtml) {
        std::u16string units;
        std::size_t held = 0;
        ReadUnicodeStream(original, UTF8, position, refs, units, held);
        if (refs) DecodeNumericRefs(units);
        ConvertFaceW(units, FaceT, nullptr);
        FUZZ_CHECK(held == carry);
        FUZZ_CHECK(text == (addBom && position.first ? "\xEF\xBB\xBF" : "") + WideToUtf8(units));
    }
    return 0;
}
