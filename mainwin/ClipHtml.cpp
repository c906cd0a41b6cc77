#include "mainwin/ClipHtml.h"

#include "common/AsciiText.h"
#include "engine/CodePages.h"
#include "engine/ConvertStream.h"
#include "engine/HtmlRefs.h"
#include "engine/Utf8.h"

#include <algorithm>
#include <span>

namespace tessarim {

namespace {

struct FontRename {
    std::string_view from;
    std::string_view to;
};

constexpr FontRename SimplifiedToMingLiU[] = {
    {"新宋体", "MingLiU"}, {"宋体", "MingLiU"}, {"NSimSun", "MingLiU"}, {"SimSun", "MingLiU"}};
constexpr FontRename SimplifiedTo950[] = {
    {"宋体", "細明體"}, {"NSimSun", "新細明體"}, {"SimSun", "細明體"}};
constexpr FontRename TraditionalTo936[] = {
    {"細明體", "宋体"}, {"PMingLiU", "新宋体"}, {"MingLiU", "宋体"}};
constexpr FontRename TraditionalToSimSun[] = {
    {"新細明體", "SimSun"}, {"細明體", "SimSun"}, {"PMingLiU", "SimSun"}, {"MingLiU", "SimSun"}};

// In the order they are applied: a longer name before a shorter one inside it.
std::span<const FontRename> FontRenames(Face face, int systemCodePage) {
    if (face == FaceT)
        return systemCodePage == CodePageBig5 ? std::span<const FontRename>(SimplifiedTo950)
                                              : std::span<const FontRename>(SimplifiedToMingLiU);
    return systemCodePage == CodePageGbk ? std::span<const FontRename>(TraditionalTo936)
                                         : std::span<const FontRename>(TraditionalToSimSun);
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::size_t Find(std::string_view text, std::string_view find, std::size_t from, bool exactCase) {
    if (exactCase) return text.find(find, from);
    const auto found =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), find.begin(),
                    find.end(), [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    return found == text.end() ? std::string_view::npos
                               : static_cast<std::size_t>(found - text.begin());
}

std::string ConvertTag(std::string_view tag, Face face, int systemCodePage) {
    std::string out(tag);
    // Chinese names match exactly, Latin names in either case.
    for (const FontRename& rename : FontRenames(face, systemCodePage))
        out = ReplaceAllText(out, rename.from, rename.to, !IsAscii(rename.from));
    return face == FaceT ? ReplaceAllText(out, "ZH-CN", "ZH-TW", true)
                         : ReplaceAllText(out, "ZH-TW", "ZH-CN", true);
}

// Decodes the references that name characters beyond ASCII; the engine's rules
// say which references are valid.
void DecodeTextReferences(std::string& text) {
    if (text.find("&#") == std::string::npos) return;
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find("&#", at);
        if (start == std::string::npos) break;
        out.append(text, at, start - at);
        const std::size_t end = text.find_first_of(";&", start + 2);
        if (end == std::string::npos || text[end] == '&') {
            // No reference: a malformed one ends at the next "&".
            at = end == std::string::npos ? text.size() : end;
            out.append(text, start, at - start);
            continue;
        }
        const std::string_view reference(text.data() + start, end + 1 - start);
        std::u16string units(reference.begin(), reference.end());
        DecodeNumericRefs(units);
        const bool beyondAscii = units.size() <= 2 && units[0] >= 0x80;
        if (beyondAscii)
            WideToUtf8Append(units, out);
        else
            out += reference;
        at = end + 1;
    }
    out.append(text, std::min(at, text.size()));
    text = std::move(out);
}

void ConvertText(std::string& text, Face face, bool decodeReferences, FixTables* fixTables) {
    if (decodeReferences) DecodeTextReferences(text);
    if (IsAscii(text)) return; // no typeface to change
    // Text between tags is never the start of a file: a U+FEFF there is text.
    // References were decoded above, where the markup is known.
    ConvertOptions options;
    options.source = options.target = UTF8;
    options.face = face;
    options.decodeReferences = false;
    ConvertStream(text, options, BlockPosition{false, true}, fixTables);
}

} // namespace

std::string ReplaceAllText(std::string_view text, std::string_view find,
                           std::string_view replacement, bool exactCase) {
    if (find.empty()) return std::string(text);
    std::string out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t found = Find(text, find, at, exactCase);
        if (found == std::string_view::npos) break;
        out.append(text.substr(at, found - at));
        out.append(replacement);
        at = found + find.size();
    }
    out.append(text.substr(at));
    return out;
}

void ConvertHtmlFragment(std::string& block, Face face, int systemCodePage, bool decodeReferences,
                         FixTables* fixTables) {
    const std::size_t body = Find(block, "<body", 0, false);
    if (body == std::string::npos) return;

    std::string out = block.substr(0, body + 1);
    std::size_t mark = body + 1;
    for (std::size_t i = mark; i < block.size(); ++i) {
        if (block[i] == '<') {
            if (i > mark) {
                std::string text = block.substr(mark, i - mark);
                ConvertText(text, face, decodeReferences, fixTables);
                out += text;
            }
            mark = i;
        } else if (block[i] == '>') {
            out += ConvertTag(std::string_view(block).substr(mark, i + 1 - mark), face,
                              systemCodePage);
            mark = i + 1;
        }
    }
    block = std::move(out);
}

} // namespace tessarim
