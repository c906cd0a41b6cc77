#include "engine/CodePages.h"

#include "data/EmbeddedData.h"
#include "engine/Utf8.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace tessarim {

namespace {

// Layout of the compiled-in tables (written by scripts/gen_data.py): 126 x 191
// little-endian Unicode values for lead bytes 0x81..0xFE and trail bytes
// 0x40..0xFE, 0 where unmapped; then a count and (Unicode, code) pairs where
// the encoder differs from inverting the decoder.
constexpr unsigned FirstLead = 0x81, LastLead = 0xFE, FirstTrail = 0x40, LastTrail = 0xFE;
constexpr std::size_t TrailCount = LastTrail - FirstTrail + 1;
constexpr std::size_t GridSize = (LastLead - FirstLead + 1) * TrailCount;

constexpr char16_t Unmapped = 0;

struct CodePageTable {
    // Indexed by lead * 256 + trail - 0x8000; Unmapped where nothing decodes.
    std::array<char16_t, 0x8000> decode{};
    // Indexed by UTF-16 unit: the double-byte code, the byte itself below 0x80, else 0.
    std::array<std::uint16_t, 0x10000> encode{};
};

unsigned ReadLe16(std::span<const std::uint8_t> data, std::size_t at) {
    return data[at] | data[at + 1] << 8;
}

std::unique_ptr<CodePageTable> BuildTable(std::span<const std::uint8_t> data) {
    auto table = std::make_unique<CodePageTable>();
    for (unsigned c = 0; c < 0x80; ++c)
        table->encode[c] = static_cast<std::uint16_t>(c);
    for (std::size_t i = 0; i < GridSize && 2 * i + 1 < data.size(); ++i) {
        const char16_t unit = static_cast<char16_t>(ReadLe16(data, 2 * i));
        if (unit == Unmapped) continue;
        const unsigned code = (FirstLead + i / TrailCount) << 8 | (FirstTrail + i % TrailCount);
        table->decode[code - 0x8000] = unit;
        // The lowest code of a character decoded twice is the one the encoder gives.
        if (table->encode[unit] == 0) table->encode[unit] = static_cast<std::uint16_t>(code);
    }
    std::size_t at = 2 * GridSize;
    if (at + 2 <= data.size()) {
        const unsigned extras = ReadLe16(data, at);
        at += 2;
        for (unsigned k = 0; k < extras && at + 4 <= data.size(); ++k, at += 4)
            table->encode[ReadLe16(data, at)] = static_cast<std::uint16_t>(ReadLe16(data, at + 2));
    }
    return table;
}

const CodePageTable& Table(int codePage) {
    static const auto gbk = BuildTable(data::CodePage936());
    static const auto big5 = BuildTable(data::CodePage950());
    return codePage == CodePageBig5 ? *big5 : *gbk;
}

// Windows-1252's characters for bytes 0x80..0x9F; the rest is Latin-1.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsTrailByte(std::uint8_t b) {
    return b >= FirstTrail && b <= LastTrail && b != 0x7F;
}

void DoubleByteToWide(std::string_view bytes, const CodePageTable& table, std::u16string& out) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    const std::size_t start = out.size();
    out.resize(start + n); // never more units than bytes
    char16_t* o = out.data() + start;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
        } else if (b >= FirstLead && b <= LastLead && i + 1 < n && IsTrailByte(p[i + 1])) {
            const char16_t unit = table.decode[(b << 8 | p[i + 1]) - 0x8000];
            *o++ = unit == Unmapped ? u'?' : unit;
            i += 2;
        } else {
            // A byte that starts no character, or a lead byte without a trail byte:
            // "?" for it alone, so the byte after it still counts.
            *o++ = u'?';
            ++i;
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

void Cp1252ToWide(std::string_view bytes, std::u16string& out) {
    out.reserve(out.size() + bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        out += (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
}

void WideToDoubleByte(std::u16string_view text, const CodePageTable& table, Bytes& out) {
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size());
    auto* o = reinterpret_cast<std::uint8_t*>(out.data() + start);
    for (const char16_t unit : text) {
        const std::uint16_t code = table.encode[unit];
        if (code >= 0x100) {
            *o++ = static_cast<std::uint8_t>(code >> 8);
            *o++ = static_cast<std::uint8_t>(code);
        } else {
            *o++ = code != 0 || unit == 0 ? static_cast<std::uint8_t>(code) : '?';
        }
    }
    out.resize(static_cast<std::size_t>(o - reinterpret_cast<std::uint8_t*>(out.data())));
}

void WideToCp1252(std::u16string_view text, Bytes& out) {
    out.reserve(out.size() + text.size());
    for (const char16_t unit : text) {
        char byte = '?';
        if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
            byte = static_cast<char>(unit);
        } else {
            for (std::size_t k = 0; k < Cp1252High.size(); ++k)
                if (Cp1252High[k] == unit) byte = static_cast<char>(0x80 + k);
        }
        out += byte;
    }
}

} // namespace

void AnsiToWideAppend(std::string_view bytes, int codePage, std::u16string& out) {
    switch (codePage) {
    case CodePageGbk:
    case CodePageBig5:
        DoubleByteToWide(bytes, Table(codePage), out);
        break;
    case CodePageUtf8:
        Utf8ToWideAppend(bytes, true, out);
        break;
    default:
        Cp1252ToWide(bytes, out);
        break;
    }
}

std::u16string AnsiToWide(std::string_view bytes, int codePage) {
    std::u16string out;
    AnsiToWideAppend(bytes, codePage, out);
    return out;
}

void WideToAnsiAppend(std::u16string_view text, int codePage, Bytes& out) {
    switch (codePage) {
    case CodePageGbk:
    case CodePageBig5:
        WideToDoubleByte(text, Table(codePage), out);
        break;
    case CodePageUtf8:
        WideToUtf8Append(text, out);
        break;
    default:
        WideToCp1252(text, out);
        break;
    }
}

Bytes WideToAnsi(std::u16string_view text, int codePage) {
    Bytes out;
    WideToAnsiAppend(text, codePage, out);
    return out;
}

unsigned EncodeUnit(char16_t unit, int codePage) {
    return Table(codePage).encode[unit];
}

} // namespace tessarim
