// The user's fix tables from a hand-edited table file (stray quotes, blanks,
// bytes of any value): the table builds, its index files load back into the same
// table, and applying it gives the same text either way. A table of one entry is
// checked against a plain reading of the rules: at every character boundary the
// key is tried; a key whose first character has no slot is left out.
// The conversions that apply a table run on the text as well.
//
// Input: a flag byte (bit 0: the GBK table, else the Big5 one), the table
// file's length (two bytes), the table file, then the text.
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/FixTableFile.h"
#include "engine/FixTableIndex.h"
#include "engine/UnicodeBridge.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace {

using namespace tessarim;

struct Entry {
    std::string key, value;
};

// The character at i: a byte below 0x81, a lead byte with the byte after it, or
// an unpaired lead byte at the end (as if a zero followed).
unsigned CodeAt(std::string_view text, std::size_t i, std::size_t& width) {
    const unsigned lead = static_cast<std::uint8_t>(text[i]);
    width = lead >= 0x81 && i + 1 < text.size() ? 2 : 1;
    if (lead < 0x81) return lead;
    return lead << 8 | (width == 2 ? static_cast<std::uint8_t>(text[i + 1]) : 0u);
}

// The entries the table file defines, in file order: every line after the two
// heading lines (ended by CR LF, LF or CR) with a key and at most one value. A key
// whose first character lies outside the table's code range can never be met, so
// the table leaves it out.
std::vector<Entry> EntriesOf(std::string_view file, bool gbk) {
    std::vector<Entry> entries;
    for (std::size_t pos = 0, line = 0; pos < file.size(); ++line) {
        const std::size_t end = std::min(file.find_first_of("\r\n", pos), file.size());
        std::vector<std::string> fields = SplitCommaText(file.substr(pos, end - pos));
        pos = end + (file.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (fields.size() == 1) fields.emplace_back();
        if (line < 2 || fields.size() != 2 || fields[0].empty()) continue;
        std::size_t width = 0;
        const unsigned first = CodeAt(fields[0], 0, width);
        if (first < 0x81 ||
            (first >= (gbk ? 0x8140u : 0xA140u) && first <= (gbk ? 0xFEFFu : 0xF9FFu)))
            entries.push_back({fields[0], fields[1]});
    }
    return entries;
}

// At every character boundary the key is tried.
std::string ApplyPlainly(std::string_view text, const Entry& entry) {
    std::size_t width = 0;
    const unsigned first = CodeAt(entry.key, 0, width);
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += width) {
        if (CodeAt(text, i, width) == first && text.substr(i).starts_with(entry.key)) {
            out += entry.value;
            width = entry.key.size();
        } else {
            out += text.substr(i, width);
        }
    }
    return out;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        pos = end + 1;
    }
    return lines;
}

// The table as its index files hold it, applied as written down: at every
// character the keys of its slot, in list order, and the first the text begins
// with wins.
std::string ApplyByScan(std::string_view text, const std::string& folder, bool gbk) {
    const std::vector<std::string> keys =
        LinesOf(ReadAll(folder + (gbk ? "gb_1.ndx" : "b5_1.ndx")));
    const std::vector<std::string> values =
        LinesOf(ReadAll(folder + (gbk ? "gb_2.ndx" : "b5_2.ndx")));
    const std::string index = ReadAll(folder + (gbk ? "key2.ndx" : "key1.ndx"));
    const unsigned base = gbk ? 0x8140 : 0xA140;
    const std::uint32_t doubleByteSlots = gbk ? 32192 : 22720;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> slots;
    const auto le32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<std::uint8_t>(index[at + static_cast<std::size_t>(i)]);
        return v;
    };
    for (std::size_t at = 0; at + 12 <= index.size(); at += 12)
        slots[le32(at)] = {le32(at + 4), le32(at + 8)};
    std::string out;
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); i += width) {
        const unsigned code = CodeAt(text, i, width);
        // A double-byte code outside the table's range has no slot.
        const std::uint32_t slot = code == 0     ? doubleByteSlots - 1
                                   : code < 0x81 ? code + doubleByteSlots - 1
                                                 : code - base;
        const auto found = code >= 0x81 && slot >= doubleByteSlots ? slots.end() : slots.find(slot);
        if (found != slots.end()) {
            std::uint32_t k = found->second.first;
            while (k <= found->second.second && !text.substr(i).starts_with(keys[k]))
                ++k;
            if (k <= found->second.second) {
                out += values[k];
                width = keys[k].size();
                continue;
            }
        }
        out += text.substr(i, width);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const bool gbk = input.Byte() & 1;
    const std::size_t high = input.Byte(); // read in order: operands of | are not
    const std::size_t fileLength = (high << 8 | input.Byte()) % 2048;
    const std::string_view file = input.Take(fileLength);
    const Bytes text(input.rest);
    const FixTableId id = gbk ? FixTableId::Gbk : FixTableId::Big5;
    const Direction direction = gbk ? Big5ToGb : GbToBig5;
    const std::string& folder = fuzz::ScratchFolder();

    const std::string path = folder + (gbk ? "gbfix.dat" : "b5fix.dat");
    fuzz::WriteBytes(path, file);
    // An index built from a file written moments ago is not trusted; this one
    // was written a while ago.
    namespace fs = std::filesystem;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(1));
    // Without its index file the table is rebuilt from the table file.
    fs::remove(folder + (gbk ? "key2.ndx" : "key1.ndx"));
    FixTables tables;
    test::MemoryStamps stamps;
    FUZZ_CHECK(LoadFixTable(tables, id, folder, stamps));
    FUZZ_CHECK(FixIndexIsCurrent(id, folder, stamps));
    Bytes built = text;
    tables.Apply(built, direction);

    const std::vector<Entry> entries = EntriesOf(file, gbk);
    FUZZ_CHECK(tables.EntryCount(id) == entries.size());
    if (entries.size() == 1) FUZZ_CHECK(built == ApplyPlainly(text, entries[0]));
    FUZZ_CHECK(built == ApplyByScan(text, folder, gbk));

    FixTables reloaded;
    FUZZ_CHECK(LoadFixTable(reloaded, id, folder, stamps)); // from the index files this time
    FUZZ_CHECK(reloaded.EntryCount(id) == entries.size());
    Bytes loaded = text;
    reloaded.Apply(loaded, direction);
    FUZZ_CHECK(loaded == built);

    // The roads that apply the table: table conversion, and the typeface change,
    // whose markers the table could disturb.
    Bytes converted = text;
    ConvertStream(converted, {gbk ? BIG5 : GBK, gbk ? GBK : BIG5, gbk ? FaceS : FaceT}, WholeText,
                  &tables);
    std::u16string units = AnsiToWide(text, gbk ? CodePageBig5 : CodePageGbk);
    ConvertFaceW(units, gbk ? FaceS : FaceT, &tables);
    return 0;
}
