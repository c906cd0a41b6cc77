#include "filewin/DupPrompt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tessarim {

namespace {

struct DupTexts {
    const char *heading, *question, *noteHeading, *note;
    const char* buttons[4];
};

// The note's lines are separated by a single carriage return.
const DupTexts Texts[3] = {
    {"Duplicate file found in target folder.",
     "Overwrite or not?",
     "* Note:",
     "If you choose ' No ', a new file will be created\rin target folder.\rThe new file name "
     "will be:\roriginal filename + '-gb' or '-b5' + file extension\r(depends on the mode of "
     "convertion)",
     {"Yes", "No", "Yes to All", "No to All"}},
    {"目的地發現同名檔案",
     "是否覆蓋原檔案？",
     "* 注意：",
     "如果選‘否’﹐則新檔案會用\r另一名字存於目的地。\r新檔案名稱為:\r原檔案名稱 + '-gb' 或 "
     "'-b5' + 副檔名\r(視乎轉換模式而定)",
     {"是", "否", "全部是", "全部否"}},
    {"目的地发现同名文件",
     "是否覆盖原文件？",
     "* 注意：",
     "如果选‘否’，则新文件会用\r另一名字存于目的地。\r新文件名为:\r原文件名 + '-gb' 或 "
     "'-b5' + 副档名\r(视乎转换模式而定)",
     {"是", "否", "全部是", "全部否"}},
};

} // namespace

TForm6::TForm6(const std::string& destination, std::int64_t lang, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TForm6");
    setWindowTitle("Tessarim");
    const DupTexts& t = Texts[lang == 1 ? 1 : lang == 2 ? 2 : 0];
    auto* layout = new QGridLayout(this);
    const QString texts[] = {t.heading, QString::fromStdString(destination), t.question,
                             t.noteHeading, QString(t.note).replace('\r', '\n')};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(texts[i], this);
        label->setObjectName(QString("igLabel%1").arg(i + 1));
        label->setAccessibleName(texts[i]);
        if (i == 1) label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label, i, 0);
    }
    auto* buttons = new QHBoxLayout;
    const OverwriteAnswer answers[] = {OverwriteAnswer::Yes, OverwriteAnswer::No,
                                       OverwriteAnswer::YesToAll, OverwriteAnswer::NoToAll};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(t.buttons[i], this);
        button->setObjectName(QString("igButton%1").arg(i + 1));
        button->setAccessibleName(t.buttons[i]);
        button->setAutoDefault(i == 0);
        connect(button, &QPushButton::clicked, this, [this, answer = answers[i]] {
            answer_ = answer;
            accept();
        });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons, 5, 0);
}

OverwriteAnswer AskDuplicate(const std::string& destination, std::int64_t lang, QWidget* parent) {
    TForm6 prompt(destination, lang, parent);
    prompt.exec();
    return prompt.Answer();
}

} // namespace tessarim
