#include "core/FileJob.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// What a batch counts and shows for each file; the command line's runs check
// the same steps end to end.
TEST(FileJob, EachFileEndsConvertedSkippedWithItsReasonOrFailedWithItsKind) {
    test::TempFolder folder;
    const auto path = [&](const char* name) { return folder.File(name); };
    WriteFile(path("a.htm"), "<meta charset=gb2312>\xD6\xD0");
    WriteFile(path(".hidden"), "x");
    WriteFile(path("setup.EXE"), "x");
    WriteFile(path("old.doc"), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 rest");
    FileRules rules;
    rules.ignore = MaskList("*.exe");
    rules.htmlTypes = MaskList("*.htm");
    const FileRequest toBig5{Undetermined, BIG5, FaceT};

    const FileResult done =
        ConvertOneFile(path("a.htm"), path("out/a.htm"), toBig5, rules, nullptr);
    EXPECT_EQ(done.outcome, FileOutcome::Converted);
    EXPECT_EQ(ReadFile(path("out/a.htm")), "<meta charset=big5>\xA4\xA4");

    const std::pair<const char*, SkipReason> skipped[] = {{".hidden", SkipReason::Hidden},
                                                          {"setup.EXE", SkipReason::Ignored},
                                                          {"old.doc", SkipReason::Compound},
                                                          {"out", SkipReason::NotRegular}};
    for (const auto& [name, reason] : skipped) {
        const FileResult result = ConvertOneFile(path(name), path("x"), toBig5, rules, nullptr);
        EXPECT_EQ(result.outcome, FileOutcome::Skipped) << name;
        EXPECT_EQ(result.skipped, reason) << name;
    }
    EXPECT_FALSE(fs::exists(path("x")));

    fs::permissions(path("out/a.htm"), fs::perms::all, fs::perm_options::remove);
    const std::pair<const char*, FailureKind> failed[] = {
        {"out/a.htm", FailureKind::ReadOnlyTarget},
        {"out", FailureKind::InvalidOutputName},
        {"a.htm/b", FailureKind::FolderNotCreated}};
    for (const auto& [name, kind] : failed) {
        const FileResult result = ConvertOneFile(path("a.htm"), path(name), toBig5, rules, nullptr);
        EXPECT_EQ(result.failure, kind) << name;
        EXPECT_EQ(result.path, path(name));
    }
    const FileResult faulty =
        ConvertOneFile(path("a.htm"), path("y"), toBig5, {MaskList("[x"), {}, true}, nullptr);
    EXPECT_EQ(faulty.failure, FailureKind::Conversion);
    EXPECT_EQ(faulty.message, "Error");
}

} // namespace
} // namespace tessarim
