#include "engine/FixTables.h"

#include "data/EmbeddedData.h"
#include "engine/FixTableSearch.h"
#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "settings/Settings.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>

namespace tessarim {

namespace {

namespace fs = std::filesystem;

// The files, settings key and slot layout of one table. Every character that can
// begin a key has a slot: double-byte codes from codeBase on, then the single
// bytes 1 to 0x80; the byte 0 shares the last double-byte slot, whose code
// (F9FF, FEFF) is no character.
struct TableLayout {
    std::string_view source;
    std::string_view keysFile;
    std::string_view valuesFile;
    std::string_view indexFile;
    Key<std::int64_t> stamp;
    unsigned codeBase;
    std::uint32_t doubleByteSlots;
    std::uint32_t slotCount;
    std::string_view failure;
};

constexpr std::array<TableLayout, 2> Layouts{{
    {"b5fix.dat", "b5_1.ndx", "b5_2.ndx", "key1.ndx", keys::Ageb5fix, 0xA140, 22720, 22848,
     "Cannot open \"b5fix.dat\"."},
    {"gbfix.dat", "gb_1.ndx", "gb_2.ndx", "key2.ndx", keys::Agegbfix, 0x8140, 32192, 32320,
     "Cannot open \"gbfix.dat\"."},
}};

constexpr std::uint32_t NoSlot = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t NoGroup = std::numeric_limits<std::uint32_t>::max();
// Slots with more entries than this are searched in sorted order; a few keys
// are compared faster one after the other.
constexpr std::int32_t LinearSlotSize = 8;
constexpr std::size_t IndexRecordSize = 12;
constexpr unsigned CodeCount = 0x10000;

const TableLayout& LayoutOf(FixTableId table) {
    return Layouts[static_cast<std::size_t>(table)];
}

// A character's code: a byte below 0x81 stands for itself, a double-byte
// character is lead byte * 256 + trail byte.
std::uint32_t SlotOfCode(const TableLayout& layout, unsigned code) {
    if (code < 0x81) return code + layout.doubleByteSlots - 1;
    const unsigned offset = code - layout.codeBase; // wraps for codes below the base
    return offset < layout.doubleByteSlots ? offset : NoSlot;
}

// The code of a key's first character; a key of one lead byte reads as if a
// zero byte followed.
unsigned FirstCode(std::string_view key) {
    const unsigned lead = static_cast<std::uint8_t>(key[0]);
    if (lead < 0x81) return lead;
    return lead << 8 | (key.size() > 1 ? static_cast<std::uint8_t>(key[1]) : 0u);
}

struct Slot {
    std::int32_t first = -1; // -1: no key begins with this character
    std::int32_t last = -1;
};

// A table in memory: all keys and replacements in one byte arena, the entries
// as offsets into it, and per slot the range of entries to try.
struct FixTable {
    struct Entry {
        std::uint32_t keyBegin;
        std::uint32_t keyEnd;
        std::uint32_t valueBegin;
        std::uint32_t valueEnd;
    };
    std::string bytes;
    std::vector<Entry> entries;
    std::vector<Slot> slots;
    // One bit per character code whose slot holds entries, so that a character
    // without entries costs one test of a small, cache-resident array.
    std::array<std::uint64_t, CodeCount / 64> occupied{};
    // The search group of each large slot, NoGroup for the others.
    std::vector<std::uint32_t> groupOfSlot;
    PrefixSearch search;

    std::string_view KeyOf(const Entry& e) const {
        return {bytes.data() + e.keyBegin, e.keyEnd - e.keyBegin};
    }
    std::string_view ValueOf(const Entry& e) const {
        return {bytes.data() + e.valueBegin, e.valueEnd - e.valueBegin};
    }
    bool Occupied(unsigned code) const { return (occupied[code >> 6] >> (code & 63)) & 1; }

    void Clear() {
        bytes.clear();
        entries.clear();
        slots.clear();
        occupied.fill(0);
        groupOfSlot.clear();
        search.Clear();
    }

    void Add(std::string_view key, std::string_view value) {
        if (bytes.size() + key.size() + value.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("fix table too large");
        const auto at = static_cast<std::uint32_t>(bytes.size());
        const auto keyEnd = static_cast<std::uint32_t>(at + key.size());
        bytes.append(key);
        bytes.append(value);
        entries.push_back({at, keyEnd, keyEnd, static_cast<std::uint32_t>(bytes.size())});
    }

    // Prepares the lookups once every entry and slot is in place.
    void Finish(const TableLayout& layout) {
        occupied.fill(0);
        for (unsigned code = 0; code < CodeCount; code = code == 0x80 ? 0x8100 : code + 1) {
            const std::uint32_t slot = SlotOfCode(layout, code);
            if (slot != NoSlot && slots[slot].first >= 0)
                occupied[code >> 6] |= 1ull << (code & 63);
        }
        std::vector<std::string_view> keys;
        keys.reserve(entries.size());
        for (const Entry& e : entries)
            keys.push_back(KeyOf(e));
        groupOfSlot.assign(slots.size(), NoGroup);
        for (std::size_t slot = 0; slot < slots.size(); ++slot)
            if (slots[slot].last - slots[slot].first >= LinearSlotSize)
                groupOfSlot[slot] = search.AddGroup(keys, slots[slot].first, slots[slot].last);
    }

    // The first entry of the slot, in list order, whose key the text begins with.
    const Entry* Find(std::uint32_t slot, std::string_view text) const {
        if (groupOfSlot[slot] != NoGroup) {
            const std::int32_t k = search.FirstMatch(groupOfSlot[slot], text);
            return k == PrefixSearch::NoMatch ? nullptr : &entries[static_cast<std::size_t>(k)];
        }
        for (std::int32_t k = slots[slot].first; k <= slots[slot].last; ++k) {
            const Entry& e = entries[static_cast<std::size_t>(k)];
            if (text.starts_with(KeyOf(e))) return &e;
        }
        return nullptr;
    }
};

std::array<FixTable, 2>& Tables() {
    static std::array<FixTable, 2> tables;
    return tables;
}

// Lines end at CR LF, LF or a lone CR; a line break at the very end opens no line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t pos = 0;
    while (pos < n) {
        const void* lf = std::memchr(p + pos, '\n', n - pos);
        std::size_t end = lf ? static_cast<const char*>(lf) - p : n;
        std::size_t next = end + 1;
        // A CR ends the line before it, alone or followed by the LF.
        if (const void* cr = std::memchr(p + pos, '\r', end - pos)) {
            end = static_cast<const char*>(cr) - p;
            next = end + 1 < n && p[end + 1] == '\n' ? end + 2 : end + 1;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = next;
    }
    return lines;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    if (const std::uintmax_t size = fs::file_size(path, error); !error)
        text.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
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

std::uint32_t GetLe32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(in[at + i]);
    return value;
}

// Reads the index files of a current table. False when they do not fit
// together (lists of different lengths, an empty key, a slot range outside the
// lists): such files did not come from a finished build and are rebuilt.
bool LoadIndex(const TableLayout& layout, const std::string& folder, FixTable& table) {
    const auto keysText = ReadWholeFile(folder + std::string(layout.keysFile));
    const auto valuesText = ReadWholeFile(folder + std::string(layout.valuesFile));
    const auto index = ReadWholeFile(folder + std::string(layout.indexFile));
    if (!keysText || !valuesText || !index) return false;
    const std::vector<std::string_view> keyLines = SplitLines(*keysText);
    const std::vector<std::string_view> valueLines = SplitLines(*valuesText);
    if (keyLines.size() != valueLines.size()) return false;
    if (keyLines.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    const auto count = static_cast<std::int32_t>(keyLines.size());
    table.bytes.reserve(keysText->size() + valuesText->size());
    table.entries.reserve(keyLines.size());
    table.slots.assign(layout.slotCount, Slot{});
    // A short record at the end is ignored.
    for (std::size_t at = 0; at + IndexRecordSize <= index->size(); at += IndexRecordSize) {
        const std::uint32_t slot = GetLe32(*index, at);
        const auto first = static_cast<std::int32_t>(GetLe32(*index, at + 4));
        const auto last = static_cast<std::int32_t>(GetLe32(*index, at + 8));
        if (slot >= layout.slotCount) continue;
        if (first < 0 || last < first || last >= count) return false;
        table.slots[slot] = {first, last};
    }
    for (std::size_t k = 0; k < keyLines.size(); ++k) {
        if (keyLines[k].empty()) return false;
        table.Add(keyLines[k], valueLines[k]);
    }
    table.Finish(layout);
    return true;
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

// Puts the entries into the table with the keys of each slot side by side, the
// groups in the order of their first entry and each group in list order, so that
// every slot is one range and no entry is lost to a later group with the same
// first character (a quoted key sorts apart from its unquoted relatives).
void AddGrouped(const TableLayout& layout, const std::vector<Pair>& pairs, FixTable& table) {
    const std::uint32_t unindexed = layout.slotCount; // keys no character can reach
    std::vector<std::int32_t> groupOfSlot(layout.slotCount + 1, -1);
    std::vector<std::uint32_t> groupSizes;
    std::vector<std::uint32_t> groupOfPair(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        std::uint32_t slot = SlotOfCode(layout, FirstCode(pairs[i].key));
        if (slot == NoSlot) slot = unindexed;
        if (groupOfSlot[slot] < 0) {
            groupOfSlot[slot] = static_cast<std::int32_t>(groupSizes.size());
            groupSizes.push_back(0);
        }
        groupOfPair[i] = static_cast<std::uint32_t>(groupOfSlot[slot]);
        ++groupSizes[groupOfPair[i]];
    }
    std::vector<std::uint32_t> next(groupSizes.size(), 0);
    for (std::size_t g = 1; g < groupSizes.size(); ++g)
        next[g] = next[g - 1] + groupSizes[g - 1];
    std::vector<std::uint32_t> order(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i)
        order[next[groupOfPair[i]]++] = static_cast<std::uint32_t>(i);

    table.slots.assign(layout.slotCount, Slot{});
    for (std::uint32_t i : order) {
        const std::uint32_t slot = SlotOfCode(layout, FirstCode(pairs[i].key));
        const auto k = static_cast<std::int32_t>(table.entries.size());
        table.Add(pairs[i].key, pairs[i].value);
        if (slot == NoSlot) continue;
        if (table.slots[slot].first < 0) table.slots[slot].first = k;
        table.slots[slot].last = k;
    }
    table.Finish(layout);
}

void WriteIndexFiles(const TableLayout& layout, const std::string& folder, const FixTable& table) {
    const fs::path indexPath = folder + std::string(layout.indexFile);
    // Without the index the lists count as out of date, so a build that stops
    // halfway is done again at the next load.
    fs::remove(indexPath);
    std::string keysText;
    std::string valuesText;
    for (const FixTable::Entry& e : table.entries) {
        keysText.append(table.KeyOf(e)).append("\r\n");
        valuesText.append(table.ValueOf(e)).append("\r\n");
    }
    WriteReadOnlyFile(folder + std::string(layout.keysFile), keysText);
    WriteReadOnlyFile(folder + std::string(layout.valuesFile), valuesText);
    std::string index;
    for (std::uint32_t slot = 0; slot < layout.slotCount; ++slot) {
        const Slot& s = table.slots[slot];
        if (s.first < 0) continue;
        PutLe32(index, slot);
        PutLe32(index, static_cast<std::uint32_t>(s.first));
        PutLe32(index, static_cast<std::uint32_t>(s.last));
    }
    WriteReadOnlyFile(indexPath, index);
}

// Builds the table from its source file and writes the index files and the
// stamp. Throws when the source cannot be read or a file cannot be written; the
// table then holds what was built.
void Rebuild(const TableLayout& layout, const std::string& folder, FixTable& table) {
    const std::optional<fs::path> source = FindSource(folder, layout.source);
    if (!source) throw std::runtime_error("no table file");
    // The stamp is taken before reading, so a change during the build shows next time.
    const std::optional<std::int64_t> stamp = FileStamp(*source);
    const std::optional<std::string> text = ReadWholeFile(*source);
    if (!stamp || !text) throw std::runtime_error("table file unreadable");
    AddGrouped(layout, EntriesOf(*text), table);
    WriteIndexFiles(layout, folder, table);
    IniFile settings(folder + std::string(SettingsFileName));
    Write(settings, layout.stamp, *stamp);
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
    FixTable& table = Tables()[static_cast<std::size_t>(id)];
    table.Clear();
    if (FixIndexIsCurrent(id, folder) && LoadIndex(layout, folder, table)) return;
    table.Clear();
    try {
        Rebuild(layout, folder, table);
    } catch (const std::exception&) {
        ShowMessage(MessageKind::Error, layout.failure);
    }
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
    FixTable& table = Tables()[static_cast<std::size_t>(id)];
    table.Clear();
    AddGrouped(LayoutOf(id), EntriesOf(DefaultTable(id)), table);
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
    Tables()[static_cast<std::size_t>(table)].Clear();
}

std::size_t FixTableEntryCount(FixTableId table) {
    return Tables()[static_cast<std::size_t>(table)].entries.size();
}

void ApplyFixTable(Bytes& text, Direction direction) {
    const FixTableId id = direction == GbToBig5 ? FixTableId::Big5 : FixTableId::Gbk;
    const FixTable& table = Tables()[static_cast<std::size_t>(id)];
    if (table.entries.empty()) return;
    const TableLayout& layout = LayoutOf(id);
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
        const FixTable::Entry* match = table.Find(SlotOfCode(layout, code), {p + i, n - i});
        if (!match) {
            i += width;
            continue;
        }
        if (!changed) {
            output.clear();
            output.reserve(n);
            changed = true;
        }
        output.append(p + copied, i - copied);
        output.append(table.ValueOf(*match));
        i += match->keyEnd - match->keyBegin;
        copied = i;
    }
    if (!changed) return;
    output.append(p + copied, n - copied);
    text.swap(output);
    // Keep a buffer for the next block, not one left over from a huge text.
    if (output.capacity() > 4 * BlockSize) Bytes().swap(output);
}

} // namespace tessarim
