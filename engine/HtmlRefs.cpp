#include "engine/HtmlRefs.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <optional>
#include <type_traits>
#include <vector>

namespace tessarim {

namespace {

template <typename Char>
char32_t FoldAscii(Char c) {
    const auto u = static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    return u >= U'A' && u <= U'Z' ? u + (U'a' - U'A') : u;
}

template <typename Char>
bool EqualsNoCase(std::basic_string_view<Char> text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(word.begin(), word.end(), text.begin(),
                      [](char w, Char c) { return FoldAscii(w) == FoldAscii(c); });
}

template <typename Char>
bool StartsNoCase(std::basic_string_view<Char> text, std::size_t at, std::string_view word) {
    return at <= text.size() && EqualsNoCase(text.substr(at, word.size()), word);
}

// XML names are case-sensitive.
template <typename Char>
bool EqualsExactly(std::basic_string_view<Char> text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(word.begin(), word.end(), text.begin(), [](char w, Char c) {
               return static_cast<char32_t>(w) == static_cast<char32_t>(c);
           });
}

template <typename Char>
bool IsSpaceChar(Char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Lower-case labels, compared whole.
constexpr std::string_view KnownLabels[] = {
    // UTF-8
    "utf-8", "utf8", "unicode-1-1-utf-8", "unicode-2-0-utf-8", "x-unicode20utf8",
    "x-unicode-2-0-utf-8",
    // UTF-16
    "utf-16", "utf-16le", "utf-16be", "utf16", "unicode", "unicodefeff", "unicodefffe", "csunicode",
    "ucs-2", "iso-10646-ucs-2",
    // GBK and the sets around it
    "gbk", "x-gbk", "cp936", "ms936", "windows-936", "gb2312", "gb_2312", "gb_2312-80", "gb2312-80",
    "gb231280", "csgb2312", "csgb231280", "csiso58gb231280", "iso-ir-58", "chinese", "cn-gb",
    "euc-cn", "euccn", "x-euc-cn", "cn-gb2312-80", "gb18030", "gb18030-2000",
    // Big5
    "big5", "big-5", "x-big5", "cn-big5", "csbig5", "x-x-big5", "big5-hkscs", "big5hkscs", "cp950",
    "ms950", "windows-950", "x-windows-950",
    // what the numeric notations are declared as
    "iso-8859-1", "us-ascii"};

// A label runs over these characters.
template <typename Char>
bool IsLabelChar(Char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

template <typename Char>
bool IsKnownLabel(std::basic_string_view<Char> label) {
    return std::any_of(std::begin(KnownLabels), std::end(KnownLabels),
                       [&](std::string_view known) { return EqualsNoCase(label, known); });
}

struct Span {
    std::size_t position;
    std::size_t length;
};

// One attribute of a tag: its name and where its value lies (quotes left out).
struct Attribute {
    Span name;
    Span value;
};

// Reads the attributes of a tag from just after its name to its ">" (or "?>"),
// quotes respected; returns the position after the tag, or npos when the text
// ends first.
template <typename Char>
std::size_t ReadAttributes(std::basic_string_view<Char> text, std::size_t i,
                           std::vector<Attribute>& attributes) {
    constexpr auto npos = std::basic_string_view<Char>::npos;
    attributes.clear();
    const std::size_t n = text.size();
    for (;;) {
        while (i < n && (IsSpaceChar(text[i]) || text[i] == '/' || text[i] == '?'))
            ++i;
        if (i >= n) return npos;
        if (text[i] == '>') return i + 1;
        const std::size_t nameStart = i;
        while (i < n && !IsSpaceChar(text[i]) && text[i] != '=' && text[i] != '>' && text[i] != '/')
            ++i;
        Attribute attribute{{nameStart, i - nameStart}, {i, 0}};
        std::size_t j = i;
        while (j < n && IsSpaceChar(text[j]))
            ++j;
        if (j < n && text[j] == '=') {
            ++j;
            while (j < n && IsSpaceChar(text[j]))
                ++j;
            if (j >= n) return npos;
            if (text[j] == '"' || text[j] == '\'') {
                const Char quote = text[j];
                std::size_t close = j + 1;
                while (close < n && text[close] != quote)
                    ++close;
                if (close >= n) return npos;
                attribute.value = {j + 1, close - j - 1};
                i = close + 1;
            } else {
                std::size_t end = j;
                while (end < n && !IsSpaceChar(text[end]) && text[end] != '>')
                    ++end;
                attribute.value = {j, end - j};
                i = end;
            }
        }
        if (i == nameStart) ++i; // a lone "=" or the like
        attributes.push_back(attribute);
    }
}

template <typename Char>
std::basic_string_view<Char> Part(std::basic_string_view<Char> text, Span span) {
    return text.substr(span.position, span.length);
}

// The label after "charset=" inside a content value ("text/html; charset=gbk").
template <typename Char>
std::optional<Span> CharsetInContent(std::basic_string_view<Char> text, Span content) {
    const std::basic_string_view<Char> value = Part(text, content);
    for (std::size_t p = 0; p + 7 <= value.size(); ++p) {
        if (!StartsNoCase(value, p, "charset")) continue;
        std::size_t i = p + 7;
        while (i < value.size() && IsSpaceChar(value[i]))
            ++i;
        if (i >= value.size() || value[i] != '=') continue;
        ++i;
        while (i < value.size() && (IsSpaceChar(value[i]) || value[i] == '"' || value[i] == '\''))
            ++i;
        std::size_t end = i;
        while (end < value.size() && IsLabelChar(value[end]))
            ++end;
        return Span{content.position + i, end - i};
    }
    return std::nullopt;
}

// Where the labels to replace lie, in text order, with the name each takes.
template <typename Char>
std::vector<std::pair<Span, bool>> FindDeclarations(std::basic_string_view<Char> text) {
    constexpr auto npos = std::basic_string_view<Char>::npos;
    std::vector<std::pair<Span, bool>> found; // bool: an XML declaration's
    std::vector<Attribute> attributes;
    const auto labelIfKnown = [&](Span span, bool xml) {
        if (span.length > 0 && IsKnownLabel(Part(text, span))) found.emplace_back(span, xml);
    };
    std::size_t p = text.find(Char('<'));
    while (p != npos) {
        const bool xml = EqualsExactly(text.substr(p + 1, 4), "?xml");
        const bool meta = !xml && StartsNoCase(text, p + 1, "meta");
        const std::size_t afterName = p + 5;
        if ((xml || meta) &&
            (afterName >= text.size() || IsSpaceChar(text[afterName]) || text[afterName] == '/')) {
            const std::size_t end = ReadAttributes(text, afterName, attributes);
            if (end == npos) break;
            std::optional<Span> content;
            bool contentType = false;
            for (const Attribute& attribute : attributes) {
                const auto name = Part(text, attribute.name);
                if (xml ? EqualsExactly(name, "encoding") : EqualsNoCase(name, "charset"))
                    labelIfKnown(attribute.value, xml);
                else if (meta && EqualsNoCase(name, "http-equiv"))
                    contentType = EqualsNoCase(Part(text, attribute.value), "content-type");
                else if (meta && EqualsNoCase(name, "content"))
                    content = attribute.value;
            }
            if (contentType && content)
                if (const auto label = CharsetInContent(text, *content))
                    labelIfKnown(*label, false);
            p = text.find(Char('<'), end);
        } else {
            p = text.find(Char('<'), p + 1);
        }
    }
    return found;
}

// The text copied once, each found label replaced.
template <typename Char>
void ReplaceDeclarations(std::basic_string<Char>& text, Code target) {
    const std::basic_string_view<Char> view = text;
    const auto found = FindDeclarations(view);
    if (found.empty()) return;
    std::basic_string<Char> out;
    out.reserve(text.size() + 16 * found.size());
    std::size_t copied = 0;
    for (const auto& [span, xml] : found) {
        out.append(view.substr(copied, span.position - copied));
        const std::string_view name = xml ? XmlEncodingNameOf(target) : CharsetNameOf(target);
        out.append(name.begin(), name.end());
        copied = span.position + span.length;
    }
    out.append(view.substr(copied));
    text.swap(out);
}

// Values from here on are never decoded, so parsing saturates here and cannot overflow.
constexpr std::uint32_t ValueCap = 0x110000;

int DigitValue(char16_t c, std::uint32_t base) {
    int d = -1;
    if (c >= u'0' && c <= u'9')
        d = c - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
    return d < static_cast<int>(base) ? d : -1;
}

// The value of a reference body: "x" or "X" and hex digits, or decimal digits with an
// optional sign. Empty when the body is no number; ValueCap for values that cannot be
// decoded (too large, or negative: a reference never names a negative code).
std::optional<std::uint32_t> ReferenceValue(std::u16string_view body) {
    if (body.empty()) return std::nullopt;
    std::uint32_t base = 10;
    bool negative = false;
    if (body.front() == u'x' || body.front() == u'X') {
        base = 16;
        body.remove_prefix(1);
    } else if (body.front() == u'+' || body.front() == u'-') {
        negative = body.front() == u'-';
        body.remove_prefix(1);
    }
    if (body.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (const char16_t c : body) {
        const int d = DigitValue(c, base);
        if (d < 0) return std::nullopt;
        value = std::min(value * base + static_cast<std::uint32_t>(d), ValueCap);
    }
    return negative ? ValueCap : value;
}

// References below U+0080 stay: "&#60;" in a page is text, and decoding it
// would make markup of it. U+0080-U+00FF stay because GBK and Big5 cannot hold
// them. Characters beyond U+FFFF become a surrogate pair, as the notation
// writes them.
bool IsDecodable(std::uint32_t value) {
    return (value >= 0x100 && value <= 0xFFFE) || (value >= 0x10000 && value < ValueCap);
}

} // namespace

std::string_view CharsetNameOf(Code target) {
    switch (target) {
    case ULE:
    case UBE:
        return "unicode";
    case UTF8:
        return "utf-8";
    case GBK:
        return "gb2312";
    case BIG5:
        return "big5";
    case DecNotation:
    case HexNotation:
        return "iso-8859-1";
    case Undetermined:
        break;
    }
    return {};
}

std::string_view XmlEncodingNameOf(Code target) {
    switch (target) {
    case ULE:
    case UBE:
        return "UTF-16";
    case UTF8:
        return "UTF-8";
    case GBK:
        return "GBK";
    case BIG5:
        return "Big5";
    case DecNotation:
    case HexNotation:
        return "US-ASCII";
    case Undetermined:
        break;
    }
    return {};
}

bool IsConvertibleCharsetLabel(std::string_view label) {
    return IsKnownLabel(label);
}

void RewriteCharsetDeclarations(Bytes& text, Code target) {
    ReplaceDeclarations(text, target);
}

void RewriteCharsetDeclarationsW(std::u16string& text, Code target) {
    ReplaceDeclarations(text, target);
}

void DecodeNumericRefs(std::u16string& text) {
    std::size_t i = text.find(u"&#");
    if (i == std::u16string::npos) return;

    // Output never outgrows input (a decoded reference is shorter than its text), so the
    // result is written over the text behind the read position.
    constexpr auto npos = std::u16string::npos;
    const std::size_t n = text.size();
    char16_t* const t = text.data();
    std::size_t out = i;
    const auto keep = [&](std::size_t from, std::size_t to) {
        if (out != from) std::char_traits<char16_t>::move(t + out, t + from, to - from);
        out += to - from;
    };

    // The ";" that ends a reference is remembered, so a run of "&#" without one is not
    // searched again for each "&#".
    std::size_t semicolon = 0;
    while (i < n) {
        const std::size_t amp = text.find(u'&', i);
        if (amp == npos) {
            keep(i, n);
            break;
        }
        keep(i, amp);
        i = amp;
        if (i + 1 >= n || t[i + 1] != u'#') {
            keep(i, i + 1);
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (semicolon < start + 2) semicolon = text.find(u';', start + 2);
        if (semicolon == npos) {
            keep(start, n);
            break;
        }
        i = semicolon + 1;
        if (semicolon == start + 2) {
            keep(start, i); // "&#;"
            continue;
        }
        const auto value =
            ReferenceValue(std::u16string_view(t + start + 2, semicolon - (start + 2)));
        if (!value) {
            // Not a number: only the text up to the next "&" is kept, which may begin a
            // valid reference.
            const std::size_t next = text.find(u'&', start + 2);
            if (next != npos) {
                keep(start, next);
                i = next;
            } else {
                keep(start, i);
            }
        } else if (IsDecodable(*value) && *value >= 0x10000) {
            t[out++] = static_cast<char16_t>(0xD800 + ((*value - 0x10000) >> 10));
            t[out++] = static_cast<char16_t>(0xDC00 + ((*value - 0x10000) & 0x3FF));
        } else if (IsDecodable(*value)) {
            t[out++] = static_cast<char16_t>(*value);
        } else {
            keep(start, i);
        }
    }
    text.resize(out);
}

void AppendNumericReference(std::string& out, std::uint32_t value, bool hex) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, hex ? 16 : 10);
    out += hex ? "&#x" : "&#";
    for (char* d = digits; d != result.ptr; ++d)
        out += hex && *d >= 'a' ? static_cast<char>(*d - 'a' + 'A') : *d;
    out += ';';
}

} // namespace tessarim
