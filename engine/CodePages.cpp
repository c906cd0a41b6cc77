#include "engine/CodePages.h"

#include "data/EmbeddedData.h"
#include "engine/ByteRuns.h"
#include "engine/Replacements.h"
#include "engine/Utf8.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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

// Code page 936 holds the euro sign as the single byte 0x80, as Windows and
// glibc have it; the grid comes from Python's codec, which is plain GBK without it.
constexpr char16_t EuroSign = 0x20AC;
constexpr std::uint8_t EuroByte = 0x80;

unsigned ReadLe16(std::span<const std::uint8_t> data, std::size_t at) {
    return data[at] | data[at + 1] << 8;
}

// Decoding reads the compiled-in grid directly, so a run that only decodes
// builds nothing at start-up.
class Decoder {
public:
    Decoder(std::span<const std::uint8_t> data, char16_t euroByte)
        : grid_(data.data()), euroByte_(euroByte) {}
    // The character of a lead byte and a trail byte in their ranges, or Unmapped.
    char16_t operator()(unsigned lead, unsigned trail) const {
        const std::size_t at = 2 * ((lead - FirstLead) * TrailCount + (trail - FirstTrail));
        return static_cast<char16_t>(grid_[at] | grid_[at + 1] << 8);
    }
    // The character of a byte from 0x80 up that starts no pair, or Unmapped.
    char16_t Single(std::uint8_t b) const { return b == EuroByte ? euroByte_ : Unmapped; }

private:
    const std::uint8_t* grid_;
    char16_t euroByte_;
};

const Decoder& DecoderFor(int codePage) {
    static const Decoder gbk(data::CodePage936(), EuroSign);
    static const Decoder big5(data::CodePage950(), Unmapped);
    return codePage == CodePageBig5 ? big5 : gbk;
}

// Every double-byte code's character as UTF-8, for decoding straight into UTF-8:
// up to three bytes in memory order, then the byte count ("?" where nothing
// decodes). Indexed by lead * 256 + trail - 0x8000.
using Utf8Table = std::array<std::uint32_t, 0x8000>;

// A character's UTF-8 bytes in memory order, then their count; "?" for Unmapped.
std::uint32_t PackUtf8(char16_t unit) {
    std::uint8_t packed[4];
    if (unit >= 0x800) {
        packed[0] = static_cast<std::uint8_t>(0xE0 | unit >> 12);
        packed[1] = static_cast<std::uint8_t>(0x80 | (unit >> 6 & 0x3F));
        packed[2] = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
        packed[3] = 3;
    } else if (unit >= 0x80) {
        packed[0] = static_cast<std::uint8_t>(0xC0 | unit >> 6);
        packed[1] = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
        packed[2] = 0;
        packed[3] = 2;
    } else {
        packed[0] = unit == Unmapped ? '?' : static_cast<std::uint8_t>(unit);
        packed[1] = packed[2] = 0;
        packed[3] = 1;
    }
    std::uint32_t value;
    std::memcpy(&value, packed, 4);
    return value;
}

std::unique_ptr<Utf8Table> BuildUtf8Table(const Decoder& decode) {
    auto table = std::make_unique<Utf8Table>();
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const bool valid =
                lead >= FirstLead && lead <= LastLead && trail >= FirstTrail && trail <= LastTrail;
            (*table)[(lead << 8 | trail) - 0x8000] =
                PackUtf8(valid ? decode(lead, trail) : Unmapped);
        }
    }
    return table;
}

const Utf8Table& Utf8TableFor(int codePage) {
    if (codePage == CodePageBig5) {
        static const auto big5 = BuildUtf8Table(DecoderFor(CodePageBig5));
        return *big5;
    }
    static const auto gbk = BuildUtf8Table(DecoderFor(CodePageGbk));
    return *gbk;
}

// Indexed by UTF-16 unit: the double-byte code, the byte itself below 0x80, else 0.
using EncodeTable = std::array<std::uint16_t, 0x10000>;

std::unique_ptr<EncodeTable> BuildEncodeTable(std::span<const std::uint8_t> data, bool euroByte) {
    auto table = std::make_unique<EncodeTable>();
    table->fill(0);
    for (unsigned c = 0; c < 0x80; ++c)
        (*table)[c] = static_cast<std::uint16_t>(c);
    for (std::size_t i = 0; i < GridSize; ++i) {
        const unsigned unit = ReadLe16(data, 2 * i);
        // The lowest code of a character decoded twice is the one the encoder gives.
        if (unit == Unmapped || (*table)[unit] != 0) continue;
        (*table)[unit] = static_cast<std::uint16_t>((FirstLead + i / TrailCount) << 8 |
                                                    (FirstTrail + i % TrailCount));
    }
    const unsigned extras = ReadLe16(data, 2 * GridSize);
    for (unsigned k = 0; k < extras; ++k) {
        const std::size_t at = 2 * GridSize + 2 + 4 * k;
        (*table)[ReadLe16(data, at)] = static_cast<std::uint16_t>(ReadLe16(data, at + 2));
    }
    if (euroByte && (*table)[EuroSign] == 0) (*table)[EuroSign] = EuroByte;
    return table;
}

const EncodeTable& EncoderFor(int codePage) {
    if (codePage == CodePageBig5) {
        static const auto big5 = BuildEncodeTable(data::CodePage950(), false);
        return *big5;
    }
    static const auto gbk = BuildEncodeTable(data::CodePage936(), true);
    return *gbk;
}

// Windows-1252's characters for bytes 0x80..0x9F; the rest is Latin-1.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsTrailByte(std::uint8_t b) {
    return b >= FirstTrail && b <= LastTrail && b != 0x7F;
}

// Bytes 0, 2, 4 and 6 of v in memory order (lead bytes of 0x81 or more, as
// FourPairs found) are lead bytes of a code page and the bytes after them its
// trail bytes: no byte is 0xFF, and no trail byte is 0x7F or below 0x40.
bool FourCodes(std::uint64_t v) {
    constexpr bool little = std::endian::native == std::endian::little;
    constexpr std::uint64_t leads = little ? 0x00FF00FF00FF00FFull : 0xFF00FF00FF00FF00ull;
    constexpr std::uint64_t trailTops = ~leads & runs::HighBits;
    // A byte's top bit or-ed with the bit below it: set from 0x40 up.
    const bool trailsFrom40 = ((v | v << 1) & trailTops) == trailTops;
    return trailsFrom40 && !runs::HasZeroByte(~v) &&
           !runs::HasZeroByte((v ^ (0x7F * runs::LowBits)) | leads);
}

// Walks double-byte text character by character and hands each to the sink:
// Ascii(byte), Pair(code) for a lead byte with a trail byte, Single(byte) for a
// byte from 0x80 up that starts no pair (then the byte after it still counts). Runs of
// ASCII and of double-byte characters go eight bytes at a time. Returns the
// sink as it ends. It works on its own copy, so a sink writing bytes keeps its
// write position in a register instead of reading it back after every byte.
template <class Sink>
Sink WalkDoubleByte(std::string_view bytes, Sink sink) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    const auto step = [&] {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            sink.Ascii(b);
            ++i;
        } else if (b >= FirstLead && b <= LastLead && i + 1 < n && IsTrailByte(p[i + 1])) {
            sink.Pair(b, p[i + 1]);
            i += 2;
        } else {
            sink.Single(b);
            ++i;
        }
    };
    while (i + 8 <= n) {
        const std::uint64_t v = runs::Load64(p + i);
        if (runs::AllAscii(v)) {
            for (int k = 0; k < 8; ++k)
                sink.Ascii(p[i + k]);
            i += 8;
        } else if (runs::AllPairBytes(v) || (runs::FourPairs(v) && FourCodes(v))) {
            for (int k = 0; k < 8; k += 2)
                sink.Pair(p[i + k], p[i + k + 1]);
            i += 8;
        } else {
            step();
        }
    }
    while (i < n)
        step();
    return sink;
}

struct WideSink {
    const Decoder& decode;
    char16_t* out;
    void Ascii(std::uint8_t b) { *out++ = b; }
    void Pair(unsigned lead, unsigned trail) {
        const char16_t unit = decode(lead, trail);
        *out++ = unit == Unmapped ? u'?' : unit;
    }
    void Single(std::uint8_t b) {
        const char16_t unit = decode.Single(b);
        *out++ = unit == Unmapped ? u'?' : unit;
    }
};

struct Utf8Sink {
    const Utf8Table& table;
    std::uint32_t euroByte; // the packed UTF-8 of byte 0x80
    std::uint8_t* out;
    void Ascii(std::uint8_t b) { *out++ = b; }
    // Stores four bytes and keeps as many as the character has; the buffer has
    // room for the extra one.
    void Pair(unsigned lead, unsigned trail) {
        const std::uint32_t packed = table[(lead << 8 | trail) - 0x8000];
        std::memcpy(out, &packed, 4);
        out += reinterpret_cast<const std::uint8_t*>(&packed)[3];
    }
    void Single(std::uint8_t b) {
        const std::uint32_t packed = b == EuroByte ? euroByte : PackUtf8(Unmapped);
        std::memcpy(out, &packed, 4);
        out += reinterpret_cast<const std::uint8_t*>(&packed)[3];
    }
};

// Utf8Sink, with each byte 0x1F taking the next of the marked units while any
// is left (characters of the BMP, no surrogates).
struct MarkedUtf8Sink : Utf8Sink {
    const char16_t* next;
    const char16_t* end;
    void Ascii(std::uint8_t b) {
        if (b != 0x1F || next == end) {
            *out++ = b;
            return;
        }
        const char16_t unit = *next++;
        if (unit < 0x80) {
            *out++ = static_cast<std::uint8_t>(unit);
            return;
        }
        const std::uint32_t packed = PackUtf8(unit);
        std::memcpy(out, &packed, 4);
        out += reinterpret_cast<const std::uint8_t*>(&packed)[3];
    }
};

// Walks bytes of 936 or 950 into UTF-8 written at out[at...] by the sink made
// by makeSink(table, euroByte, where), over what out held there, then cuts out
// to the result. Room: two bytes give at most three, one byte gives one, except
// that the euro byte of 936 gives three, a marked unit up to three; and four
// bytes for the sink's four-byte stores.
template <class MakeSink>
void WalkIntoUtf8(std::string_view bytes, int codePage, std::size_t marked, Bytes& out,
                  std::size_t at, MakeSink makeSink) {
    const Decoder& decode = DecoderFor(codePage);
    const std::uint32_t euroByte = PackUtf8(decode.Single(EuroByte));
    const std::size_t euros =
        decode.Single(EuroByte) == Unmapped ? 0 : CountByteIn(bytes, static_cast<char>(EuroByte));
    const std::size_t room = at + bytes.size() + bytes.size() / 2 + 2 * euros + 2 * marked + 4;
    if (out.size() < room) out.resize(room);
    const auto sink =
        WalkDoubleByte(bytes, makeSink(Utf8TableFor(codePage), euroByte,
                                       reinterpret_cast<std::uint8_t*>(out.data() + at)));
    out.resize(static_cast<std::size_t>(reinterpret_cast<char*>(sink.out) - out.data()));
}

void DoubleByteToWide(std::string_view bytes, int codePage, std::u16string& out) {
    const std::size_t start = out.size();
    out.resize(start + bytes.size()); // never more units than bytes
    const WideSink sink = WalkDoubleByte(bytes, WideSink{DecoderFor(codePage), out.data() + start});
    out.resize(static_cast<std::size_t>(sink.out - out.data()));
}

void Cp1252ToWide(std::string_view bytes, std::u16string& out) {
    out.reserve(out.size() + bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        out += (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
}

void WideToDoubleByte(std::u16string_view text, const EncodeTable& encode, Bytes& out) {
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size());
    auto* o = reinterpret_cast<std::uint8_t*>(out.data() + start);
    for (const char16_t unit : text) {
        const std::uint16_t code = encode[unit];
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
        DoubleByteToWide(bytes, codePage, out);
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
        WideToDoubleByte(text, EncoderFor(codePage), out);
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
    return EncoderFor(codePage)[unit];
}

void AnsiToUtf8Append(std::string_view bytes, int codePage, Bytes& out) {
    if (codePage != CodePageGbk && codePage != CodePageBig5) {
        std::u16string text;
        AnsiToWideAppend(bytes, codePage, text);
        WideToUtf8Append(text, out);
        return;
    }
    WalkIntoUtf8(bytes, codePage, 0, out, out.size(),
                 [](const Utf8Table& table, std::uint32_t euroByte, std::uint8_t* at) {
                     return Utf8Sink{table, euroByte, at};
                 });
}

void AnsiToUtf8Marked(std::string_view bytes, int codePage, std::u16string_view marked, Bytes& out,
                      std::size_t at) {
    WalkIntoUtf8(bytes, codePage, marked.size(), out, at,
                 [&](const Utf8Table& table, std::uint32_t euroByte, std::uint8_t* to) {
                     return MarkedUtf8Sink{
                         {table, euroByte, to}, marked.data(), marked.data() + marked.size()};
                 });
}

} // namespace tessarim
