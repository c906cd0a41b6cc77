#include "engine/FixTables.h"

#include "engine/FixTableSearch.h"
#include "settings/IniFile.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Big5 台, 臺, 灣, 的, 了, and 兀, whose trail byte is 'a'.
const std::string Tai = "\xA5\x78", TaiT = "\xBB\x4F", Wan = "\xC6\x57", De = "\xAA\xBA",
                  Liao = "\xA4\x46", Wu = "\xA4\x61";
// Big5 頭發, what the character tables make of 头发, and 頭髮, its correct form.
const std::string HairAsConverted = "\xC0\x59\xB5\x6F", Hair = "\xC0\x59\xBE\x76";

constexpr std::int64_t Stamp = 1700000000;

class FixTablesTest : public ::testing::Test {
protected:
    void TearDown() override {
        ClearFixTable(FixTableId::Big5);
        ClearFixTable(FixTableId::Gbk);
    }

    // Writes a table file as the editor does: a layout line, the column titles,
    // then one line per entry; its modification time is `stamp` seconds.
    std::string WriteTable(const std::string& name, std::initializer_list<std::string> entries,
                           std::int64_t stamp = Stamp) {
        std::string text = "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n";
        for (const std::string& entry : entries)
            text += entry + "\r\n";
        WriteFile(folder.File(name), text);
        const std::chrono::sys_seconds time{std::chrono::seconds{stamp}};
        fs::last_write_time(folder.File(name), std::chrono::file_clock::from_sys(time));
        return folder.File(name);
    }
    void Load(FixTableId table = FixTableId::Big5) { LoadFixTable(table, folder.Dir()); }
    bool Current() const { return FixIndexIsCurrent(FixTableId::Big5, folder.Dir()); }
    std::int64_t StoredStamp() const {
        return IniFile(folder.File("Tessarim.ini")).ReadInteger("Data", "Ageb5fix", -1);
    }
    static std::string Apply(std::string text, Direction direction = GbToBig5) {
        ApplyFixTable(text, direction);
        return text;
    }

    test::TempFolder folder;
    test::CapturedMessages messages;
};

TEST_F(FixTablesTest, IndexIsBuiltReusedAndRebuiltOnANewStampOrMissingIndex) {
    WriteTable("b5fix.dat", {Tai + "," + TaiT, Tai + Wan + "," + TaiT + Wan, "abc,xyz"});
    Load();
    // Sorted by bytes and taken backwards: "台灣" before "台", both before "abc".
    EXPECT_EQ(ReadFile(folder.File("b5_1.ndx")), Tai + Wan + "\r\n" + Tai + "\r\nabc\r\n");
    EXPECT_EQ(ReadFile(folder.File("b5_2.ndx")), TaiT + Wan + "\r\n" + TaiT + "\r\nxyz\r\n");
    // Records of slot, first and last key: 台 (A578 - A140) holds keys 0-1, 'a'
    // (0x61 + 22719) key 2.
    EXPECT_EQ(ReadFile(folder.File("key1.ndx")),
              std::string("\x38\x04\0\0\0\0\0\0\x01\0\0\0\x20\x59\0\0\x02\0\0\0\x02\0\0\0", 24));
    for (const char* file : {"b5_1.ndx", "b5_2.ndx", "key1.ndx"})
        EXPECT_EQ(fs::status(folder.File(file)).permissions() & fs::perms::owner_write,
                  fs::perms::none)
            << file;
    EXPECT_EQ(StoredStamp(), Stamp);

    // A current index is taken as it stands; lists that do not fit together are not trusted.
    const std::string values = folder.File("b5_2.ndx");
    fs::permissions(values, fs::perms::owner_write, fs::perm_options::add);
    WriteFile(values, "1\r\n2\r\nXYZ\r\n");
    Load();
    EXPECT_EQ(Apply("abc"), "XYZ");
    WriteFile(values, "only one line\r\n");
    Load();
    EXPECT_EQ(Apply("abc"), "xyz");

    // A new stamp, or the same stamp with the index gone, makes the next load rebuild.
    WriteTable("b5fix.dat", {"abc,123"}, Stamp + 10);
    EXPECT_FALSE(Current());
    Load();
    EXPECT_EQ(Apply("abc"), "123");
    EXPECT_EQ(StoredStamp(), Stamp + 10);
    WriteTable("b5fix.dat", {"abc,456"}, Stamp + 10);
    fs::remove(folder.File("key1.ndx"));
    EXPECT_FALSE(Current());
    Load();
    EXPECT_EQ(Apply("abc"), "456");
    EXPECT_TRUE(Current());
    EXPECT_EQ(messages.texts(), "");
}

TEST_F(FixTablesTest, LongerKeysFirstEmptyReplacementsDeleteAndCharactersStayWhole) {
    WriteTable("b5fix.dat", {Tai + "," + TaiT, Tai + Wan + "," + TaiT + Wan, De, Liao + ","});
    WriteTable("gbfix.dat", {"abc,xyz"});
    Load(FixTableId::Big5);
    Load(FixTableId::Gbk);
    EXPECT_EQ(Apply(Tai + Wan + De + "x" + Tai + Liao), TaiT + Wan + "x" + TaiT);
    // A4 61 is one character; the "abc" that starts at its trail byte is no match.
    // An unpaired lead byte at the end is passed through.
    EXPECT_EQ(Apply(Wu + "bc abc" + Tai + Wan + "\xA4", Big5ToGb),
              Wu + "bc xyz" + Tai + Wan + "\xA4");
    // Quoted keys sort apart from their unquoted relatives: "a b" and "z" beside
    // "abc" must still be reachable from their first character.
    WriteTable("b5fix.dat", {"\"a b\",X", "\"z\",Z", "abc,Y", "\"say \"\"hi\"\"\",\"1,2\""},
               Stamp + 1);
    Load();
    EXPECT_EQ(Apply("abc a b z say \"hi\"!"), "Y X Z 1,2!");
    EXPECT_EQ(messages.texts(), "");
}

TEST_F(FixTablesTest, UnreadableTableIsReportedAtEveryLoadAndAFailedIndexIsRetried) {
    Load();
    Load();
    EXPECT_EQ(messages.texts(), "Cannot open \"b5fix.dat\".|Cannot open \"b5fix.dat\".");
    EXPECT_EQ(messages.messages()[0].first, MessageKind::Error);
    EXPECT_EQ(FixTableEntryCount(FixTableId::Big5), 0u);
    EXPECT_FALSE(fs::exists(folder.File("Tessarim.ini")));
    // An index file that cannot be written: reported, and the table is used all the same.
    WriteTable("b5fix.dat", {"abc,xyz"});
    fs::create_directory(folder.File("b5_2.ndx"));
    Load();
    EXPECT_EQ(messages.messages().size(), 3u);
    EXPECT_EQ(Apply("abc"), "xyz");
    EXPECT_EQ(StoredStamp(), -1);
    EXPECT_FALSE(Current());
}

// Writing the default where the user has none is also checked by the command
// line's runs; here the folders it cannot go into.
TEST_F(FixTablesTest, DefaultTableIsWrittenOnlyWhereTheUserHasNone) {
    // A folder that cannot take it leaves the built-in table in use.
    WriteFile(folder.File("plain"), "a file, not a folder");
    EXPECT_FALSE(WriteDefaultFixTable(FixTableId::Big5, folder.File("plain") + "/"));
    LoadFixTableWithDefault(FixTableId::Big5, folder.File("plain") + "/");
    EXPECT_EQ(Apply(HairAsConverted), Hair);
    // The user's own table is never replaced, also under another letter case.
    WriteTable("B5FIX.DAT", {"abc,xyz"});
    EXPECT_TRUE(WriteDefaultFixTable(FixTableId::Big5, folder.Dir()));
    EXPECT_FALSE(fs::exists(folder.File("b5fix.dat")));
    LoadFixTableWithDefault(FixTableId::Big5, folder.Dir());
    EXPECT_EQ(Apply(HairAsConverted + "abc"), HairAsConverted + "xyz");
    EXPECT_EQ(messages.texts(), "");
    // Nor is one that cannot be read: the user hears of it.
    fs::create_directory(folder.File("gbfix.dat"));
    LoadFixTableWithDefault(FixTableId::Gbk, folder.Dir());
    EXPECT_TRUE(fs::is_directory(folder.File("gbfix.dat")));
    EXPECT_EQ(messages.texts(), "Cannot open \"gbfix.dat\".");
}

TEST(CommaText, SplitsLikeTheEditorWritesAndToleratesStrayQuotes) {
    using Fields = std::vector<std::string>;
    const std::pair<std::string, Fields> cases[] = {
        {"  a  ,  b  ", {"a", "b"}},
        {"a b\tc", {"a", "b", "c"}}, // blanks and control bytes separate too
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},              // the empty field comes only from a final comma
        {"ab\"c,d", {"ab\"c", "d"}}, // a quote inside a bare field is kept
        {"\"abc,d", {"abc,d"}}};     // an open quote runs to the end of the line
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(SplitCommaText(line), fields) << line;
}

// The search stands in for "the first key in list order that the text begins
// with". Keys from a three-letter alphabet (one of them above 0x7F) share
// prefixes, repeat and nest in every way; the texts are drawn the same way.
TEST(PrefixSearch, AgreesWithALinearScanOnRandomTables) {
    std::mt19937 random(20240607);
    const auto word = [&](unsigned maxLength) {
        std::string w(random() % (maxLength + 1), 'a');
        for (char& c : w)
            c = "ab\xC8"[random() % 3];
        return w;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> owned(1 + random() % 60);
        for (std::string& key : owned)
            while (key.empty())
                key = word(5);
        const std::vector<std::string_view> keys(owned.begin(), owned.end());
        const auto count = static_cast<std::int32_t>(keys.size());
        const std::int32_t first = random() % count, last = first + random() % (count - first);
        PrefixSearch search;
        const std::uint32_t group = search.AddGroup(keys, first, last);
        for (int probe = 0; probe < 100; ++probe) {
            const std::string text = word(7);
            std::int32_t expected = PrefixSearch::NoMatch;
            for (std::int32_t k = last; k >= first; --k)
                if (text.starts_with(keys[k])) expected = k;
            ASSERT_EQ(search.FirstMatch(group, text), expected) << round << ": " << text;
        }
    }
}

} // namespace
} // namespace tessarim
