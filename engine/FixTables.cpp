#include "engine/FixTables.h"

#include "data/EmbeddedData.h"
#include "engine/FixTableStore.h"
#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "settings/Settings.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>

namespace tessarim {

namespace {

namespace fs = std::filesystem;

// The files, settings key and slot layout of one table.
struct TableLayout {
    std::string_view source;
    std::string_view keysFile;
    std::string_view valuesFile;
    std::string_view indexFile;
    Key<std::int64_t> stamp;
    SlotLayout slots;
    std::string_view failure;
};

constexpr std::array<TableLayout, 2> Layouts{{
    {"b5fix.dat",
     "b5_1.ndx",
     "b5_2.ndx",
     "key1.ndx",
     keys::Ageb5fix,
     {0xA140, 22720, 22848},
     "Cannot open \"b5fix.dat\"."},
    {"gbfix.dat",
     "gb_1.ndx",
     "gb_2.ndx",
     "key2.ndx",
     keys::Agegbfix,
     {0x8140, 32192, 32320},
     "Cannot open \"gbfix.dat\"."},
}};

const TableLayout& LayoutOf(FixTableId table) {
    return Layouts[static_cast<std::size_t>(table)];
}

std::array<FixTableStore, 2>& Tables() {
    static std::array<FixTableStore, 2> tables;
    return tables;
}

FixTableStore& TableOf(FixTableId table) {
    return Tables()[static_cast<std::size_t>(table)];
}

// Lines end at CR LF, LF or a lone CR; a line break at the very end opens no line.
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

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), file);
    // A file that grew since its size was taken is read again next time.
    const bool whole = got == text.size() && std::fgetc(file) == EOF && !std::ferror(file);
    std::fclose(file);
    if (!whole) return std::nullopt;
    return text;
}

// Writes a file whole and leaves it read-only. The bytes go to a temporary file
// first, so a failed write never leaves a short file under the real name.
void WriteReadOnlyFile(const fs::path& path, std::string_view bytes) {
    fs::path temp = path;
    temp += ".tmp";
    std::error_code ignored;
    fs::remove(temp, ignored);
    try {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write " + temp.string());
        fs::permissions(temp,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        fs::rename(temp, path);
    } catch (...) {
        fs::remove(temp, ignored);
        throw;
    }
}

// The table file, found without regard to the letter case of its name; the
// exact name is preferred when several match.
std::optional<fs::path> FindSource(const std::string& folder, std::string_view name) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const auto sameIgnoringCase = [&](const std::string& candidate) {
        return std::equal(name.begin(), name.end(), candidate.begin(), candidate.end(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    };
    std::optional<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (!sameIgnoringCase(candidate)) continue;
        if (candidate == name) return it->path();
        if (!found) found = it->path();
    }
    return found;
}

// The modification time in whole seconds, the stamp the settings keep.
std::optional<std::int64_t> FileStamp(const fs::path& path) {
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(time);
    return std::chrono::floor<std::chrono::seconds>(system).time_since_epoch().count();
}

void PutLe32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

struct Pair {
    std::string key;
    std::string value;
};

// The entries of a table file in the order they are tried: the lines sorted by
// their bytes and taken from the last to the first, so that of two keys where
// one begins with the other the longer usually comes first.
std::vector<Pair> EntriesOf(std::string_view text) {
    std::vector<std::string_view> lines = SplitLines(text);
    // The first two lines hold the editor's layout and column titles.
    lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size()));
    std::sort(lines.begin(), lines.end());
    std::vector<Pair> pairs;
    pairs.reserve(lines.size());
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        std::vector<std::string> fields = SplitCommaText(*line);
        if (fields.size() == 1) fields.emplace_back();
        // A key that is empty could never be found.
        if (fields.size() != 2 || fields[0].empty()) continue;
        pairs.push_back({std::move(fields[0]), std::move(fields[1])});
    }
    return pairs;
}

// The texts of the three list files for these entries: the keys of each slot
// side by side, the groups in the order of their first entry and each group in
// list order, so that every slot is one range and no entry is lost to a later
// group with the same first character (a quoted key sorts apart from its
// unquoted relatives). Keys no character can reach are left out.
struct ListTexts {
    std::string keys;
    std::string values;
    std::string index;
};

ListTexts BuildLists(const SlotLayout& layout, const std::vector<Pair>& pairs) {
    std::vector<std::vector<std::uint32_t>> groups;
    std::vector<std::int32_t> groupOfSlot(layout.slotCount, -1);
    std::vector<std::uint32_t> slotOfGroup;
    for (std::uint32_t i = 0; i < pairs.size(); ++i) {
        const std::uint32_t slot = layout.SlotOf(FirstCode(pairs[i].key));
        if (slot == SlotLayout::NoSlot) continue;
        if (groupOfSlot[slot] < 0) {
            groupOfSlot[slot] = static_cast<std::int32_t>(groups.size());
            groups.emplace_back();
            slotOfGroup.push_back(slot);
        }
        groups[static_cast<std::size_t>(groupOfSlot[slot])].push_back(i);
    }
    ListTexts lists;
    std::vector<std::array<std::uint32_t, 3>> records;
    std::uint32_t line = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        records.push_back(
            {slotOfGroup[g], line, line + static_cast<std::uint32_t>(groups[g].size()) - 1});
        for (const std::uint32_t i : groups[g]) {
            lists.keys.append(pairs[i].key).append("\r\n");
            lists.values.append(pairs[i].value).append("\r\n");
            ++line;
        }
    }
    std::sort(records.begin(), records.end());
    for (const auto& record : records)
        for (const std::uint32_t field : record)
            PutLe32(lists.index, field);
    return lists;
}

void WriteIndexFiles(const TableLayout& layout, const std::string& folder, const ListTexts& lists) {
    const fs::path indexPath = folder + std::string(layout.indexFile);
    // Without the index the lists count as out of date, so a build that stops
    // halfway is done again at the next load.
    fs::remove(indexPath);
    WriteReadOnlyFile(folder + std::string(layout.keysFile), lists.keys);
    WriteReadOnlyFile(folder + std::string(layout.valuesFile), lists.values);
    WriteReadOnlyFile(indexPath, lists.index);
}

// Builds the table from its source file, writes the index files and the stamp.
// False when the source cannot be read; throws when a file cannot be written,
// and the table is usable all the same.
bool Rebuild(const TableLayout& layout, const std::string& folder, FixTableStore& table) {
    const std::optional<fs::path> source = FindSource(folder, layout.source);
    if (!source) return false;
    // The stamp is taken before reading, so a change during the build shows next time.
    const std::optional<std::int64_t> stamp = FileStamp(*source);
    const std::optional<std::string> text = ReadWholeFile(*source);
    if (!stamp || !text) return false;
    ListTexts lists = BuildLists(layout.slots, EntriesOf(*text));
    try {
        WriteIndexFiles(layout, folder, lists);
        IniFile settings(folder + std::string(SettingsFileName));
        Write(settings, layout.stamp, *stamp);
    } catch (...) {
        table.OpenTexts(layout.slots, std::move(lists.keys), std::move(lists.values),
                        std::move(lists.index));
        throw;
    }
    table.OpenTexts(layout.slots, std::move(lists.keys), std::move(lists.values),
                    std::move(lists.index));
    return true;
}

std::string_view DefaultTable(FixTableId table) {
    const std::span<const std::uint8_t> bytes =
        table == FixTableId::Big5 ? data::DefaultB5Fix() : data::DefaultGbFix();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Creates the file with the given bytes unless a file of that name exists.
// A file left short by a failed write is removed, so the next run tries again.
bool WriteNewFile(const fs::path& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) == 0 && written) return true;
    std::error_code ignored;
    fs::remove(path, ignored);
    return false;
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view line) {
    const auto isBlank = [](char c) { return static_cast<std::uint8_t>(c) <= ' '; };
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    const auto skipBlanks = [&] {
        while (i < n && isBlank(line[i]))
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
            while (i < n && !isBlank(line[i]) && line[i] != ',')
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

bool FixIndexIsCurrent(FixTableId table, const std::string& folder) {
    const TableLayout& layout = LayoutOf(table);
    std::error_code error;
    for (std::string_view file : {layout.keysFile, layout.valuesFile, layout.indexFile})
        if (!fs::exists(folder + std::string(file), error)) return false;
    const std::optional<fs::path> source = FindSource(folder, layout.source);
    if (!source) return false;
    const std::optional<std::int64_t> stamp = FileStamp(*source);
    const IniFile settings(folder + std::string(SettingsFileName));
    return stamp && Read(settings, layout.stamp) == *stamp;
}

bool FixIndexIsCurrent(FixTableId table) {
    return FixIndexIsCurrent(table, ProgramDir());
}

void LoadFixTable(FixTableId id, const std::string& folder) {
    const TableLayout& layout = LayoutOf(id);
    FixTableStore& table = TableOf(id);
    table.Clear();
    if (FixIndexIsCurrent(id, folder) &&
        table.OpenFiles(layout.slots, folder + std::string(layout.keysFile),
                        folder + std::string(layout.valuesFile),
                        folder + std::string(layout.indexFile)))
        return;
    bool built = false;
    try {
        built = Rebuild(layout, folder, table);
    } catch (const std::exception&) {
    }
    if (!built) ShowMessage(MessageKind::Error, layout.failure);
}

bool WriteDefaultFixTable(FixTableId table, const std::string& folder) {
    const std::string_view name = LayoutOf(table).source;
    std::error_code error;
    // The exact name is tested apart from the listing, which an unreadable
    // folder would leave empty.
    if (fs::exists(folder + std::string(name), error) || error || FindSource(folder, name))
        return true;
    fs::create_directories(folder, error);
    return WriteNewFile(folder + std::string(name), DefaultTable(table));
}

void LoadFixTableWithDefault(FixTableId id, const std::string& folder) {
    if (WriteDefaultFixTable(id, folder)) {
        LoadFixTable(id, folder);
        return;
    }
    // The folder cannot take the table: convert with the built-in one all the same.
    const TableLayout& layout = LayoutOf(id);
    ListTexts lists = BuildLists(layout.slots, EntriesOf(DefaultTable(id)));
    TableOf(id).OpenTexts(layout.slots, std::move(lists.keys), std::move(lists.values),
                          std::move(lists.index));
}

void LoadFixTableWithDefault(FixTableId table) {
    LoadFixTableWithDefault(table, ProgramDir());
}

void LoadB5Fix() {
    LoadFixTable(FixTableId::Big5, ProgramDir());
}

void LoadGbFix() {
    LoadFixTable(FixTableId::Gbk, ProgramDir());
}

void ClearFixTable(FixTableId table) {
    TableOf(table).Clear();
}

std::size_t FixTableEntryCount(FixTableId table) {
    return TableOf(table).EntryCount();
}

void ApplyFixTable(Bytes& text, Direction direction) {
    FixTableStore& table = TableOf(direction == GbToBig5 ? FixTableId::Big5 : FixTableId::Gbk);
    if (table.Empty()) return;
    // The output buffer lives on, so converting block after block allocates once.
    static Bytes output;
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::size_t copied = 0; // bytes before this are in output already
    bool changed = false;
    while (i < n) {
        const unsigned lead = static_cast<std::uint8_t>(p[i]);
        unsigned code = lead;
        std::size_t width = 1;
        if (lead >= 0x81 && i + 1 < n) {
            code = lead << 8 | static_cast<std::uint8_t>(p[i + 1]);
            width = 2;
        } else if (lead >= 0x81) {
            code = lead << 8; // an unpaired lead byte at the end
        }
        if (!table.Occupied(code)) {
            i += width;
            continue;
        }
        const FixTableStore::Match match = table.Find(code, {p + i, n - i});
        if (match.keyLength == 0) {
            i += width;
            continue;
        }
        if (!changed) {
            output.clear();
            output.reserve(n);
            changed = true;
        }
        output.append(p + copied, i - copied);
        output.append(match.value);
        i += match.keyLength;
        copied = i;
    }
    if (!changed) return;
    output.append(p + copied, n - copied);
    text.swap(output);
    // Keep a buffer for the next block, not one left over from a huge text.
    if (output.capacity() > 4 * BlockSize) Bytes().swap(output);
}

} // namespace tessarim
