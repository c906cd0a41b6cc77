#pragma once
// The tray icon that stands in for a taskbar button: an icon with a hint, the
// program's popup menu on the right button, and a click that calls the program.
#include <QIcon>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace tessarim {

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // Whether the desktop shows tray icons at all; without one, the program must
    // not let its only window be hidden.
    virtual bool Available() const = 0;
    virtual void Show(const QIcon& icon, const QString& hint, QMenu* menu) = 0;
    virtual void SetHint(const QString& hint) = 0;
    std::function<void()> onClick;
    // A tray host came or went after the start.
    std::function<void(bool available)> onAvailabilityChanged;
};

class SystemTrayIcon : public TrayIcon {
public:
    SystemTrayIcon();
    ~SystemTrayIcon() override;
    bool Available() const override;
    void Show(const QIcon& icon, const QString& hint, QMenu* menu) override;
    void SetHint(const QString& hint) override;

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QTimer> watch_;
    bool available_ = false;
};

} // namespace tessarim
