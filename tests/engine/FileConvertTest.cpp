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
        for (const auto& entry : fs::directory_iterator(folder.path()))
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
    WriteFile(folder / "in.txt", "");
    ConvertFile(folder / "in.txt", folder / "out.txt", GBK, UTF8, FaceD, false, true);
    EXPECT_EQ(ReadFile(folder / "out.txt"), "");
}

TEST_F(FileConvertTest, BlocksSplitNoCharacterOnEitherRoad) {
    const std::string gbk = GbkAcrossBlocks(2 * BlockSize + 1000);
    WriteFile(folder / "in.txt", gbk);
    ConvertFile(folder / "in.txt", folder / "big5.txt", GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder / "big5.txt"), ConvertWhole(gbk, GBK, BIG5, FaceT));
    ConvertFile(folder / "in.txt", folder / "utf8.txt", GBK, UTF8, FaceD, false, true);
    EXPECT_EQ(ReadFile(folder / "utf8.txt"), ConvertWhole(gbk, GBK, UTF8, FaceD));
}

TEST_F(FileConvertTest, MarkIsWrittenOnceAndTakenOffOnlyAtTheStart) {
    // A UTF-16LE file whose second block begins with the bytes FF FE (U+FEFF).
    std::u16string units = u"\uFEFF";
    while (units.size() < BlockSize / 2)
        units += u'你';
    units += u"\uFEFFend";
    std::string bytes(reinterpret_cast<const char*>(units.data()), 2 * units.size());
    WriteFile(folder / "in.txt", bytes);
    ConvertFile(folder / "in.txt", folder / "out.txt", ULE, UTF8, FaceD, false, true);
    const std::string out = ReadFile(folder / "out.txt");
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
    WriteFile(folder / "in.txt", bytes);
    ConvertFile(folder / "in.txt", folder / "out.txt", ULE, UTF8, FaceD, false, false);
    const std::string out = ReadFile(folder / "out.txt");
    EXPECT_EQ(out.substr(BlockSize / 2 - 1, 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(out.substr(out.size() - 4), "b\xE4\xB8\xAD");
}

TEST_F(FileConvertTest, InPlaceUsesTheNextFreeTemporaryNameAndRemovesIt) {
    WriteFile(folder / "~QX1.TMP", "someone else's");
    WriteFile(folder / "a.txt", FromHex("ced2c3c7"));
    ConvertFile(folder / "a.txt", folder / "a.txt", GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder / "a.txt"), FromHex("a7daadcc"));
    EXPECT_EQ(ReadFile(folder / "~QX1.TMP"), "someone else's");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "~QX1.TMP"}));
}

TEST_F(FileConvertTest, SameFileThroughALinkOrAnotherSpellingIsInPlace) {
    WriteFile(folder / "a.txt", FromHex("ced2c3c7"));
    fs::create_symlink(folder / "a.txt", folder / "link.txt");
    ConvertFile(folder / "link.txt", folder / "a.txt", GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ReadFile(folder / "a.txt"), FromHex("a7daadcc"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    ConvertFile(folder / "a.txt", folder.path().string() + "/./sub/../a.txt", BIG5, GBK, FaceS,
                false, false);
    EXPECT_EQ(ReadFile(folder / "a.txt"), FromHex("ced2c3c7"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "link.txt"}));
}

TEST_F(FileConvertTest, InPlaceFailureAtAnyReadOrWriteRestoresTheFile) {
    const std::string original = GbkAcrossBlocks(2 * BlockSize + 5000);
    const std::string path = folder / "a.txt";
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
    WriteFile(folder / "in.txt", GbkAcrossBlocks(BlockSize + 10));
    WriteFile(folder / "out.txt", "keep me");
    fs::permissions(folder / "out.txt",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    SetFileFaultHook([](FileOperation operation, std::uint64_t index) {
        return operation == FileOperation::Write && index > 1;
    });
    EXPECT_THROW(ConvertFile(folder / "in.txt", folder / "out.txt", GBK, BIG5, FaceT, false, false),
                 ConvertError);
    EXPECT_EQ(ReadFile(folder / "out.txt"), "keep me");
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.txt", "out.txt"}));

    // On success the old file is replaced and keeps its permissions.
    SetFileFaultHook(nullptr);
    ConvertFile(folder / "in.txt", folder / "out.txt", GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(fs::status(folder / "out.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

TEST_F(FileConvertTest, MissingSourceAndUncreatableDestinationAreReported) {
    try {
        ConvertFile(folder / "missing.txt", folder / "out.txt", GBK, BIG5, FaceT, false, false);
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + (folder / "missing.txt"));
    }
    WriteFile(folder / "in.txt", "x");
    EXPECT_THROW(ConvertFile(folder / "in.txt", folder / "no/such/dir/out.txt", GBK, BIG5, FaceT,
                             false, false),
                 ConvertError);
}

TEST_F(FileConvertTest, CopyKeepsTheDateAndFillsAFolderDestination) {
    WriteFile(folder / "a.txt", "abc");
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(folder / "a.txt", stamp);
    fs::create_directory(folder / "sub");
    CopyFileWithDate(folder / "a.txt", folder / "sub", false);
    EXPECT_EQ(ReadFile(folder / "sub/a.txt"), "abc");
    EXPECT_EQ(fs::last_write_time(folder / "sub/a.txt"), stamp);
    // A read-only destination is made writable first when asked.
    fs::permissions(folder / "sub/a.txt", fs::perms::owner_read);
    WriteFile(folder / "a.txt", "new");
    CopyFileWithDate(folder / "a.txt", folder / "sub/a.txt", true);
    EXPECT_EQ(ReadFile(folder / "sub/a.txt"), "new");
}

} // namespace
} // namespace tessarim
