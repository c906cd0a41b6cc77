#include "platform/UiFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tessarim {

namespace {

QFontDatabase::WritingSystem WritingSystemOf(int charset) {
    switch (charset) {
    case CharsetGb2312:
        return QFontDatabase::SimplifiedChinese;
    case CharsetBig5:
        return QFontDatabase::TraditionalChinese;
    case CharsetAnsi:
        return QFontDatabase::Latin;
    default:
        return QFontDatabase::Any;
    }
}

} // namespace

QFont UiFont(int charset, const QFont& base) {
    const QFontDatabase::WritingSystem system = WritingSystemOf(charset);
    if (system == QFontDatabase::Any) return base;
    const QStringList families = QFontDatabase::families(system);
    if (families.isEmpty() || families.contains(base.family())) return base;
    QFont font = base;
    font.setFamily(families.front());
    return font;
}

} // namespace tessarim
