#include "tools/ClipFrm.h"

#include "mainwin/ClipMon.h"
#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/Help.h"
#include "platform/UiFonts.h"
#include "settings/ProgramSettings.h"
#include "tools/ClipViewer.h"
#include "tools/FontDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

namespace tessarim {

namespace {

constexpr int DesignedWidth = 480;
constexpr int DesignedHeight = 360;

ViewerRect ToViewerRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

// The 8-bit text of a CF_TEXT block, up to its zero byte.
std::string AnsiTextOfBlock(const std::string& block) {
    return block.substr(0, block.find('\0'));
}

} // namespace

TClipForm::TClipForm(Clipboard& clipboard, const ProgramSettings& settings, HelpViewer& help,
                     int systemCodePage, QWidget* parent)
    : QMainWindow(parent), clipboard_(clipboard), settings_(settings), help_(help),
      codePage_(systemCodePage), textsCodePage_(LocaleCodePageForDefaults()) {
    setObjectName("TClipForm");
    auto* central = new QWidget(this);
    auto* top = new QWidget(central);
    top->setObjectName("Panel1");
    title_ = new QLabel("Tessarim", top);
    title_->setObjectName("Label1");
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    wordWrap_ = new QCheckBox(top);
    wordWrap_->setObjectName("cb_WordWarp");
    wordWrap_->setChecked(true);
    fontButton_ = new QToolButton(top);
    fontButton_->setObjectName("btnFont");
    fontButton_->setText("A");
    close_ = new QPushButton(top);
    close_->setObjectName("btnClose");
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(title_);
    row->addStretch();
    row->addWidget(wordWrap_);
    row->addWidget(fontButton_);
    row->addWidget(close_);
    memo_ = new QPlainTextEdit(central);
    memo_->setObjectName("Memo1");
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(top);
    column->addWidget(memo_);
    setCentralWidget(central);
    statusBar()->setObjectName("StatusBar1");

    connect(wordWrap_, &QCheckBox::toggled, this, [this](bool wrap) {
        memo_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        memo_->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    });
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(fontButton_, &QToolButton::clicked, this, [this] {
        if (const auto chosen = ChooseFont(this, font_)) font_ = *chosen;
        ApplyFont();
        UpdateMemo();
    });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });

    resize(DesignedWidth, DesignedHeight);
    const IniFile ini(SettingsPath());
    if (settings_.RemLastPos) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        const ViewerRect screen = primary ? ToViewerRect(primary->geometry())
                                          : ViewerRect{0, 0, DesignedWidth, DesignedHeight};
        std::vector<ViewerRect> screens;
        for (const QScreen* each : QGuiApplication::screens())
            screens.push_back(ToViewerRect(each->availableGeometry()));
        const ViewerRect placed =
            BringOnScreen(SavedViewerRect(ini, DesignedWidth, DesignedHeight, screen), screens);
        setGeometry(placed.left, placed.top, placed.width, placed.height);
    }
    font_ = Read(ini, keys::ClipFont);
    ApplyFont();
    Activated();
}

TClipForm::~TClipForm() = default;

void TClipForm::Open() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void TClipForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || monitor_) return;
    monitor_ = std::make_unique<TClipboardMonitor>();
    monitor_->OnChange = [this] {
        if (isVisible()) UpdateMemo();
    };
    UpdateMemo();
}

void TClipForm::closeEvent(QCloseEvent* event) {
    if (settings_.RemLastPos) {
        try {
            IniFile ini(SettingsPath());
            SaveViewer(ini, ToViewerRect(normalGeometry()), font_);
        } catch (const IniWriteError&) {
            // The viewer shows no messages; its place is simply not kept.
        }
    }
    monitor_.reset();
    event->accept();
}

void TClipForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activated();
}

void TClipForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help_.ShowContext(ViewerHelpContext(settings_.Lang));
        return;
    }
    // A viewer glanced at is put away as a dialog is; closing only hides it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TClipForm::Activated() {
    setWindowTitle(QString::fromUtf8(ViewerTextsFor(textsCodePage_).caption));
    UpdateCharset();
    UpdateLang();
}

void TClipForm::UpdateCharset() {
    const QFont font = UiFont(ViewerCharset(textsCodePage_), QApplication::font());
    wordWrap_->setFont(font);
    close_->setFont(font);
}

void TClipForm::UpdateLang() {
    const ViewerTexts& texts = ViewerTextsFor(textsCodePage_);
    wordWrap_->setText(QString::fromUtf8(texts.wordWrap));
    wordWrap_->setAccessibleName(QString::fromUtf8(texts.wordWrap));
    fontButton_->setToolTip(QString::fromUtf8(texts.fontHint));
    fontButton_->setAccessibleName(QString::fromUtf8(texts.fontHint));
    close_->setText(QString::fromUtf8(texts.close));
    close_->setAccessibleName(QString::fromUtf8(texts.close));
    memo_->setAccessibleName(QString::fromUtf8(texts.textName));
    statusBar()->setAccessibleName(QString::fromUtf8(texts.statusName));
}

void TClipForm::SetMemoFont(const FontSetting& font) {
    font_ = font;
    ApplyFont();
    UpdateMemo();
}

void TClipForm::ApplyFont() {
    memo_->setFont(FontOf(font_, QApplication::font()));
    QPalette palette = memo_->palette();
    palette.setColor(QPalette::Text,
                     ColorOf(font_).value_or(QApplication::palette().text().color()));
    memo_->setPalette(palette);
}

void TClipForm::UpdateMemo() {
    if (!clipboard_.IsClipboardFormatAvailable(CF_UNICODETEXT) &&
        !clipboard_.IsClipboardFormatAvailable(CF_TEXT))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::u16string unicode;
    std::string ansi;
    {
        ClipboardSession session(clipboard_);
        if (const auto block = clipboard_.GetClipboardData(CF_UNICODETEXT))
            unicode = UnicodeTextOfBlock(*block);
        if (unicode.empty())
            if (const auto block = clipboard_.GetClipboardData(CF_TEXT))
                ansi = AnsiTextOfBlock(*block);
    }
    const auto text = ViewerText(unicode, ansi, codePage_, font_.charset.value_or(0));
    if (text) memo_->setPlainText(QString::fromUtf16(text->data(), qsizetype(text->size())));
    QApplication::restoreOverrideCursor();
}

} // namespace tessarim
