#include "platform/Tray.h"

#include <QSystemTrayIcon>

namespace tessarim {

SystemTrayIcon::SystemTrayIcon() : icon_(std::make_unique<QSystemTrayIcon>()) {
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && onClick) onClick();
                     });
}

SystemTrayIcon::~SystemTrayIcon() = default;

bool SystemTrayIcon::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::Show(const QIcon& icon, const QString& hint, QMenu* menu) {
    icon_->setIcon(icon);
    icon_->setToolTip(hint);
    icon_->setContextMenu(menu);
    icon_->show();
}

void SystemTrayIcon::SetHint(const QString& hint) {
    icon_->setToolTip(hint);
}

} // namespace tessarim
