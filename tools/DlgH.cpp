#include "tools/DlgH.h"

#include "platform/Dialogs.h"
#include "platform/UiFonts.h"
#include "tools/KeyInput.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessarim {

const HintsTexts* HintsTextsFor(std::int64_t lang) {
    static const HintsTexts texts[] = {
        {"Use Keywods below to stimulate keystrokes\rin target application",
         "Keys such as 1..0, a..z, A..Z and other symbols:",
         "Just type the corresponding character direct.",
         "** Note: Double-byte chinese character is not allowed."},
        {"用下列關鍵字模擬目標程式之相對按鍵。", "1..0, a..z, A..Z 及其它非關鍵字符號：",
         "直接鍵入。", "** 注意：不得鍵入中文字符。"},
        {"用下列关键字模拟目标程式之相对按键。", "1..0, a..z, A..Z 及其它非关键字符号：",
         "直接键入。", "** 注意：不得键入中文字符。"},
    };
    return lang >= 0 && lang <= 2 ? &texts[lang] : nullptr;
}

THintsDlg::THintsDlg(std::int64_t lang, int charset, QWidget* parent) : QDialog(parent) {
    setObjectName("THintsDlg");
    setWindowTitle("Hints");
    const HintsTexts* texts = HintsTextsFor(lang);
    if (!texts) texts = HintsTextsFor(0);
    const QFont font = UiFont(charset, QApplication::font());
    const auto label = [&](const char* name, const char* text) {
        auto* widget = new QLabel(QString::fromStdString(DialogText(LineBreaks(text))), this);
        widget->setObjectName(name);
        widget->setFont(font);
        return widget;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label("heading", texts->Heading));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const auto& table = KeywordTable();
    const int half = KeywordCount / 2;
    for (int i = 0; i < KeywordCount; ++i) {
        const int column = (i / half) * 2;
        auto* keyword = new QLabel(table[static_cast<std::size_t>(i)].keyword, this);
        keyword->setStyleSheet("font-weight: bold");
        grid->addWidget(keyword, i % half, column);
        grid->addWidget(new QLabel(table[static_cast<std::size_t>(i)].meaning, this), i % half,
                        column + 1);
    }
    layout->addLayout(grid);
    layout->addWidget(label("otherKeys", texts->OtherKeys));
    layout->addWidget(label("how", texts->How));
    layout->addWidget(label("note", texts->Note));
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setAccessibleName("OK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

} // namespace tessarim
