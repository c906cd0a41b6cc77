// The target dialog: which windows it offers, the keys history, and OK.
#include "tools/WinTitle.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/FakeTools.h"
#include "tools/WinTitleForm.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

const std::string iniPath = test::ToolsIniPath();

using Strings = std::vector<std::string>;

TEST(TargetRowsTest, OwnWindowsAndPanelsAreLeftOutTheRestSortedByTitle) {
    const std::vector<DesktopWindow> windows = {
        {1, "editor", "Gedit"},   {2, "Tessarim - KeySender", "x"},   {3, " \t", "Shell_TrayWnd"},
        {4, "", "XTerm"},         {5, "Browser", "Firefox"},          {6, "editor", "Gedit"},
        {7, "tessarim", "Other"}, {8, "Tessarim", "tessarim-desktop"}};
    const std::vector<TargetRow> rows = TargetRows(windows, 2);
    Strings titles;
    for (const TargetRow& row : rows)
        titles.push_back(row.title);
    // Same caption twice: both, each with its own id. Case decides nothing but the name.
    EXPECT_EQ(titles, (Strings{"  << 无标题 >>", "Browser", "editor", "editor", "tessarim"}));
    EXPECT_EQ(rows[2].id + rows[3].id, 7u);
    EXPECT_EQ(RowOf(rows, 5), 1);
    EXPECT_EQ(RowOf(rows, 2), -1);
    EXPECT_EQ(TotalText(rows.size()), "Total: 5 windows");
}

TEST(KeysHistoryTest, NewestFirstWithoutRepeatsAtMostTen) {
    Strings history{"[ENTER]"};
    history = AddToKeysHistory(history, "[ENTER]");
    EXPECT_EQ(history, Strings{"[ENTER]"});
    history = AddToKeysHistory(history, "[TAB]");
    history = AddToKeysHistory(history, "[ENTER]"); // an older entry moves up
    EXPECT_EQ(history, (Strings{"[ENTER]", "[TAB]"}));
    for (int i = 0; i < 11; ++i)
        history = AddToKeysHistory(history, std::to_string(100 + i));
    ASSERT_EQ(history.size(), 10u);
    EXPECT_EQ(history.front(), "110");
    EXPECT_EQ(history.back(), "101");
}

TEST(KeysHistoryTest, StoredHistoryIsReadAsWritten) {
    test::WriteFile(iniPath, "");
    EXPECT_EQ(LoadKeysHistory(IniFile(iniPath)), Strings{"[ENTER]"}); // never saved
    test::WriteFile(iniPath, "[SendKeysAfrMsg]\nCount=0\n");
    EXPECT_TRUE(LoadKeysHistory(IniFile(iniPath)).empty());
    test::WriteFile(iniPath, "[SendKeysAfrMsg]\nCount=2\nKey1=[TAB]\nKey3=x\n");
    EXPECT_EQ(LoadKeysHistory(IniFile(iniPath)), (Strings{"[TAB]", ""}));
    IniFile ini(iniPath);
    SaveKeysHistory(ini, {"a", "[ENTER]b"});
    EXPECT_EQ(LoadKeysHistory(ini), (Strings{"a", "[ENTER]b"}));
}

class TargetDialogTest : public ::testing::Test {
protected:
    test::FakeWindows windows;
    SendKeyState state;
    void SetUp() override { test::WriteFile(iniPath, ""); }
};

TEST_F(TargetDialogTest, OkNeedsAChosenWindowAndPlainKeys) {
    TFormEnumWin empty(state, windows, 0, 0);
    EXPECT_FALSE(empty.OkButton()->isEnabled()) << "an empty list has nothing to choose";

    windows.windows = {{41, "Notes", "Notes"}, {42, "Chat", "Chat"}};
    state.TargetWindow = 41;
    TFormEnumWin dialog(state, windows, 1, 136);
    ASSERT_TRUE(dialog.OkButton()->isEnabled()) << "the current target is chosen";
    EXPECT_EQ(dialog.Grid()->currentRow(), 1);
    EXPECT_EQ(dialog.KeysField()->currentText(), "[ENTER]");

    test::CapturedMessages messages;
    dialog.KeysField()->setCurrentText(QString::fromUtf8("[TAB]你"));
    dialog.OkClick();
    EXPECT_EQ(messages.texts(), "不得鍵入中文字符！");
    EXPECT_EQ(dialog.result(), 0) << "stays open for the correction";
    EXPECT_EQ(state.KeysAfterText, "");

    dialog.Grid()->selectRow(0);
    dialog.KeysField()->setCurrentText("x[tab]");
    dialog.OkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(state.TargetWindow, 42u);
    EXPECT_EQ(state.KeysAfterText, "x\t");
    EXPECT_EQ(LoadKeysHistory(IniFile(iniPath)), (Strings{"x[tab]", "[ENTER]"}));
}

} // namespace
} // namespace tessarim
