#include "tools/KeyInputForm.h"

#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/Message.h"
#include "platform/UiFonts.h"
#include "tools/WinTitleForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace tessarim {

namespace {

const QColor Design(130, 179, 253);
const QColor Hover(163, 186, 254);
const QColor Inactive(192, 192, 192);
constexpr int ResizeBorder = 4;

QRect ScreenRect(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TKeySender::TKeySender(KeySenderLogic& logic, SendKeyState& state, DesktopWindows& windows,
                       int codePage, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      logic_(logic), state_(state), windows_(windows) {
    setObjectName("TTessarim_SendKey");
    setWindowTitle(KeySenderCaption);
    setAutoFillBackground(true);
    state_.TargetWindow = 0;
    state_.KeysAfterText.clear();

    getTitle_ = new QPushButton(this);
    getTitle_->setObjectName("GetTitle");
    entry_ = new QLineEdit(this);
    entry_->setObjectName("Edit1");
    toggle_ = new QFrame(this);
    toggle_->setObjectName("TogglePanel");
    toggle_->setAutoFillBackground(true);
    auto* toggleLayout = new QHBoxLayout(toggle_);
    toggleLayout->setContentsMargins(0, 0, 0, 0);
    toggleLayout->setSpacing(0);
    auto* group = new QButtonGroup(this);
    const auto toggleButton = [&](const char* name, const char* caption) {
        auto* button = new QToolButton(toggle_);
        button->setObjectName(name);
        button->setText(caption);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        group->addButton(button);
        toggleLayout->addWidget(button);
        return button;
    };
    gToB_ = toggleButton("GtoB", "G>B");
    bToG_ = toggleButton("BtoG", "B>G");
    (DefaultSendDirection(codePage) == GbToBig5 ? gToB_ : bToG_)->setChecked(true);
    close_ = new QToolButton(this);
    close_->setObjectName("CloseBtn");
    close_->setText("X");
    close_->setFocusPolicy(Qt::NoFocus);

    connect(getTitle_, &QPushButton::clicked, this, [this] { GetTitleClick(); });
    connect(entry_, &QLineEdit::returnPressed, this, [this] { SendLine(); });
    connect(close_, &QToolButton::clicked, this, [this] { close(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState s) { Paint(s == Qt::ApplicationActive); });

    const int height = entry_->sizeHint().height() + 8;
    const QRect screen = ScreenRect(this);
    const BarRect start = InitialBarRect(screen.width(), screen.height(), height);
    setGeometry(start.x, start.y, start.width, start.height);
    setMinimumWidth(240);
    setFixedHeight(height);
    Paint(true);
    UpdateLang(0);
}

void TKeySender::Paint(bool active) {
    const QColor colour = active ? Design : Inactive;
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(toggle_)}) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, colour);
        widget->setPalette(palette);
    }
    getTitle_->setStyleSheet(
        active ? QString("QPushButton { background: %1; } QPushButton:hover { background: %2; }")
                     .arg(Design.name(), Hover.name())
               : QString("QPushButton { background: %1; }").arg(Inactive.name()));
}

void TKeySender::UpdateLang(std::int64_t lang) {
    const KeySenderTexts* texts = KeySenderTextsFor(lang);
    if (!texts) return;
    lang_ = lang;
    getTitle_->setText(texts->GetTitle);
    getTitle_->setToolTip(texts->GetTitleHint);
    getTitle_->setAccessibleName(texts->GetTitle);
    getTitle_->setAccessibleDescription(texts->GetTitleHint);
    gToB_->setToolTip(texts->GtoBHint);
    gToB_->setAccessibleName(texts->GtoBHint);
    bToG_->setToolTip(texts->BtoGHint);
    bToG_->setAccessibleName(texts->BtoGHint);
    close_->setToolTip(texts->CloseHint);
    close_->setAccessibleName(texts->CloseHint);
    entry_->setAccessibleName(KeySenderCaption);
    LayOut();
}

void TKeySender::UpdateCharset(int charset) {
    charset_ = charset;
    getTitle_->setFont(UiFont(charset, QApplication::font()));
    LayOut();
}

void TKeySender::Open() {
    UpdateLang(lang_);
    show();
    raise();
    activateWindow();
    entry_->setFocus();
}

void TKeySender::LayOut() {
    const int h = entry_->sizeHint().height();
    getTitle_->setGeometry(4, 4, std::max(getTitle_->sizeHint().width(), 60), h);
    close_->setGeometry(width() - h - 12, 4, h, h);
    const int panelWidth = gToB_->sizeHint().width() + bToG_->sizeHint().width();
    const int panelLeft = close_->x() - panelWidth - 8;
    toggle_->setGeometry(panelLeft, 4, panelWidth, h);
    const int entryLeft = getTitle_->geometry().right() + 1 + 8;
    entry_->setGeometry(entryLeft, 4, std::max(panelLeft - entryLeft - 8, 20), h);
}

void TKeySender::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void TKeySender::closeEvent(QCloseEvent* event) {
    // Closing only hides: the bar keeps its place and its target.
    hide();
    event->ignore();
}

void TKeySender::GetTitleClick() {
    TFormEnumWin dialog(state_, windows_, lang_, charset_, this);
    dialog.SetHelp(help_);
    dialog.exec();
    activateWindow();
    entry_->setFocus();
}

void TKeySender::SendLine() {
    std::u16string line = entry_->text().toStdU16String();
    const Direction direction = gToB_->isChecked() ? GbToBig5 : Big5ToGb;
    const auto result = logic_.Send(line, direction);
    const KeySenderTexts* texts = KeySenderTextsFor(lang_);
    switch (result) {
    case KeySenderLogic::SendResult::NoTarget:
        ShowMessage(MessageKind::Error,
                    LineBreaks((texts ? texts : KeySenderTextsFor(0))->NoWindow));
        GetTitleClick();
        return;
    case KeySenderLogic::SendResult::NotActivated:
        ShowMessage(MessageKind::Error,
                    "The target window did not take the keyboard, so nothing was sent.\r\n"
                    "Your text is still in the entry.");
        return;
    case KeySenderLogic::SendResult::Sent:
        entry_->setText(QString::fromStdU16String(line));
        raise();
        return;
    }
}

void TKeySender::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && help_) {
        help_->ShowContext(KeySenderHelpContext(lang_));
        return;
    }
    QWidget::keyPressEvent(event);
}

void TKeySender::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int x = event->position().toPoint().x();
    drag_ = x < ResizeBorder ? Drag::Left : x >= width() - ResizeBorder ? Drag::Right : Drag::Move;
    dragStart_ = event->globalPosition().toPoint();
    startGeometry_ = geometry();
}

void TKeySender::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (drag_ == Drag::None) {
        setCursor(x < ResizeBorder || x >= width() - ResizeBorder ? Qt::SizeHorCursor
                                                                  : Qt::ArrowCursor);
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - dragStart_;
    QRect r = startGeometry_;
    if (drag_ == Drag::Move) r.translate(delta);
    if (drag_ == Drag::Left) r.setLeft(std::min(r.left() + delta.x(), r.right() - minimumWidth()));
    if (drag_ == Drag::Right)
        r.setRight(std::max(r.right() + delta.x(), r.left() + minimumWidth()));
    const QRect screen = ScreenRect(this);
    const BarRect kept =
        KeepOnScreen({r.x(), r.y(), r.width(), r.height()}, screen.width(), screen.height());
    setGeometry(kept.x, kept.y, kept.width, kept.height);
}

void TKeySender::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
}

} // namespace tessarim
