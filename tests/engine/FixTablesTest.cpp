#include "engine/FixTables.h"

#include "engine/CodeTables.h"
#include "engine/TableConvert.h"
#include "platform/Message.h"
#include "settings/IniFile.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

// Big5 characters.
const std::string Tai = "\xA5\x78";  // 台
const std::string TaiT = "\xBB\x4F"; // 臺
const std::string Wan = "\xC6\x57";  // 灣
const std::string De = "\xAA\xBA";   // 的
const std::string Liao = "\xA4\x46"; // 了
const std::string Wu = "\xA4\x61";   // 兀, its trail byte is 'a'

constexpr std::int64_t Stamp = 1700000000;

class FixTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageHandler([this](MessageKind kind, std::string_view text) {
            EXPECT_EQ(kind, MessageKind::Error);
            messages_.emplace_back(text);
        });
    }
    void TearDown() override {
        SetMessageHandler(previous_);
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
        const std::string path = folder_.File(name);
        WriteFile(path, text);
        SetStamp(path, stamp);
        return path;
    }
    static void SetStamp(const std::string& path, std::int64_t seconds) {
        const std::chrono::sys_seconds time{std::chrono::seconds{seconds}};
        fs::last_write_time(path, std::chrono::file_clock::from_sys(time));
    }
    void Load(FixTableId table) { LoadFixTable(table, folder_.Dir()); }
    std::int64_t StoredStamp(const char* key) const {
        return IniFile(folder_.File("Tessarim.ini")).ReadInteger("Data", key, -1);
    }
    static std::string Apply(std::string text, Direction direction = GbToBig5) {
        ApplyFixTable(text, direction);
        return text;
    }
    static bool ReadOnly(const std::string& path) {
        return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
    }

    TempFolder folder_;
    std::vector<std::string> messages_;
    MessageHandler previous_;
};

TEST_F(FixTablesTest, BuildWritesListsIndexAndStamp) {
    WriteTable("b5fix.dat", {Tai + "," + TaiT, Tai + Wan + "," + TaiT + Wan, "abc,xyz"});
    EXPECT_FALSE(FixIndexIsCurrent(FixTableId::Big5, folder_.Dir()));
    Load(FixTableId::Big5);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(FixTableEntryCount(FixTableId::Big5), 3u);

    // Sorted by bytes and taken backwards: "台灣" before "台", both before "abc".
    EXPECT_EQ(ReadFile(folder_.File("b5_1.ndx")), Tai + Wan + "\r\n" + Tai + "\r\nabc\r\n");
    EXPECT_EQ(ReadFile(folder_.File("b5_2.ndx")), TaiT + Wan + "\r\n" + TaiT + "\r\nxyz\r\n");
    // Slot of 台: A578 - A140 = 1080, keys 0-1; slot of 'a': 0x61 + 22719 = 22816, key 2.
    const std::string index("\x38\x04\0\0\0\0\0\0\x01\0\0\0"
                            "\x20\x59\0\0\x02\0\0\0\x02\0\0\0",
                            24);
    EXPECT_EQ(ReadFile(folder_.File("key1.ndx")), index);
    for (const char* file : {"b5_1.ndx", "b5_2.ndx", "key1.ndx"})
        EXPECT_TRUE(ReadOnly(folder_.File(file))) << file;
    EXPECT_EQ(StoredStamp("Ageb5fix"), Stamp);
    EXPECT_TRUE(FixIndexIsCurrent(FixTableId::Big5, folder_.Dir()));
    EXPECT_FALSE(fs::exists(folder_.File("key1.ndx.tmp")));
}

TEST_F(FixTablesTest, LongerKeysWinAndEmptyReplacementsDelete) {
    WriteTable("b5fix.dat", {Tai + "," + TaiT, Tai + Wan + "," + TaiT + Wan, De, Liao + ","});
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply(Tai + Wan + De + "x" + Tai + Liao), TaiT + Wan + "x" + TaiT);
    EXPECT_EQ(Apply(Tai), TaiT);
    EXPECT_EQ(Apply(""), "");
    // The other direction uses the GBK table, which is empty.
    EXPECT_EQ(Apply(Tai + Wan, Big5ToGb), Tai + Wan);
}

TEST_F(FixTablesTest, KeysMatchOnlyAtCharacterBoundaries) {
    WriteTable("gbfix.dat", {"abc,xyz"});
    Load(FixTableId::Gbk);
    // A4 61 is one character; the "abc" that starts at its trail byte is no match.
    EXPECT_EQ(Apply(Wu + "bc abc", Big5ToGb), Wu + "bc xyz");
    EXPECT_EQ(Apply("ab", Big5ToGb), "ab");
    // An unpaired lead byte at the end is passed through.
    EXPECT_EQ(Apply("abc\xA4", Big5ToGb), "xyz\xA4");
}

TEST_F(FixTablesTest, CurrentIndexIsReadNotRebuilt) {
    WriteTable("b5fix.dat", {"abc,xyz", "def,uvw"});
    Load(FixTableId::Big5);
    // Changed lists show that a current index is taken as it stands.
    const std::string values = folder_.File("b5_2.ndx");
    fs::permissions(values, fs::perms::owner_write, fs::perm_options::add);
    WriteFile(values, "DEF\r\nABC\r\n");
    ClearFixTable(FixTableId::Big5);
    EXPECT_EQ(Apply("abc"), "abc");
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc def"), "ABC DEF");

    // Lists that do not fit together are not trusted.
    WriteFile(values, "only one line\r\n");
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc def"), "xyz uvw");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FixTablesTest, NewStampOrMissingIndexRebuildsReadOnlyFiles) {
    const std::string source = WriteTable("b5fix.dat", {"abc,xyz"});
    Load(FixTableId::Big5);
    WriteTable("b5fix.dat", {"abc,123"}, Stamp + 10);
    EXPECT_FALSE(FixIndexIsCurrent(FixTableId::Big5, folder_.Dir()));
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc"), "123");
    EXPECT_EQ(StoredStamp("Ageb5fix"), Stamp + 10);
    EXPECT_EQ(ReadFile(folder_.File("b5_2.ndx")), "123\r\n");
    EXPECT_TRUE(ReadOnly(folder_.File("b5_2.ndx")));

    // Same stamp, but the index is gone.
    WriteTable("b5fix.dat", {"abc,456"}, Stamp + 10);
    fs::remove(folder_.File("key1.ndx"));
    EXPECT_FALSE(FixIndexIsCurrent(FixTableId::Big5, folder_.Dir()));
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc"), "456");
    EXPECT_TRUE(fs::exists(folder_.File("key1.ndx")));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FixTablesTest, HeadingLinesOnlyGiveAnEmptyIndex) {
    WriteTable("gbfix.dat", {}, Stamp);
    Load(FixTableId::Gbk);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(FixTableEntryCount(FixTableId::Gbk), 0u);
    for (const char* file : {"gb_1.ndx", "gb_2.ndx", "key2.ndx"})
        EXPECT_EQ(fs::file_size(folder_.File(file)), 0u) << file;
    EXPECT_EQ(StoredStamp("Agegbfix"), Stamp);
    EXPECT_TRUE(FixIndexIsCurrent(FixTableId::Gbk, folder_.Dir()));
    EXPECT_EQ(Apply("abc", Big5ToGb), "abc");
}

TEST_F(FixTablesTest, UnreadableTableIsReportedAtEveryLoad) {
    Load(FixTableId::Big5);
    Load(FixTableId::Big5);
    EXPECT_EQ(messages_, (std::vector<std::string>{"Cannot open \"b5fix.dat\".",
                                                   "Cannot open \"b5fix.dat\"."}));
    EXPECT_EQ(FixTableEntryCount(FixTableId::Big5), 0u);
    EXPECT_FALSE(fs::exists(folder_.File("Tessarim.ini")));

    fs::create_directory(folder_.File("gbfix.dat"));
    Load(FixTableId::Gbk);
    EXPECT_EQ(messages_.back(), "Cannot open \"gbfix.dat\".");
}

TEST_F(FixTablesTest, FailedIndexWriteKeepsTheTableAndRetries) {
    WriteTable("b5fix.dat", {"abc,xyz"});
    fs::create_directory(folder_.File("b5_2.ndx")); // cannot be replaced by a file
    Load(FixTableId::Big5);
    EXPECT_EQ(messages_, std::vector<std::string>{"Cannot open \"b5fix.dat\"."});
    EXPECT_EQ(Apply("abc"), "xyz");
    EXPECT_EQ(StoredStamp("Ageb5fix"), -1);
    EXPECT_FALSE(fs::exists(folder_.File("key1.ndx")));
    EXPECT_FALSE(FixIndexIsCurrent(FixTableId::Big5, folder_.Dir()));
}

TEST_F(FixTablesTest, TableFileNameIgnoresCase) {
    WriteTable("B5FIX.DAT", {"abc,xyz"});
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc"), "xyz");
    EXPECT_TRUE(fs::exists(folder_.File("key1.ndx")));
    // With several candidates the exact name is taken.
    WriteTable("b5fix.dat", {"abc,exact"}, Stamp + 1);
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc"), "exact");
}

// Big5 頭發, what the character tables make of 头发, and 頭髮, its correct form.
const std::string HairAsConverted = "\xC0\x59\xB5\x6F";
const std::string Hair = "\xC0\x59\xBE\x76";

TEST_F(FixTablesTest, DefaultTableIsWrittenIntoAFolderWithoutOne) {
    const std::string folder = folder_.File("new/settings") + "/";
    LoadFixTableWithDefault(FixTableId::Big5, folder);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(ReadFile(folder + "b5fix.dat"), ReadFile(TESSARIM_SOURCE_DIR "/data/b5fix.dat"));
    EXPECT_TRUE(FixIndexIsCurrent(FixTableId::Big5, folder));
    EXPECT_GT(FixTableEntryCount(FixTableId::Big5), 20000u);
    EXPECT_EQ(Apply(HairAsConverted), Hair);
    // The other table is written only when it is asked for.
    EXPECT_FALSE(fs::exists(folder + "gbfix.dat"));
    LoadFixTableWithDefault(FixTableId::Gbk, folder);
    EXPECT_EQ(ReadFile(folder + "gbfix.dat"), ReadFile(TESSARIM_SOURCE_DIR "/data/gbfix.dat"));
}

TEST_F(FixTablesTest, UsersOwnTableReplacesTheDefaultAndIsNeverOverwritten) {
    LoadFixTableWithDefault(FixTableId::Big5, folder_.Dir());
    ASSERT_EQ(Apply(HairAsConverted), Hair);
    // The user edits the table: from now on only the user's entries count.
    const std::string table = WriteTable("b5fix.dat", {"abc,xyz"}, Stamp + 20);
    const std::string edited = ReadFile(table);
    LoadFixTableWithDefault(FixTableId::Big5, folder_.Dir());
    EXPECT_EQ(ReadFile(table), edited);
    EXPECT_EQ(FixTableEntryCount(FixTableId::Big5), 1u);
    EXPECT_EQ(Apply(HairAsConverted + "abc"), HairAsConverted + "xyz");

    // A table under another letter case is the user's too.
    fs::remove(table);
    WriteTable("B5FIX.DAT", {"abc,uvw"}, Stamp + 30);
    EXPECT_TRUE(WriteDefaultFixTable(FixTableId::Big5, folder_.Dir()));
    EXPECT_FALSE(fs::exists(table));
    LoadFixTableWithDefault(FixTableId::Big5, folder_.Dir());
    EXPECT_EQ(Apply("abc"), "uvw");
    EXPECT_TRUE(messages_.empty());

    // One that cannot be read is not replaced: the user hears of it.
    fs::create_directory(folder_.File("gbfix.dat"));
    LoadFixTableWithDefault(FixTableId::Gbk, folder_.Dir());
    EXPECT_TRUE(fs::is_directory(folder_.File("gbfix.dat")));
    EXPECT_EQ(messages_, std::vector<std::string>{"Cannot open \"gbfix.dat\"."});
}

TEST_F(FixTablesTest, FolderThatCannotTakeTheDefaultLeavesTheBuiltInTableInUse) {
    WriteFile(folder_.File("plain"), "a file, not a folder");
    const std::string folder = folder_.File("plain") + "/";
    EXPECT_FALSE(WriteDefaultFixTable(FixTableId::Big5, folder));
    LoadFixTableWithDefault(FixTableId::Big5, folder);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(Apply(HairAsConverted), Hair);
}

TEST_F(FixTablesTest, QuotedKeysAreFoundBesideTheirUnquotedRelatives) {
    // "a b" and "z" sort with the quote apart from "abc": every key must still be
    // reachable from its first character.
    WriteTable("b5fix.dat", {"\"a b\",X", "\"z\",Z", "abc,Y", "\"say \"\"hi\"\"\",\"1,2\""});
    Load(FixTableId::Big5);
    EXPECT_EQ(Apply("abc a b z"), "Y X Z");
    EXPECT_EQ(Apply("say \"hi\"!"), "1,2!");
}

TEST_F(FixTablesTest, CorrectsTheResultOfATableConversion) {
    ASSERT_TRUE(LoadCodeTables());
    WriteTable("b5fix.dat", {Tai + Wan + "," + TaiT + Wan});
    Load(FixTableId::Big5);
    std::string text = "\xCC\xA8\xCD\xE5"; // GBK 台湾
    StreamConvert(text, GbToBig5);
    ApplyFixTable(text, GbToBig5);
    EXPECT_EQ(text, TaiT + Wan);
}

TEST(CommaText, SplitsLikeTheEditorWritesAndToleratesStrayQuotes) {
    using Fields = std::vector<std::string>;
    const std::vector<std::pair<std::string, Fields>> cases = {
        {"a,b", {"a", "b"}},
        {"  a  ,  b  ", {"a", "b"}},
        {"a b", {"a", "b"}},  // blanks separate too
        {"a\tb", {"a", "b"}}, // so do control bytes
        {"\"a b\",c", {"a b", "c"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"\",x", {"", "x"}},
        {"a,,b", {"a", "", "b"}},
        {",x", {"", "x"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},              // the empty field comes only from a final comma
        {"ab\"c,d", {"ab\"c", "d"}}, // a quote inside a bare field is kept
        {"\"ab\"cd,e", {"ab", "cd", "e"}},
        {"\"abc,d", {"abc,d"}}, // an open quote runs to the end of the line
        {"\"a\"\"b", {"a\"b"}},
        {"", {}},
        {"   ", {}},
        {"\xA5\x78\xC6\x57,\xBB\x4F\xC6\x57", {"\xA5\x78\xC6\x57", "\xBB\x4F\xC6\x57"}},
    };
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(SplitCommaText(line), fields) << line;
}

} // namespace
} // namespace tessarim
