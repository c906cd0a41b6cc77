#include "engine/Utf8.h"

#include "engine/Utf8Walk.h"

#include <cstdint>

namespace tessarim {

namespace {

// Writes the units into a buffer with room for one unit per byte.
struct WideSink {
    char16_t* out;
    void Ascii8(const std::uint8_t* p) {
        for (int k = 0; k < 8; ++k)
            out[k] = p[k];
        out += 8;
    }
    void Unit(char16_t unit) { *out++ = unit; }
    void Units(char16_t first, char16_t second) { Pair(first, second); }
    void Pair(char16_t high, char16_t low) {
        out[0] = high;
        out[1] = low;
        out += 2;
    }
};

} // namespace

std::size_t Utf8ToWideAppend(std::string_view bytes, bool final, std::u16string& out) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    const std::size_t start = out.size();
    out.resize(start + n); // never more units than bytes
    WideSink sink{out.data() + start};
    const std::size_t read = utf8::Walk(p, n, final, sink);
    out.resize(static_cast<std::size_t>(sink.out - out.data()));
    return n - read;
}

std::u16string Utf8ToWide(std::string_view bytes, std::size_t& remaining) {
    std::u16string out;
    remaining = Utf8ToWideAppend(bytes, false, out);
    return out;
}

void WideToUtf8Append(std::u16string_view text, Bytes& out) {
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size()); // a pair takes 4 bytes for 2 units
    auto* o = reinterpret_cast<std::uint8_t*>(out.data() + start);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            *o++ = static_cast<std::uint8_t>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<std::uint8_t>(0xC0 | c >> 6);
            *o++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                const std::uint32_t scalar =
                    0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
                *o++ = static_cast<std::uint8_t>(0xF0 | scalar >> 18);
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar >> 12 & 0x3F));
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar >> 6 & 0x3F));
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar & 0x3F));
                ++i;
            } else {
                *o++ = 0xEF;
                *o++ = 0xBF;
                *o++ = 0xBD;
            }
        } else {
            *o++ = static_cast<std::uint8_t>(0xE0 | c >> 12);
            *o++ = static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F));
            *o++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(o - reinterpret_cast<std::uint8_t*>(out.data())));
}

Bytes WideToUtf8(std::u16string_view text) {
    Bytes out;
    WideToUtf8Append(text, out);
    return out;
}

} // namespace tessarim
