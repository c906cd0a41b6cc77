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

QFont FontOf(const FontSpec& spec, const QFont& base) {
    QFont font = base;
    if (spec.face) font.setFamily(QString::fromStdString(*spec.face));
    if (spec.size && *spec.size > 0) font.setPointSize(*spec.size);
    return spec.charset ? UiFont(*spec.charset, font) : font;
}

std::optional<QColor> ColorOf(const FontSpec& spec) {
    // Negative numbers stand for system colours, which the desktop's palette has.
    if (!spec.color || *spec.color < 0 || *spec.color > 0xFFFFFF) return std::nullopt;
    const auto c = static_cast<std::uint32_t>(*spec.color);
    return QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
}

std::optional<FontSpec> ChooseFont(QWidget* parent, const FontSpec& current) {
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
    FontSpec chosen;
    chosen.face = face->currentFont().family().toStdString();
    chosen.size = size->value();
    chosen.color = ColorNumber(colour);
    chosen.charset = script->currentData().toInt();
    return chosen;
}

} // namespace tessarim
