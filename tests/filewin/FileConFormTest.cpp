// The file window's widgets off screen: names for screen readers, texts that
// fit in each language (with screenshots in build/screenshots/), a window that
// fits a small screen, the controls during a run and Stop, dropped files, and
// the folder monitor's merging.
#include "filewin/FileConForm.h"
#include "core/FileRun.h"
#include "core/Paths.h"
#include "filewin/FileWindow.h"
#include "platform/FolderMonitor.h"
#include "platform/Help.h"
#include "platform/Sound.h"
#include "platform/UiLanguage.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

class SilentSound : public Sound {
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return true; }
};

class FormTest : public ::testing::Test {
protected:
    TempFolder src, dest;
    SilentSound sound;
    RunSettings settings = Quiet();
    static RunSettings Quiet() {
        RunSettings quiet;
        quiet.msgFinished = false;
        return quiet;
    }

    std::unique_ptr<TForm1> Open(std::int64_t lang = 0, bool inPlace = false) {
        fs::create_directories(fs::path(SettingsPath()).parent_path());
        WriteFile(SettingsPath(), "[Data]\nSrcDir=" + src.Dir() +
                                      "\nDestDir=" + (inPlace ? src.Dir() : dest.Dir()) + "\n");
        auto form = std::make_unique<TForm1>(
            FileCon::Environment{.defaultFolder = src.Dir(), .lang = lang}, settings,
            TForm1::Services{.sound = sound, .help = nullptr, .options = {}});
        form->show();
        return form;
    }
    template <class T = QAbstractButton>
    static T* Find(QWidget& form, const char* name) {
        return form.findChild<T*>(name);
    }
};

TEST_F(FormTest, EveryControlIsNamedAndEveryCaptionFitsInEachLanguage) {
    for (int i = 0; i < 3; ++i)
        WriteFile(src.File("file" + std::to_string(i) + ".txt"), "x");
    const fs::path shots = fs::path(TESSARIM_BINARY_DIR) / "screenshots";
    fs::create_directories(shots);
    for (std::int64_t lang : {0, 1, 2}) {
        auto form = Open(lang);
        Find(*form, "AddAllBtn")->click();
        for (const bool advanced : {false, true}) {
            if (advanced) Find(*form, "btn_ShowOption")->click();
            QApplication::processEvents();
            for (QWidget* widget : form->findChildren<QWidget*>()) {
                if (!widget->isVisible()) continue;
                const bool control = qobject_cast<QAbstractButton*>(widget) ||
                                     qobject_cast<QListWidget*>(widget) ||
                                     qobject_cast<QComboBox*>(widget);
                if (!control) continue;
                EXPECT_FALSE(widget->accessibleName().isEmpty())
                    << widget->objectName().toStdString() << " in language " << lang;
                auto* button = qobject_cast<QAbstractButton*>(widget);
                // The folder buttons shorten their paths to fit.
                const bool shortened =
                    widget->objectName() == "SrcDirBtn" || widget->objectName() == "DestDirBtn";
                if (button && !shortened) {
                    EXPECT_GE(button->width(), button->sizeHint().width())
                        << button->text().toStdString() << " is cut";
                }
            }
            // A screen 800 logical pixels wide (1600 at twice the scale) shows
            // the whole window.
            const QSize free = form->screen()->availableGeometry().size();
            EXPECT_LE(form->width(), free.width()) << "language " << lang;
            EXPECT_LE(form->height(), free.height()) << "language " << lang;
            EXPECT_LE(form->minimumSizeHint().width(), 800) << "language " << lang;
            const std::string name =
                "filewin-" + std::to_string(lang) + (advanced ? "-advanced" : "") + ".png";
            form->grab().save(QString::fromStdString((shots / name).string()));
        }
    }
}

// Started on its own, the window's folder chooser and questions speak the
// window's language too, as they do when the bar opens it.
TEST_F(FormTest, StartedAloneQtsDialogsSpeakTheWindowsLanguage) {
    fs::create_directories(fs::path(SettingsPath()).parent_path());
    WriteFile(SettingsPath(), "[Data]\nLang=2\n");
    struct NoHelp : HelpViewer {
        void ShowContext(int) override {}
    } help;
    SilentSound silent;
    QString lookIn;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* form = qobject_cast<TForm1*>(window);
            if (!form || !form->isVisible()) continue;
            lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
            Find(*form, "CloseBtn")->click();
        }
    });
    watch.start(10);
    RunFileWindow({src.Dir()}, silent, help);
    SetUiLanguage(0);
    EXPECT_NE(lookIn, "Look in:");
}

// Tab goes through the window in reading order, row by row, and comes round.
TEST_F(FormTest, TabReadsTheWindowRowByRow) {
    WriteFile(src.File("a.txt"), "x");
    auto form = Open();
    Find(*form, "AddAllBtn")->click(); // Remove All and Convert take part
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Find(*form, "SrcDirBtn")->setFocus();
    std::vector<std::string> visited{"SrcDirBtn"};
    for (int step = 0; step < 60; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const std::string name = QApplication::focusWidget()->objectName().toStdString();
        if (name == "SrcDirBtn") break;
        visited.push_back(name);
    }
    const auto at = [&](const char* name) {
        return std::find(visited.begin(), visited.end(), name) - visited.begin();
    };
    const char* reading[] = {"SrcDirBtn",    "SrcFilter",  "SrcFileList",    "AddAllBtn",
                             "RemoveAllBtn", "ConList",    "AddAllSubBtn",   "DestDirBtn",
                             "SynDirBtn",    "rb_GBtoB5",  "btn_ShowOption", "cb_content",
                             "FEbtn",        "ConvertBtn", "CloseBtn",       "Memo1"};
    for (std::size_t i = 1; i < std::size(reading); ++i)
        EXPECT_LT(at(reading[i - 1]), at(reading[i])) << reading[i];
    EXPECT_EQ(at("FontBtn2"), static_cast<std::ptrdiff_t>(visited.size()) - 1)
        << "the last preview control leads back to the source";
}

// Checks the window from inside the run, as a user looking at it would.
class WatchingConverter : public CoreConverter {
public:
    using CoreConverter::CoreConverter;
    std::function<void()> during;
    FileResult Convert(const FileJob& job,
                       const std::function<void(std::uint64_t)>& onBytes) override {
        if (during) during();
        return CoreConverter::Convert(job, onBytes);
    }
};

TEST_F(FormTest, DuringARunOnlyStopAnswersAndStopKeepsTheRestListed) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(src.File(name), "text");
    auto form = Open();
    WatchingConverter converter(form->Logic().Rules, nullptr);
    form->SetConverter(converter);
    Find(*form, "AddAllBtn")->click();
    int calls = 0;
    converter.during = [&] {
        if (calls++ > 0) return;
        for (const char* name : {"AddAllBtn", "AddAllSubBtn", "RemoveBtn", "RemoveAllBtn",
                                 "ConvertBtn", "CloseBtn", "SrcDirBtn", "DestDirBtn", "SynDirBtn",
                                 "cb_content", "rb_GBtoB5", "btn_ShowOption", "FEbtn"})
            EXPECT_FALSE(Find(*form, name)->isEnabled()) << name;
        EXPECT_FALSE(Find<QListWidget>(*form, "ConList")->isEnabled());
        form->close();
        EXPECT_TRUE(form->isVisible()) << "the window stays while it converts";
        Find(*form, "StopBtn")->click();
    };
    Find(*form, "ConvertBtn")->click();
    EXPECT_TRUE(fs::exists(dest.File("a.txt"))) << "the file in progress is finished";
    EXPECT_FALSE(fs::exists(dest.File("b.txt")));
    EXPECT_EQ(Find<QListWidget>(*form, "ConList")->count(), 2);
    EXPECT_TRUE(Find(*form, "ConvertBtn")->isEnabled());
    EXPECT_FALSE(Find(*form, "StopBtn")->isEnabled());
}

// The box that says the run is over finds the progress bar at its end, though
// the files pass quicker than the bar is drawn, and the window already idle:
// no "converting" on the hint line, Stop off, no busy cursor over the box.
TEST_F(FormTest, TheFinishedBoxFindsTheWindowDoneAndIdle) {
    for (int i = 10; i < 50; ++i)
        WriteFile(src.File(std::to_string(i) + ".txt"), "text");
    settings.msgFinished = true;
    auto form = Open();
    Find(*form, "AddAllBtn")->click();
    bool boxSeen = false;
    QString progress, hint;
    bool stopEnabled = true, closeEnabled = false, busy = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == form.get()) return;
        boxSeen = true;
        progress = form->findChild<QProgressBar*>("ProgressBar")->text();
        hint = form->findChild<QLabel*>("HintBar")->text();
        stopEnabled = Find(*form, "StopBtn")->isEnabled();
        closeEnabled = Find(*form, "CloseBtn")->isEnabled();
        busy = QApplication::overrideCursor() != nullptr;
        box->close();
    });
    watch.start(10);
    Find(*form, "ConvertBtn")->click();
    ASSERT_TRUE(boxSeen);
    EXPECT_EQ(progress, "40/40");
    EXPECT_EQ(hint.toStdString(), "");
    EXPECT_FALSE(stopEnabled);
    EXPECT_TRUE(closeEnabled);
    EXPECT_FALSE(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // restored once, not twice
}

// Many files go to workers; their reports reach the window on its own thread.
class StoppingConverter : public CoreConverter {
public:
    using CoreConverter::CoreConverter;
    QAbstractButton* stop = nullptr;
    std::size_t stopAt = 0; // clicks Stop before this report (0: never)
    void ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) override {
        std::size_t reports = 0;
        CoreConverter::ConvertMany(jobs, [&](const FileResult& done) {
            if (++reports == stopAt)
                QMetaObject::invokeMethod(stop, &QAbstractButton::click,
                                          Qt::BlockingQueuedConnection);
            return report(done);
        });
    }
};

// Converts every file on workers with Stop clicked before the third report and
// hands the files left listed to `stopped`; then converts those without a stop.
void StopThenFinish(TForm1& form,
                    const std::function<void(const std::vector<std::string>&)>& stopped) {
    StoppingConverter core(form.Logic().Rules, nullptr);
    ThreadedConverter threaded(core, form.StopSignal());
    form.SetConverter(threaded);
    core.stop = form.findChild<QAbstractButton*>("StopBtn");
    core.stopAt = 3;
    form.findChild<QAbstractButton*>("AddAllBtn")->click();
    form.findChild<QAbstractButton*>("ConvertBtn")->click();
    stopped(form.Logic().JobFiles);
    core.stopAt = 0;
    form.findChild<QAbstractButton*>("ConvertBtn")->click();
}

bool Listed(const std::vector<std::string>& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

TEST_F(FormTest, ManyFilesConvertOnWorkersAndStopStillAnswers) {
    settings.cfmOverwrite = false; // a file written twice would not hold the test up
    for (int i = 0; i < 40; ++i)
        WriteFile(src.File(std::to_string(100 + i) + ".txt"), "text");
    auto form = Open();
    StopThenFinish(*form, [&](const std::vector<std::string>& left) {
        // Stop takes effect at the next report the window takes, which may be
        // the first; the files under way then are finished and leave the list.
        // The workers hear of Stop at once, not when the window takes the
        // reports: only the files their window let them begin were converted.
        EXPECT_GT(left.size(), 0u);
        EXPECT_LT(left.size(), 40u);
        EXPECT_LE(40 - left.size(), 3 + FilesAheadPerWorker * WorkersPerCore());
        EXPECT_EQ(Find<QListWidget>(*form, "ConList")->count(), static_cast<int>(left.size()));
        for (const std::string& name : test::FolderNames(src.Path()))
            EXPECT_EQ(fs::exists(dest.File(name)), !Listed(left, src.File(name))) << name;
    });
    EXPECT_EQ(Find<QListWidget>(*form, "ConList")->count(), 0);
    EXPECT_EQ(test::FolderNames(dest.Path()).size(), 40u);
    EXPECT_FALSE(Find(*form, "StopBtn")->isEnabled());
}

// Converted in place, a file the run finished after Stop must leave the list:
// converted again by the next run, its text would be garbled.
TEST_F(FormTest, AfterStopInPlaceTheListHoldsExactlyTheFilesNotConverted) {
    settings.cfmOverwrite = false;
    const std::string gbk = test::FromHex("c4e3bac3"); // "你好"
    const std::string big5 = test::FromHex("a741a66e");
    for (int i = 0; i < 60; ++i)
        WriteFile(src.File(std::to_string(100 + i) + ".txt"), gbk);
    auto form = Open(0, true);
    StopThenFinish(*form, [&](const std::vector<std::string>& left) {
        EXPECT_GT(left.size(), 0u);
        EXPECT_LT(left.size(), 60u);
        // The bar counts the files finished after Stop too.
        EXPECT_EQ(form->findChild<QProgressBar*>("ProgressBar")->text().toStdString(),
                  std::to_string(60 - left.size()) + "/60");
        for (const std::string& name : test::FolderNames(src.Path()))
            EXPECT_EQ(test::ReadFile(src.File(name)), Listed(left, src.File(name)) ? gbk : big5)
                << name;
    });
    EXPECT_TRUE(form->Logic().JobFiles.empty());
    for (const std::string& name : test::FolderNames(src.Path()))
        EXPECT_EQ(test::ReadFile(src.File(name)), big5) << name << " converted once";
}

TEST_F(FormTest, DroppedFilesAndFoldersAreAddedAsAddSelectedAddsThem) {
    const TempFolder other;
    WriteFile(other.File("x.txt"), "x");
    WriteFile(other.File("y.exe"), "x");
    fs::create_directory(other.Path() / "folder");
    WriteFile(other.Path() / "folder" / "z.txt", "x");
    auto form = Open();
    const auto drop = [&](const std::vector<std::string>& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        data->setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application's filter wants a drag it started.
        static_cast<QObject*>(form.get())->event(&event);
        delete data;
    };
    drop({other.File("y.exe"), other.File("x.txt")});

    EXPECT_EQ(form->Logic().JobFiles, std::vector<std::string>{other.File("x.txt")});
    drop({(other.Path() / "folder").string()});
    EXPECT_EQ(form->Logic().JobFiles.back(), (other.Path() / "folder" / "z.txt").string());
    EXPECT_EQ(form->Logic().SourceFolder, other.Dir() + "folder/");
}

TEST(FolderMonitorTest, ABurstOfChangesGivesOneNotice) {
    const TempFolder folder;
    FolderMonitor monitor(100);
    ASSERT_TRUE(monitor.Watch(folder.Dir()));
    QSignalSpy changed(&monitor, &FolderMonitor::Changed);
    WriteFile(folder.File("new.txt"), "x");
    EXPECT_TRUE(changed.wait(3000)) << "a file created in the folder";
    changed.clear();
    for (int i = 0; i < 20; ++i)
        monitor.Notify();
    QTest::qWait(50);
    EXPECT_EQ(changed.count(), 0) << "merged for 100 ms";
    EXPECT_TRUE(changed.wait(1000));
    QTest::qWait(150);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(monitor.Watch(folder.Dir() + "missing/"));
    EXPECT_FALSE(monitor.Active());
}

} // namespace
} // namespace tessarim
