#include "mainwin/About.h"

#include "data/Version.h"
#include "platform/Help.h"
#include "platform/UiFonts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace tessarim {

namespace {

constexpr int TurnMs = 2400;
constexpr int FrameMs = 40;

struct CharacterPair {
    const char* simplified;
    const char* traditional;
};
constexpr CharacterPair Pairs[] = {{"简", "繁"}, {"汉", "漢"}, {"转", "轉"}, {"码", "碼"}};

struct AboutTexts {
    const char* caption;
    const char* version;
    const char* description;
    const char* ok;
    const char* help;
};
constexpr AboutTexts Texts[] = {
    {"About", "Version ", "Converts Chinese text between GBK, Big5 and Unicode", "OK", "&Help"},
    {"關於本程式", "版本 ", "GBK、Big5 及統一碼中文內碼轉換工具", "確定", "說明(&H)"},
    {"关于本程式", "版本 ", "GBK、Big5 及统一码中文内码转换工具", "确定", "说明(&H)"},
};

} // namespace

AnimatedPicture::AnimatedPicture(QWidget* parent) : QWidget(parent) {
    setObjectName("Picture");
    setFixedSize(96, 96);
    timer_.setInterval(FrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] { SetTime(time_ + FrameMs); });
}

void AnimatedPicture::SetTime(int milliseconds) {
    time_ = milliseconds % (TurnMs * static_cast<int>(std::size(Pairs)));
    update();
}

void AnimatedPicture::showEvent(QShowEvent*) {
    timer_.start();
}

void AnimatedPicture::hideEvent(QHideEvent*) {
    timer_.stop();
}

void AnimatedPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const CharacterPair& pair = Pairs[time_ / TurnMs];
    // Half a turn shows each face; the card narrows to an edge between them.
    const double phase = static_cast<double>(time_ % TurnMs) / TurnMs;
    const double turn = std::cos(phase * 2 * std::numbers::pi);
    const bool front = turn >= 0;
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(std::max(std::abs(turn), 0.02), 1.0);
    const QRectF card(-40, -40, 80, 80);
    p.setPen(QPen(QColor(20, 50, 110), 2));
    p.setBrush(front ? QColor(40, 90, 170) : QColor(180, 40, 40));
    p.drawRoundedRect(card, 10, 10);
    QFont font = UiFont(front ? CharsetGb2312 : CharsetBig5, QWidget::font());
    font.setPixelSize(52);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(card, Qt::AlignCenter,
               QString::fromUtf8(front ? pair.simplified : pair.traditional));
}

TAboutBox::TAboutBox(std::int64_t lang, int charset, HelpViewer& help, QWidget* parent)
    : QDialog(parent), help_(help),
      helpBase_(lang >= 0 && lang <= 2 ? 10 * static_cast<int>(lang) : 0) {
    setObjectName("AboutBox");
    const AboutTexts& texts = Texts[helpBase_ / 10];
    setWindowTitle(QString::fromUtf8(texts.caption));
    setFont(UiFont(charset, font()));

    auto* name = new QLabel("Tessarim", this);
    name->setObjectName("ProductName");
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QString::fromUtf8(texts.version) + VersionString(), this);
    version->setObjectName("Version");
    auto* description = new QLabel(QString::fromUtf8(texts.description), this);
    description->setObjectName("Comments");
    auto* ok = new QPushButton(QString::fromUtf8(texts.ok), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    auto* helpButton = new QPushButton(QString::fromUtf8(texts.help), this);
    helpButton->setObjectName("HelpButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(helpButton, &QPushButton::clicked, this, [this] { help_.ShowContext(1 + helpBase_); });

    auto* words = new QVBoxLayout;
    words->addWidget(name);
    words->addWidget(version);
    words->addWidget(description);
    words->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(new AnimatedPicture(this));
    top->addSpacing(12);
    top->addLayout(words);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(helpButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help_.ShowContext(7 + helpBase_);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tessarim
