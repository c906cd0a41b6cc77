// The preview panes in the window off screen: the selected file shown before
// and after conversion in each interface language (kept as screenshots in the
// build folder), names in names-only mode, and the panes scrolling together.
#include "core/Paths.h"
#include "filewin/FileConForm.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

class QuietSound : public Sound {
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return true; }
};

const std::string GbLine = "\xC4\xE3\xBA\xC3\xA3\xAC\xD6\xD0\xCE\xC4\xA1\xA3 "; // 你好，中文。

class PreviewPanesTest : public ::testing::Test {
protected:
    TempFolder src;
    QuietSound sound;

    std::unique_ptr<TForm1> Open(std::int64_t lang) {
        fs::create_directories(fs::path(SettingsPath()).parent_path());
        WriteFile(SettingsPath(), "[Data]\nSrcDir=" + src.Dir() + "\n");
        auto form = std::make_unique<TForm1>(
            FileCon::Environment{.defaultFolder = src.Dir(), .lang = lang, .namesAvailable = true},
            RunSettings{}, TForm1::Services{.sound = sound, .help = nullptr, .options = {}});
        form->show();
        return form;
    }
    static void Select(TForm1& form, const QString& name) {
        auto* list = form.findChild<QListWidget*>("SrcFileList");
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.empty()) << name.toStdString();
        list->setCurrentItem(found.at(0));
        QApplication::processEvents();
    }
    static QString Text(TForm1& form, const char* pane) {
        return form.findChild<QPlainTextEdit*>(pane)->toPlainText();
    }
};

TEST_F(PreviewPanesTest, SelectedFileIsShownConvertedInEachLanguage) {
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += GbLine + "line " + std::to_string(i) + "\n";
    WriteFile(src.File("letter.txt"), text);
    for (std::int64_t lang : {0, 1, 2}) {
        auto form = Open(lang);
        Select(*form, "letter.txt");
        EXPECT_TRUE(Text(*form, "Memo1").startsWith(u"你好，中文。 line 0"));
        EXPECT_EQ(form->findChild<QPlainTextEdit*>("Memo2")->palette().color(QPalette::Base),
                  QColor(Qt::white));
        EXPECT_TRUE(Text(*form, "Memo2").startsWith(u"你好，中文。 line 0"));
        // The panes scroll together.
        auto* source = form->findChild<QPlainTextEdit*>("Memo1");
        source->verticalScrollBar()->setValue(20);
        EXPECT_EQ(form->findChild<QPlainTextEdit*>("Memo2")->verticalScrollBar()->value(), 20);
        form->grab().save(QString(TESSARIM_BINARY_DIR "/preview-lang%1.png").arg(lang));
    }
}

TEST_F(PreviewPanesTest, NamesModeShowsNamesAndAVanishedFileSaysSo) {
    WriteFile(src.File("\xCD\xB7\xB7\xA2.txt"), "x");
    WriteFile(src.File("gone.txt"), "x");
    auto form = Open(0);
    form->findChild<QCheckBox*>("cb_content")->click();
    form->findChild<QCheckBox*>("cb_FNonly")->click();
    auto* list = form->findChild<QListWidget*>("SrcFileList");
    const std::vector<std::string>& items = form->Logic().SourceItems();
    list->setCurrentRow(static_cast<int>(
        std::find(items.begin(), items.end(), "\xCD\xB7\xB7\xA2.txt") - items.begin()));
    QApplication::processEvents();
    EXPECT_EQ(Text(*form, "Memo1"), u"头发.txt");
    EXPECT_EQ(Text(*form, "Memo2"), u"頭發.txt");
    form->findChild<QCheckBox*>("cb_content")->click();
    fs::remove(src.File("gone.txt"));
    Select(*form, "gone.txt");
    EXPECT_EQ(Text(*form, "Memo1"), "The file is no longer exists.");
    EXPECT_NE(form->findChild<QListWidget*>("SrcFileList")
                  ->findItems("gone.txt", Qt::MatchExactly)
                  .size(),
              0)
        << "the list stays as it is";
}

} // namespace
} // namespace tessarim
