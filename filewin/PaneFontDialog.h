#pragma once
// The pane font dialog: face, size, colour and the character set the pane
// decodes GBK or Big5 text with. Its result is the font setting's four fields.
#include "settings/Settings.h"

#include <QDialog>

class QComboBox;
class QFontComboBox;
class QPushButton;
class QSpinBox;

namespace tessarim {

class PaneFontDialog : public QDialog {
    Q_OBJECT
public:
    PaneFontDialog(const FontSpec& font, QWidget* parent = nullptr);
    FontSpec Font() const;

private:
    void ShowColour();

    QFontComboBox* face_;
    QSpinBox* size_;
    QPushButton* colour_;
    QComboBox* charset_;
    std::int32_t bgr_;
};

// The font of a font setting over a base font, and its colour as RGB.
QFont PaneFontOf(const FontSpec& spec, const QFont& base);
QColor PaneColourOf(const FontSpec& spec, const QColor& fallback);

} // namespace tessarim
