#include "engine/HtmlRefs.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

namespace tessarim {

namespace {

constexpr std::string_view MetaTagStart = "<meta";

template <typename Char>
char32_t FoldAscii(Char c) {
    const auto u = static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    return u >= U'A' && u <= U'Z' ? u + (U'a' - U'A') : u;
}

// First position in [from, to) where the ASCII needle starts and fits before `to`,
// letters compared without regard to case; npos when there is none.
template <typename Char>
std::size_t FindNoCase(std::basic_string_view<Char> text, std::string_view needle, std::size_t from,
                       std::size_t to) {
    if (to > text.size() || to < needle.size() || from > to - needle.size()) {
        return std::basic_string_view<Char>::npos;
    }
    for (std::size_t p = from; p <= to - needle.size(); ++p) {
        std::size_t k = 0;
        while (k < needle.size() && FoldAscii(text[p + k]) == FoldAscii(needle[k]))
            ++k;
        if (k == needle.size()) return p;
    }
    return std::basic_string_view<Char>::npos;
}

struct NameHit {
    std::size_t position;
    std::size_t length;
};

// The first entry of CharsetNames (in table order, not text order) inside [from, to).
template <typename Char>
std::optional<NameHit> FindCharsetName(std::basic_string_view<Char> text, std::size_t from,
                                       std::size_t to) {
    for (const std::string_view name : CharsetNames) {
        const std::size_t p = FindNoCase(text, name, from, to);
        if (p != std::basic_string_view<Char>::npos) return NameHit{p, name.size()};
    }
    return std::nullopt;
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

// U+0080-U+00FF stay as references because GBK and Big5 cannot hold them.
// Characters beyond U+FFFF become a surrogate pair, as the notation writes them.
bool IsDecodable(std::uint32_t value) {
    return value < 0x80 || (value >= 0x100 && value <= 0xFFFE) ||
           (value >= 0x10000 && value < ValueCap);
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

// The text is copied once into a new buffer with each name replaced, so the
// work grows with the text, not with the text times its declarations.
void RewriteMetaCharset(Bytes& text, std::string_view newName) {
    const std::string_view view = text;
    Bytes out;
    std::size_t copied = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tagStart = FindNoCase(view, MetaTagStart, from, view.size());
        if (tagStart == std::string_view::npos) break;
        const std::size_t close = view.find('>', tagStart);
        const std::size_t tagEnd = close == std::string_view::npos ? view.size() : close + 1;
        from = tagEnd;
        if (const auto hit = FindCharsetName(view, tagStart, tagEnd)) {
            if (copied == 0) out.reserve(text.size() + text.size() / 8);
            out.append(view.substr(copied, hit->position - copied));
            out.append(newName);
            copied = hit->position + hit->length;
        }
    }
    if (copied == 0) return;
    out.append(view.substr(copied));
    text.swap(out);
}

namespace {

struct Tag {
    std::size_t start;
    std::size_t end; // just after the ">"
};

// Tags that share one ">", edited one after another in a text of their own:
// a later tag may start inside an earlier one and sees its edit.
void RewriteSharedTags(std::u16string& text, std::vector<Tag>& tags, std::u16string_view newName) {
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const auto hit = FindCharsetName(std::u16string_view(text), tags[i].start, tags[i].end);
        if (!hit) continue;
        text.replace(hit->position, hit->length, newName);
        if (newName.size() == hit->length) continue;
        // Only positions past the replaced name move.
        const std::size_t nameEnd = hit->position + hit->length;
        for (std::size_t j = i + 1; j < tags.size(); ++j) {
            if (tags[j].start >= nameEnd)
                tags[j].start = tags[j].start - hit->length + newName.size();
            tags[j].end = tags[j].end - hit->length + newName.size();
        }
    }
}

} // namespace

void RewriteMetaCharsetW(std::u16string& text, std::u16string_view newName) {
    constexpr auto npos = std::u16string_view::npos;
    const std::u16string_view view = text;

    // All tags are found before the first edit.
    std::vector<Tag> tags;
    {
        std::size_t close = 0;
        std::size_t p = FindNoCase(view, MetaTagStart, 0, view.size());
        while (p != npos) {
            // Several "<meta" can share one ">", so the last one found is reused.
            if (close <= p) close = view.find(u'>', p);
            if (close == npos) break; // no ">" follows this or any later "<meta"
            tags.push_back({p, close + 1});
            p = FindNoCase(view, MetaTagStart, p + MetaTagStart.size(), view.size());
        }
    }
    if (tags.empty()) return;

    // Tags with different ">" never overlap, so each group of tags is edited on
    // its own and the text copied once around them.
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < tags.size();) {
        std::size_t j = i + 1;
        while (j < tags.size() && tags[j].end == tags[i].end)
            ++j;
        const std::size_t start = tags[i].start;
        const std::size_t end = tags[i].end;
        if (j == i + 1) {
            if (const auto hit = FindCharsetName(view, start, end)) {
                out.append(view.substr(copied, hit->position - copied));
                out.append(newName);
                copied = hit->position + hit->length;
            }
        } else {
            std::u16string group(view.substr(start, end - start));
            std::vector<Tag> shared;
            for (std::size_t k = i; k < j; ++k)
                shared.push_back({tags[k].start - start, tags[k].end - start});
            RewriteSharedTags(group, shared, newName);
            out.append(view.substr(copied, start - copied));
            out.append(group);
            copied = end;
        }
        i = j;
    }
    out.append(view.substr(copied));
    text.swap(out);
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
