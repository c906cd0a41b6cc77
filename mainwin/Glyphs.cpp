#include "mainwin/Glyphs.h"

#include "platform/UiFonts.h"

#include <QFontMetricsF>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tessarim {

namespace {

const QColor Ink(40, 40, 90);
const QColor Accent(200, 40, 40);
const QColor Paper(250, 250, 240);

// Two characters with an arrow between them: the conversion's direction, in a
// 44 x 20 box.
void DrawConversion(QPainter& p, const QString& from, const QString& to) {
    QFont font = UiFont(CharsetGb2312, QFont());
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRectF(0, 0, 17, 20), Qt::AlignCenter, from);
    p.setPen(Accent);
    p.drawText(QRectF(27, 0, 17, 20), Qt::AlignCenter, to);
    p.setPen(QPen(Accent, 1.6));
    p.drawLine(QPointF(17.5, 10), QPointF(26, 10));
    p.drawLine(QPointF(23, 7), QPointF(26, 10));
    p.drawLine(QPointF(23, 13), QPointF(26, 10));
}

// The same in a square as small as a line of text (a menu's): the character
// the conversion gives, on a tile.
void DrawCompactConversion(QPainter& p, const QString& to) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 235, 225));
    p.drawRoundedRect(QRectF(0.5, 0.5, 19, 19), 3, 3);
    QFont font = UiFont(CharsetGb2312, QFont());
    font.setPixelSize(17);
    p.setFont(font);
    p.setPen(Accent);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, to);
}

// Text fitted to a box of the given size.
void DrawNotation(QPainter& p, const QString& text, QSizeF box) {
    QFont font;
    font.setPixelSize(box.height() >= 20 ? 14 : 11);
    font.setBold(true);
    const qreal width = QFontMetricsF(font).horizontalAdvance(text);
    p.setPen(Ink);
    p.setFont(font);
    if (width > box.width()) {
        p.translate(0, box.height() / 2);
        p.scale(box.width() / width, box.width() / width);
        p.translate(0, -box.height() / 2);
        box.setWidth(width);
    }
    p.drawText(QRectF(QPointF(0, 0), box), Qt::AlignCenter, text);
}

void DrawFile(QPainter& p) {
    QPainterPath page;
    page.moveTo(4, 2);
    page.lineTo(12, 2);
    page.lineTo(16, 6);
    page.lineTo(16, 18);
    page.lineTo(4, 18);
    page.closeSubpath();
    p.fillPath(page, Paper);
    p.drawPath(page);
    p.drawLine(QPointF(12, 2), QPointF(12, 6));
    p.drawLine(QPointF(12, 6), QPointF(16, 6));
    p.setPen(QPen(Accent, 1.2));
    for (int y = 9; y <= 15; y += 3)
        p.drawLine(QPointF(6.5, y), QPointF(13.5, y));
}

void DrawClipboard(QPainter& p) {
    p.setBrush(QColor(205, 170, 110));
    p.drawRoundedRect(QRectF(3.5, 3.5, 13, 15), 1.5, 1.5);
    p.setBrush(Paper);
    p.drawRect(QRectF(5.5, 6, 9, 10.5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(7, 1.5, 6, 3.5), 1, 1);
    p.setPen(QPen(Ink, 1));
    for (int y = 9; y <= 14; y += 2)
        p.drawLine(QPointF(7, y), QPointF(13, y));
}

void DrawKeys(QPainter& p) {
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(1.5, 5.5, 17, 10), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column)
            p.drawRect(QRectF(3.5 + column * 2.8, 7.5 + row * 2.8, 1.8, 1.8));
    p.drawRect(QRectF(6, 13, 8, 1.4));
}

void DrawOptions(QPainter& p) {
    p.translate(10, 10);
    p.setBrush(QColor(170, 175, 190));
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-1.5, -8.5, 3, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5.5, 5.5);
    p.setBrush(Paper);
    p.drawEllipse(QPointF(0, 0), 2.2, 2.2);
}

void DrawAbout(QPainter& p) {
    p.setBrush(QColor(70, 110, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(2, 2, 16, 16));
    p.setPen(Qt::white);
    QFont font;
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, "i");
}

void DrawClose(QPainter& p) {
    p.setPen(QPen(Accent, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(15, 15));
    p.drawLine(QPointF(15, 5), QPointF(5, 15));
}

void DrawProgram(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 170));
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
    QFont font = UiFont(CharsetBig5, QFont());
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QString::fromUtf8("繁"));
}

bool IsWide(Glyph glyph) {
    return glyph == Glyph::BMPFT || glyph == Glyph::BMPST || glyph == Glyph::BMPDEC ||
           glyph == Glyph::BMPHEX;
}

// Paints the glyph in its design box; a wide glyph asked for a square box
// takes its compact form.
void Paint(Glyph glyph, QPainter& p, bool compact) {
    const QString simplified = QString::fromUtf8("简");
    const QString traditional = QString::fromUtf8("繁");
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(Ink, 1.4));
    switch (glyph) {
    case Glyph::BMPFT:
        compact ? DrawCompactConversion(p, traditional)
                : DrawConversion(p, simplified, traditional);
        break;
    case Glyph::BMPST:
        compact ? DrawCompactConversion(p, simplified) : DrawConversion(p, traditional, simplified);
        break;
    case Glyph::BMPDEC:
        DrawNotation(p, compact ? "&#" : "&#9;", compact ? QSizeF(20, 20) : QSizeF(28, 12));
        break;
    case Glyph::BMPHEX:
        DrawNotation(p, compact ? "#x" : "&#x;", compact ? QSizeF(20, 20) : QSizeF(28, 12));
        break;
    case Glyph::File:
        DrawFile(p);
        break;
    case Glyph::Clipboard:
        DrawClipboard(p);
        break;
    case Glyph::Keys:
        DrawKeys(p);
        break;
    case Glyph::Options:
        DrawOptions(p);
        break;
    case Glyph::About:
        DrawAbout(p);
        break;
    case Glyph::Close:
        DrawClose(p);
        break;
    case Glyph::Program:
        DrawProgram(p);
        break;
    }
}

// Draws at whatever size and pixel density is asked for: the pictures stay
// sharp on a high-density screen and in a menu's own icon size.
class GlyphEngine : public QIconEngine {
public:
    explicit GlyphEngine(Glyph glyph) : glyph_(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const bool compact = IsWide(glyph_) && rect.width() < 2 * rect.height();
        const QSizeF design = compact ? QSizeF(20, 20) : QSizeF(GlyphSize(glyph_));
        const qreal scale =
            std::min(rect.width() / design.width(), rect.height() / design.height());
        painter->save();
        if (mode == QIcon::Disabled) painter->setOpacity(0.4);
        painter->translate(rect.x() + (rect.width() - design.width() * scale) / 2,
                           rect.y() + (rect.height() - design.height() * scale) / 2);
        painter->scale(scale, scale);
        Paint(glyph_, *painter, compact);
        painter->restore();
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QSize design = GlyphSize(glyph_);
        if (IsWide(glyph_) && size.width() < 2 * size.height()) return size;
        return design.scaled(size, Qt::KeepAspectRatio);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        const QSize actual = actualSize(size, mode, state);
        QPixmap pixmap(actual * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), actual), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new GlyphEngine(glyph_); }

private:
    Glyph glyph_;
};

} // namespace

QSize GlyphSize(Glyph glyph) {
    switch (glyph) {
    case Glyph::BMPFT:
    case Glyph::BMPST:
        return {44, 20};
    case Glyph::BMPDEC:
    case Glyph::BMPHEX:
        return {28, 12};
    case Glyph::Program:
        return {32, 32};
    default:
        return {20, 20};
    }
}

QIcon GlyphIcon(Glyph glyph) {
    return QIcon(new GlyphEngine(glyph));
}

QIcon ProgramIcon() {
    // The name the icon is installed under in the hicolor theme.
    return QIcon::fromTheme("org.tessarim.Tessarim", GlyphIcon(Glyph::Program));
}

} // namespace tessarim
