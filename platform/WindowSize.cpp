#include "platform/WindowSize.h"

#include <QScreen>
#include <QWidget>

namespace tessarim {

void ResizeWithinScreen(QWidget& window, QSize designed) {
    QSize size = designed;
    if (const QScreen* screen = window.screen()) {
        // The window manager's frame takes a little of the free area too.
        constexpr int Frame = 16;
        const QSize room = screen->availableGeometry().size() - QSize(Frame, Frame * 2);
        size = size.boundedTo(room);
    }
    window.resize(size);
}

} // namespace tessarim
