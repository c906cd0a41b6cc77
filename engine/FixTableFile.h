#pragma once
// The text of a correction table file (b5fix.dat, gbfix.dat): two lines the
// editor keeps for itself, then one entry a line as comma text, key first and
// replacement second. Reading and writing only; nothing here touches a file.
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

struct FixEntry {
    std::string key;
    std::string replacement;
    bool operator==(const FixEntry&) const = default;
};

struct FixTableText {
    // The first two lines, which hold the editor's layout and column titles.
    std::vector<std::string> header;
    // The entries in file order. A line of two fields, or of one non-empty
    // field (whose key is deleted from the text), is an entry; other lines and
    // entries with an empty key are not.
    std::vector<FixEntry> entries;
};

// Lines end at CR LF, LF or a lone CR; a line break at the very end opens no line.
std::vector<std::string_view> SplitLines(std::string_view text);

// One line split into fields: fields are separated by commas and by blanks
// (bytes up to 0x20) outside quotes; a field may be enclosed in double quotes
// with inner quotes doubled. A quote that is never closed runs to the end of
// the line; a comma at the very end adds an empty field.
std::vector<std::string> SplitCommaText(std::string_view line);

FixTableText ReadFixTableText(std::string_view text);

// The file's text: the header lines, then each entry with a field that holds a
// blank, a comma or a quote written in quotes; CR LF line ends. Reading it back
// gives the same entries.
std::string WriteFixTableText(const FixTableText& table);

// The entries in the order they are tried: the lines sorted by their bytes and
// taken from the last to the first, so that of two keys where one begins with
// the other the longer usually comes first.
std::vector<FixEntry> EntriesInSearchOrder(std::string_view text);

} // namespace tessarim
