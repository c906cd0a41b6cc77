// A file larger than 4 GiB through the built program: sizes and positions are
// 64-bit all the way. Release builds only (the sanitizer build would take
// minutes), and only where the disk has room for the output.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

constexpr std::uintmax_t HugeSize = 4608ull * 1024 * 1024; // 4.5 GiB

std::string ReadAt(const std::string& path, std::uintmax_t offset, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void WriteAt(const std::string& path, std::uintmax_t offset, const std::string& bytes) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(HugeFile, ConvertsPastFourGibibytes) {
#ifndef NDEBUG
    GTEST_SKIP() << "runs in the Release build only";
#endif
    test::TempFolder work;
    const fs::space_info space = fs::space(work.Path());
    if (space.available < HugeSize + 2ull * 1024 * 1024 * 1024)
        GTEST_SKIP() << "needs 6.5 GiB free on " << work.Path() << ", "
                     << space.available / (1024 * 1024) << " MiB available";

    // A sparse file: zeros, with GBK "我们" at the start, past the 4 GiB mark
    // split over a block boundary (blocks are 1,024,000 bytes), and at the end.
    const std::string source = work.File("huge.txt");
    test::WriteFile(source, "");
    fs::resize_file(source, HugeSize);
    const std::string gbk = test::FromHex("ced2c3c7"), big5 = test::FromHex("a7daadcc");
    const std::uintmax_t mark = 4195ull * 1024000 - 1;
    WriteAt(source, 0, gbk);
    WriteAt(source, mark, gbk);
    WriteAt(source, HugeSize - 4, gbk);

    fs::create_directory(work.File("home"));
    test::WriteFile(work.File("home/b5fix.dat"), "layout\r\nfind,replace\r\n");
    const auto result = test::RunProcess(TESSARIM_BINARY_DIR "/tessarim",
                                         {"/i:gbk", "/o:big5", "huge.txt", "huge.b5"}, work.Dir(),
                                         {"TESSARIM_HOME=" + work.File("home")});
    ASSERT_EQ(result.status, 0) << result.errorOutput;
    const std::string output = work.File("huge.b5");
    EXPECT_EQ(fs::file_size(output), HugeSize);
    EXPECT_EQ(ReadAt(output, 0, 4), big5);
    EXPECT_EQ(ReadAt(output, mark - 1, 6), std::string(1, '\0') + big5 + std::string(1, '\0'));
    EXPECT_EQ(ReadAt(output, HugeSize - 4, 4), big5);
}

} // namespace
} // namespace tessarim
