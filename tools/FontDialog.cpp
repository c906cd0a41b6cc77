#include "tools/FontDialog.h"

#include "platform/UiFonts.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace tessarim {

namespace {

std::int32_t ColorNumber(const QColor& color) {
    return color.red() | color.green() << 8 | color.blue() << 16;
}

} // namespace

QFont FontOf(const FontSetting& setting, const QFont& base) {
    QFont font = base;
    if (setting.face && !setting.face->empty())
        font.setFamily(QString::fromStdString(*setting.face));
    if (setting.size && *setting.size > 0) font.setPointSize(*setting.size);
    return setting.charset ? UiFont(*setting.charset, font) : font;
}

std::optional<QColor> ColorOf(const FontSetting& setting) {
    // Negative numbers stand for system colours, which the desktop's palette has.
    if (!setting.color || *setting.color < 0 || *setting.color > 0xFFFFFF) return std::nullopt;
    const auto c = static_cast<std::uint32_t>(*setting.color);
    return QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
}

std::optional<FontSetting> ChooseFont(QWidget* parent, const FontSetting& current) {
    QDialog dialog(parent);
    dialog.setObjectName("FontDialog1");
    dialog.setWindowTitle("Font");
    auto* face = new QFontComboBox(&dialog);
    face->setObjectName("Face");
    face->setAccessibleName("Font");
    face->setCurrentFont(FontOf(current, dialog.font()));
    auto* size = new QSpinBox(&dialog);
    size->setObjectName("Size");
    size->setAccessibleName("Size");
    size->setRange(6, 72);
    size->setValue(current.size && *current.size > 0 ? *current.size : dialog.font().pointSize());
    QColor colour = ColorOf(current).value_or(dialog.palette().text().color());
    auto* colourButton = new QPushButton(colour.name(), &dialog);
    colourButton->setObjectName("Colour");
    colourButton->setAccessibleName("Colour");
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(colour, &dialog);
        if (chosen.isValid()) {
            colour = chosen;
            colourButton->setText(colour.name());
        }
    });
    auto* script = new QComboBox(&dialog);
    script->setObjectName("Script");
    script->setAccessibleName("Script");
    script->addItem("Western", CharsetAnsi);
    script->addItem("Simplified Chinese (GB2312)", CharsetGb2312);
    script->addItem("Traditional Chinese (Big5)", CharsetBig5);
    if (const int at = script->findData(current.charset.value_or(CharsetAnsi)); at >= 0)
        script->setCurrentIndex(at);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow("Font", face);
    form->addRow("Size", size);
    form->addRow("Colour", colourButton);
    form->addRow("Script", script);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    FontSetting chosen;
    chosen.face = face->currentFont().family().toStdString();
    chosen.size = size->value();
    chosen.color = ColorNumber(colour);
    chosen.charset = script->currentData().toInt();
    return chosen;
}

} // namespace tessarim
