#include "engine/UnicodeBridge.h"

#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"
#include "engine/HtmlRefs.h"
#include "engine/TableConvert.h"
#include "engine/Utf8.h"
#include "engine/Utf8Walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

namespace tessarim {

namespace {

constexpr char16_t WhiteSquare = 0x25A1;
// Stands in, during a change to Traditional, for a character the tables cannot
// map; code page 950 carries it through unchanged.
constexpr char16_t Marker = 0x001F;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Whether a character that came back from the tables as `to` was one they
// cannot map.
bool Unmapped(char16_t from, char16_t to) {
    return to == WhiteSquare || (to == u'?' && from != u'?');
}

// Puts the saved characters back in place of the markers, in order.
void RestoreMarked(std::u16string& text, std::u16string_view saved) {
    if (saved.empty()) return;
    std::size_t next = 0;
    for (char16_t& unit : text) {
        if (unit != Marker) continue;
        if (next == saved.size()) break;
        unit = saved[next++];
    }
}

// What ConvertFaceW(FaceT) makes of each UTF-16 unit before the fix table:
// its Big5 code, or Marker when the unit waits in the side list. The tables
// map character by character, so a text's bytes are its units' codes one after
// the other; `usable` tells that the tables keep to that (every Big5 code they
// give decodes as one character). Each entry holds the code's bytes in memory
// order, a single byte followed by 0, so that it is stored as it stands.
struct TraditionalCodes {
    std::array<std::uint16_t, 0x10000> bytes;
    bool usable;
};

std::uint8_t FirstByte(std::uint16_t entry) {
    return static_cast<std::uint8_t>(std::endian::native == std::endian::little ? entry
                                                                                : entry >> 8);
}

// Whether an entry holds a double-byte code (lead bytes are 0x81 and up).
bool IsDoubleByte(std::uint16_t entry) {
    return FirstByte(entry) >= 0x80;
}

std::uint16_t Entry(unsigned code) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(code >= 0x100 ? code >> 8 : code),
                                   static_cast<std::uint8_t>(code >= 0x100 ? code & 0xFF : 0)};
    std::uint16_t entry;
    std::memcpy(&entry, bytes, 2);
    return entry;
}

std::unique_ptr<TraditionalCodes> BuildTraditionalCodes() {
    auto codes = std::make_unique<TraditionalCodes>();
    std::u16string all(0x10000, u'\0');
    for (std::size_t u = 0; u < all.size(); ++u)
        all[u] = static_cast<char16_t>(u);
    Bytes bytes = WideToAnsi(all, CodePageGbk);
    StreamConvert(bytes, GbToBig5);
    const std::u16string converted = AnsiToWide(bytes, CodePageBig5);
    codes->usable = converted.size() == all.size();
    const auto& table = GbToBig5Table();
    for (std::size_t u = 0; u < all.size() && codes->usable; ++u) {
        const unsigned gbk = EncodeUnit(all[u], CodePageGbk);
        if (gbk >= 0x100) {
            const unsigned big5 = table[gbk - 0x8000], lead = big5 >> 8, trail = big5 & 0xFF;
            codes->usable =
                lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
        }
        const char16_t to = converted[u];
        if (Unmapped(all[u], to) || all[u] == Marker) {
            codes->bytes[u] = Entry(Marker);
            continue;
        }
        const unsigned code = EncodeUnit(to, CodePageBig5);
        codes->bytes[u] = Entry(code == 0 && to != 0 ? '?' : code);
    }
    // Runs of ASCII are copied as they are.
    for (unsigned b = 0; b < 0x80 && codes->usable; ++b)
        codes->usable = codes->bytes[b] == Entry(b);
    return codes;
}

const TraditionalCodes& Traditional() {
    static const auto codes = BuildTraditionalCodes();
    return *codes;
}

// Writes each unit's code from TraditionalCodes and saves what a marker
// stands for. Stores two bytes where one may be kept: the buffer has room.
struct TraditionalSink {
    const std::uint16_t* bytes;
    std::uint8_t* out;
    std::u16string* saved;
    void Ascii8(const std::uint8_t* p) {
        std::memcpy(out, p, 8);
        out += 8;
        if (!runs::HasZeroByte(runs::Load64(p) ^ (Marker * runs::LowBits))) return;
        for (int k = 0; k < 8; ++k)
            if (p[k] == Marker) *saved += Marker;
    }
    void Unit(char16_t unit) {
        const std::uint16_t entry = bytes[unit];
        std::memcpy(out, &entry, 2);
        if (IsDoubleByte(entry)) {
            out += 2;
            return;
        }
        ++out;
        if (FirstByte(entry) == Marker) *saved += unit;
    }
    // Two double-byte codes, the common case, as one four-byte store.
    [[gnu::always_inline]] void Units(char16_t first, char16_t second) {
        const std::uint16_t a = bytes[first], b = bytes[second];
        if (!IsDoubleByte(a) || !IsDoubleByte(b)) {
            Unit(first);
            Unit(second);
            return;
        }
        std::memcpy(out, &a, 2);
        std::memcpy(out + 2, &b, 2);
        out += 4;
    }
    void Pair(char16_t high, char16_t low) {
        Unit(high);
        Unit(low);
    }
};

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

// Narrows a UTF-8 block to what is read as text: a numeric reference a later
// block may finish is held back (its length returned), and the first block's
// byte-order mark is left out.
std::size_t Utf8BlockBody(std::string_view& block, BlockPosition position, bool references) {
    std::size_t held = 0;
    if (references && !position.last) {
        held = HeldReference(block, block.size());
        block.remove_suffix(held);
    }
    if (position.first && block.size() >= 3 && block.substr(0, 3) == "\xEF\xBB\xBF")
        block.remove_prefix(3);
    return held;
}

void ReadUtf8(std::string_view block, BlockPosition position, bool references, std::u16string& text,
              std::size_t& carry) {
    const std::size_t held = Utf8BlockBody(block, position, references);
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
    // comes back as itself. Under FaceS a character GBK has goes back in place,
    // where the fix table sees the words it is part of; one GBK lacks too (a
    // no-break space, "©", a Latin letter with a mark) waits behind a marker,
    // or the second pass through GBK would make it "?".
    std::u16string saved;
    for (std::size_t i = 0; i < text.size() && i < converted.size(); ++i) {
        const bool unmapped = Unmapped(text[i], converted[i]);
        if (!toTraditional && unmapped && EncodeUnit(text[i], second) != 0) {
            converted[i] = text[i];
        } else if (unmapped || text[i] == Marker) {
            saved += text[i];
            converted[i] = Marker;
        }
    }

    bytes.clear();
    WideToAnsiAppend(converted, second, bytes);
    ApplyFixTable(fixTables, bytes, direction);
    text.clear();
    AnsiToWideAppend(bytes, second, text);
    RestoreMarked(text, saved);
}

bool Utf8ToTraditionalUtf8(Bytes& text, BlockPosition position, bool decodeReferences, bool addBom,
                           FixTables* fixTables, Bytes& big5, std::u16string& saved,
                           std::size_t& carry) {
    const TraditionalCodes& codes = Traditional();
    if (!codes.usable) return false;
    // As ReadUtf8 reads the block.
    std::string_view block = text;
    const std::size_t held = Utf8BlockBody(block, position, decodeReferences);

    // Each byte read gives at most one code of two bytes, or of one when a
    // stray byte's U+FFFD becomes one; and room for an eight-byte store.
    const std::size_t room =
        block.size() * (IsDoubleByte(codes.bytes[utf8::Replacement]) ? 2 : 1) + 8;
    if (big5.size() < room) big5.resize(room);
    saved.clear();
    TraditionalSink sink{codes.bytes.data(), reinterpret_cast<std::uint8_t*>(big5.data()), &saved};
    const std::size_t read = utf8::Walk(reinterpret_cast<const std::uint8_t*>(block.data()),
                                        block.size(), position.last, sink);
    carry = block.size() - read + held;
    big5.resize(static_cast<std::size_t>(sink.out - reinterpret_cast<std::uint8_t*>(big5.data())));
    ApplyFixTable(fixTables, big5, GbToBig5);

    const std::size_t bom = addBom ? 3 : 0;
    if (std::none_of(saved.begin(), saved.end(),
                     [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; })) {
        if (text.size() < bom) text.resize(bom);
        text.replace(0, bom, "\xEF\xBB\xBF", bom);
        AnsiToUtf8Marked(big5, CodePageBig5, saved, text, bom);
        return true;
    }
    // Halves of a pair become one character only when they stay side by side:
    // the general way.
    std::u16string units = AnsiToWide(big5, CodePageBig5);
    RestoreMarked(units, saved);
    text.assign(addBom ? "\xEF\xBB\xBF" : "");
    WideToUtf8Append(units, text);
    return true;
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
