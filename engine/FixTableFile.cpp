#include "engine/FixTableFile.h"

#include "common/AsciiText.h"

#include <algorithm>
#include <cstdint>

namespace tessarim {

namespace {

// A line as an entry; false for a line that is none.
bool TakeEntry(std::string_view line, std::vector<FixEntry>& entries) {
    std::vector<std::string> fields = SplitCommaText(line);
    if (fields.size() == 1) fields.emplace_back();
    // A key that is empty could never be found.
    if (fields.size() != 2 || fields[0].empty()) return false;
    entries.push_back({std::move(fields[0]), std::move(fields[1])});
    return true;
}

void AppendField(std::string& out, std::string_view field) {
    const bool quoted = field.empty() || std::any_of(field.begin(), field.end(), [](char c) {
                            return IsBlank(c) || c == ',' || c == '"';
                        });
    if (!quoted) {
        out.append(field);
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
    }
    return lines;
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    const auto skipBlanks = [&] {
        while (i < n && IsBlank(line[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                const std::size_t quote = line.find('"', i);
                if (quote == std::string_view::npos) {
                    field.append(line.substr(i));
                    i = n;
                    break;
                }
                field.append(line.substr(i, quote - i));
                i = quote + 1;
                if (i < n && line[i] == '"') {
                    field += '"';
                    ++i;
                    continue;
                }
                break;
            }
        } else {
            const std::size_t start = i;
            while (i < n && !IsBlank(line[i]) && line[i] != ',')
                ++i;
            field.assign(line.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        skipBlanks();
        if (i < n && line[i] == ',') {
            if (i + 1 == n) fields.emplace_back();
            ++i;
            skipBlanks();
        }
    }
    return fields;
}

FixTableText ReadFixTableText(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    FixTableText table;
    const std::size_t header = std::min<std::size_t>(2, lines.size());
    table.header.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(header));
    for (std::size_t i = header; i < lines.size(); ++i)
        TakeEntry(lines[i], table.entries);
    return table;
}

std::string WriteFixTableText(const FixTableText& table) {
    std::string out;
    for (std::size_t i = 0; i < 2; ++i)
        out.append(i < table.header.size() ? table.header[i] : "").append("\r\n");
    for (const FixEntry& entry : table.entries) {
        AppendField(out, entry.key);
        out += ',';
        AppendField(out, entry.replacement);
        out.append("\r\n");
    }
    return out;
}

std::vector<FixEntry> EntriesInSearchOrder(std::string_view text) {
    std::vector<std::string_view> lines = SplitLines(text);
    lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size()));
    std::sort(lines.begin(), lines.end());
    std::vector<FixEntry> entries;
    entries.reserve(lines.size());
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        TakeEntry(*line, entries);
    return entries;
}

} // namespace tessarim
