#include "engine/FileConvert.h"

#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

class FileConvertTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void TearDown() override { SetFileFaultHook(nullptr); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
};

// GBK text whose first block ends in the middle of a character: "A" shifts
// every "你" by one byte, so byte 1,023,999 is a lead byte.
std::string GbkAcrossBlocks(std::size_t bytes) {
    std::string text = "A";
    while (text.size() < bytes)
        text += "\xC4\xE3";
    return text;
}

std::string ConvertWhole(std::string text, Code from, Code to, Face face) {
    ConvertStream(text, from, to, face, false, to <= UTF8);
    return text;
}

TEST_F(FileConvertTest, EmptyFileGivesEmptyFileWithoutMark) {
    WriteFile(folder.File("in.txt"), "");
    ConvertFile(folder.File("in.txt"), folder.File("out.txt"), GBK, UTF8, FaceD, false, true);
    EXPECT_EQ(ReadFile(folder.File("out.txt")), "");
}

TEST_F(FileConvertTest, BlocksSplitNoCharacterOnEitherRoad) {
    const std::string gbk = GbkAcrossBlocks(2 * BlockSize + 1000);
    WriteFile(folder.File("in.txt"), gbk);
    ConvertFile(folder.File("in.txt"), folder.File("big5.txt"), GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder.File("big5.txt")), ConvertWhole(gbk, GBK, BIG5, FaceT));
    ConvertFile(folder.File("in.txt"), folder.File("utf8.txt"), GBK, UTF8, FaceD, false, true);
    EXPECT_EQ(ReadFile(folder.File("utf8.txt")), ConvertWhole(gbk, GBK, UTF8, FaceD));
}

TEST_F(FileConvertTest, MarkIsWrittenOnceAndTakenOffOnlyAtTheStart) {
    // A UTF-16LE file whose second block begins with the bytes FF FE (U+FEFF).
    std::u16string units = u"\uFEFF";
    while (units.size() < BlockSize / 2)
        units += u'你';
    units += u"\uFEFFend";
    std::string bytes(reinterpret_cast<const char*>(units.data()), 2 * units.size());
    WriteFile(folder.File("in.txt"), bytes);
    ConvertFile(folder.File("in.txt"), folder.File("out.txt"), ULE, UTF8, FaceD, false, true);
    const std::string out = ReadFile(folder.File("out.txt"));
    ASSERT_GE(out.size(), 9u);
    EXPECT_EQ(out.substr(0, 6), "\xEF\xBB\xBF\xE4\xBD\xA0");
    EXPECT_EQ(out.substr(out.size() - 6), "\xEF\xBB\xBF"
                                          "end");
    EXPECT_EQ(out.size(), 3 + 3 * (units.size() - 4) + 3);
}

TEST_F(FileConvertTest, CharacterOrReferenceAcrossTheBlockBoundaryStaysWhole) {
    // UTF-16LE: an emoji whose two halves fall into two blocks, then a reference
    // split the same way further on.
    std::u16string units(BlockSize / 2 - 1, u'a');
    units += u"\U0001F600";
    units += std::u16string(BlockSize / 2 - 4, u'b');
    units += u"&#20013;";
    std::string bytes(reinterpret_cast<const char*>(units.data()), 2 * units.size());
    WriteFile(folder.File("in.txt"), bytes);
    ConvertFile(folder.File("in.txt"), folder.File("out.txt"), ULE, UTF8, FaceD, false, false);
    const std::string out = ReadFile(folder.File("out.txt"));
    EXPECT_EQ(out.substr(BlockSize / 2 - 1, 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(out.substr(out.size() - 4), "b\xE4\xB8\xAD");
}

TEST_F(FileConvertTest, InPlaceUsesTheNextFreeTemporaryNameAndRemovesIt) {
    WriteFile(folder.File("~QX1.TMP"), "someone else's");
    WriteFile(folder.File("a.txt"), FromHex("ced2c3c7"));
    ConvertFile(folder.File("a.txt"), folder.File("a.txt"), GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder.File("a.txt")), FromHex("a7daadcc"));
    EXPECT_EQ(ReadFile(folder.File("~QX1.TMP")), "someone else's");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "~QX1.TMP"}));
}

TEST_F(FileConvertTest, SameFileThroughALinkOrAnotherSpellingIsInPlace) {
    WriteFile(folder.File("a.txt"), FromHex("ced2c3c7"));
    fs::create_symlink(folder.File("a.txt"), folder.File("link.txt"));
    ConvertFile(folder.File("link.txt"), folder.File("a.txt"), GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder.File("a.txt")), FromHex("a7daadcc"));
    EXPECT_TRUE(fs::is_symlink(folder.File("link.txt")));
    ConvertFile(folder.File("a.txt"), folder.Path().string() + "/./sub/../a.txt", BIG5, GBK, FaceS,
                false, false);
    EXPECT_EQ(ReadFile(folder.File("a.txt")), FromHex("ced2c3c7"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "link.txt"}));
}

TEST_F(FileConvertTest, InPlaceFailureAtAnyReadOrWriteRestoresTheFile) {
    const std::string original = GbkAcrossBlocks(2 * BlockSize + 5000);
    const std::string path = folder.File("a.txt");
    WriteFile(path, original);

    // A clean run tells how many reads and writes there are.
    std::uint64_t operations = 0;
    SetFileFaultHook([&](FileOperation, std::uint64_t) {
        ++operations;
        return false;
    });
    ConvertFile(path, path, GBK, BIG5, FaceT, false, false);
    const std::string converted = ReadFile(path);
    ASSERT_NE(converted, original);
    WriteFile(path, original);

    // Every operation of the block loop (the last six), and some of the copy before it.
    std::vector<std::uint64_t> failAt = {0, 1, operations / 3};
    for (std::uint64_t k = operations - 6; k < operations; ++k)
        failAt.push_back(k);
    for (const std::uint64_t n : failAt) {
        SetFileFaultHook([n](FileOperation, std::uint64_t index) { return index == n; });
        EXPECT_THROW(ConvertFile(path, path, GBK, BIG5, FaceT, false, false), ConvertError) << n;
        ASSERT_EQ(ReadFile(path), original) << "failure at operation " << n;
        EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"}) << n;
    }
}

TEST_F(FileConvertTest, FailureNeverTouchesAnExistingSeparateDestination) {
    WriteFile(folder.File("in.txt"), GbkAcrossBlocks(BlockSize + 10));
    WriteFile(folder.File("out.txt"), "keep me");
    fs::permissions(folder.File("out.txt"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    SetFileFaultHook([](FileOperation operation, std::uint64_t index) {
        return operation == FileOperation::Write && index > 1;
    });
    EXPECT_THROW(
        ConvertFile(folder.File("in.txt"), folder.File("out.txt"), GBK, BIG5, FaceT, false, false),
        ConvertError);
    EXPECT_EQ(ReadFile(folder.File("out.txt")), "keep me");
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.txt", "out.txt"}));

    // On success the old file is replaced and keeps its permissions.
    SetFileFaultHook(nullptr);
    ConvertFile(folder.File("in.txt"), folder.File("out.txt"), GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(fs::status(folder.File("out.txt")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

TEST_F(FileConvertTest, MissingSourceAndUncreatableDestinationAreReported) {
    try {
        ConvertFile(folder.File("missing.txt"), folder.File("out.txt"), GBK, BIG5, FaceT, false,
                    false);
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + (folder.File("missing.txt")));
    }
    WriteFile(folder.File("in.txt"), "x");
    EXPECT_THROW(ConvertFile(folder.File("in.txt"), folder.File("no/such/dir/out.txt"), GBK, BIG5,
                             FaceT, false, false),
                 ConvertError);
}

TEST_F(FileConvertTest, CopyKeepsTheDateAndFillsAFolderDestination) {
    WriteFile(folder.File("a.txt"), "abc");
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(folder.File("a.txt"), stamp);
    fs::create_directory(folder.File("sub"));
    CopyFileWithDate(folder.File("a.txt"), folder.File("sub"), false);
    EXPECT_EQ(ReadFile(folder.File("sub/a.txt")), "abc");
    EXPECT_EQ(fs::last_write_time(folder.File("sub/a.txt")), stamp);
    // A read-only destination is made writable first when asked.
    fs::permissions(folder.File("sub/a.txt"), fs::perms::owner_read);
    WriteFile(folder.File("a.txt"), "new");
    CopyFileWithDate(folder.File("a.txt"), folder.File("sub/a.txt"), true);
    EXPECT_EQ(ReadFile(folder.File("sub/a.txt")), "new");
}

} // namespace
} // namespace tessarim
