#include "platform/ShellLinks.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace tessarim {
namespace {

bool Eventually(const std::function<bool()>& condition) {
    for (int tries = 0; tries < 250; ++tries) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The launcher's own reading of an entry is the judge: GLib's (gio launch)
// starts the program the entry names, and desktop-file-validate checks it.
// GLib looks for the program before it reads "%%" as "%", so a "%" in the
// path is left to the validator, which refuses a lone "%".
TEST(ShellLinks, AnEntryStartsTheProgramWhateverItsPathHolds) {
    for (const char* tool : {"/usr/bin/desktop-file-validate", "/usr/bin/gio"})
        if (!std::filesystem::exists(tool)) GTEST_SKIP() << tool << " is not installed";
    test::TempFolder place;
    const std::string folder = place.File("My Programs/\"best\" $HOME `x` back\\slash");
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/tessarim it";
    const std::string record = place.File("ran");
    test::WriteFile(program, "#!/bin/sh\nprintf '%s|' \"$0\" \"$PWD\" \"$@\" > '" + record + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const ShortcutTarget target{program, folder, "Tessarim Chinese GB <> Big5 Converter"};

    const std::pair<ShortcutPlace, std::string> places[] = {
        {ShortcutPlace::Desktop, place.File("Desktop/Tessarim.desktop")},
        {ShortcutPlace::SendTo, place.File("applications/tessarim-open-with.desktop")}};
    for (const auto& [where, path] : places) {
        ASSERT_TRUE(WriteShortcut(path, DesktopEntry(target, where), true));
        const test::ProcessResult valid =
            test::RunProcess("/usr/bin/desktop-file-validate", {path}, place.Dir());
        EXPECT_EQ(valid.status, 0) << valid.errorOutput << test::ReadFile(path);
        std::filesystem::remove(record);
        std::vector<std::string> args{"launch", path};
        if (where == ShortcutPlace::SendTo) args.push_back(place.File("a b.txt"));
        const test::ProcessResult launched =
            test::RunProcess("/usr/bin/gio", args, place.Dir(), {}, 20);
        EXPECT_EQ(launched.status, 0) << launched.errorOutput;
        ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(record); }));
        std::string expected = program + "|" + folder + "|";
        if (where == ShortcutPlace::SendTo) expected += place.File("a b.txt") + "|";
        EXPECT_TRUE(Eventually([&] { return test::ReadFile(record) == expected; }))
            << test::ReadFile(record);
    }
    const std::string percent = place.File("50% off/tessarim");
    const std::string entry = place.File("percent.desktop");
    ASSERT_TRUE(
        WriteShortcut(entry, DesktopEntry({percent, "/", "x"}, ShortcutPlace::StartMenu), false));
    const test::ProcessResult valid =
        test::RunProcess("/usr/bin/desktop-file-validate", {entry}, place.Dir());
    EXPECT_EQ(valid.status, 0) << valid.errorOutput << test::ReadFile(entry);
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(place.File("Desktop")),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ShellLinks, AFolderThatCannotBeMadeOrAFolderInTheWayIsAFailureThatLeavesNothing) {
    test::TempFolder place;
    test::WriteFile(place.File("file"), "");
    EXPECT_FALSE(WriteShortcut(place.File("file/sub/Tessarim.desktop"), "x", false));
    std::filesystem::create_directory(place.File("Tessarim.desktop"));
    EXPECT_FALSE(WriteShortcut(place.File("Tessarim.desktop"), "new", false));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(place.Path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left behind";
}

} // namespace
} // namespace tessarim
