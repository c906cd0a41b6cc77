#include "tools/B5fix.h"

#include "engine/CodePages.h"
#include "engine/FixTableFile.h"
#include "engine/FixTableIndex.h"
#include "platform/Help.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"
#include "tools/FixTableFiles.h"

#include <QLineEdit>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace tessarim {
namespace {

std::string Big5(std::u16string_view text) {
    return WideToAnsi(text, 950);
}

std::vector<std::string> Keys(const FixTableEditor& editor) {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < editor.RowCount(); ++i)
        keys.push_back(editor.Row(i).key);
    return keys;
}

TEST(FixTableEditor, AddRefusesEmptyAndDuplicateKeysAndDeleteSelectsTheRowAbove) {
    FixTableEditor editor(FixTableMode::ToBig5);
    editor.Load({{"AB", "x"}, {"CD", "y"}});
    EXPECT_EQ(editor.Add(u"", u"z").kind, FixTableEditor::Outcome::EmptyKey);
    const auto duplicate = editor.Add(u"CD", u"z");
    EXPECT_EQ(duplicate.kind, FixTableEditor::Outcome::Duplicate);
    EXPECT_EQ(duplicate.row, 2u);
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(editor.Add(u"ABC", u"").kind, FixTableEditor::Outcome::Done) << "a longer key";
    EXPECT_EQ(Keys(editor), (std::vector<std::string>{"ABC", "AB", "CD"})) << "added on top";
    EXPECT_TRUE(editor.Modified());

    EXPECT_EQ(editor.Delete(2), 1u) << "the row above the deleted one";
    EXPECT_EQ(editor.Delete(0), 0u);
    EXPECT_EQ(Keys(editor), std::vector<std::string>{"AB"});
    editor.Delete(0);
    EXPECT_EQ(editor.RecordCount(), 0u);
}

TEST(FixTableEditor, ACharacterTheTablesCodeLacksIsRefusedByName) {
    FixTableEditor big5(FixTableMode::ToBig5);
    const auto missing = big5.Add(u"我们", u"x");
    EXPECT_EQ(missing.kind, FixTableEditor::Outcome::Unencodable);
    EXPECT_EQ(missing.character, u"们");
    EXPECT_EQ(big5.Search(u"们", SearchColumn::All).character, u"们");
    EXPECT_EQ(big5.Add(u"?", u"？").kind, FixTableEditor::Outcome::Done) << "a real question mark";
    FixTableEditor gbk(FixTableMode::ToGbk);
    const auto emoji = gbk.Add(u"笑", u"笑😀");
    EXPECT_EQ(emoji.kind, FixTableEditor::Outcome::Unencodable);
    EXPECT_EQ(emoji.character, u"😀") << "the whole character, not half of it";
    EXPECT_EQ(gbk.RecordCount(), 0u);
}

TEST(FixTableEditor, SearchFindsTextThatStartsOnACharacterWhereverItFirstOccurs) {
    FixTableEditor editor(FixTableMode::ToBig5);
    // Big5 乙 is A4 41: its second byte is an "A".
    const std::string yi = Big5(u"乙");
    editor.Load({{yi, "1"}, {yi + "A", "2"}, {"B", yi + "A"}, {"C", "A"}});
    ASSERT_EQ(editor.Search(u"A", SearchColumn::First).kind, FixTableEditor::Outcome::Done);
    EXPECT_EQ(Keys(editor), std::vector<std::string>{yi + "A"})
        << "a later A on a character boundary counts; the half of 乙 does not";
    editor.Search(u"A", SearchColumn::Second);
    EXPECT_EQ(Keys(editor), (std::vector<std::string>{"B", "C"}));
    editor.Search(u"乙", SearchColumn::All);
    EXPECT_EQ(editor.RecordCount(), 3u);
    EXPECT_EQ(editor.Search(u"Z", SearchColumn::All).kind, FixTableEditor::Outcome::NotFound);
    EXPECT_EQ(editor.Search(u"", SearchColumn::All).kind, FixTableEditor::Outcome::EmptySearch);
    EXPECT_EQ(editor.RecordCount(), 4u) << "a failed search shows all";
}

class Help : public HelpViewer {
public:
    void ShowContext(int) override {}
};

class FixTableWindowTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    test::MemoryStamps stamps;
    FixTables tables;
    Help help;
    test::CapturedMessages messages;

    std::unique_ptr<TFormB5fix> Open(const std::string& where) {
        FixTableEditorPlace place{where, 0, 0, 1252, [this, where](FixTableMode) {
                                      LoadFixTable(tables, FixTableId::Big5, where, stamps);
                                  }};
        return std::make_unique<TFormB5fix>(FixTableMode::ToBig5, std::move(place), help);
    }
    void Type(TFormB5fix& form, std::u16string_view key, std::u16string_view value) {
        form.findChild<QLineEdit*>("Edit1")->setText(
            QString::fromStdU16String(std::u16string(key)));
        form.findChild<QLineEdit*>("Edit2")->setText(
            QString::fromStdU16String(std::u16string(value)));
        form.AddClick();
    }
    std::string Converted(std::u16string_view text) {
        std::string bytes = Big5(text);
        tables.Apply(bytes, GbToBig5);
        return bytes;
    }
};

TEST_F(FixTableWindowTest, OkSavesTheDescribedLayoutAndTheVeryNextConversionUsesIt) {
    // Written, indexed, edited and indexed again within one second.
    test::WriteFile(folder.File("B5FIX.DAT"), "-1,-1,-1,-1,-1,-1\r\n修正前,修正後\r\n" +
                                                  Big5(u"台") + "," + Big5(u"臺") + "\r\n");
    ASSERT_TRUE(LoadFixTable(tables, FixTableId::Big5, folder.Dir(), stamps));
    auto form = Open(folder.Dir());
    EXPECT_EQ(form->TablePath(), folder.File("B5FIX.DAT")) << "found in any letter case";
    Type(*form, u"台灣", u"臺灣, \"寶島\"");
    Type(*form, u"台", u"x");
    EXPECT_EQ(messages.texts(), "Duplicate record is found on row #2");
    Type(*form, u"", u"x");
    EXPECT_EQ(messages.texts(), "Duplicate record is found on row #2|Edit box cannot be empty!");
    form->OkClick();
    EXPECT_EQ(form->result(), QDialog::Accepted);

    const std::string text = test::ReadFile(folder.File("B5FIX.DAT"));
    const std::string lines[] = {"-1,-1,-1,-1,-1,-1", "Search,\"Replace with\""};
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2)),
              lines[0] + "\r\n" + lines[1]);
    const FixTableText read = ReadFixTableText(text);
    EXPECT_EQ(read.entries, (std::vector<FixEntry>{{Big5(u"台灣"), Big5(u"臺灣, \"寶島\"")},
                                                   {Big5(u"台"), Big5(u"臺")}}));
    EXPECT_EQ(Converted(u"台灣台"), Big5(u"臺灣, \"寶島\"臺"));
}

TEST_F(FixTableWindowTest, TheCloseBoxDiscardsAndAFailedSaveLeavesTheFileAndTheEdits) {
    const std::string original = "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\nA,B\r\n";
    test::WriteFile(folder.File("b5fix.dat"), original);
    {
        auto form = Open(folder.Dir());
        Type(*form, u"C", u"D");
        form->show();
        form->close();
        EXPECT_EQ(form->result(), QDialog::Rejected);
    }
    EXPECT_EQ(test::ReadFile(folder.File("b5fix.dat")), original);

    // A disk too full for the new table.
    const std::string disk = folder.File("disk");
    std::filesystem::create_directory(disk);
    if (::mount("tessarim-test", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    test::WriteFile(disk + "/b5fix.dat", original);
    {
        auto form = Open(disk + "/");
        Type(*form, u"C", std::u16string(3000, u'x'));
        Type(*form, u"E", std::u16string(3000, u'y'));
        form->OkClick();
        EXPECT_NE(form->result(), QDialog::Accepted) << "the edits stay on screen";
        EXPECT_TRUE(form->Editor().Modified());
    }
    EXPECT_NE(messages.texts().find("Cannot create file " + disk + "/b5fix.dat"), std::string::npos)
        << messages.texts();
    EXPECT_EQ(test::ReadFile(disk + "/b5fix.dat"), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk),
                            std::filesystem::directory_iterator()),
              1)
        << "no half-written file is left";
    ::umount(disk.c_str());
}

} // namespace
} // namespace tessarim
