// The file window on a real X server, started as "tessarim somefolder" and
// driven through AT-SPI (tests/xvfb/filewin_atspi.py) as a screen reader user
// would: the folder's files listed, the list emptied and filled again, the
// conversion run to its end, or stopped midway; names converted in place and a
// file renamed from the source list's menu (tests/xvfb/filewin_names_atspi.py).
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XSession.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// 你好，中文 in GBK and in Big5.
const std::string Gbk = test::FromHex("c4e3bac3a3acd6d0cec4");
const std::string Big5 = test::FromHex("a741a66ea141a4a4a4e5");

class FileWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<test::XSession> x;
    TempFolder home, runtime, src, dest;

    void SetUp() override {
        if (const std::string tool =
                test::MissingProgram({"Xvfb", "openbox", "dbus-run-session", "python3"});
            !tool.empty())
            GTEST_SKIP() << tool << " is not installed; the X11 tests need it";
        if (test::RunProcess("/usr/bin/python3", {"-c", "import pyatspi"}, "/").status != 0)
            GTEST_SKIP() << "python3-pyatspi is not installed";
        x = std::make_unique<test::XSession>();
        test::WriteFile(
            home.File("Tessarim.ini"),
            "[Data]\nLang=0\nSound=0\nMsgFinished=0\nCfmOverwrite=0\nDestDir=" + dest.Dir() + "\n");
    }
    test::ProcessResult Drive(const std::string& mode) {
        return RunScript("filewin_atspi.py", {mode});
    }
    test::ProcessResult RunScript(const std::string& script,
                                  const std::vector<std::string>& arguments) {
        fs::permissions(runtime.Path(), fs::perms::owner_all);
        std::vector<std::string> command = {"--", "/usr/bin/python3",
                                            TESSARIM_SOURCE_DIR "/tests/xvfb/" + script,
                                            TESSARIM_BINARY_DIR "/tessarim", src.Path().string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return test::RunProcess(
            "/usr/bin/dbus-run-session", command, src.Dir(),
            {"DISPLAY=" + x->Display(), "TESSARIM_HOME=" + home.Dir(), "TMPDIR=" + runtime.Dir(),
             "XDG_RUNTIME_DIR=" + runtime.Dir(), "QT_QPA_PLATFORM=xcb",
             "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "LANG=C.UTF-8", "LC_ALL=C.UTF-8",
             "LSAN_OPTIONS=suppressions=" TESSARIM_SOURCE_DIR "/tests/lsan.supp"},
            120);
    }
};

TEST_F(FileWindowTest, OpenedOnAFolderConvertsItsFilesIntoTheDestination) {
    for (const char* name : {"a.txt", "b.txt", "c.htm"})
        test::WriteFile(src.File(name), Gbk);
    const test::ProcessResult run = Drive("convert");
    ASSERT_EQ(run.status, 0) << run.errorOutput;
    for (const char* name : {"a.txt", "b.txt", "c.htm"})
        EXPECT_EQ(test::ReadFile(dest.File(name)), Big5) << name;
    EXPECT_EQ(test::ReadFile(src.File("a.txt")), Gbk) << "the source stays as it was";
}

TEST_F(FileWindowTest, StopEndsALongRunAfterTheFileInProgress) {
    // Fewer files than go to workers, so they convert one at a time, each with
    // its progress (the window's run on workers stops in FileConFormTest). 15
    // files of 20 MB of text rich in phrases: long enough to press Stop in the
    // middle, a conversion being fast.
    const std::string sample = test::ReadFile(TESSARIM_SOURCE_DIR "/samples/sample_gbk.txt");
    std::string text;
    while (text.size() < 20'000'000)
        text += sample;
    for (int i = 0; i < 15; ++i)
        test::WriteFile(src.File(std::to_string(100 + i).append(".txt")), text);
    // The whole conversion of one file, by the command line with the same tables.
    const std::string reference = runtime.File("whole.b5");
    ASSERT_EQ(test::RunProcess(TESSARIM_BINARY_DIR "/tessarim",
                               {"/i:gbk", "/o:big5", src.File("100.txt"), reference}, src.Dir(),
                               {"TESSARIM_HOME=" + home.Dir()})
                  .status,
              0);
    const std::string whole = test::ReadFile(reference);
    fs::remove(reference);
    const test::ProcessResult run = Drive("stop");
    ASSERT_EQ(run.status, 0) << run.errorOutput;
    int written = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dest.Path())) {
        ++written;
        // Every file there is whole: the one in progress was finished.
        EXPECT_TRUE(test::ReadFile(entry.path()) == whole) << entry.path();
    }
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 15) << "the run went on after Stop";
}

TEST_F(FileWindowTest, NamesConvertInPlaceAndAFileRenamesFromTheSourceMenu) {
    fs::create_directories(src.Path() / "头发");
    test::WriteFile(src.File("头发/发展.txt"), "inner");
    test::WriteFile(src.File("头发.txt"), "top");
    test::WriteFile(src.File("plain.txt"), "plain");
    const test::ProcessResult run =
        RunScript("filewin_names_atspi.py", {"頭髮.txt", "renamed.txt"});
    ASSERT_EQ(run.status, 0) << run.errorOutput;
    // The folder and the file in it renamed, contents untouched, nothing else
    // left behind or added.
    EXPECT_EQ(test::ReadFile(src.File("頭髮/發展.txt")), "inner");
    EXPECT_EQ(test::ReadFile(src.File("renamed.txt")), "top");
    EXPECT_EQ(test::ReadFile(src.File("plain.txt")), "plain");
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src.Path()))
        names.push_back(fs::relative(entry.path(), src.Path()).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"plain.txt", "renamed.txt", "頭髮", "頭髮/發展.txt"}));
}

} // namespace
} // namespace tessarim
