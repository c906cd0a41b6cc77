#include "platform/Tray.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace tessarim {

SystemTrayIcon::SystemTrayIcon() : icon_(std::make_unique<QSystemTrayIcon>()) {
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && onClick) onClick();
                     });
    // Qt tells nobody when a tray host starts or ends (a panel that starts after
    // the program, or restarts): look now and then.
    available_ = Available();
    watch_ = std::make_unique<QTimer>();
    QObject::connect(watch_.get(), &QTimer::timeout, [this] {
        if (Available() == available_) return;
        available_ = !available_;
        if (onAvailabilityChanged) onAvailabilityChanged(available_);
    });
    watch_->start(1000);
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
