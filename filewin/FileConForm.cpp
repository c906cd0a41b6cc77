#include "filewin/FileConForm.h"
#include "filewin/DupPrompt.h"
#include "filewin/PreviewPanes.h"
#include "filewin/SourceMenu.h"

#include "core/Paths.h"
#include "filewin/FilterEdit.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/FolderMonitor.h"
#include "platform/Help.h"
#include "platform/UiFonts.h"
#include "platform/WindowSize.h"
#include "settings/ProgramSettings.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusTipEvent>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <unordered_map>

namespace tessarim {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(DialogText(text));
}

// Icons of the desktop's theme by the file's type, looked up once per type.
class FileIcons {
public:
    QIcon For(const QString& name) {
        const QMimeType type = mimes_.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        auto found = cache_.find(type.name());
        if (found != cache_.end()) return found->second;
        QIcon icon = QIcon::fromTheme(
            type.iconName(),
            QIcon::fromTheme(type.genericIconName(), provider_.icon(QFileIconProvider::File)));
        return cache_.emplace(type.name(), icon).first->second;
    }

private:
    QMimeDatabase mimes_;
    QFileIconProvider provider_;
    std::unordered_map<QString, QIcon> cache_;
};

FileIcons& Icons() {
    static FileIcons icons;
    return icons;
}

// How often the progress bar hears of a file that converts.
constexpr int TickMs = 50;

} // namespace

FileResult ThreadedConverter::Convert(const FileJob& job,
                                      const std::function<void(std::uint64_t)>& onBytes) {
    // A file of one block is over in milliseconds: a thread would cost more
    // than it saves.
    std::error_code error;
    if (std::filesystem::file_size(job.source, error) <= BlockSize || error)
        return inner_.Convert(job, onBytes);
    std::atomic<std::uint64_t> done{0};
    FileResult result;
    std::exception_ptr failure;
    QEventLoop loop;
    QThread* worker = QThread::create([&] {
        try {
            result = inner_.Convert(job, [&](std::uint64_t bytes) { done = bytes; });
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (onBytes) onBytes(done);
    });
    tick.start(TickMs);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    if (failure) std::rethrow_exception(failure);
    return result;
}

void ThreadedConverter::ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) {
    // The workers go on while this thread takes their reports; some reports
    // may wait for it, so that a question or an error box on screen holds the
    // run up soon. Stop reaches the workers without them.
    constexpr std::size_t Waiting = 32;
    // This thread takes the reports every BatchMs, or as soon as Batch wait:
    // woken for every few small files, it would take a good part of a core
    // from the workers.
    constexpr std::size_t Batch = 16;
    constexpr int BatchMs = 20;
    std::mutex mutex;
    std::condition_variable room;
    std::deque<FileResult> results;
    bool halted = false; // a report said false: the rest are files under way
    bool draining = false;
    QObject here; // takes the reports on this thread
    const auto drain = [&] {
        // A box a report shows runs events: a drain asked meanwhile is this one's.
        if (draining) return;
        draining = true;
        for (;;) {
            FileResult done;
            {
                std::lock_guard lock(mutex);
                if (results.empty()) break;
                done = std::move(results.front());
                results.pop_front();
            }
            room.notify_one();
            if (report(done) || halted) continue;
            std::lock_guard lock(mutex);
            halted = true;
        }
        room.notify_one();
        draining = false;
    };
    std::exception_ptr failure;
    QEventLoop loop;
    QThread* worker = QThread::create([&] {
        try {
            inner_.ConvertMany(jobs, [&](const FileResult& done) {
                std::unique_lock lock(mutex);
                room.wait(lock, [&] { return halted || results.size() < Waiting; });
                results.push_back(done);
                if (results.size() == Batch)
                    QMetaObject::invokeMethod(&here, drain, Qt::QueuedConnection);
                return !halted && !(stop_ && stop_->load());
            });
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, drain);
    poll.start(BatchMs);
    worker->start();
    loop.exec();
    poll.stop();
    worker->wait();
    delete worker;
    drain(); // what came after the last drain
    if (failure) std::rethrow_exception(failure);
}

void ThreadedConverter::Copy(const std::string& source, const std::string& destination) {
    inner_.Copy(source, destination);
}

TForm1::TForm1(const FileCon::Environment& environment, const RunSettings& settings,
               Services services, QWidget* parent)
    : QDialog(parent), logic_(environment), settings_(settings), services_(services),
      core_(logic_.Rules, services.fixTables), monitor_(std::make_unique<FolderMonitor>(100)) {
    settings_.nameTables = services.fixTables;
    setObjectName("TForm1");
    setAcceptDrops(true);
    {
        const IniFile ini(SettingsPath());
        logic_.Load(ini);
    }

    srcLabel_ = new QLabel(this);
    docConLabel_ = new QLabel(this);
    destLabel_ = new QLabel(this);
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName("LblCnt");
    countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    treeMark_ = new QLabel("***", this);
    treeMark_->setObjectName("Label1");
    hintBar_ = new QLabel(this);
    hintBar_->setObjectName("HintBar");
    hintBar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    hintBar_->setMinimumWidth(100);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar");
    progress_->setRange(0, 1000);
    progress_->setValue(0);

    srcDirBtn_ = AddButton("SrcDirBtn");
    destDirBtn_ = AddButton("DestDirBtn");
    synDirBtn_ = AddButton("SynDirBtn");
    synDirBtn_->setText("=");
    addSelectBtn_ = AddButton("AddSelectBtn");
    addAllBtn_ = AddButton("AddAllBtn");
    addAllSubBtn_ = AddButton("AddAllSubBtn");
    removeBtn_ = AddButton("RemoveBtn");
    removeAllBtn_ = AddButton("RemoveAllBtn");
    convertBtn_ = AddButton("ConvertBtn");
    stopBtn_ = AddButton("StopBtn");
    closeBtn_ = AddButton("CloseBtn");
    feBtn_ = AddButton("FEbtn");
    showOptionBtn_ = AddButton("btn_ShowOption");
    hideOptionBtn_ = AddButton("btn_hideOption");
    optionBtn_ = new QToolButton(this);
    optionBtn_->setObjectName("btn_Option");
    optionBtn_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    optionBtn_->setEnabled(static_cast<bool>(services_.options));
    namesBox_ = new QCheckBox(this);
    namesBox_->setObjectName("cb_FNonly");
    contentBox_ = new QCheckBox(this);
    contentBox_->setObjectName("cb_content");
    srcFilter_ = new QComboBox(this);
    srcFilter_->setObjectName("SrcFilter");
    srcFileList_ = new QListWidget(this);
    srcFileList_->setObjectName("SrcFileList");
    srcFileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    srcFileList_->setUniformItemSizes(true);
    conList_ = new QListWidget(this);
    conList_->setObjectName("ConList");
    conList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    conList_->setUniformItemSizes(true);

    simplePanel_ = new QGroupBox(this);
    simplePanel_->setObjectName("Panel_Orig");
    advancedPanel_ = new QGroupBox(this);
    advancedPanel_->setObjectName("Panel_Mode");
    BuildModeForms(simplePanel_, advancedPanel_);

    // Source on the left, the list buttons in the middle, the File List on the right.
    auto* grid = new QGridLayout(this);
    auto* source = new QVBoxLayout;
    source->addWidget(srcLabel_);
    source->addWidget(srcDirBtn_);
    source->addWidget(srcFilter_);
    source->addWidget(srcFileList_, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QWidget* button : {addSelectBtn_, addAllBtn_, removeBtn_, removeAllBtn_})
        middle->addWidget(button);
    middle->addStretch();
    auto* list = new QVBoxLayout;
    auto* listHead = new QHBoxLayout;
    listHead->addWidget(docConLabel_);
    listHead->addStretch();
    listHead->addWidget(treeMark_);
    listHead->addWidget(countLabel_);
    listHead->addWidget(optionBtn_);
    list->addLayout(listHead);
    list->addWidget(conList_, 1);
    list->addWidget(addAllSubBtn_);
    grid->addLayout(source, 0, 0);
    grid->addLayout(middle, 0, 1);
    grid->addLayout(list, 0, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 2);
    grid->setRowStretch(0, 1);

    auto* destination = new QHBoxLayout;
    destination->addWidget(destLabel_);
    destination->addWidget(destDirBtn_, 1);
    destination->addWidget(synDirBtn_);
    grid->addLayout(destination, 1, 0, 1, 3);

    auto* modes = new QHBoxLayout;
    modes->addWidget(simplePanel_, 1);
    modes->addWidget(advancedPanel_, 1);
    auto* checks = new QVBoxLayout;
    checks->addWidget(contentBox_);
    checks->addWidget(namesBox_);
    checks->addWidget(feBtn_);
    modes->addLayout(checks);
    auto* actions = new QVBoxLayout;
    for (QWidget* button : {convertBtn_, stopBtn_, closeBtn_})
        actions->addWidget(button);
    modes->addLayout(actions);
    grid->addLayout(modes, 2, 0, 1, 3);

    auto* status = new QHBoxLayout;
    status->addWidget(hintBar_, 3);
    status->addWidget(progress_, 1);
    previews_ = new PreviewPanes(logic_, services.fixTables, this);
    {
        const IniFile ini(SettingsPath());
        previews_->Load(ini);
    }
    grid->addWidget(previews_, 3, 0, 1, 3);
    grid->setRowStretch(3, 1);
    grid->addLayout(status, 4, 0, 1, 3);
    SetReadingOrder();

    connect(srcDirBtn_, &QPushButton::clicked, this, [this] { ChooseFolder(1); });
    connect(destDirBtn_, &QPushButton::clicked, this, [this] { ChooseFolder(2); });
    connect(synDirBtn_, &QPushButton::clicked, this, [this] { ChooseFolder(3); });
    connect(addSelectBtn_, &QPushButton::clicked, this, [this] {
        ReportUnreadable(logic_.AddSelected());
        Refresh();
    });
    connect(addAllBtn_, &QPushButton::clicked, this, [this] {
        ReportUnreadable(logic_.AddAll());
        Refresh();
    });
    connect(addAllSubBtn_, &QPushButton::clicked, this, [this] { AddAllSub(); });
    connect(removeBtn_, &QPushButton::clicked, this, [this] {
        std::vector<int> rows;
        for (const QModelIndex& index : conList_->selectionModel()->selectedRows())
            rows.push_back(index.row());
        logic_.Remove(rows);
        Refresh();
    });
    connect(removeAllBtn_, &QPushButton::clicked, this, [this] {
        logic_.RemoveAll();
        Refresh();
    });
    connect(convertBtn_, &QPushButton::clicked, this, [this] { ConvertNow(); });
    connect(stopBtn_, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(closeBtn_, &QPushButton::clicked, this, &QDialog::close);
    connect(feBtn_, &QPushButton::clicked, this, [this] { EditFilter(); });
    connect(optionBtn_, &QToolButton::clicked, this, [this] {
        services_.options();
        // The options window may have changed the default folder and the masks.
        const IniFile ini(SettingsPath());
        logic_.Rules = ReadFileRules(ini, UTF8);
        const std::string folder = AddTrailingBackslash(Read(ini, keys::DefaultDir));
        if (DirExists(folder)) logic_.DefaultFolder = folder;
    });
    // Toggled, not clicked: assistive technology toggles a check box without
    // clicking it. Refresh sets them with their signals blocked.
    for (QCheckBox* box : {namesBox_, contentBox_})
        connect(box, &QCheckBox::toggled, this, [this] {
            logic_.SetContent(contentBox_->isChecked(), namesBox_->isChecked());
            Refresh();
            previews_->Redraw();
        });
    connect(srcFilter_, &QComboBox::activated, this, [this](int index) {
        logic_.SetFilterMasks(srcFilter_->itemData(index).toString().toStdString());
        FillSourceList();
        Refresh();
    });
    connect(srcFileList_, &QListWidget::itemSelectionChanged, this, [this] {
        std::vector<bool>& selected = logic_.Selected();
        for (int row = 0; row < srcFileList_->count() && row < static_cast<int>(selected.size());
             ++row)
            selected[row] = srcFileList_->item(row)->isSelected();
        Refresh();
    });
    // Names are bytes: an item is found by its row, never by its shown text.
    connect(srcFileList_, &QListWidget::currentRowChanged, this, [this](int row) {
        const std::vector<std::string>& items = logic_.SourceItems();
        previews_->Select(row >= 0 && static_cast<std::size_t>(row) < items.size()
                              ? logic_.SourceFolder + items[static_cast<std::size_t>(row)]
                              : "");
    });
    srcFileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(srcFileList_, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { SourceMenu(position); });
    connect(conList_, &QListWidget::currentRowChanged, this, [this](int row) {
        conList_->setToolTip(Q(logic_.ListHint(row)));
        conList_->setStatusTip(Q(logic_.ListHint(row)));
    });
    connect(monitor_.get(), &FolderMonitor::Changed, this, [this] {
        // A source folder removed meanwhile: its nearest existing parent.
        std::string folder = logic_.SourceFolder;
        while (!DirExists(folder) && folder.size() > 1)
            folder = ExtractFilePath(RemoveTrailingBackslash(folder));
        logic_.ShowSource(DirExists(folder) ? folder : logic_.DefaultFolder);
        monitor_->Watch(logic_.SourceFolder);
        FillSourceList();
        Refresh();
    });
    logic_.Mode.Changed = [this] {
        RefreshModes();
        previews_->Redraw();
    };

    logic_.ShowSource(logic_.SourceFolder);
    monitor_->Watch(logic_.SourceFolder);
    FillFilter();
    UpdateLang();
    FillSourceList();
    Refresh();
    ResizeWithinScreen(*this, {820, 700});
    closeBtn_->setFocus();
}

TForm1::~TForm1() = default;

QPushButton* TForm1::AddButton(const char* name) {
    auto* button = new QPushButton(this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Tab goes through the window as it reads, row by row, left to right: the
// source, the list buttons, the File List, the destination, the modes, the
// run's switches and buttons, then the previews. Left to the order the
// controls were made in, it jumped from Close to the filter editor, the
// advanced options and the check boxes before it reached the source.
void TForm1::SetReadingOrder() {
    std::vector<QWidget*> order{srcDirBtn_, srcFilter_,    srcFileList_,  addSelectBtn_,
                                addAllBtn_, removeBtn_,    removeAllBtn_, optionBtn_,
                                conList_,   addAllSubBtn_, destDirBtn_,   synDirBtn_};
    const auto addInside = [&order](QWidget* box) {
        for (QWidget* control : box->findChildren<QWidget*>())
            if ((control->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) order.push_back(control);
    };
    addInside(simplePanel_);
    addInside(advancedPanel_);
    order.insert(order.end(), {contentBox_, namesBox_, feBtn_, convertBtn_, stopBtn_, closeBtn_});
    addInside(previews_);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::BuildModeForms(QWidget* simple, QWidget* advanced) {
    auto* simpleLayout = new QVBoxLayout(simple);
    auto* simpleGroup = new QButtonGroup(simple);
    for (const auto& [mode, name] :
         {std::pair{SimpleMode::GbToBig5, "rb_GBtoB5"},
          std::pair{SimpleMode::Big5ToGb, "rb_B5toGB"}, std::pair{SimpleMode::Other, "rb_Other"}}) {
        auto* radio = new QRadioButton(simple);
        radio->setObjectName(name);
        simpleGroup->addButton(radio);
        simpleLayout->addWidget(radio);
        simpleRadios_[mode] = radio;
        connect(radio, &QRadioButton::clicked, this,
                [this, mode] { logic_.Mode.ClickSimple(mode); });
    }
    simpleLayout->addWidget(showOptionBtn_);
    connect(showOptionBtn_, &QPushButton::clicked, this, [this] { logic_.Mode.ShowAdvanced(); });

    auto* advancedLayout = new QGridLayout(advanced);
    lblFrom_ = new QLabel(advanced);
    lblTo_ = new QLabel(advanced);
    lblOutput_ = new QLabel(advanced);
    advancedLayout->addWidget(lblFrom_, 0, 0);
    advancedLayout->addWidget(lblTo_, 0, 1);
    auto* inputGroup = new QButtonGroup(advanced);
    auto* outputGroup = new QButtonGroup(advanced);
    const std::pair<Code, const char*> inputs[] = {
        {GBK, "rb_G1"}, {BIG5, "rb_B1"}, {ULE, "rb_UL1"}, {UBE, "rb_UB1"}, {UTF8, "rb_UTF1"}};
    const std::pair<Code, const char*> outputs[] = {{GBK, "rb_G2"},
                                                    {BIG5, "rb_B2"},
                                                    {ULE, "rb_UL2"},
                                                    {UBE, "rb_UB2"},
                                                    {UTF8, "rb_UTF2"},
                                                    {DecNotation, "TrRadioButton1"},
                                                    {HexNotation, "TrRadioButton2"}};
    int row = 1;
    for (const auto& [code, name] : inputs) {
        auto* radio = new QRadioButton(CodeName(code), advanced);
        radio->setObjectName(name);
        inputGroup->addButton(radio);
        advancedLayout->addWidget(radio, row++, 0);
        inputRadios_[code] = radio;
        connect(radio, &QRadioButton::clicked, this,
                [this, code] { logic_.Mode.ClickInput(code); });
    }
    row = 1;
    for (const auto& [code, name] : outputs) {
        auto* radio = new QRadioButton(code == DecNotation ? "Dec." : CodeName(code), advanced);
        radio->setObjectName(name);
        outputGroup->addButton(radio);
        advancedLayout->addWidget(radio, row++, 1);
        outputRadios_[code] = radio;
        connect(radio, &QRadioButton::clicked, this,
                [this, code] { logic_.Mode.ClickOutput(code); });
    }
    simpBox_ = new QCheckBox(advanced);
    simpBox_->setObjectName("rb_SimpChn");
    tradBox_ = new QCheckBox(advanced);
    tradBox_->setObjectName("rb_TradChn");
    advancedLayout->addWidget(lblOutput_, 0, 2);
    advancedLayout->addWidget(simpBox_, 1, 2);
    advancedLayout->addWidget(tradBox_, 2, 2);
    advancedLayout->addWidget(hideOptionBtn_, 7, 2);
    connect(simpBox_, &QCheckBox::clicked, this,
            [this](bool checked) { logic_.Mode.ClickFace(true, checked); });
    connect(tradBox_, &QCheckBox::clicked, this,
            [this](bool checked) { logic_.Mode.ClickFace(false, checked); });
    connect(hideOptionBtn_, &QPushButton::clicked, this, [this] { logic_.Mode.HideAdvanced(); });
}

void TForm1::UpdateLang() {
    const FileConTexts& t = FileConTextsFor(logic_.Lang);
    setFont(UiFont(UiCharsetOf(logic_.Lang), QApplication::font()));
    const std::pair<QAbstractButton*, const std::string*> captions[] = {
        {addSelectBtn_, &t.AddSelectBtn},
        {addAllBtn_, &t.AddAllBtn},
        {addAllSubBtn_, &t.AddAllSubBtn},
        {removeBtn_, &t.RemoveBtn},
        {removeAllBtn_, &t.RemoveAllBtn},
        {namesBox_, &t.cb_FNonly},
        {contentBox_, &t.cb_content},
        {convertBtn_, &t.ConvertBtn},
        {closeBtn_, &t.CloseBtn},
        {stopBtn_, &t.StopBtn},
        {feBtn_, &t.FEbtn},
        {showOptionBtn_, &t.btn_ShowOption},
        {hideOptionBtn_, &t.btn_hideOption},
        {simpBox_, &t.rb_SimpChn},
        {tradBox_, &t.rb_TradChn},
        {simpleRadios_[SimpleMode::GbToBig5], &t.rb_GBtoB5},
        {simpleRadios_[SimpleMode::Big5ToGb], &t.rb_B5toGB}};
    for (const auto& [button, caption] : captions) {
        button->setText(Q(*caption));
        button->setAccessibleName(Q(*caption).remove('&'));
    }
    srcLabel_->setText(Q(t.SrcLabel));
    docConLabel_->setText(Q(t.DocConLabel));
    destLabel_->setText(Q(t.DestLabel));
    lblFrom_->setText(Q(t.LblFrom));
    lblTo_->setText(Q(t.LblTo));
    lblOutput_->setText(Q(t.LblOutput));
    // Hints go to the hint line; screen readers take the caption, or the hint
    // where there is no caption.
    const std::pair<QWidget*, const std::string*> hints[] = {{srcFileList_, &t.SrcFileListHint},
                                                             {srcFilter_, &t.SrcFilterHint},
                                                             {conList_, &t.ConListHint},
                                                             {srcDirBtn_, &t.SrcDirBtnHint},
                                                             {destDirBtn_, &t.DestDirBtnHint},
                                                             {synDirBtn_, &t.SynDirBtnHint},
                                                             {addSelectBtn_, &t.AddSelectBtnHint},
                                                             {addAllBtn_, &t.AddAllBtnHint},
                                                             {addAllSubBtn_, &t.AddAllSubBtnHint},
                                                             {removeBtn_, &t.RemoveBtnHint},
                                                             {removeAllBtn_, &t.RemoveAllBtnHint},
                                                             {namesBox_, &t.cb_FNonlyHint},
                                                             {contentBox_, &t.cb_contentHint},
                                                             {convertBtn_, &t.ConvertBtnHint},
                                                             {closeBtn_, &t.CloseBtnHint},
                                                             {stopBtn_, &t.StopBtnHint},
                                                             {feBtn_, &t.FEbtnHint},
                                                             {optionBtn_, &t.btn_OptionHint},
                                                             {showOptionBtn_, &t.ShowOptionHint},
                                                             {hideOptionBtn_, &t.HideOptionHint},
                                                             {simplePanel_, &t.SimpleModeHint},
                                                             {advancedPanel_, &t.SimpleModeHint},
                                                             {lblFrom_, &t.FromHint},
                                                             {lblTo_, &t.ToHint},
                                                             {lblOutput_, &t.FaceHint},
                                                             {progress_, &t.ProgressHint},
                                                             {hintBar_, &t.ProgressHint}};
    for (const auto& [widget, hint] : hints) {
        widget->setStatusTip(Q(*hint));
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && !button->text().isEmpty())
            widget->setAccessibleName(button->text().remove('&'));
        else
            widget->setAccessibleName(Q(*hint));
        widget->setAccessibleDescription(Q(*hint));
    }
    srcDirBtn_->setAccessibleName(Q(t.SrcLabel));
    destDirBtn_->setAccessibleName(Q(t.DestLabel));
    for (auto* labelled : {simpBox_, tradBox_})
        labelled->setAccessibleName(labelled->text());
    for (const auto& radios : {inputRadios_, outputRadios_})
        for (const auto& [code, radio] : radios)
            radio->setAccessibleName((radios == inputRadios_ ? Q(t.LblFrom) : Q(t.LblTo)) + " " +
                                     radio->text());
    countLabel_->setAccessibleName(Q(t.DocConLabel));
    treeMark_->setAccessibleName("***");
    // The title follows the system, not the interface language.
    const int codePage = LocaleCodePageForDefaults();
    setWindowTitle(codePage == CodePageGbk    ? CaptionGbk
                   : codePage == CodePageBig5 ? CaptionBig5
                                              : FileConTextsFor(0).Caption.c_str());
    RefreshModes();
    previews_->UpdateLang(logic_.Lang);
}

QString TForm1::Shortened(const std::string& path, const QWidget* control) const {
    const QFontMetrics metrics(control->font());
    return QString::fromStdString(
        ShortenPath(path, control->width() - 32, [&](std::string_view text) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(text.data(), static_cast<int>(text.size())));
        }));
}

void TForm1::FillFilter() {
    srcFilter_->clear();
    for (const auto& [description, masks] : ParseFilter(logic_.FilterText))
        srcFilter_->addItem(QString::fromStdString(description), QString::fromStdString(masks));
    if (srcFilter_->count() > 0)
        logic_.SetFilterMasks(srcFilter_->itemData(0).toString().toStdString());
}

void TForm1::FillSourceList() {
    const QSignalBlocker block(srcFileList_);
    srcFileList_->clear();
    const std::vector<std::string>& items = logic_.SourceItems();
    const std::vector<bool>& selected = logic_.Selected();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QString name = QString::fromStdString(items[i]);
        auto* item = new QListWidgetItem(Icons().For(name), name, srcFileList_);
        item->setSelected(selected[i]);
    }
    previews_->Select(""); // the list starts without a current file
}

void TForm1::SourceMenu(const QPoint& position) {
    std::vector<std::string> names;
    const std::vector<std::string>& items = logic_.SourceItems();
    for (const QModelIndex& index : srcFileList_->selectionModel()->selectedRows()) {
        const auto row = static_cast<std::size_t>(index.row());
        if (row < items.size() &&
            QueryFileKind(logic_.SourceFolder + items[row]) != FileKind::Missing)
            names.push_back(items[row]);
    }
    ShowSourceMenu(
        this, srcFileList_->viewport()->mapToGlobal(position), logic_.SourceFolder, names,
        logic_.Lang, [this](const std::string& renamed) {
            logic_.RereadSource();
            FillSourceList();
            const QString name = QString::fromStdString(renamed);
            const std::vector<std::string>& listed = logic_.SourceItems();
            for (std::size_t row = 0; row < listed.size(); ++row) {
                if (QString::fromStdString(listed[row]).compare(name, Qt::CaseInsensitive) != 0)
                    continue;
                QListWidgetItem* item = srcFileList_->item(static_cast<int>(row));
                srcFileList_->setCurrentItem(item);
                srcFileList_->scrollToItem(item);
                break;
            }
        });
}

void TForm1::FillJobList() {
    const QSignalBlocker block(conList_);
    conList_->clear();
    const int width = conList_->viewport()->width() + 32 - 8;
    const QFontMetrics metrics(conList_->font());
    const auto measure = [&](std::string_view text) {
        return metrics.horizontalAdvance(
            QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    };
    QStringList lines;
    for (const std::string& path : logic_.DisplayPaths())
        lines.push_back(QString::fromStdString(ShortenPath(path, width - 32, measure)));
    conList_->addItems(lines);
}

void TForm1::Refresh() {
    const ControlStates states = logic_.Controls(running_);
    addSelectBtn_->setEnabled(states.addSelect);
    addAllBtn_->setEnabled(states.addAll);
    addAllSubBtn_->setEnabled(states.addAllSub);
    removeBtn_->setEnabled(states.remove);
    removeAllBtn_->setEnabled(states.removeAll);
    convertBtn_->setEnabled(states.convert);
    stopBtn_->setEnabled(states.stop);
    closeBtn_->setEnabled(states.close);
    for (QWidget* widget : {static_cast<QWidget*>(srcDirBtn_), static_cast<QWidget*>(srcFilter_),
                            static_cast<QWidget*>(srcFileList_), static_cast<QWidget*>(conList_),
                            static_cast<QWidget*>(feBtn_), static_cast<QWidget*>(optionBtn_)})
        widget->setEnabled(states.folders && (widget != optionBtn_ || services_.options));
    destDirBtn_->setEnabled(states.destination);
    synDirBtn_->setEnabled(states.destination);
    for (QWidget* widget : {static_cast<QWidget*>(namesBox_), static_cast<QWidget*>(contentBox_),
                            simplePanel_, advancedPanel_})
        widget->setEnabled(states.modes);
    namesBox_->setEnabled(states.names);
    simpleRadios_[SimpleMode::Other]->setEnabled(states.otherMode);
    showOptionBtn_->setEnabled(states.otherMode);
    treeMark_->setVisible(states.treeMark);
    countLabel_->setText(QString::fromStdString(states.countLabel));
    {
        const QSignalBlocker namesQuiet(namesBox_), contentQuiet(contentBox_);
        namesBox_->setChecked(logic_.NamesChecked());
        contentBox_->setChecked(logic_.ContentChecked());
    }
    srcDirBtn_->setText(Shortened(logic_.SourceFolder, srcDirBtn_));
    destDirBtn_->setText(Shortened(logic_.DestFolder, destDirBtn_));
    if (static_cast<std::size_t>(conList_->count()) != logic_.DisplayCount() || !running_)
        FillJobList();
}

void TForm1::RefreshModes() {
    const ModeSelect& mode = logic_.Mode;
    simplePanel_->setVisible(!mode.AdvancedShown());
    advancedPanel_->setVisible(mode.AdvancedShown());
    simpleRadios_[SimpleMode::Other]->setText(
        QString::fromStdString(mode.OtherCaption(logic_.Lang)));
    simpleRadios_[SimpleMode::Other]->setAccessibleName(
        QString::fromStdString(mode.OtherCaption(logic_.Lang)));
    for (const auto& [which, radio] : simpleRadios_) {
        radio->setChecked(which == mode.Simple());
        QFont font = radio->font();
        font.setBold(which == mode.Simple());
        radio->setFont(font);
    }
    inputRadios_[mode.InputRadio()]->setChecked(true);
    outputRadios_[mode.OutputRadio()]->setChecked(true);
    simpBox_->setChecked(mode.SimpChecked());
    tradBox_->setChecked(mode.TradChecked());
    simpBox_->setEnabled(mode.SimpEnabled());
}

void TForm1::ReportUnreadable(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    std::string text = FileConTextsFor(logic_.Lang).NotListed;
    for (std::size_t i = 0; i < paths.size() && i < 20; ++i)
        text += "\r\n" + paths[i];
    if (paths.size() > 20) text += "\r\n...";
    ShowError(text);
}

void TForm1::TakePaths(const std::vector<std::string>& paths) {
    ReportUnreadable(logic_.AddPaths(paths));
    monitor_->Watch(logic_.SourceFolder);
    FillSourceList();
    Refresh();
    if (const QList<QListWidgetItem*> chosen = srcFileList_->selectedItems(); !chosen.isEmpty())
        srcFileList_->scrollToItem(chosen.front());
}

void TForm1::ChooseFolder(int tag) {
    const FileConTexts& t = FileConTextsFor(logic_.Lang);
    if (tag == 3) {
        if (const std::string error = logic_.SyncDest(); !error.empty()) ShowError(error);
        Refresh();
        return;
    }
    if (tag == 1) {
        if (const std::string error = logic_.CanChangeSource(); !error.empty()) {
            ShowError(error);
            return;
        }
    }
    const std::string& current = tag == 1 ? logic_.SourceFolder : logic_.DestFolder;
    const std::string start =
        RemoveTrailingBackslash(DirExists(current) ? current : logic_.DefaultFolder);
    const QString chosen = QFileDialog::getExistingDirectory(this, Q(tag == 1 ? t.M6 : t.M8),
                                                             QString::fromStdString(start));
    if (chosen.isEmpty()) return;
    if (tag == 1) {
        logic_.ChooseSource(chosen.toStdString());
        monitor_->Watch(logic_.SourceFolder);
        FillSourceList();
    } else {
        logic_.ChooseDest(chosen.toStdString());
    }
    Refresh();
}

void TForm1::AddAllSub() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const FileCon::TreeResult result = logic_.AddAllSub([this](std::size_t found) {
        hintBar_->setText(" " + QString::number(found));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    });
    QApplication::restoreOverrideCursor();
    hintBar_->clear();
    if (!result.refused.empty()) ShowError(result.refused);
    ReportUnreadable(result.unreadable);
    Refresh();
}

void TForm1::ConvertNow() {
    running_ = true;
    stopRequested_ = false;
    statusClock_.invalidate();
    progress_->setValue(0);
    Refresh();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const RunResult result = RunBatch(logic_, settings_, *this, *converter_, services_.sound);
    EndRun();
    if (result.stopped) hintBar_->setText(" " + Q(FileConTextsFor(logic_.Lang).RunStopped));
    if (result.converted) progress_->setValue(progress_->maximum());
    if (result.refusedDestination) ChooseFolder(2);
}

void TForm1::EndRun() {
    if (!running_) return;
    previews_->Clear();
    QApplication::restoreOverrideCursor();
    running_ = false;
    hintBar_->clear();
    Refresh();
}

void TForm1::EditFilter() {
    TFilterEditor editor(logic_.FilterText, logic_.Lang, UiCharsetOf(logic_.Lang), this);
    if (editor.exec() != QDialog::Accepted) return;
    logic_.FilterText = editor.Filter();
    FillFilter();
    FillSourceList();
    Refresh();
}

void TForm1::ShowError(const std::string& text) {
    QMessageBox::critical(this, windowTitle(), Q(text));
}

void TForm1::ShowInfo(const std::string& text) {
    QMessageBox::information(this, windowTitle(), Q(text));
}

OverwriteAnswer TForm1::AskOverwrite(const std::string& path) {
    return AskDuplicate(path, logic_.Lang, this);
}

void TForm1::Status(const std::string& hint, const RunProgress& progress) {
    // Small files pass by the thousand: the window is drawn and asked for Stop
    // a few dozen times a second, not for each of them. After Stop only the
    // few files under way come, and the bar is to end at the last of them.
    const bool last = progress.filesDone >= progress.filesTotal;
    if (statusClock_.isValid() && statusClock_.elapsed() < TickMs && !last && !stopRequested_)
        return;
    statusClock_.start();
    hintBar_->setText(" " + QString::fromStdString(hint));
    const double share =
        progress.bytesTotal   ? static_cast<double>(progress.bytesDone) / progress.bytesTotal
        : progress.filesTotal ? static_cast<double>(progress.filesDone) / progress.filesTotal
                              : 0;
    progress_->setValue(static_cast<int>(share * progress_->maximum()));
    progress_->setFormat(QString("%1/%2").arg(progress.filesDone).arg(progress.filesTotal));
    QApplication::processEvents();
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip && !running_) {
        hintBar_->setText(" " + static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && services_.help) {
        services_.help->ShowContext(FileWindowHelpContext + 10 * static_cast<int>(logic_.Lang));
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm1::SaveSettings() {
    IniFile ini(SettingsPath());
    logic_.Save(ini);
    previews_->Save(ini);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event); // through reject()
}

// Every way out (Close, Escape, the window's close box) comes here; none while
// a run is going.
void TForm1::reject() {
    if (running_) return;
    SaveSettings();
    monitor_->Watch("");
    QDialog::reject();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!running_ && !logic_.IncludesSubfolders && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    TakePaths(paths);
    event->acceptProposedAction();
}

} // namespace tessarim
