// Numeric references and both charset rewriters on any text. The reference
// decoder, which works in place behind its read position and remembers the
// last ";" it found, is checked against a plain reading of its rules; the byte
// and the UTF-16 charset rewriters must agree wherever their rules do.
//
// Input: a mode byte (bit 0: text as UTF-16LE units, else one unit per byte;
// bits 1-3: the new charset name), then the text.
#include "engine/HtmlRefs.h"
#include "tests/fuzz/FuzzSupport.h"

#include <optional>

namespace {

using namespace tessarim;

// The value a reference body names, read by its documented rules; empty when the
// body is no number, and 0x110000 for values never decoded.
std::optional<std::uint32_t> BodyValue(std::u16string_view body) {
    bool hex = false;
    bool negative = false;
    if (!body.empty() && (body[0] == u'x' || body[0] == u'X')) {
        hex = true;
        body.remove_prefix(1);
    } else if (!body.empty() && (body[0] == u'+' || body[0] == u'-')) {
        negative = body[0] == u'-';
        body.remove_prefix(1);
    }
    if (body.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : body) {
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = std::min<std::uint64_t>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    return negative ? 0x110000 : static_cast<std::uint32_t>(value);
}

std::u16string DecodePlainly(std::u16string_view t) {
    std::u16string out;
    std::size_t i = 0;
    while (i < t.size()) {
        if (t[i] != u'&' || i + 1 >= t.size() || t[i + 1] != u'#') {
            out += t[i++];
            continue;
        }
        const std::size_t semicolon = t.find(u';', i + 2);
        if (semicolon == std::u16string_view::npos) {
            out += t.substr(i);
            break;
        }
        const auto value = BodyValue(t.substr(i + 2, semicolon - i - 2));
        if (!value && semicolon > i + 2) {
            // Not a number: text up to the next "&", which may start a reference.
            const std::size_t next = t.find(u'&', i + 2);
            const std::size_t end = next == std::u16string_view::npos ? semicolon + 1 : next;
            out += t.substr(i, end - i);
            i = end;
            continue;
        }
        const std::uint32_t v = value.value_or(0x110000);
        if (v < 0x80 || (v >= 0x100 && v <= 0xFFFE)) {
            out += static_cast<char16_t>(v);
        } else if (v >= 0x10000 && v < 0x110000) {
            out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
        } else {
            out += t.substr(i, semicolon + 1 - i);
        }
        i = semicolon + 1;
    }
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Where the two rewriters' rules meet: every "<meta" has a ">" after it, and no
// "<meta" starts inside another's tag.
bool TagsClosedAndApart(std::string_view text) {
    const std::string lower = Lower(text);
    std::size_t from = 0;
    for (std::size_t at = lower.find("<meta"); at != std::string::npos;
         at = lower.find("<meta", from)) {
        const std::size_t close = lower.find('>', at);
        if (close == std::string::npos) return false;
        from = close + 1;
        if (lower.find("<meta", at + 1) < from) return false;
    }
    return true;
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
    const std::string_view bytes = input.Rest();
    const std::string_view newName = CharsetNameOf(static_cast<Code>((mode >> 1) % 7));

    std::u16string units;
    if (mode & 1) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                           static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    } else {
        units = Widen(bytes);
    }

    std::u16string decoded = units;
    DecodeNumericRefs(decoded);
    FUZZ_CHECK(decoded == DecodePlainly(units));
    FUZZ_CHECK(decoded.size() <= units.size());

    Bytes rewritten(bytes);
    RewriteMetaCharset(rewritten, newName);
    std::u16string rewrittenW = units;
    RewriteMetaCharsetW(rewrittenW, std::u16string(newName.begin(), newName.end()));
    if (Lower(bytes).find("<meta") == std::string::npos) {
        FUZZ_CHECK(rewritten == bytes);
        if (!(mode & 1)) FUZZ_CHECK(rewrittenW == units);
    }
    if (!(mode & 1) && TagsClosedAndApart(bytes)) FUZZ_CHECK(Widen(rewritten) == rewrittenW);
    return 0;
}
