#include "engine/FixTableIndex.h"

#include "common/AsciiText.h"
#include "data/EmbeddedData.h"
#include "engine/ConFunc.h"
#include "engine/FixTableFile.h"
#include "engine/FixTableLines.h"
#include "engine/SafeWrite.h"
#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessarim {

namespace {

namespace fs = std::filesystem;

// The files and slot layout of one table.
struct TableLayout {
    std::string_view source;
    std::string_view keysFile;
    std::string_view valuesFile;
    std::string_view indexFile;
    // The table's image (FixTableStore::Image): every slot filed, searched as
    // it is mapped, so a conversion neither reads the lists nor files a slot.
    std::string_view imageFile;
    SlotLayout slots;
};

constexpr std::array<TableLayout, 2> Layouts{{
    {"b5fix.dat", "b5_1.ndx", "b5_2.ndx", "key1.ndx", "b5_3.ndx", {0xA140, 22720, 22848}},
    {"gbfix.dat", "gb_1.ndx", "gb_2.ndx", "key2.ndx", "gb_3.ndx", {0x8140, 32192, 32320}},
}};

const TableLayout& LayoutOf(FixTableId table) {
    return Layouts[static_cast<std::size_t>(table)];
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

bool WriteAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes a file whole and leaves it read-only, readable by whom the table file
// is (an index of a private table stays private). The bytes go to a new file
// of an unforeseeable name first, created exclusively, so a failed write never
// leaves a short file under the real name and nothing planted in the folder is
// ever written through.
void WriteReadOnlyFile(const fs::path& path, std::span<const std::string_view> pieces,
                       mode_t readable) {
    std::string temp = path.string() + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot create " + temp);
    bool ok = ::fchmod(fd, readable & 0444) == 0;
    for (const std::string_view bytes : pieces)
        ok = ok && WriteAll(fd, bytes);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // rename replaces whatever has the name, a link or a FIFO too, never what
    // it leads to.
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw std::runtime_error("cannot write " + path.string());
    }
}

// The table file, found without regard to the letter case of its name; the
// exact name is preferred when several match.
std::optional<fs::path> FindSource(const std::string& folder, std::string_view name) {
    std::optional<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (!EqualIgnoringAsciiCase(name, candidate)) continue;
        if (candidate == name) return it->path();
        if (!found) found = it->path();
    }
    return found;
}

// Modified less than a tick of the file system's clock (a few milliseconds)
// ago, or in the future.
bool WrittenJustNow(const fs::path& path) {
    constexpr std::int64_t Margin = 50'000'000; // nanoseconds
    struct stat status;
    timespec now;
    if (::stat(path.c_str(), &status) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return true;
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return nanoseconds(now) - nanoseconds(status.st_mtim) < Margin;
}

void PutLe32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
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

ListTexts BuildLists(const SlotLayout& layout, const std::vector<FixEntry>& pairs) {
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
            lists.values.append(pairs[i].replacement).append("\r\n");
            ++line;
        }
    }
    std::sort(records.begin(), records.end());
    for (const auto& record : records)
        for (const std::uint32_t field : record)
            PutLe32(lists.index, field);
    return lists;
}

void WriteIndexFiles(const TableLayout& layout, const std::string& folder, const ListTexts& lists,
                     std::span<const std::string_view> image, mode_t readable) {
    const fs::path indexPath = folder + std::string(layout.indexFile);
    // Without the index the lists count as out of date, so a build that stops
    // halfway is done again at the next load.
    fs::remove(indexPath);
    const auto write = [&](std::string_view file, std::string_view text) {
        WriteReadOnlyFile(folder + std::string(file), std::span(&text, 1), readable);
    };
    write(layout.keysFile, lists.keys);
    write(layout.valuesFile, lists.values);
    WriteReadOnlyFile(folder + std::string(layout.imageFile), image, readable);
    write(layout.indexFile, lists.index);
}

// The checksum as the stamp ends with it: a blank and 16 hexadecimal digits.
std::string ChecksumText(std::uint64_t value) {
    char text[18];
    std::snprintf(text, sizeof text, " %016llx", static_cast<unsigned long long>(value));
    return text;
}

// Builds the table from its source file, then writes the index files and the
// stamp. False when the source cannot be read. A folder or settings file that
// cannot be written costs only the next load's time: the table is used all the
// same, and built again then.
bool Rebuild(FixTableId id, const std::string& folder, FixTableStore& table,
             FixStampStore& stamps) {
    const TableLayout& layout = LayoutOf(id);
    const std::optional<fs::path> source = FindSource(folder, layout.source);
    if (!source) return false;
    // The stamp is taken before reading, so a change during the build shows next time.
    std::optional<FixTableStamp> stamp = StampOfFile(source->string());
    struct stat status {};
    const std::optional<std::string> text = ReadWholeFile(*source);
    if (!stamp || !text || ::stat(source->c_str(), &status) != 0) return false;
    ListTexts lists = BuildLists(layout.slots, EntriesInSearchOrder(*text));
    // A file written moments ago may be written again within the same tick of
    // the file system's clock, leaving its stamp as it is; its index is not
    // trusted until the file has stood still for longer than that. Otherwise
    // the stamp names the lists' checksum, which a load compares.
    const std::uint64_t checksum = FixListsChecksum(lists.keys, lists.values, lists.index);
    if (WrittenJustNow(*source))
        stamp->version.clear();
    else
        stamp->version += ChecksumText(checksum);
    // The table in memory has all its slots filed by the image.
    table.OpenTexts(layout.slots, lists.keys, lists.values, lists.index);
    const std::vector<std::string_view> image = table.Image(checksum);
    try {
        WriteIndexFiles(layout, folder, lists, image, status.st_mode);
        stamps.Write(id, *stamp);
    } catch (const std::exception&) {
    }
    return true;
}

std::string_view DefaultTable(FixTableId table) {
    const std::span<const std::uint8_t> bytes =
        table == FixTableId::Big5 ? data::DefaultB5Fix() : data::DefaultGbFix();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Creates the file with the given bytes unless a file of that name exists.
// The bytes go to a file beside it first, which takes the name only while it
// is free: a run that starts meanwhile finds no file, and writes its own, or
// the whole one, never one half written. A name taken meanwhile holds that
// run's table.
bool WriteNewFile(const fs::path& path, std::string_view bytes) {
    const std::string folder = path.parent_path().string() + '/';
    // Readable as the table itself would be, created by the user.
    const auto mode = static_cast<mode_t>(0666 & ~FileCreationMask());
    try {
        if (const UniqueFd unnamed = CreateUnnamedBeside(folder)) {
            if (!WriteAll(unnamed.get(), bytes) || ::fchmod(unnamed.get(), mode) != 0) return false;
            return NameUnnamed(unnamed.get(), path.string()) || errno == EEXIST;
        }
        TempFile temp = CreateTempBeside(folder);
        const bool written =
            WriteAll(temp.fd.get(), bytes) && ::fchmod(temp.fd.get(), mode) == 0 && temp.fd.Close();
        const int refused = written ? RenameNoReplace(temp.path, path.string()) : EIO;
        if (refused != 0) ::unlink(temp.path.c_str());
        return refused == 0 || refused == EEXIST;
    } catch (const ConvertError&) {
        return false; // no room for a file beside it
    }
}

} // namespace

std::string_view FixTableFileName(FixTableId table) {
    return LayoutOf(table).source;
}

std::optional<FixTableStamp> StampOfFile(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    FixTableStamp stamp;
    stamp.seconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    // A file saved through a new file and a rename has a new inode each time.
    stamp.version = std::to_string(status.st_size) + " " + std::to_string(status.st_ino) + " " +
                    std::to_string(status.st_mtim.tv_sec) + "." +
                    std::to_string(status.st_mtim.tv_nsec);
    return stamp;
}

namespace {

// The stamp of the table file as it is now and the version recorded with the
// index, when that version was recorded for the file as it is now.
struct CurrentStamp {
    FixTableStamp source;
    std::string recorded;
};
std::optional<CurrentStamp> CurrentSourceStamp(const TableLayout& layout, const std::string& folder,
                                               const FixStampStore& stamps, FixTableId table) {
    const std::optional<fs::path> source = FindSource(folder, layout.source);
    if (!source) return std::nullopt;
    std::optional<FixTableStamp> stamp = StampOfFile(source->string());
    // An empty version (an index built by an older version of the program, or
    // from a file written just before) is never current.
    if (!stamp || stamp->version.empty()) return std::nullopt;
    std::string recorded = stamps.ReadVersion(table);
    // The recorded version goes on after the file's own with the identities
    // of the index files a load checked (" @..."), if any, and the lists'
    // checksum, which a load compares.
    if (!recorded.starts_with(stamp->version + ' ')) return std::nullopt;
    return CurrentStamp{std::move(*stamp), std::move(recorded)};
}

// The parts of a recorded version after the table file's own.
struct RecordedParts {
    std::string identities;
    std::uint64_t checksum = 0;
};
std::optional<RecordedParts> PartsOf(std::string_view recorded, std::string_view source) {
    constexpr std::size_t ChecksumLength = 17; // as ChecksumText writes it
    if (recorded.size() < source.size() + ChecksumLength) return std::nullopt;
    const std::string_view digits = recorded.substr(recorded.size() - 16);
    RecordedParts parts;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), parts.checksum, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    const std::string_view middle =
        recorded.substr(source.size(), recorded.size() - ChecksumLength - source.size());
    if (middle.starts_with(" @")) parts.identities = middle.substr(2);
    return parts;
}

} // namespace

bool FixIndexIsCurrent(FixTableId table, const std::string& folder, const FixStampStore& stamps) {
    const TableLayout& layout = LayoutOf(table);
    std::error_code error;
    for (std::string_view file : {layout.keysFile, layout.valuesFile, layout.indexFile})
        if (!fs::exists(folder + std::string(file), error)) return false;
    return CurrentSourceStamp(layout, folder, stamps, table).has_value();
}

bool LoadFixTable(FixTables& tables, FixTableId id, const std::string& folder,
                  FixStampStore& stamps) {
    const TableLayout& layout = LayoutOf(id);
    FixTableStore& table = tables.Store(id);
    table.Clear();
    // The index files are used when they are what the last build wrote: their
    // checksums are the ones it recorded, or they are as a load that compared
    // the checksums found them. Emptied, cut, swapped or damaged ones, and
    // those of an older version of the program, are built again.
    if (const std::optional<CurrentStamp> stamp = CurrentSourceStamp(layout, folder, stamps, id)) {
        const std::optional<RecordedParts> parts = PartsOf(stamp->recorded, stamp->source.version);
        if (parts && table.OpenImage(layout.slots, folder + std::string(layout.keysFile),
                                     folder + std::string(layout.valuesFile),
                                     folder + std::string(layout.indexFile),
                                     folder + std::string(layout.imageFile), parts->checksum,
                                     parts->identities)) {
            // Checked now and settled: later loads need not compare the checksums.
            const std::string settled = table.SettledIdentities();
            if (!settled.empty() && settled != parts->identities) {
                try {
                    stamps.Write(id,
                                 {stamp->source.seconds, stamp->source.version + " @" + settled +
                                                             ChecksumText(parts->checksum)});
                } catch (const std::exception&) {
                    // Only the next load's time.
                }
            }
            return true;
        }
    }
    table.Clear();
    try {
        return Rebuild(id, folder, table, stamps);
    } catch (const std::exception&) {
        return false;
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

bool LoadFixTableWithDefault(FixTables& tables, FixTableId id, const std::string& folder,
                             FixStampStore& stamps) {
    if (WriteDefaultFixTable(id, folder)) return LoadFixTable(tables, id, folder, stamps);
    // The folder cannot take the table: convert with the built-in one all the same.
    const TableLayout& layout = LayoutOf(id);
    ListTexts lists = BuildLists(layout.slots, EntriesInSearchOrder(DefaultTable(id)));
    tables.Store(id).OpenTexts(layout.slots, std::move(lists.keys), std::move(lists.values),
                               std::move(lists.index));
    return true;
}

} // namespace tessarim
