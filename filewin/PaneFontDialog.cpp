#include "filewin/PaneFontDialog.h"

#include "filewin/Preview.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace tessarim {

namespace {

QColor FromBgr(std::int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

std::int32_t ToBgr(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

} // namespace

QFont PaneFontOf(const FontSpec& spec, const QFont& base) {
    QFont font = base;
    if (spec.face && !spec.face->empty()) font.setFamily(QString::fromStdString(*spec.face));
    if (spec.size && *spec.size > 0) font.setPointSize(*spec.size);
    return font;
}

QColor PaneColourOf(const FontSpec& spec, const QColor& fallback) {
    // Negative values name system colours, which this desktop does not have.
    return spec.color && *spec.color >= 0 ? FromBgr(*spec.color) : fallback;
}

PaneFontDialog::PaneFontDialog(const FontSpec& font, QWidget* parent)
    : QDialog(parent), bgr_(font.color && *font.color >= 0 ? *font.color : 0) {
    setObjectName("FontDialog1");
    setWindowTitle("Font");
    face_ = new QFontComboBox(this);
    face_->setAccessibleName("Font");
    face_->setCurrentFont(PaneFontOf(font, QDialog::font()));
    size_ = new QSpinBox(this);
    size_->setAccessibleName("Size");
    size_->setRange(4, 96);
    size_->setValue(font.size && *font.size > 0 ? *font.size : QDialog::font().pointSize());
    colour_ = new QPushButton(this);
    colour_->setAccessibleName("Colour");
    charset_ = new QComboBox(this);
    charset_->setAccessibleName("Script");
    charset_->addItem("Western", PaneCharsetLatin);
    charset_->addItem("Simplified Chinese (GB2312)", PaneCharsetGb2312);
    charset_->addItem("Traditional Chinese (Big5)", PaneCharsetBig5);
    const int index = charset_->findData(font.charset.value_or(PaneCharsetLatin));
    charset_->setCurrentIndex(index < 0 ? 0 : index);
    ShowColour();
    connect(colour_, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(FromBgr(bgr_), this);
        if (!chosen.isValid()) return;
        bgr_ = ToBgr(chosen);
        ShowColour();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("&Font:", face_);
    form->addRow("&Size:", size_);
    form->addRow("&Colour:", colour_);
    form->addRow("Sc&ript:", charset_);
    form->addRow(buttons);
}

void PaneFontDialog::ShowColour() {
    colour_->setText(FromBgr(bgr_).name());
}

FontSpec PaneFontDialog::Font() const {
    return {.face = face_->currentFont().family().toStdString(),
            .size = size_->value(),
            .color = bgr_,
            .charset = charset_->currentData().toInt()};
}

} // namespace tessarim
