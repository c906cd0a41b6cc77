#include "mainwin/ClipMon.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tessarim {

TClipboardMonitor::TClipboardMonitor(QObject* parent) : QObject(parent) {
    SetEnabled(true);
}

TClipboardMonitor::~TClipboardMonitor() {
    SetEnabled(false);
}

void TClipboardMonitor::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) {
        disconnect(connection_);
        return;
    }
    // The CLIPBOARD selection only; the primary selection changes with every
    // text the user marks.
    connection_ = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (OnChange) OnChange();
    });
}

} // namespace tessarim
