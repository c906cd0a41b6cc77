#include "engine/FixTables.h"

#include "data/EmbeddedData.h"
#include "engine/FixTableFile.h"
#include "engine/FixTableIndex.h"
#include "engine/FixTableLines.h"
#include "engine/FixTableStore.h"
#include "engine/SafeWrite.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <latch>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Big5 台, 臺, 灣, 的 and 了.
const std::string Tai = "\xA5\x78", TaiT = "\xBB\x4F", Wan = "\xC6\x57", De = "\xAA\xBA",
                  Liao = "\xA4\x46";
// Big5 頭發, what the character tables make of 头发, and 頭髮, its correct form.
const std::string HairAsConverted = "\xC0\x59\xB5\x6F", Hair = "\xC0\x59\xBE\x76";

constexpr std::int64_t Stamp = 1700000000;

class FixTablesTest : public ::testing::Test {
protected:
    // A table file as the editor writes it, modified at `stamp` seconds.
    void WriteTable(const std::string& name, std::initializer_list<std::string> entries,
                    std::int64_t stamp = Stamp) {
        std::string text = "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n";
        for (const std::string& entry : entries)
            text += entry + "\r\n";
        WriteFile(folder.File(name), text);
        const std::chrono::sys_seconds time{std::chrono::seconds{stamp}};
        fs::last_write_time(folder.File(name), std::chrono::file_clock::from_sys(time));
    }
    bool Load() { return LoadFixTable(tables, FixTableId::Big5, folder.Dir(), stamps); }
    bool LoadWithDefault(FixTableId table, const std::string& dir) {
        return LoadFixTableWithDefault(tables, table, dir, stamps);
    }
    bool Current() const { return FixIndexIsCurrent(FixTableId::Big5, folder.Dir(), stamps); }
    std::string Apply(std::string text) {
        tables.Apply(text, GbToBig5);
        return text;
    }

    test::TempFolder folder;
    FixTables tables;
    test::MemoryStamps stamps;
};

TEST_F(FixTablesTest, IndexIsReusedWhileCurrentAndRebuiltOnANewStamp) {
    WriteTable("b5fix.dat", {"abc,xyz"});
    EXPECT_TRUE(Load());
    EXPECT_TRUE(Current());
    // Index files changed since the build, though they still fit together, or
    // emptied, cut or swapped, are built again, not used.
    const std::string values = folder.File("b5_2.ndx");
    const std::string index = folder.File("key1.ndx");
    const std::string built = ReadFile(index);
    for (const auto& [file, bytes] : std::initializer_list<std::pair<std::string, std::string>>{
             {values, "XYZ\r\n"},
             {values, "one\r\ntwo\r\n"},
             {index, ""},
             {index, built.substr(0, 11)},
             {index, built + built},
             {index, ReadFile(folder.File("b5_1.ndx"))}}) {
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        WriteFile(file, bytes);
        Load();
        EXPECT_EQ(Apply("abc"), "xyz") << file << " " << bytes.size();
        EXPECT_EQ(ReadFile(index), built);
    }
    // A new stamp makes the next load rebuild (a missing index: the fuzz target).
    WriteTable("b5fix.dat", {"abc,123"}, Stamp + 10);
    Load();
    EXPECT_EQ(Apply("abc"), "123");
    EXPECT_TRUE(Current());
}

// The image beside the lists (every slot filed, searched as it is mapped)
// serves only the lists it was made from: an image of another table, a cut
// one, or one whose bits were wiped would make the search pass keys by. Such
// an image is built again.
TEST_F(FixTablesTest, ImageIsUsedOnlyWithTheListsItWasMadeFrom) {
    const auto run = [](const std::string& word) { // long enough to go eight at a time
        std::string text;
        for (int i = 0; i < 12; ++i)
            text += Liao;
        return text + word + text;
    };
    const std::string image = folder.File("b5_3.ndx");
    WriteTable("b5fix.dat", {Tai + Wan + "," + TaiT + Wan});
    EXPECT_TRUE(Load());
    EXPECT_EQ(Apply(run(Tai + Wan)), run(TaiT + Wan));
    EXPECT_TRUE(Load()); // from the files
    EXPECT_EQ(Apply(run(Tai + Wan)), run(TaiT + Wan));
    const std::string other = ReadFile(image);

    WriteTable("b5fix.dat", {De + Wan + "," + Hair}, Stamp + 10);
    EXPECT_TRUE(Load());
    const std::string built = ReadFile(image);
    std::string wiped = built;
    std::fill(wiped.begin() + 104, wiped.end(), '\0');
    // One others may write could be made to send the search anywhere.
    fs::permissions(image, fs::perms::group_write, fs::perm_options::add);
    EXPECT_TRUE(Load());
    EXPECT_EQ(fs::status(image).permissions() & fs::perms::group_write, fs::perms::none)
        << "built again";
    for (const std::string& bytes : {other, built.substr(0, 4000), wiped, std::string()}) {
        fs::permissions(image, fs::perms::owner_write, fs::perm_options::add);
        WriteFile(image, bytes);
        EXPECT_TRUE(Load());
        EXPECT_EQ(Apply(run(De + Wan)), run(Hair)) << bytes.size();
        EXPECT_EQ(ReadFile(image), built) << "built again";
    }
}

// Files that stood still since a load compared their checksums are used
// without comparing them again; any later write to one of them shows.
TEST_F(FixTablesTest, SettledIndexFilesAreTrustedUntilOneIsWritten) {
    WriteTable("b5fix.dat", {"abc,xyz"});
    EXPECT_TRUE(Load());
    EXPECT_TRUE(Load());
    const auto recorded = [&] { return stamps.ReadVersion(FixTableId::Big5); };
    EXPECT_EQ(recorded().find(" @"), std::string::npos) << "written just now: not trusted yet";
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_TRUE(Load());
    ASSERT_NE(recorded().find(" @"), std::string::npos);
    EXPECT_TRUE(Current());
    const std::string trusted = recorded();
    EXPECT_TRUE(Load());
    EXPECT_EQ(recorded(), trusted);
    EXPECT_EQ(Apply("abc"), "xyz");

    const std::string values = folder.File("b5_2.ndx");
    fs::permissions(values, fs::perms::owner_write, fs::perm_options::add);
    WriteFile(values, "XYZ\r\n"); // the same size
    EXPECT_TRUE(Load());
    EXPECT_EQ(Apply("abc"), "xyz");
    EXPECT_EQ(ReadFile(values), "xyz\r\n") << "built again";
}

// The editor saves and has the table loaded at once, again and again within
// one second, and the whole-second stamp stays the same.
TEST_F(FixTablesTest, TableRewrittenWithinTheSameSecondIsIndexedAgain) {
    for (const char* replacement : {"xyz", "123", "789"}) {
        WriteFile(folder.File("b5fix.dat"), std::string("\r\n\r\nabc,") + replacement + "\r\n");
        EXPECT_TRUE(Load());
        EXPECT_EQ(Apply("abc"), replacement);
    }
}

// Single keys at character boundaries are left to the fix-table fuzz target;
// here several keys that share a first character.
TEST_F(FixTablesTest, LongerKeysFirstEmptyReplacementsDeleteQuotedKeysStayReachable) {
    WriteTable("b5fix.dat", {Tai + "," + TaiT, Tai + Wan + "," + TaiT + Wan, De, Liao + ","});
    Load();
    EXPECT_EQ(Apply(Tai + Wan + De + "x" + Tai + Liao), TaiT + Wan + "x" + TaiT);
    // Quoted keys sort apart from their unquoted relatives: "a b" and "z" beside
    // "abc" must still be reachable from their first character.
    WriteTable("b5fix.dat", {"\"a b\",X", "\"z\",Z", "abc,Y", "\"say \"\"hi\"\"\",\"1,2\""},
               Stamp + 1);
    Load();
    EXPECT_EQ(Apply("abc a b z say \"hi\"!"), "Y X Z 1,2!");
}

// A word kept as it is still keeps a key that begins within it from
// matching, wherever it stands among the characters the search takes at once,
// at the end of the text and where the search takes up the next stretch.
TEST_F(FixTablesTest, AWordKeptAsItIsCoversTheKeysThatBeginWithinIt) {
    const std::string Fa = HairAsConverted.substr(2); // 發, 頭發's second character
    WriteTable("b5fix.dat", {HairAsConverted + "," + HairAsConverted, Fa + Tai + ",XY"});
    Load();
    std::string after;
    for (int k = 0; k < 20; ++k)
        after += De;
    std::string longBefore;
    for (int k = 0; k < 2000; ++k)
        longBefore += De;
    for (const std::string& end : {after, std::string()}) {
        for (const std::string lead : {"", "x"}) {
            for (const std::string& start : {std::string(), longBefore}) {
                std::string before = lead + start;
                for (int k = 0; k < 80; ++k, before += De) {
                    EXPECT_EQ(Apply(before + HairAsConverted + Tai + end),
                              before + HairAsConverted + Tai + end)
                        << lead << start.size() << ' ' << k << ' ' << end.size();
                    EXPECT_EQ(Apply(before + Fa + Tai + end), before + "XY" + end)
                        << lead << start.size() << ' ' << k << ' ' << end.size();
                }
            }
        }
    }
}

// Keys of a single character are looked for at every place, however many a
// table has: a few of them, and more than the search keeps at hand in
// registers. Each also begins a longer key listed before it, kept as it is.
TEST_F(FixTablesTest, KeysOfOneCharacterApplyEverywhereFewOrMany) {
    std::mt19937 random(20261208);
    const auto big5 = [&] {
        const unsigned trail = random() % 157;
        return std::string{static_cast<char>(0xA4 + random() % 0x23),
                           static_cast<char>(trail < 63 ? 0x40 + trail : 0xA1 + trail - 63)};
    };
    std::int64_t stamp = Stamp;
    for (const std::size_t count : {3u, 24u, 25u, 48u, 49u, 300u}) {
        std::map<std::string, std::string> single; // key -> replacement
        while (single.size() < count)
            single.emplace(big5(), "");
        std::vector<std::string> others(200);
        for (std::string& other : others)
            other = big5();
        std::map<std::string, std::string> pairs; // kept as they are
        std::string table = "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n";
        for (auto& [key, replacement] : single) {
            replacement = std::string("<").append(std::to_string(pairs.size())).append(">");
            const std::string pair = key + others[random() % others.size()];
            pairs.emplace(pair, pair);
            table += pair + "," + pair + "\r\n" + key + "," + replacement + "\r\n";
        }
        WriteFile(folder.File("b5fix.dat"), table);
        fs::last_write_time(folder.File("b5fix.dat"),
                            std::chrono::file_clock::from_sys(
                                std::chrono::sys_seconds{std::chrono::seconds{++stamp}}));
        ASSERT_TRUE(Load());
        std::vector<std::string> pool(others);
        for (const auto& [key, replacement] : single)
            pool.push_back(key);
        std::string text, expected;
        for (int c = 0; c < 20000; ++c)
            text += random() % 50 == 0 ? std::string("a") : pool[random() % pool.size()];
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] == 'a') {
                expected += text[i++];
            } else if (pairs.contains(text.substr(i, 4))) {
                expected += text.substr(i, 4);
                i += 4;
            } else if (const auto found = single.find(text.substr(i, 2)); found != single.end()) {
                expected += found->second;
                i += 2;
            } else {
                expected += text.substr(i, 2);
                i += 2;
            }
        }
        EXPECT_EQ(Apply(text), expected) << count << " keys of one character";
    }
}

TEST_F(FixTablesTest, UnreadableTableFailsAtEveryLoadAndAFailedIndexIsRetried) {
    EXPECT_FALSE(Load());
    EXPECT_FALSE(Load());
    // An index file that cannot be written costs the next load a rebuild; the
    // table is used all the same, and no failure is reported.
    WriteTable("b5fix.dat", {"abc,xyz"});
    fs::create_directory(folder.File("b5_2.ndx"));
    fs::create_directory(folder.File("b5_2.ndx/keep"));
    EXPECT_TRUE(Load());
    EXPECT_EQ(Apply("abc"), "xyz");
    EXPECT_FALSE(Current());
}

// Writing the default where the user has none is checked by the command line's
// runs; here the folders it cannot go into.
TEST_F(FixTablesTest, DefaultTableIsWrittenOnlyWhereTheUserHasNone) {
    // A folder that cannot take it leaves the built-in table in use.
    WriteFile(folder.File("plain"), "a file, not a folder");
    EXPECT_TRUE(LoadWithDefault(FixTableId::Big5, folder.File("plain") + "/"));
    EXPECT_EQ(Apply(HairAsConverted), Hair);
    // The user's own table is never replaced, also under another letter case.
    WriteTable("B5FIX.DAT", {"abc,xyz"});
    EXPECT_TRUE(WriteDefaultFixTable(FixTableId::Big5, folder.Dir()));
    EXPECT_FALSE(fs::exists(folder.File("b5fix.dat")));
    EXPECT_TRUE(LoadWithDefault(FixTableId::Big5, folder.Dir()));
    EXPECT_EQ(Apply(HairAsConverted + "abc"), HairAsConverted + "xyz");
    // Nor is one that cannot be read: the load fails.
    fs::create_directory(folder.File("gbfix.dat"));
    EXPECT_FALSE(LoadWithDefault(FixTableId::Gbk, folder.Dir()));
}

// Runs started together in a fresh settings folder each see either no table,
// and write the default, or the whole default: none loads a table cut short.
TEST(DefaultFixTable, RunsStartedTogetherAllLoadTheWholeDefault) {
    constexpr int Runs = 4;
    std::size_t whole = 0;
    {
        test::TempFolder alone;
        FixTables tables;
        test::MemoryStamps stamps;
        ASSERT_TRUE(LoadFixTableWithDefault(tables, FixTableId::Big5, alone.Dir(), stamps));
        whole = tables.Store(FixTableId::Big5).EntryCount();
    }
    for (int round = 0; round < 20; ++round) {
        test::TempFolder folder;
        const std::string dir = folder.File("home") + "/";
        std::latch start(Runs);
        std::array<std::size_t, Runs> loaded{};
        std::array<bool, Runs> ok{};
        std::vector<std::jthread> runs;
        for (int r = 0; r < Runs; ++r)
            runs.emplace_back([&, r] {
                FixTables tables;
                test::MemoryStamps stamps;
                start.arrive_and_wait();
                // Staggered, so that some runs look while another writes.
                std::this_thread::sleep_for(std::chrono::microseconds(r * round * 8));
                ok[r] = LoadFixTableWithDefault(tables, FixTableId::Big5, dir, stamps);
                loaded[r] = tables.Store(FixTableId::Big5).EntryCount();
            });
        runs.clear();
        for (int r = 0; r < Runs; ++r) {
            EXPECT_TRUE(ok[r]) << "round " << round << ", run " << r;
            EXPECT_EQ(loaded[r], whole) << "round " << round << ", run " << r;
        }
        EXPECT_EQ(ReadFile(dir + "b5fix.dat").size(), data::DefaultB5Fix().size());
        for (const std::string& name : test::FolderNames(dir))
            EXPECT_FALSE(name.starts_with("b5fix.dat.") || IsConversionCopyName(name))
                << "left behind: " << name;
        if (HasFailure()) break;
    }
}

// Blanks and control bytes separate too; the empty field comes only from a final
// comma; a quote inside a bare field is kept; an open quote runs to the end.
TEST(CommaText, SplitsLikeTheEditorWritesAndToleratesStrayQuotes) {
    using Fields = std::vector<std::string>;
    const std::pair<std::string, Fields> cases[] = {
        {"  a  ,  b  ", {"a", "b"}}, {"a b\tc", {"a", "b", "c"}}, {"a,", {"a", ""}}, {"a, ", {"a"}},
        {"ab\"c,d", {"ab\"c", "d"}}, {"\"abc,d", {"abc,d"}}};
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(SplitCommaText(line), fields) << line;
    // What the editor writes reads back as it was, whatever the fields hold.
    const FixTableText table{{"-1,-1", "Search,\"Replace with\""},
                             {{"a b", ""}, {"\"x\",", "\t"}, {Tai, TaiT}}};
    const std::string text = WriteFixTableText(table);
    EXPECT_TRUE(text.starts_with("-1,-1\r\nSearch,\"Replace with\"\r\n\"a b\",\"\"\r\n"));
    EXPECT_EQ(ReadFixTableText(text).entries, table.entries);
}

// Applying a table is the scan of its lists as they stand: at every character
// the entries of its slot, in list order, the first key the text begins with
// wins. Keys from a small alphabet (a lead byte among them) share beginnings,
// repeat, nest and run past any length; the slot ranges come from an index as
// a build writes it, or at random, so that a slot also holds keys of other
// characters.
TEST(FixTableStore, AgreesWithAScanOfTheListsInOrder) {
    using namespace std::string_literals;
    const SlotLayout layout{0xA140, 22720, 22848};
    test::TempFolder files;
    std::mt19937 random(20240607);
    const auto word = [&](unsigned maxLength) {
        std::string w(random() % (maxLength + 1), 'a');
        for (char& c : w)
            c = "ab\xA4\x40"[random() % 4];
        return w;
    };
    const auto le32 = [](std::string& out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i));
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> keys(1 + random() % 40), values(keys.size());
        std::string keyText, valueText, index;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            keys[k] = "ab\xA4"[random() % 3] + word(12);
            // Many tables keep words as they are, so that no shorter key
            // splits them.
            values[k] = random() % 3 == 0 ? keys[k] : word(3);
        }
        if (round % 2 == 0) std::sort(keys.rbegin(), keys.rend());
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges(layout.slotCount, {1, 0});
        for (std::size_t k = 0; k < keys.size(); ++k) {
            keyText += keys[k] + "\r\n";
            valueText += values[k] + "\r\n";
        }
        for (const unsigned code : {0x61u, 0x62u, 0xA440u, 0xA4A4u, 0xA461u}) {
            // Tables where no key begins with a single byte are searched
            // otherwise between such bytes.
            if (round % 3 == 1 && code < 0x81) continue;
            const std::uint32_t slot = layout.SlotOf(code);
            std::uint32_t first = random() % keys.size();
            std::uint32_t last = first + random() % (keys.size() - first);
            if (round % 2 == 0) { // the run of keys that begin with the character
                first = keys.size();
                last = 0;
                for (std::uint32_t k = 0; k < keys.size(); ++k) {
                    if (FirstCode(keys[k]) != code) continue;
                    first = std::min(first, k);
                    last = k;
                }
                if (first > last) continue;
            }
            ranges[slot] = {first, last};
        }
        // An index holds its records in rising slot order.
        for (std::uint32_t slot = 0; slot < layout.slotCount; ++slot) {
            if (ranges[slot].first > ranges[slot].second) continue;
            le32(index, slot);
            le32(index, ranges[slot].first);
            le32(index, ranges[slot].second);
        }
        FixTables tables;
        ASSERT_TRUE(tables.Store(FixTableId::Big5).OpenTexts(layout, keyText, valueText, index));
        // The same lists as a build leaves them in files, searched through the
        // image as it is mapped.
        FixTables fromImage;
        {
            FixTableStore built;
            ASSERT_TRUE(built.OpenTexts(layout, keyText, valueText, index));
            const std::uint64_t checksum = FixListsChecksum(keyText, valueText, index);
            std::string image;
            for (const std::string_view piece : built.Image(checksum))
                image += piece;
            WriteFile(files.File("keys"), keyText);
            WriteFile(files.File("values"), valueText);
            WriteFile(files.File("index"), index);
            WriteFile(files.File("image"), image);
            ASSERT_TRUE(fromImage.Store(FixTableId::Big5)
                            .OpenImage(layout, files.File("keys"), files.File("values"),
                                       files.File("index"), files.File("image"), checksum, ""));
        }
        for (int probe = 0; probe < 30; ++probe) {
            // Half the texts mostly double-byte characters, in runs long
            // enough for the search to take many characters at a time; a few
            // of those longer than the stretch it marks before looking up.
            std::string text = word(40);
            if (probe % 2 == 1) {
                text.clear();
                const bool longText = round % 10 == 0 && probe > 25;
                for (std::size_t c = random() % (longText ? 6000 : 60); c > 0; --c)
                    text += random() % 8 == 0 ? "a"
                                              : "\xA4"s + "\x40\xA4"
                                                          "ab"[random() % 4];
            }
            std::string expected;
            for (std::size_t i = 0; i < text.size();) {
                const std::size_t width = static_cast<std::uint8_t>(text[i]) >= 0x81 ? 2 : 1;
                const unsigned code = FirstCode(std::string_view(text).substr(i, 2));
                const std::uint32_t slot = layout.SlotOf(code);
                const auto [first, last] = slot == SlotLayout::NoSlot
                                               ? std::pair<std::uint32_t, std::uint32_t>{1, 0}
                                               : ranges[slot];
                std::uint32_t k = first;
                while (k <= last && !std::string_view(text).substr(i).starts_with(keys[k]))
                    ++k;
                if (k <= last) {
                    expected += values[k];
                    i += keys[k].size();
                } else {
                    expected += text.substr(i, width);
                    i += width;
                }
            }
            std::string applied = text;
            tables.Apply(applied, GbToBig5);
            ASSERT_EQ(applied, expected) << round << ": " << text;
            applied = text;
            fromImage.Apply(applied, GbToBig5);
            ASSERT_EQ(applied, expected) << round << " (image): " << text;
        }
    }
}

} // namespace
} // namespace tessarim
