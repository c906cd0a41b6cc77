#include "tools/OptionFrm.h"

#include "platform/CodePage.h"
#include "platform/Help.h"
#include "platform/Message.h"
#include "platform/ShellLinks.h"
#include "platform/UiFonts.h"
#include "platform/WindowSize.h"
#include "settings/OptionTexts.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tessarim {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

template <class Widget>
void Caption(Widget* widget, const char* text) {
    widget->setText(QString::fromUtf8(text));
    widget->setAccessibleName(QString::fromUtf8(text).trimmed());
}

void Name(QWidget* widget, const char* text) {
    widget->setAccessibleName(QString::fromUtf8(text).trimmed());
}

template <class Widget>
Widget* Make(QWidget* parent, const char* objectName) {
    auto* widget = new Widget(parent);
    widget->setObjectName(objectName);
    return widget;
}

} // namespace

TForm5::TForm5(ProgramSettings& running, OptionsHost& host, HelpViewer& help, OptionsDoors doors,
               QWidget* parent)
    : QDialog(parent), logic_(running, host), help_(help), doors_(std::move(doors)) {
    setObjectName("TForm5");
    setWindowTitle(Q(OptionsCaption(LocaleCodePageForDefaults())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    pages_ = Make<QTabWidget>(this, "PageControl1");
    pages_->addTab(BuildInterfacePage(), QString());
    pages_->addTab(BuildConversionPage(), QString());
    close_ = Make<QPushButton>(this, "BitBtn1");
    close_->setAutoDefault(false);
    connect(close_, &QPushButton::clicked, this, [this] { close(); });

    // The pages scroll only on a screen too small for them (a large scale
    // factor), with Close in sight below them.
    pagesScroll_ = new QScrollArea(this);
    pagesScroll_->setObjectName("PagesScroll");
    pagesScroll_->setFrameShape(QFrame::NoFrame);
    pagesScroll_->setWidgetResizable(true);
    // Not a stop of its own for Tab: it scrolls to whichever control has the focus.
    pagesScroll_->setFocusPolicy(Qt::NoFocus);
    pagesScroll_->setWidget(pages_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pagesScroll_);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close_);
    layout->addLayout(bottom);

    TakeControls();
}

QWidget* TForm5::BuildInterfacePage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet1");

    langGroup_ = Make<QGroupBox>(page, "LangGroupBox");
    auto* langs = new QVBoxLayout(langGroup_);
    const std::pair<std::int64_t, const char*> buttons[] = {
        {0, "rb_Eng"}, {1, "rb_B5"}, {2, "rb_GB"}};
    for (const auto& [lang, name] : buttons) {
        auto* button = Make<QRadioButton>(langGroup_, name);
        button->setProperty("tag", static_cast<int>(lang) + 1);
        langs->addWidget(button);
        langButtons_[lang] = button;
        // Toggled, not clicked: keys and assistive technology switch it too.
        connect(button, &QRadioButton::toggled, this, [this, lang = lang](bool on) {
            if (on) LangClick(lang);
        });
    }

    onTop_ = Make<QCheckBox>(page, "cb_onTop");
    autoHide_ = Make<QCheckBox>(page, "cb_AutoHide");
    remLastPos_ = Make<QCheckBox>(page, "cb_RemLastPos");
    msgFinished_ = Make<QCheckBox>(page, "cb_MsgFinished");
    cfmOverwrite_ = Make<QCheckBox>(page, "cb_CfmOverwrite");
    msgClipConFinished_ = Make<QCheckBox>(page, "cb_MsgClipConFinished");
    auto* boxes = new QVBoxLayout;
    for (QCheckBox* box :
         {onTop_, autoHide_, remLastPos_, msgFinished_, cfmOverwrite_, msgClipConFinished_})
        boxes->addWidget(box);
    boxes->addStretch();

    soundGroup_ = Make<QGroupBox>(page, "SoundGroupBox");
    sound_ = Make<QCheckBox>(soundGroup_, "cb_Sound");
    waveLabel_ = Make<QLabel>(soundGroup_, "Label2");
    wave_ = Make<QLineEdit>(soundGroup_, "editWav");
    waveLabel_->setBuddy(wave_);
    waveBrowse_ = Make<QPushButton>(soundGroup_, "btnWav");
    waveBrowse_->setText("...");
    waveBrowse_->setAutoDefault(false);
    waveNote_ = Make<QLabel>(soundGroup_, "Label3");
    auto* soundLayout = new QGridLayout(soundGroup_);
    soundLayout->addWidget(sound_, 0, 0, 1, 3);
    soundLayout->addWidget(waveLabel_, 1, 0);
    soundLayout->addWidget(wave_, 1, 1);
    soundLayout->addWidget(waveBrowse_, 1, 2);
    soundLayout->addWidget(waveNote_, 2, 0, 1, 3);
    connect(sound_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.values.Sound = on;
        wave_->setEnabled(logic_.WaveFileEnabled());
        waveBrowse_->setEnabled(logic_.WaveFileEnabled());
    });
    connect(waveBrowse_, &QPushButton::clicked, this, [this] { BrowseWave(); });

    gapLabel_ = Make<QLabel>(page, "Label6");
    gap_ = Make<QSpinBox>(page, "seGap");
    gap_->setRange(0, GapMax);
    gap_->setSingleStep(GapStep);
    gapLabel_->setBuddy(gap_);

    shortcutBox_ = Make<QGroupBox>(page, "ShortCutBox");
    auto* shortcutLayout = new QGridLayout(shortcutBox_);
    const std::pair<int, const char*> links[] = {
        {7, "btnShortcut1"}, {8, "btnShortcut2"}, {9, "btnShortcut3"}, {10, "btnShortcut4"}};
    for (const auto& [tag, name] : links) {
        auto* button = Make<QPushButton>(shortcutBox_, name);
        button->setProperty("tag", tag);
        button->setAutoDefault(false);
        shortcutLayout->addWidget(button, (tag - 7) / 2, (tag - 7) % 2);
        shortcuts_[tag] = button;
        connect(button, &QPushButton::clicked, this,
                [this, tag = tag] { CreateShortcutClick(tag); });
    }
    hotKey_ = Make<QPushButton>(page, "btnHotKey");
    hotKey_->setAutoDefault(false);
    hotKey_->setEnabled(static_cast<bool>(doors_.openHotKeys));
    connect(hotKey_, &QPushButton::clicked, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (doors_.openHotKeys) doors_.openHotKeys(this);
        });
    });

    auto* grid = new QGridLayout(page);
    grid->addWidget(langGroup_, 0, 0);
    grid->addLayout(boxes, 0, 1);
    grid->addWidget(soundGroup_, 1, 0, 1, 2);
    auto* gapRow = new QHBoxLayout;
    gapRow->addWidget(gapLabel_);
    gapRow->addWidget(gap_);
    gapRow->addStretch();
    grid->addLayout(gapRow, 2, 0, 1, 2);
    grid->addWidget(shortcutBox_, 3, 0);
    auto* hotKeyColumn = new QVBoxLayout;
    hotKeyColumn->addStretch();
    hotKeyColumn->addWidget(hotKey_);
    grid->addLayout(hotKeyColumn, 3, 1);
    return page;
}

QWidget* TForm5::BuildConversionPage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet2");

    folderLabel_ = Make<QLabel>(page, "Label7");
    folder_ = Make<QLineEdit>(page, "EditDefaultDir");
    folderLabel_->setBuddy(folder_);
    folderBrowse_ = Make<QPushButton>(page, "btnDefaultDir");
    folderBrowse_->setText("...");
    folderBrowse_->setAutoDefault(false);
    connect(folderBrowse_, &QPushButton::clicked, this, [this] { BrowseFolder(); });

    ignoreLabel_ = Make<QLabel>(page, "Label4");
    ignore_ = Make<QLineEdit>(page, "editIgnore");
    ignoreLabel_->setBuddy(ignore_);
    ignoreReset_ = Make<QPushButton>(page, "btnResetIgnore");
    ignoreReset_->setAutoDefault(false);
    connect(ignoreReset_, &QPushButton::clicked, this,
            [this] { ignore_->setText(Q(std::string(keys::Ignore.def))); });

    htmlCharset_ = Make<QCheckBox>(page, "cb_htmlcharset");
    htmlType_ = Make<QLineEdit>(page, "editHtmlType");
    htmlTypeReset_ = Make<QPushButton>(page, "btnResetHtmlType");
    htmlTypeReset_->setAutoDefault(false);
    connect(htmlTypeReset_, &QPushButton::clicked, this,
            [this] { htmlType_->setText(Q(std::string(keys::HtmlType.def))); });

    addBom_ = Make<QCheckBox>(page, "cb_AddBOMtoUTF8");
    unn_ = Make<QCheckBox>(page, "cb_UNN");
    cfHtml_ = Make<QCheckBox>(page, "cb_CFHTML");

    replaceBox_ = Make<QGroupBox>(page, "ReplaceBox");
    toBig5_ = Make<QRadioButton>(replaceBox_, "rbGtoB");
    toGbk_ = Make<QRadioButton>(replaceBox_, "rbBtoG");
    editor_ = Make<QPushButton>(replaceBox_, "btnSmartReplace");
    editor_->setAutoDefault(false);
    editor_->setEnabled(static_cast<bool>(doors_.openEditor));
    auto* replaceLayout = new QHBoxLayout(replaceBox_);
    replaceLayout->addWidget(toBig5_);
    replaceLayout->addWidget(toGbk_);
    replaceLayout->addStretch();
    replaceLayout->addWidget(editor_);
    // Opened after the click returns, as assistive technology waits for it.
    connect(editor_, &QPushButton::clicked, this, [this] {
        logic_.smartReplaceToBig5 = toBig5_->isChecked();
        QTimer::singleShot(0, this, [this] {
            if (doors_.openEditor) doors_.openEditor(this, logic_.smartReplaceToBig5);
        });
    });

    auto* grid = new QGridLayout(page);
    grid->addWidget(folderLabel_, 0, 0, 1, 2);
    grid->addWidget(folder_, 1, 0);
    grid->addWidget(folderBrowse_, 1, 1);
    grid->addWidget(ignoreLabel_, 2, 0, 1, 2);
    grid->addWidget(ignore_, 3, 0);
    grid->addWidget(ignoreReset_, 3, 1);
    grid->addWidget(htmlCharset_, 4, 0, 1, 2);
    grid->addWidget(htmlType_, 5, 0);
    grid->addWidget(htmlTypeReset_, 5, 1);
    grid->addWidget(addBom_, 6, 0, 1, 2);
    grid->addWidget(unn_, 7, 0, 1, 2);
    grid->addWidget(cfHtml_, 8, 0, 1, 2);
    grid->addWidget(replaceBox_, 9, 0, 1, 2);
    grid->setRowStretch(10, 1);
    folder_->setMinimumWidth(420);
    return page;
}

void TForm5::TakeControls() {
    const OptionValues& v = logic_.values;
    if (const auto found = langButtons_.find(v.Lang); found != langButtons_.end())
        found->second->setChecked(true);
    sound_->setChecked(v.Sound);
    wave_->setText(Q(v.WaveFile));
    wave_->setEnabled(v.Sound);
    waveBrowse_->setEnabled(v.Sound);
    gap_->setValue(static_cast<int>(std::clamp<std::int64_t>(v.GapWidth, 0, GapMax)));
    onTop_->setChecked(v.AlwaysOnTop);
    autoHide_->setChecked(v.AutoHide);
    onTop_->setEnabled(logic_.BarBoxesEnabled());
    autoHide_->setEnabled(logic_.BarBoxesEnabled());
    remLastPos_->setChecked(v.RemLastPos);
    msgFinished_->setChecked(v.MsgFinished);
    cfmOverwrite_->setChecked(v.CfmOverwrite);
    msgClipConFinished_->setChecked(v.MsgClipConFinished);
    folder_->setText(Q(v.DefaultDir));
    ignore_->setText(Q(v.Ignore));
    htmlCharset_->setChecked(v.FixHtmlCharset);
    htmlType_->setText(Q(v.HtmlType));
    addBom_->setChecked(v.AddBOMtoUTF8);
    unn_->setChecked(v.Fix_UNN);
    cfHtml_->setChecked(v.CF_HTML_Support);
    toBig5_->setChecked(logic_.smartReplaceToBig5);
    toGbk_->setChecked(!logic_.smartReplaceToBig5);
}

void TForm5::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    logic_.Shown();
    UpdateCharset();
    UpdateLang();
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm5::UpdateCharset() {
    setFont(UiFont(logic_.UiCharset(), QApplication::font()));
}

void TForm5::UpdateLang() {
    const OptionTexts* t = OptionTextsFor(logic_.Lang());
    if (!t) return;
    langGroup_->setTitle(QString::fromUtf8(t->LangGroupBox));
    Name(langGroup_, t->LangGroupBox);
    Caption(langButtons_[0], t->rb_Eng);
    Caption(langButtons_[1], t->rb_B5);
    Caption(langButtons_[2], t->rb_GB);
    Caption(onTop_, t->cb_onTop);
    Caption(autoHide_, t->cb_AutoHide);
    Caption(cfmOverwrite_, t->cb_CfmOverwrite);
    Caption(remLastPos_, t->cb_RemLastPos);
    Caption(msgFinished_, t->cb_MsgFinished);
    Caption(msgClipConFinished_, t->cb_MsgClipConFinished);
    soundGroup_->setTitle(QString::fromUtf8(t->SoundGroupBox));
    Name(soundGroup_, t->SoundGroupBox);
    Caption(sound_, t->cb_Sound);
    Caption(waveLabel_, t->waveLabel);
    Name(wave_, t->waveLabel);
    Name(waveBrowse_, t->browseWave);
    Caption(waveNote_, t->waveNote);
    Caption(ignoreLabel_, t->ignoreLabel);
    Name(ignore_, t->ignoreLabel);
    Caption(ignoreReset_, t->reset);
    Caption(htmlTypeReset_, t->reset);
    Caption(close_, t->close);
    shortcutBox_->setTitle(QString::fromUtf8(t->ShortCutBox));
    Name(shortcutBox_, t->ShortCutBox);
    Caption(htmlCharset_, t->cb_htmlcharset);
    Name(htmlType_, t->cb_htmlcharset);
    replaceBox_->setTitle(QString::fromUtf8(t->ReplaceBox));
    Name(replaceBox_, t->ReplaceBox);
    Caption(editor_, t->btnSmartReplace);
    Caption(shortcuts_[7], t->btnShortcut1);
    Caption(shortcuts_[8], t->btnShortcut2);
    Caption(shortcuts_[9], t->btnShortcut3);
    Caption(shortcuts_[10], t->btnShortcut4);
    Caption(folderLabel_, t->defaultDirLabel);
    Name(folder_, t->defaultDirLabel);
    Name(folderBrowse_, t->browseFolder);
    Caption(hotKey_, t->btnHotKey);
    Caption(toBig5_, t->rbGtoB);
    Caption(toGbk_, t->rbBtoG);
    Caption(addBom_, t->cb_AddBOMtoUTF8);
    Caption(cfHtml_, t->cb_CFHTML);
    Caption(unn_, t->cb_UNN);
    pages_->setTabText(0, QString::fromUtf8(t->page1));
    pages_->setTabText(1, QString::fromUtf8(t->page2));
    pages_->widget(0)->setAccessibleName(QString::fromUtf8(t->page1).trimmed());
    pages_->widget(1)->setAccessibleName(QString::fromUtf8(t->page2).trimmed());
    // Tab stops on the pages' tabs: named after both, as a reader says them.
    pages_->setAccessibleName(QString::fromUtf8(t->page1).trimmed() + " / " +
                              QString::fromUtf8(t->page2).trimmed());
    Caption(gapLabel_, t->gapLabel);
    Name(gap_, t->gapLabel);
    // Texts of another length or font: the window takes the size the pages
    // and the Close button need, once their layouts have taken the change in,
    // summed here because a scroll area asks for a fixed few lines only.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QMargins margins = layout()->contentsMargins();
    const QSize pages = pages_->sizeHint().expandedTo(pages_->minimumSizeHint());
    QSize whole(pages.width() + margins.left() + margins.right(),
                pages.height() + layout()->spacing() + close_->sizeHint().height() + margins.top() +
                    margins.bottom());
    setMaximumSize(whole);
    ResizeWithinScreen(*this, whole);
    if (height() < whole.height()) {
        // The pages scroll: room for the scroll bar beside them.
        whole.rwidth() += pagesScroll_->verticalScrollBar()->sizeHint().width();
        setMaximumSize(whole);
        ResizeWithinScreen(*this, whole);
    }
}

void TForm5::LangClick(std::int64_t lang) {
    if (lang == logic_.Lang()) return;
    logic_.ChooseLanguage(lang);
    UpdateCharset();
    UpdateLang();
}

void TForm5::BrowseWave() {
    const QFileInfo current(wave_->text());
    const QString path = QFileDialog::getOpenFileName(this, "Select a wav file",
                                                      current.absoluteFilePath(), "wav (*.wav)");
    if (!path.isEmpty()) wave_->setText(path);
}

void TForm5::BrowseFolder() {
    const QString current = folder_->text();
    const QString start = QFileInfo(current).isDir() ? current : QStringLiteral("/");
    QString chosen = QFileDialog::getExistingDirectory(
        this, Q(FolderDialogLabel(LocaleCodePageForDefaults())), start);
    if (chosen.isEmpty()) return;
    if (!chosen.endsWith('/')) chosen += '/';
    folder_->setText(chosen);
}

void TForm5::CreateShortcutClick(int tag) {
    const ShortcutPlace places[] = {ShortcutPlace::Desktop, ShortcutPlace::StartMenu,
                                    ShortcutPlace::ProgramsMenu, ShortcutPlace::SendTo};
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const ShortcutTarget target{program, QFileInfo(Q(program)).absolutePath().toStdString(),
                                ShortcutDescription};
    if (!CreateShortcut(places[tag - 7], target)) ShowMessage(MessageKind::Error, ShortcutError);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help_.ShowContext(logic_.HelpContext());
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm5::closeEvent(QCloseEvent* event) {
    done(Accepted);
    event->accept();
}

void TForm5::done(int result) {
    if (!closed_) {
        // Escape, the close box and the button all end here: every close saves.
        closed_ = true;
        OptionValues& v = logic_.values;
        v.Sound = sound_->isChecked();
        v.WaveFile = wave_->text().toStdString();
        v.GapWidth = gap_->value();
        v.AlwaysOnTop = onTop_->isChecked();
        v.AutoHide = autoHide_->isChecked();
        v.RemLastPos = remLastPos_->isChecked();
        v.MsgFinished = msgFinished_->isChecked();
        v.CfmOverwrite = cfmOverwrite_->isChecked();
        v.MsgClipConFinished = msgClipConFinished_->isChecked();
        v.DefaultDir = folder_->text().toStdString();
        v.Ignore = ignore_->text().toStdString();
        v.FixHtmlCharset = htmlCharset_->isChecked();
        v.HtmlType = htmlType_->text().toStdString();
        v.AddBOMtoUTF8 = addBom_->isChecked();
        v.Fix_UNN = unn_->isChecked();
        v.CF_HTML_Support = cfHtml_->isChecked();
        logic_.smartReplaceToBig5 = toBig5_->isChecked();
        try {
            for (const std::string& note : logic_.Close())
                ShowMessage(MessageKind::Information, note);
        } catch (const IniWriteError& error) {
            ShowMessage(MessageKind::Error, error.what());
        }
    }
    QDialog::done(result);
}

} // namespace tessarim
