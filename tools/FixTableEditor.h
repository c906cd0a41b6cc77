#pragma once
// What the correction-table editor does, apart from showing it: the rows of a
// table in its own code (Big5 for b5fix.dat, GBK for gbfix.dat), adding,
// deleting, searching and the text the table file is saved as.
#include "engine/FixTableFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

enum class FixTableMode : std::uint8_t {
    ToBig5 = 0, // b5fix.dat: corrections of text made Traditional
    ToGbk = 1,  // gbfix.dat: corrections of text made Simplified
};

enum class SearchColumn : std::uint8_t { First = 1, Second = 2, All = 3 };

class FixTableEditor {
public:
    explicit FixTableEditor(FixTableMode mode) : mode_(mode) {}

    FixTableMode Mode() const { return mode_; }
    // 950 or 936.
    int CodePage() const;

    // The entries of the file; nothing is modified yet.
    void Load(std::vector<FixEntry> entries);

    // The rows shown: all of them, or those the last search found.
    std::size_t RowCount() const { return filtered_ ? shown_.size() : rows_.size(); }
    const FixEntry& Row(std::size_t shownRow) const { return rows_[Index(shownRow)]; }
    bool Filtered() const { return filtered_; }
    bool Modified() const { return modified_; }
    // The count the window states: the rows shown.
    std::size_t RecordCount() const { return RowCount(); }

    struct Outcome {
        enum Kind {
            Done,
            EmptyKey,    // nothing to add
            Duplicate,   // row (from 1) already has this key
            Unencodable, // character is not in the table's code
            EmptySearch, // nothing to look for
            NotFound,    // no row matches
        } kind = Done;
        std::size_t row = 0;      // Duplicate: the row number, from 1
        std::u16string character; // Unencodable: the character refused
    };
    static Outcome Said(Outcome::Kind kind, std::size_t row = 0, std::u16string character = {}) {
        return {kind, row, std::move(character)};
    }

    // Ends any search and puts the entry above all others. The key must not be
    // empty nor stand in another row; key and replacement must be in the
    // table's code, since a character it lacks would be saved as "?".
    Outcome Add(std::u16string_view key, std::u16string_view replacement);
    // Ends any search and deletes the first row whose key is the key of the
    // shown row; returns the row to select then (the one above, or the first).
    std::size_t Delete(std::size_t shownRow);
    // Shows the rows where the text occurs in the column(s), starting on a
    // character boundary of the table's code.
    Outcome Search(std::u16string_view text, SearchColumn column);
    void ShowAll();

    // Text of the table's code as the window shows it.
    std::u16string Decode(std::string_view bytes) const;
    // The text in the table's code, or the first character the code lacks.
    struct Encoded {
        std::string bytes;
        std::u16string refused;
    };
    Encoded Encode(std::u16string_view text) const;

    // The table file: the layout line, the column titles, then every row.
    std::string FileText(std::u16string_view searchTitle, std::u16string_view replaceTitle) const;

private:
    std::size_t Index(std::size_t shownRow) const {
        return filtered_ ? shown_[shownRow] : shownRow;
    }

    FixTableMode mode_;
    std::vector<FixEntry> rows_;
    std::vector<std::uint32_t> shown_;
    bool filtered_ = false;
    bool modified_ = false;
};

// The text occurs in the cell at a character boundary (a byte of 0x81 or more
// begins a two-byte character).
bool ContainsAtCharacter(std::string_view cell, std::string_view text);

} // namespace tessarim
