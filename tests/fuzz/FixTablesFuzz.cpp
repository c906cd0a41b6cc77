// The user's fix tables from a hand-edited table file (stray quotes, blanks,
// bytes of any value): the table builds, its index files load back into the same
// table, and applying it gives the same text either way. A table of one entry is
// checked against a plain reading of the rules: at every character boundary the
// key is tried, and a key whose first character has no slot is never applied.
// The conversions that apply a table run on the text as well.
//
// Input: a flag byte (bit 0: the GBK table, else the Big5 one), the table
// file's length (two bytes), the table file, then the text.
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/FixTables.h"
#include "engine/UnicodeBridge.h"
#include "tests/fuzz/FuzzSupport.h"

#include <filesystem>
#include <vector>

namespace {

using namespace tessarim;

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    }
    return lines;
}

struct Entry {
    std::string key;
    std::string value;
};

// The entries the table file defines, in file order.
std::vector<Entry> EntriesOf(std::string_view file) {
    std::vector<Entry> entries;
    const std::vector<std::string_view> lines = Lines(file);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::vector<std::string> fields = SplitCommaText(lines[i]);
        if (fields.size() == 1) fields.emplace_back();
        if (fields.size() == 2 && !fields[0].empty()) entries.push_back({fields[0], fields[1]});
    }
    return entries;
}

unsigned CodeAt(std::string_view text, std::size_t i, std::size_t& width) {
    const unsigned lead = static_cast<std::uint8_t>(text[i]);
    width = lead >= 0x81 && i + 1 < text.size() ? 2 : 1;
    if (lead < 0x81) return lead;
    return lead << 8 | (width == 2 ? static_cast<std::uint8_t>(text[i + 1]) : 0u);
}

std::string ApplyPlainly(std::string_view text, const Entry& entry, bool gbk) {
    std::size_t width = 0;
    const unsigned first = CodeAt(entry.key, 0, width);
    const unsigned low = gbk ? 0x8140 : 0xA140;
    const unsigned high = gbk ? 0xFEFF : 0xF9FF;
    const bool reachable = first < 0x81 || (first >= low && first <= high);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned code = CodeAt(text, i, width);
        if (reachable && code == first && text.substr(i).starts_with(entry.key)) {
            out += entry.value;
            i += entry.key.size();
        } else {
            out += text.substr(i, width);
            i += width;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    [[maybe_unused]] static const bool ready = [] {
        fuzz::QuietMessages();
        return LoadCodeTables();
    }();
    fuzz::Input input(data, size);
    const bool gbk = input.Byte() & 1;
    const std::size_t fileLength = (input.Byte() << 8 | input.Byte()) % 2048;
    const std::string_view file = input.Take(fileLength);
    const Bytes text(input.Rest());
    const FixTableId id = gbk ? FixTableId::Gbk : FixTableId::Big5;
    const Direction direction = gbk ? Big5ToGb : GbToBig5;
    const std::string& folder = fuzz::ScratchFolder();

    fuzz::WriteBytes(folder + (gbk ? "gbfix.dat" : "b5fix.dat"), file);
    // Without its index file the table is rebuilt from the table file.
    std::filesystem::remove(folder + (gbk ? "key2.ndx" : "key1.ndx"));
    LoadFixTable(id, folder);
    FUZZ_CHECK(FixIndexIsCurrent(id, folder));
    Bytes built = text;
    ApplyFixTable(built, direction);

    const std::vector<Entry> entries = EntriesOf(file);
    FUZZ_CHECK(FixTableEntryCount(id) == entries.size());
    if (entries.size() == 1) FUZZ_CHECK(built == ApplyPlainly(text, entries[0], gbk));

    LoadFixTable(id, folder); // from the index files this time
    FUZZ_CHECK(FixTableEntryCount(id) == entries.size());
    Bytes loaded = text;
    ApplyFixTable(loaded, direction);
    FUZZ_CHECK(loaded == built);

    // The roads that apply the table: table conversion, and the typeface change,
    // whose markers the table could disturb.
    Bytes converted = text;
    ConvertStream(converted, gbk ? BIG5 : GBK, gbk ? GBK : BIG5, gbk ? FaceS : FaceT, false, false);
    std::u16string units = AnsiToWide(text, gbk ? CodePageBig5 : CodePageGbk);
    ConvertFaceW(units, gbk ? FaceS : FaceT);
    ClearFixTable(id);
    return 0;
}
