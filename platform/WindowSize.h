#pragma once
// A window's first size: the size it was laid out for, or less on a screen too
// small for it (a small display, or a large scale factor), so that no control
// starts beyond the screen's edge.
#include <QSize>

class QWidget;

namespace tessarim {

// Resizes `window` to `designed`, bounded by the free area of its screen; its
// layout's minimum size still holds.
void ResizeWithinScreen(QWidget& window, QSize designed);

} // namespace tessarim
