#include "engine/ConvertStream.h"

#include "engine/CodePages.h"
#include "engine/FixTables.h"
#include "engine/HtmlRefs.h"
#include "engine/TableConvert.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace tessarim {

namespace {

// Buffers kept from one block to the next: the blocks of a file have the same
// size, and fresh buffers would be allocated, faulted in and cleared each time.
// Swapping a result into the caller's text hands its old buffer back here.
struct ScratchBuffers {
    std::u16string units;
    Bytes bytes;
};

ScratchBuffers& Scratch() {
    thread_local ScratchBuffers buffers;
    return buffers;
}

bool IsDirectRoad(Code source, Code target, Face face) {
    return (source == GBK && target == BIG5 && face == FaceT) ||
           (source == BIG5 && target == GBK && face == FaceS);
}

std::size_t ConvertDirect(Bytes& text, Direction direction, bool fixHtml, FixTables* fixTables) {
    const std::size_t carry = static_cast<std::size_t>(StreamConvert(text, direction));
    ApplyFixTable(fixTables, text, direction);
    if (fixHtml) RewriteCharsetDeclarations(text, direction == GbToBig5 ? BIG5 : GBK);
    return carry;
}

// How many bytes at the end of a GBK or Big5 block wait for the next block.
std::size_t DoubleByteCarry(std::string_view text, BlockPosition position, bool decodeReferences) {
    if (position.last) return 0;
    std::size_t carry = EndsWithLeadByte(text);
    if (decodeReferences) {
        // '&' is never a trail byte, so it always starts a character.
        const std::size_t window = std::min(LongestOpenReference, text.size());
        for (std::size_t k = 1; k <= window; ++k) {
            if (text[text.size() - k] == '&') {
                carry = k;
                break;
            }
        }
    }
    return carry;
}

// GBK or Big5 to UTF-8 when nothing happens to the text in between: one pass
// instead of two through UTF-16, with the same result.
std::size_t ConvertDoubleByteToUtf8(Bytes& text, Code source, bool addBom, std::size_t carry) {
    // Written over the scratch buffer, which needs no clearing first.
    Bytes& out = Scratch().bytes;
    const std::size_t bom = addBom ? 3 : 0;
    if (out.size() < bom) out.resize(bom);
    out.replace(0, bom, "\xEF\xBB\xBF", bom);
    AnsiToUtf8Marked(std::string_view(text).substr(0, text.size() - carry),
                     source == GBK ? CodePageGbk : CodePageBig5, {}, out, bom);
    text.swap(out);
    return carry;
}

void WriteUtf16(const std::u16string& units, bool bigEndian, bool addBom, Bytes& out) {
    out.clear();
    out.resize((addBom ? 2 : 0) + 2 * units.size());
    auto* o = reinterpret_cast<std::uint8_t*>(out.data());
    const auto put = [&](char16_t unit) {
        *o++ = static_cast<std::uint8_t>(bigEndian ? unit >> 8 : unit);
        *o++ = static_cast<std::uint8_t>(bigEndian ? unit : unit >> 8);
    };
    if (addBom) put(0xFEFF);
    for (const char16_t unit : units)
        put(unit);
}

// "&#20013;" or "&#x4E2D;" for every character from U+0080 up; a surrogate
// pair is written as the one character it stands for.
void WriteNotation(const std::u16string& units, bool hex, Bytes& out) {
    out.clear();
    out.reserve(units.size() * 4);
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t value = units[i];
        if (value < 0x80) {
            out += static_cast<char>(value);
            continue;
        }
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
            ++i;
        }
        AppendNumericReference(out, value, hex);
    }
}

} // namespace

bool HasRefStart(std::string_view text) {
    return text.find("&#") != std::string_view::npos || (!text.empty() && text.back() == '&');
}

std::size_t EndsWithLeadByte(std::string_view text) {
    // A byte below 0x81, or 0xFF, never leads a character, so it ends one (as a
    // character or a trail byte) and pairing can start right after the last such
    // byte instead of at the start of the text: the bytes from there on are all
    // lead-or-trail pairs.
    const auto pairs = [](std::uint8_t b) { return b >= 0x81 && b <= 0xFE; };
    std::size_t run = 0;
    while (run < text.size() && pairs(static_cast<std::uint8_t>(text[text.size() - 1 - run])))
        ++run;
    return run % 2;
}

std::size_t ConvertStream(Bytes& text, const ConvertOptions& options, BlockPosition position,
                          FixTables* fixTables) {
    const Code source = options.source;
    const Code target = options.target;
    const Face face = options.face;
    const bool fixHtml = options.fixHtmlCharset;
    const bool bomOption = options.addBom;
    const bool refs = options.decodeReferences;
    const bool addBom = bomOption && position.first;
    if (text.empty()) return 0;
    if (IsDirectRoad(source, target, face) && !(refs && HasRefStart(text)))
        return ConvertDirect(text, source == GBK ? GbToBig5 : Big5ToGb, fixHtml, fixTables);
    if (!refs && source <= UTF8 && target == source && face == FaceD) return 0;
    if ((source == GBK || source == BIG5) && target == UTF8 && face == FaceD && !fixHtml &&
        !(refs && HasRefStart(text)))
        return ConvertDoubleByteToUtf8(text, source, addBom, DoubleByteCarry(text, position, refs));

    std::size_t carry = 0;
    if (source == UTF8 && target == UTF8 && face == FaceT && !fixHtml &&
        !(refs && HasRefStart(text)) &&
        Utf8ToTraditionalUtf8(text, position, refs, addBom, fixTables, Scratch().bytes,
                              Scratch().units, carry))
        return carry;

    std::u16string& units = Scratch().units;
    units.clear();
    if (source <= UTF8) {
        // An odd last byte is half a UTF-16 unit: nothing to read, but told.
        if (source != UTF8 && position.last && text.size() % 2 != 0 && options.leftOut)
            ++*options.leftOut;
        ReadUnicodeStream(text, source, position, refs, units, carry);
    } else {
        carry = DoubleByteCarry(text, position, refs);
        AnsiToWideAppend(std::string_view(text).substr(0, text.size() - carry),
                         source == GBK ? CodePageGbk : CodePageBig5, units);
    }
    if (fixHtml) RewriteCharsetDeclarationsW(units, target);
    if (refs) DecodeNumericRefs(units);

    switch (target) {
    case ULE:
    case UBE:
        ConvertFaceW(units, face, fixTables);
        WriteUtf16(units, target == UBE, addBom, text);
        break;
    case UTF8:
        ConvertFaceW(units, face, fixTables);
        text.assign(addBom ? "\xEF\xBB\xBF" : "");
        WideToUtf8Append(units, text);
        break;
    case GBK:
        ConvertFaceW(units, face, fixTables);
        if (!(source == BIG5 && face == FaceS))
            std::replace(units.begin(), units.end(), u'\u2027', u'\uFF0E');
        text.clear();
        WideToAnsiAppend(units, CodePageGbk, text);
        break;
    case BIG5:
        text.clear();
        if (face == FaceT) {
            ConvertFaceW(units, FaceT, fixTables);
            WideToAnsiAppend(units, CodePageBig5, text);
        } else {
            WideToBig5Append(units, text);
        }
        break;
    case DecNotation:
    case HexNotation:
        ConvertFaceW(units, face, fixTables);
        WriteNotation(units, target == HexNotation, text);
        break;
    default:
        // Not a target: the text stays as the decoding left it.
        break;
    }
    return carry;
}

} // namespace tessarim
