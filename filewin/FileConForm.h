#pragma once
// `TForm1`: the file conversion window. It shows FileCon and forwards the
// user's clicks to it; the run converts on worker threads, so the window
// repaints and Stop answers while a large file or many small ones convert.
#include "filewin/BatchRun.h"
#include "filewin/FileCon.h"
#include "filewin/FileConTexts.h"

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

namespace tessarim {

class FolderMonitor;
class PreviewPanes;
class HelpViewer;
class Sound;

// Converts on a worker thread while the window keeps answering: the caller's
// thread runs its events and hears of the bytes done every few milliseconds.
class ThreadedConverter : public FileConverter {
public:
    // stop, when given, is the window's Stop: the workers see it at once and
    // begin no file more, though the reports that will say so still wait.
    explicit ThreadedConverter(FileConverter& inner, const std::atomic<bool>* stop = nullptr)
        : inner_(inner), stop_(stop) {}
    FileResult Convert(const FileJob& job,
                       const std::function<void(std::uint64_t)>& onBytes) override;
    // The reports come to the caller's thread, which waits in its event loop.
    void ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) override;
    void Copy(const std::string& source, const std::string& destination) override;

private:
    FileConverter& inner_;
    const std::atomic<bool>* stop_;
};

class TForm1 : public QDialog, private RunUi {
    Q_OBJECT
public:
    struct Services {
        Sound& sound;
        HelpViewer* help = nullptr;
        // Opens the options window; without it the options button is disabled.
        std::function<void()> options;
        FixTables* fixTables = nullptr; // loaded by the caller
    };
    // Reads the window's settings from Tessarim.ini.
    TForm1(const FileCon::Environment& environment, const RunSettings& settings, Services services,
           QWidget* parent = nullptr);
    ~TForm1() override;

    FileCon& Logic() { return logic_; }
    // Files or a folder named on the command line, or dropped on the window.
    void TakePaths(const std::vector<std::string>& paths);
    // The converter of the runs; tests give one of their own.
    void SetConverter(FileConverter& converter) { converter_ = &converter; }
    const std::atomic<bool>* StopSignal() const { return &stopRequested_; }
    bool Running() const { return running_; }

    void UpdateLang();
    // Shows the logic's state in every control.
    void Refresh();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // RunUi
    void ShowError(const std::string& text) override;
    void ShowInfo(const std::string& text) override;
    OverwriteAnswer AskOverwrite(const std::string& path) override;
    void Status(const std::string& hint, const RunProgress& progress) override;
    bool StopRequested() override { return stopRequested_.load(); }
    void RunOver() override { EndRun(); }

    QPushButton* AddButton(const char* name);
    void BuildModeForms(QWidget* simple, QWidget* advanced);
    void SetReadingOrder();
    void FillSourceList();
    void SourceMenu(const QPoint& position); // SrcFileListMouseDown, right button
    void FillJobList();
    void FillFilter();
    void RefreshModes();
    void ReportUnreadable(const std::vector<std::string>& paths);
    void ChooseFolder(int tag); // SrcDirBtnClick: 1 source, 2 destination, 3 the same
    void ConvertNow();
    void EndRun(); // once per run, whichever comes first: RunOver or the run's return
    void AddAllSub();
    void EditFilter();
    void SaveSettings();
    QString Shortened(const std::string& path, const QWidget* control) const;

    FileCon logic_;
    RunSettings settings_;
    Services services_;
    CoreConverter core_;
    ThreadedConverter threaded_{core_, &stopRequested_};
    FileConverter* converter_ = &threaded_;
    std::unique_ptr<FolderMonitor> monitor_;
    bool running_ = false;
    std::atomic<bool> stopRequested_ = false; // read by the workers too
    QElapsedTimer statusClock_;

    QLabel *srcLabel_, *docConLabel_, *destLabel_, *countLabel_, *treeMark_, *hintBar_;
    QLabel *lblFrom_, *lblTo_, *lblOutput_;
    QPushButton *srcDirBtn_, *destDirBtn_, *synDirBtn_;
    QPushButton *addSelectBtn_, *addAllBtn_, *addAllSubBtn_, *removeBtn_, *removeAllBtn_;
    QPushButton *convertBtn_, *stopBtn_, *closeBtn_, *feBtn_, *showOptionBtn_, *hideOptionBtn_;
    QToolButton* optionBtn_;
    QCheckBox *namesBox_, *contentBox_, *simpBox_, *tradBox_;
    QComboBox* srcFilter_;
    QListWidget *srcFileList_, *conList_;
    PreviewPanes* previews_;
    QProgressBar* progress_;
    QWidget *simplePanel_, *advancedPanel_;
    std::map<SimpleMode, QRadioButton*> simpleRadios_;
    std::map<Code, QRadioButton*> inputRadios_, outputRadios_;
    std::vector<std::pair<QWidget*, const std::string FileConTexts::*>> hints_;
};

} // namespace tessarim
