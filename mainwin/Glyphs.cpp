#include "mainwin/Glyphs.h"

#include "platform/UiFonts.h"

#include <QPainter>
#include <QPainterPath>

namespace tessarim {

namespace {

const QColor Ink(40, 40, 90);
const QColor Accent(200, 40, 40);
const QColor Paper(250, 250, 240);

QPixmap Blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Two characters with an arrow between them: the conversion's direction.
QPixmap Conversion(const QString& from, const QString& to) {
    QPixmap pixmap = Blank(44, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = UiFont(CharsetGb2312, QFont());
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRect(0, 0, 17, 20), Qt::AlignCenter, from);
    p.setPen(Accent);
    p.drawText(QRect(27, 0, 17, 20), Qt::AlignCenter, to);
    p.setPen(QPen(Accent, 1.6));
    p.drawLine(QPointF(17.5, 10), QPointF(26, 10));
    p.drawLine(QPointF(23, 7), QPointF(26, 10));
    p.drawLine(QPointF(23, 13), QPointF(26, 10));
    return pixmap;
}

QPixmap Notation(const QString& text) {
    QPixmap pixmap = Blank(28, 12);
    QPainter p(&pixmap);
    QFont font;
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return pixmap;
}

QPixmap Drawn(void (*draw)(QPainter&)) {
    QPixmap pixmap = Blank(20, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Ink, 1.4));
    draw(p);
    return pixmap;
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

QPixmap ProgramPicture() {
    QPixmap pixmap = Blank(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 170));
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
    QFont font = UiFont(CharsetBig5, QFont());
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QString::fromUtf8("繁"));
    return pixmap;
}

} // namespace

QPixmap GlyphPixmap(Glyph glyph) {
    switch (glyph) {
    case Glyph::BMPFT:
        return Conversion(QString::fromUtf8("简"), QString::fromUtf8("繁"));
    case Glyph::BMPST:
        return Conversion(QString::fromUtf8("繁"), QString::fromUtf8("简"));
    case Glyph::BMPDEC:
        return Notation("&#9;");
    case Glyph::BMPHEX:
        return Notation("&#x;");
    case Glyph::File:
        return Drawn(DrawFile);
    case Glyph::Clipboard:
        return Drawn(DrawClipboard);
    case Glyph::Keys:
        return Drawn(DrawKeys);
    case Glyph::Options:
        return Drawn(DrawOptions);
    case Glyph::About:
        return Drawn(DrawAbout);
    case Glyph::Close:
        return Drawn(DrawClose);
    case Glyph::Program:
        return ProgramPicture();
    }
    return {};
}

QIcon GlyphIcon(Glyph glyph) {
    return QIcon(GlyphPixmap(glyph));
}

QIcon ProgramIcon() {
    // The name the icon is installed under in the hicolor theme.
    return QIcon::fromTheme("org.tessarim.Tessarim", GlyphIcon(Glyph::Program));
}

} // namespace tessarim
