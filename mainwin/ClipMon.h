#pragma once
// `TClipboardMonitor`: tells its owner whenever the clipboard changes, whoever
// changed it (this program included).
#include <QObject>
#include <functional>

namespace tessarim {

class TClipboardMonitor : public QObject {
public:
    // Created enabled.
    explicit TClipboardMonitor(QObject* parent = nullptr);
    ~TClipboardMonitor() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnChange;

private:
    QMetaObject::Connection connection_;
    bool enabled_ = false;
};

} // namespace tessarim
