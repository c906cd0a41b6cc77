#include "engine/UnicodeBridge.h"

#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"
#include "engine/HtmlRefs.h"
#include "engine/TableConvert.h"
#include "engine/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace tessarim {

namespace {

constexpr char16_t WhiteSquare = 0x25A1;
// Stands in, during a change to Traditional, for a character the tables cannot
// map; code page 950 carries it through unchanged.
constexpr char16_t Marker = 0x001F;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Where a numeric reference may be starting near the end of a block: the number
// of units (or bytes) from the last "&" among the final LongestOpenReference to
// the end, or 0.
template <class Text>
std::size_t HeldReference(const Text& text, std::size_t end) {
    const std::size_t window = std::min(LongestOpenReference, end);
    for (std::size_t k = 1; k <= window; ++k)
        if (text[end - k] == '&') return k;
    return 0;
}

void ReadUtf16(std::string_view block, bool bigEndian, BlockPosition position, bool references,
               std::u16string& text, std::size_t& carry) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(block.data());
    std::size_t at = 0;
    if (position.first && block.size() >= 2 &&
        ((!bigEndian && p[0] == 0xFF && p[1] == 0xFE) ||
         (bigEndian && p[0] == 0xFE && p[1] == 0xFF)))
        at = 2;
    const std::size_t units = (block.size() - at) / 2;
    text.resize(units);
    const int high = bigEndian ? 0 : 1;
    for (std::size_t k = 0; k < units; ++k, at += 2)
        text[k] = static_cast<char16_t>(p[at + high] << 8 | p[at + 1 - high]);

    carry = 0;
    if (position.last) return;
    std::size_t held = references ? HeldReference(text, text.size()) : 0;
    if (held == 0 && !text.empty() && IsHighSurrogate(text.back())) held = 1;
    text.resize(text.size() - held);
    carry = 2 * held;
}

void ReadUtf8(std::string_view block, BlockPosition position, bool references, std::u16string& text,
              std::size_t& carry) {
    std::size_t held = 0;
    if (references && !position.last) {
        held = HeldReference(block, block.size());
        block.remove_suffix(held);
    }
    if (position.first && block.size() >= 3 && block.substr(0, 3) == "\xEF\xBB\xBF")
        block.remove_prefix(3);
    text.clear();
    carry = Utf8ToWideAppend(block, position.last, text) + held;
}

} // namespace

void SwapByteOrder(std::u16string& text) {
    for (char16_t& unit : text)
        unit = static_cast<char16_t>(unit << 8 | unit >> 8);
}

void ReadUnicodeStream(std::string_view block, Code code, BlockPosition position,
                       bool decodeReferences, std::u16string& text, std::size_t& carry) {
    if (code == UTF8)
        ReadUtf8(block, position, decodeReferences, text, carry);
    else
        ReadUtf16(block, code == UBE, position, decodeReferences, text, carry);
}

void ConvertFaceW(std::u16string& text, Face face, FixTables* fixTables) {
    if (face != FaceT && face != FaceS) return;
    const bool toTraditional = face == FaceT;
    const int first = toTraditional ? CodePageGbk : CodePageBig5;
    const int second = toTraditional ? CodePageBig5 : CodePageGbk;
    const Direction direction = toTraditional ? GbToBig5 : Big5ToGb;

    Bytes bytes = WideToAnsi(text, first);
    StreamConvert(bytes, direction);
    std::u16string converted = AnsiToWide(bytes, second);

    // Put back what the tables could not map. Under FaceT the originals wait in
    // a side list behind markers, because the fix table may still move things;
    // a marker character already in the text goes into the list as well, so it
    // comes back as itself.
    std::u16string saved;
    for (std::size_t i = 0; i < text.size() && i < converted.size(); ++i) {
        const char16_t to = converted[i];
        const bool unmapped = to == WhiteSquare || (to == u'?' && text[i] != u'?');
        if (toTraditional) {
            if (unmapped || text[i] == Marker) {
                saved += text[i];
                converted[i] = Marker;
            }
        } else if (to == WhiteSquare || to == u'?') {
            converted[i] = text[i];
        }
    }

    bytes.clear();
    WideToAnsiAppend(converted, second, bytes);
    ApplyFixTable(fixTables, bytes, direction);
    text.clear();
    AnsiToWideAppend(bytes, second, text);

    if (toTraditional && !saved.empty()) {
        std::size_t next = 0;
        for (char16_t& unit : text) {
            if (unit != Marker) continue;
            if (next == saved.size()) break;
            unit = saved[next++];
        }
    }
}

void WideToBig5Append(std::u16string_view text, Bytes& out) {
    const auto& table = GbToBig5Table();
    out.reserve(out.size() + 2 * text.size());
    for (const char16_t unit : text) {
        unsigned code = EncodeUnit(unit, CodePageBig5);
        if (code == 0 && unit != 0) {
            // Big5 lacks it: take the Traditional form of its GBK code, if GBK has it.
            const unsigned gbk = EncodeUnit(unit, CodePageGbk);
            code = gbk >= 0x100 ? table[gbk - 0x8000] : '?';
        }
        if (code >= 0x100) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
}

Bytes WideToBig5(std::u16string_view text) {
    Bytes out;
    WideToBig5Append(text, out);
    return out;
}

} // namespace tessarim
