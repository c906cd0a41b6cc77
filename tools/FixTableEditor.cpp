#include "tools/FixTableEditor.h"

#include "engine/CodePages.h"

#include <algorithm>
#include <cstring>

namespace tessarim {

namespace {

constexpr std::string_view LayoutLine = "-1,-1,-1,-1,-1,-1";

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

} // namespace

bool ContainsAtCharacter(std::string_view cell, std::string_view text) {
    if (text.empty() || text.size() > cell.size()) return false;
    const std::size_t last = cell.size() - text.size();
    for (std::size_t at = 0; at <= last;) {
        if (cell[at] == text[0] && std::memcmp(cell.data() + at, text.data(), text.size()) == 0)
            return true;
        at += static_cast<unsigned char>(cell[at]) >= 0x81 ? 2 : 1;
    }
    return false;
}

int FixTableEditor::CodePage() const {
    return mode_ == FixTableMode::ToBig5 ? 950 : 936;
}

void FixTableEditor::Load(std::vector<FixEntry> entries) {
    rows_ = std::move(entries);
    shown_.clear();
    filtered_ = false;
    modified_ = false;
}

std::u16string FixTableEditor::Decode(std::string_view bytes) const {
    return AnsiToWide(bytes, CodePage());
}

FixTableEditor::Encoded FixTableEditor::Encode(std::u16string_view text) const {
    Encoded out;
    out.bytes = WideToAnsi(text, CodePage());
    // The code page writes "?" for what it lacks; find the first such character.
    if (AnsiToWide(out.bytes, CodePage()) == text) return out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t length =
            IsSurrogate(text[i]) && i + 1 < text.size() && IsSurrogate(text[i + 1]) ? 2 : 1;
        const std::u16string_view character = text.substr(i, length);
        if (AnsiToWide(WideToAnsi(character, CodePage()), CodePage()) != character) {
            out.refused = std::u16string(character);
            break;
        }
        i += length - 1;
    }
    if (out.refused.empty()) out.refused = std::u16string(text);
    return out;
}

FixTableEditor::Outcome FixTableEditor::Add(std::u16string_view key,
                                            std::u16string_view replacement) {
    if (key.empty()) return Said(Outcome::EmptyKey);
    Encoded encodedKey = Encode(key);
    if (!encodedKey.refused.empty()) return Said(Outcome::Unencodable, 0, encodedKey.refused);
    Encoded encodedValue = Encode(replacement);
    if (!encodedValue.refused.empty()) return Said(Outcome::Unencodable, 0, encodedValue.refused);
    ShowAll();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].key == encodedKey.bytes) return Said(Outcome::Duplicate, i + 1);
    rows_.insert(rows_.begin(), {std::move(encodedKey.bytes), std::move(encodedValue.bytes)});
    modified_ = true;
    return Said(Outcome::Done);
}

std::size_t FixTableEditor::Delete(std::size_t shownRow) {
    modified_ = true;
    if (shownRow >= RowCount()) return 0;
    const std::string key = Row(shownRow).key;
    ShowAll();
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const FixEntry& e) { return e.key == key; });
    if (found == rows_.end()) return 0;
    const auto at = static_cast<std::size_t>(found - rows_.begin());
    rows_.erase(found);
    return at > 0 ? at - 1 : 0;
}

FixTableEditor::Outcome FixTableEditor::Search(std::u16string_view text, SearchColumn column) {
    ShowAll();
    if (text.empty()) return Said(Outcome::EmptySearch);
    const Encoded needle = Encode(text);
    if (!needle.refused.empty()) return Said(Outcome::Unencodable, 0, needle.refused);
    const bool first = column != SearchColumn::Second;
    const bool second = column != SearchColumn::First;
    std::vector<std::uint32_t> found;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if ((first && ContainsAtCharacter(rows_[i].key, needle.bytes)) ||
            (second && ContainsAtCharacter(rows_[i].replacement, needle.bytes)))
            found.push_back(static_cast<std::uint32_t>(i));
    if (found.empty()) return Said(Outcome::NotFound);
    shown_ = std::move(found);
    filtered_ = true;
    return Said(Outcome::Done);
}

void FixTableEditor::ShowAll() {
    filtered_ = false;
    shown_.clear();
}

std::string FixTableEditor::FileText(std::u16string_view searchTitle,
                                     std::u16string_view replaceTitle) const {
    // The titles are a row of the grid and are written as one, in the table's code.
    FixTableText titles;
    titles.entries.push_back({Encode(searchTitle).bytes, Encode(replaceTitle).bytes});
    const std::string titleText = WriteFixTableText(titles);
    FixTableText table;
    table.header = {std::string(LayoutLine), std::string(SplitLines(titleText).back())};
    table.entries = rows_;
    return WriteFixTableText(table);
}

} // namespace tessarim
