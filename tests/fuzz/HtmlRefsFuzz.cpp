// Numeric references and both charset rewriters on any text. The reference
// decoder, which works in place behind its read position and remembers the
// last ";" it found, is checked against a plain reading of its rules; the byte
// and the UTF-16 charset rewriters must agree wherever their rules do.
//
// Input: a mode byte (bit 0: text as UTF-16LE units, else one unit per byte;
// bits 1-3: the target code), then the text.
#include "engine/HtmlRefs.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>

namespace {

using namespace tessarim;

// The reference decoder read plainly: "&#", a body, ";". A body of an optional
// "x" (hex), "+" or "-" and digits names a value; U+0100 to U+FFFE and
// U+10000 up to U+10FFFF are decoded, other values (negative ones too) stay as
// text. A body that is no number is text up to the next "&", which may start a
// reference.
std::u16string DecodePlainly(std::u16string_view t) {
    std::u16string out;
    for (std::size_t i = 0; i < t.size();) {
        const std::size_t end = t.substr(i).starts_with(u"&#") ? t.find(u';', i + 2) : t.npos;
        if (end == t.npos) {
            out += t[i++];
            continue;
        }
        std::u16string_view body = t.substr(i + 2, end - i - 2);
        const bool hex = body.starts_with(u'x') || body.starts_with(u'X');
        const bool negative = body.starts_with(u'-');
        if (hex || negative || body.starts_with(u'+')) body.remove_prefix(1);
        bool number = !body.empty();
        std::uint64_t v = 0;
        for (const char16_t c : body) {
            const std::size_t digit =
                std::u16string_view(u"0123456789abcdef0123456789ABCDEF").find(c);
            number = number && digit != t.npos && digit % 16 < (hex ? 16u : 10u);
            v = std::min<std::uint64_t>(v * (hex ? 16 : 10) + digit % 16, 0x110000);
        }
        if (!number && end > i + 2) {
            const std::size_t next = std::min(t.find(u'&', i + 2), end + 1);
            out += t.substr(i, next - i);
            i = next;
            continue;
        }
        if (number && !negative && (v >= 0x100 && v <= 0xFFFE)) {
            out += static_cast<char16_t>(v);
        } else if (number && !negative && v >= 0x10000 && v < 0x110000) {
            out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
        } else {
            out += t.substr(i, end + 1 - i);
        }
        i = end + 1;
    }
    return out;
}

std::u16string Widen(std::string_view bytes) {
    std::u16string units;
    for (const char c : bytes)
        units += static_cast<char16_t>(static_cast<std::uint8_t>(c));
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t mode = input.Byte();
    const bool asUnits = mode & 1;
    const std::string_view bytes = input.rest;
    const auto target = static_cast<Code>((mode >> 1) % 7);
    std::u16string units = asUnits ? u"" : Widen(bytes);
    for (std::size_t i = 0; asUnits && i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                       static_cast<std::uint8_t>(bytes[i + 1]) << 8);

    std::u16string decoded = units;
    DecodeNumericRefs(decoded);
    FUZZ_CHECK(decoded == DecodePlainly(units));

    // Both forms rewrite the same declarations; text without one stays.
    Bytes rewritten(bytes);
    RewriteCharsetDeclarations(rewritten, target);
    std::u16string rewrittenW = units;
    RewriteCharsetDeclarationsW(rewrittenW, target);
    std::string lower(bytes);
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower.find("<meta") == std::string::npos && lower.find("<?xml") == std::string::npos) {
        FUZZ_CHECK(rewritten == bytes);
        if (!asUnits) FUZZ_CHECK(rewrittenW == units);
    }
    if (!asUnits) FUZZ_CHECK(Widen(rewritten) == rewrittenW);
    return 0;
}
