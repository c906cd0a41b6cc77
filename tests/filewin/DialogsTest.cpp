// The file window's dialogs: the duplicate prompt closed without an answer
// leaves that file alone and asks again at the next, and the rename dialog's
// checks in their order.
#include "filewin/DupPrompt.h"
#include "filewin/FileCon.h"
#include "filewin/RenameDialog.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

class SilentSound : public Sound {
public:
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return false; }
};

// Answers each question through the prompt itself: by a button's name, or by
// closing the window ("").
class PromptUi : public RunUi {
public:
    std::vector<QString> clicks;
    int asked = 0;
    void ShowError(const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    OverwriteAnswer AskOverwrite(const std::string& path) override {
        const QString click = clicks.at(static_cast<std::size_t>(asked++));
        QTimer::singleShot(0, [click] {
            QWidget* prompt = QApplication::activeModalWidget();
            if (click.isEmpty())
                prompt->close();
            else
                prompt->findChild<QPushButton*>(click)->click();
        });
        return AskDuplicate(path, 0, nullptr);
    }
    void Status(const std::string&, const RunProgress&) override {}
    bool StopRequested() override { return false; }
};

TEST(DuplicatePrompt, ClosingItSkipsThatFileAndAsksAgainAtTheNext) {
    TempFolder src, dest;
    FileCon con{{.defaultFolder = src.Dir(), .defaultTarget = GBK, .defaultFace = FaceD}};
    con.Rules.ignore = MaskList(keys::Ignore.def);
    for (const char* name : {"a.txt", "b.txt"}) {
        WriteFile(src.File(name), "\xC4\xE3");
        WriteFile(dest.File(name), "old");
    }
    con.ShowSource(src.Dir());
    con.ChooseDest(dest.Dir());
    con.AddAll();
    PromptUi ui;
    ui.clicks = {"", "igButton1"};
    CoreConverter converter(con.Rules, nullptr);
    SilentSound sound;
    RunSettings settings;
    settings.msgFinished = false;
    RunBatch(con, settings, ui, converter, sound);
    EXPECT_EQ(ui.asked, 2);
    EXPECT_EQ(ReadFile(dest.File("a.txt")), "old");
    EXPECT_FALSE(fs::exists(dest.File("a-b5.txt")));
    EXPECT_EQ(ReadFile(dest.File("b.txt")), "\xA7\x41");
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{src.File("a.txt")}) << "left to convert";
}

TEST(RenameChecks, RunInOrderAndKeepTheDialogOpen) {
    TempFolder folder;
    WriteFile(folder.File("taken.txt"), "");
    const auto known = [](std::string_view extension) { return extension == ".txt"; };
    const auto check = [&](const std::string& oldName, const std::string& newName) {
        return CheckRename(folder.Dir(), oldName, newName, known).step;
    };
    EXPECT_EQ(check("a.txt", "a.txt"), RenameStep::Unchanged);
    EXPECT_EQ(check("a.txt", ""), RenameStep::Refused);
    EXPECT_EQ(check("a.txt", "x/y.txt"), RenameStep::Refused);
    EXPECT_EQ(check("a.txt", ".."), RenameStep::Refused);
    EXPECT_EQ(check("a.txt", "."), RenameStep::Refused);
    // Characters other systems forbid are ordinary here.
    EXPECT_EQ(check("a.txt", "a:b?\\<>|\".txt"), RenameStep::Rename);
    // An existing name is refused before the type question is asked.
    EXPECT_EQ(check("a.doc", "taken.txt"), RenameStep::Refused);
    EXPECT_EQ(check("a.txt", "b.TXT"), RenameStep::Rename) << "the same type in other letters";
    EXPECT_EQ(check("a.txt", "y.txt"), RenameStep::Rename);
    EXPECT_EQ(check("a.txt", "a.md"), RenameStep::AskType);
    EXPECT_EQ(check("a.zzz", "a.md"), RenameStep::Rename) << "no known type to lose";
    EXPECT_TRUE(IsRegisteredType(".txt"));
    EXPECT_FALSE(IsRegisteredType(".zzqqx"));
}

} // namespace
} // namespace tessarim
