#include "engine/FileConvert.h"

#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/Detect.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using test::ReadFile;
using test::WriteFile;
using Names = std::vector<std::string>;

class FileConvertTest : public ::testing::Test {
protected:
    void TearDown() override { SetFileFaultHook(nullptr); }

    std::string P(const std::string& name) const { return folder.File(name); }
    void Convert(const std::string& in, const std::string& out, Code from, Code to,
                 Face face) const {
        ConvertFile(P(in), P(out), {from, to, face, false, true}, nullptr);
    }
    Names Listed() const { return test::FolderNames(folder.Path()); }

    test::TempFolder folder;
};

// GBK text whose blocks end in the middle of a character: "A" shifts every "你"
// by one byte, so byte 1,023,999 is a lead byte.
std::string GbkAcrossBlocks(std::size_t bytes) {
    std::string text = "A";
    while (text.size() < bytes)
        text += "\xC4\xE3";
    return text;
}

TEST_F(FileConvertTest, InPlaceThroughTheNextFreeTemporaryNameALinkOrAnotherSpelling) {
    WriteFile(P("~QX1.TMP"), "someone else's");
    WriteFile(P("a.txt"), FromHex("ced2c3c7"));
    Convert("a.txt", "a.txt", GBK, BIG5, FaceT);
    EXPECT_EQ(ReadFile(P("a.txt")), FromHex("a7daadcc"));
    EXPECT_EQ(ReadFile(P("~QX1.TMP")), "someone else's");
    fs::remove(P("~QX1.TMP"));
    fs::create_symlink(P("a.txt"), P("link.txt"));
    Convert("link.txt", "a.txt", BIG5, GBK, FaceS);
    EXPECT_EQ(ReadFile(P("a.txt")), FromHex("ced2c3c7"));
    EXPECT_TRUE(fs::is_symlink(P("link.txt")));
    Convert("a.txt", "./sub/../a.txt", GBK, BIG5, FaceT);
    EXPECT_EQ(ReadFile(P("a.txt")), FromHex("a7daadcc"));
    EXPECT_EQ(Listed(), (Names{"a.txt", "link.txt"}));
}

// What block boundaries hold back is checked by the file-blocks fuzz target with
// small blocks; here a file of three blocks whose boundaries split characters
// converts as one text does.
TEST_F(FileConvertTest, InPlaceFailureAtAnyReadOrWriteRestoresTheFile) {
    const std::string original = GbkAcrossBlocks(2 * BlockSize + 5000);
    WriteFile(P("a.txt"), original);
    // A clean run tells how many reads and writes there are.
    std::uint64_t operations = 0;
    SetFileFaultHook([&](FileOperation operation, std::uint64_t) {
        operations += operation != FileOperation::Mark;
        return false;
    });
    Convert("a.txt", "a.txt", GBK, BIG5, FaceT);
    std::string whole = original;
    ConvertStream(whole, {GBK, BIG5, FaceT, false, true});
    ASSERT_TRUE(ReadFile(P("a.txt")) == whole);
    WriteFile(P("a.txt"), original);
    // Every operation of the block loop (the last six), and some of the copy before it.
    for (const std::uint64_t n :
         {std::uint64_t{0}, std::uint64_t{1}, operations / 3, operations - 6, operations - 5,
          operations - 4, operations - 3, operations - 2, operations - 1}) {
        SetFileFaultHook(
            [n, index = std::uint64_t{0}](FileOperation operation, std::uint64_t) mutable {
                return operation != FileOperation::Mark && index++ == n;
            });
        EXPECT_THROW(Convert("a.txt", "a.txt", GBK, BIG5, FaceT), ConvertError) << n;
        ASSERT_EQ(ReadFile(P("a.txt")), original) << "failure at operation " << n;
        EXPECT_EQ(Listed(), Names{"a.txt"}) << n;
    }
}

TEST_F(FileConvertTest, FailureNeverTouchesAnExistingSeparateDestination) {
    WriteFile(P("in.txt"), GbkAcrossBlocks(BlockSize + 10));
    WriteFile(P("out.txt"), "keep me");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(P("out.txt"), perms);
    SetFileFaultHook([](FileOperation operation, std::uint64_t index) {
        return operation == FileOperation::Write && index > 1;
    });
    EXPECT_THROW(Convert("in.txt", "out.txt", GBK, BIG5, FaceT), ConvertError);
    EXPECT_EQ(ReadFile(P("out.txt")), "keep me");
    EXPECT_EQ(Listed(), (Names{"in.txt", "out.txt"}));
    // On success the old file is replaced and keeps its permissions.
    SetFileFaultHook(nullptr);
    Convert("in.txt", "out.txt", GBK, BIG5, FaceT);
    EXPECT_EQ(fs::status(P("out.txt")).permissions(), perms);
    EXPECT_EQ(Listed(), (Names{"in.txt", "out.txt"}));
}

// A destination of several blocks holds exactly what the text converts to,
// whether that is shorter or longer than the source, new or replacing a file.
TEST_F(FileConvertTest, LargeDestinationIsAsLongAsItsConvertedText) {
    const std::string gbk = GbkAcrossBlocks(2 * BlockSize + 5000);
    std::string utf8 = gbk;
    ConvertStream(utf8, {GBK, UTF8, FaceD, false, true});
    ASSERT_GT(utf8.size(), gbk.size());
    WriteFile(P("gbk.txt"), gbk);
    WriteFile(P("utf8.txt"), utf8);
    WriteFile(P("old.txt"), std::string(3 * BlockSize, 'x'));
    for (const char* out : {"new.txt", "old.txt"}) {
        Convert("utf8.txt", out, UTF8, GBK, FaceD);
        EXPECT_TRUE(ReadFile(P(out)) == gbk) << out << ": " << fs::file_size(P(out));
        Convert("gbk.txt", out, GBK, UTF8, FaceD);
        EXPECT_TRUE(ReadFile(P(out)) == utf8) << out << ": " << fs::file_size(P(out));
    }
}

// A lead byte the file ends on has no trail byte: the table road leaves it
// out, as the block rules say, and counts it so that the user can be told;
// the bytes a block hands on to the next are not counted. The code-page road
// writes such a byte as "?" and counts it as a replaced character instead.
TEST_F(FileConvertTest, AnUnfinishedLastCharacterIsLeftOutAndCounted) {
    const std::string gbk = GbkAcrossBlocks(BlockSize + 10);
    WriteFile(P("cut.txt"), gbk + "\xC4");
    std::string big5 = gbk;
    ConvertStream(big5, {GBK, BIG5, FaceT, false, true});
    const struct {
        Face face;
        std::uint64_t leftOut, replaced;
        std::string tail;
    } roads[] = {{FaceT, 1, 0, ""}, {FaceD, 0, 1, "?"}};
    for (const auto& road : roads) {
        std::uint64_t leftOut = 0;
        std::uint64_t replaced = 0;
        ConvertOptions options{GBK, BIG5, road.face, false, true};
        options.leftOut = &leftOut;
        options.replaced = &replaced;
        ConvertFile(P("cut.txt"), P("cut.b5"), options, nullptr);
        EXPECT_EQ(leftOut, road.leftOut);
        EXPECT_EQ(replaced, road.replaced);
        EXPECT_TRUE(ReadFile(P("cut.b5")) == big5 + road.tail) << fs::file_size(P("cut.b5"));
        fs::remove(P("cut.b5"));
    }
    // Half a UTF-16 unit at the end, read or copied as it stands.
    WriteFile(P("odd.u16"), std::string("\xFF\xFE"
                                        "a\0b\0c",
                                        7));
    const struct {
        Code target;
        std::uint64_t leftOut;
        std::string written;
    } odd[] = {{UTF8, 1, "ab"},
               {ULE, 0,
                std::string("\xFF\xFE"
                            "a\0b\0c",
                            7)}};
    for (const auto& road : odd) {
        std::uint64_t leftOut = 0;
        ConvertOptions options{ULE, road.target, FaceD};
        options.decodeReferences = false;
        options.leftOut = &leftOut;
        ConvertFile(P("odd.u16"), P("odd.out"), options, nullptr);
        EXPECT_EQ(leftOut, road.leftOut) << static_cast<int>(road.target);
        EXPECT_EQ(ReadFile(P("odd.out")), road.written) << static_cast<int>(road.target);
        fs::remove(P("odd.out"));
    }
}

// A new destination is written unseen and named when complete: a file that
// appears under its name meanwhile (a link planted by someone else) is left as
// it is, and a failure leaves nothing behind.
TEST_F(FileConvertTest, NewDestinationTakesOnlyAFreeName) {
    WriteFile(P("in.txt"), GbkAcrossBlocks(BlockSize + 10));
    SetFileFaultHook([&](FileOperation operation, std::uint64_t) {
        if (operation == FileOperation::Write && !fs::exists(P("out.txt")))
            WriteFile(P("out.txt"), "planted");
        return false;
    });
    EXPECT_THROW(Convert("in.txt", "out.txt", GBK, BIG5, FaceT), ConvertError);
    EXPECT_EQ(ReadFile(P("out.txt")), "planted");
    EXPECT_EQ(Listed(), (Names{"in.txt", "out.txt"}));
    SetFileFaultHook([](FileOperation operation, std::uint64_t index) {
        return operation == FileOperation::Write && index > 1;
    });
    EXPECT_THROW(Convert("in.txt", "new.txt", GBK, BIG5, FaceT), ConvertError);
    EXPECT_EQ(Listed(), (Names{"in.txt", "out.txt"}));
}

// A name a listing found free is not looked up again; taken by the time the
// new file is named, it is dealt with as a destination that was there: a file
// is replaced and keeps its mode, an own link is written through.
TEST_F(FileConvertTest, AFreeNameTakenMeanwhileIsTreatedAsThere) {
    WriteFile(P("in.txt"), "\xC4\xE3");
    const ConvertOptions options{GBK, BIG5, FaceT};
    ConvertFile(P("in.txt"), P("new.txt"), options, nullptr, true);
    EXPECT_EQ(ReadFile(P("new.txt")), "\xA7\x41");

    WriteFile(P("out.txt"), "old");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(P("out.txt"), perms);
    ConvertFile(P("in.txt"), P("out.txt"), options, nullptr, true);
    EXPECT_EQ(ReadFile(P("out.txt")), "\xA7\x41");
    EXPECT_EQ(fs::status(P("out.txt")).permissions(), perms);

    fs::create_symlink(P("target.txt"), P("link.txt"));
    WriteFile(P("target.txt"), "old");
    ConvertFile(P("in.txt"), P("link.txt"), options, nullptr, true);
    EXPECT_TRUE(fs::is_symlink(P("link.txt")));
    EXPECT_EQ(ReadFile(P("target.txt")), "\xA7\x41");
    EXPECT_EQ(Listed(), (Names{"in.txt", "link.txt", "new.txt", "out.txt", "target.txt"}));
}

// A source its caller opened to look at is read from that descriptor: a file
// put under its name meanwhile is not the one converted. A free name taken
// meanwhile is still dealt with as one that was there.
TEST_F(FileConvertTest, AnOpenSourceIsReadFromItsDescriptor) {
    WriteFile(P("in.txt"), "\xC4\xE3");
    const int fd = ::open(P("in.txt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(fd, &status), 0);
    WriteFile(P("other.txt"), "\xB5\xC4");
    fs::rename(P("other.txt"), P("in.txt"));
    const ConvertOptions options{GBK, BIG5, FaceT};
    ConvertFile(fd, status, P("in.txt"), P("new.txt"), options, nullptr, true);
    EXPECT_EQ(ReadFile(P("new.txt")), "\xA7\x41");
    ::close(fd);

    WriteFile(P("out.txt"), "old");
    const int again = ::open(P("in.txt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::fstat(again, &status), 0);
    ConvertFile(again, status, P("in.txt"), P("out.txt"), options, nullptr, true);
    EXPECT_EQ(ReadFile(P("out.txt")), "\xAA\xBA");
    ::close(again);
    EXPECT_EQ(Listed(), (Names{"in.txt", "new.txt", "out.txt"}));
}

// A copy keeps the date, goes into a folder destination under the source's name
// and makes a read-only destination writable first when asked.
TEST_F(FileConvertTest, CopyKeepsTheDateAndFillsAFolderDestination) {
    WriteFile(P("a.txt"), "abc");
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(P("a.txt"), stamp);
    fs::create_directory(P("sub"));
    CopyFileWithDate(P("a.txt"), P("sub"), false);
    EXPECT_EQ(fs::last_write_time(P("sub/a.txt")), stamp);
    fs::permissions(P("sub/a.txt"), fs::perms::owner_read);
    WriteFile(P("a.txt"), "new");
    CopyFileWithDate(P("a.txt"), P("sub/a.txt"), true);
    EXPECT_EQ(ReadFile(P("sub/a.txt")), "new");
}

// The command line passes FIFOs over; here the routines under it. A writer stands
// by, so code that opens the FIFO reads from it instead of refusing, and the test
// fails rather than hangs.
TEST_F(FileConvertTest, FifoIsRefusedWithoutBeingOpened) {
    const std::string fifo = P("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (; !done; std::this_thread::sleep_for(std::chrono::milliseconds(1)))
            if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd); // succeeds only while a reader has it open
    });
    EXPECT_THROW(Convert("fifo.txt", "out.txt", GBK, BIG5, FaceT), ConvertError);
    EXPECT_THROW(Convert("fifo.txt", "fifo.txt", GBK, BIG5, FaceT), ConvertError);
    EXPECT_THROW(DetectFile(fifo), ConvertError);
    done = true;
    writer.join();
    EXPECT_EQ(Listed(), Names{"fifo.txt"});
}

} // namespace
} // namespace tessarim
