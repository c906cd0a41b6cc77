#pragma once
// Byte-string helpers every layer uses: ASCII letter case and the two kinds of
// blanks the program trims. Bytes from 0x80 up are never letters nor blanks,
// so UTF-8, GBK and Big5 text passes through unchanged.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessarim {

constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The ASCII letters lower-cased; other bytes unchanged.
inline std::string LowerCaseAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// A space or any control byte (up to 0x20): what separates masks and the
// fields of a correction table.
constexpr bool IsBlank(char c) {
    return static_cast<std::uint8_t>(c) <= ' ';
}

// Space, tab, carriage return, vertical tab or form feed: what surrounds names
// and values in the settings file.
constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The text without blanks (IsBlank) at either end.
constexpr std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The text without spaces (IsSpace) at either end.
constexpr std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace tessarim
