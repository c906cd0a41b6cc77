#pragma once
// One windowed Tessarim per user. The first start holds a local socket under a
// fixed name; a later start that reaches it asks it to bring its bar forward and
// ends. A name left behind by a crashed instance is removed and taken over.
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tessarim {

inline constexpr const char* SingleInstanceName = "SingleInstanceTessarimMutex";

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The name is made per user, so that users of one machine do not meet.
    explicit SingleInstance(const QString& name = SingleInstanceName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process goes on as the windowed program (it holds the name
    // now, or the name could not be had from anyone); false when a running
    // instance took the request to come forward.
    bool Acquire();
    const QString& ServerName() const { return serverName_; }

signals:
    // Another start asked this instance to come forward.
    void RaiseRequested();

private:
    QString serverName_;
    QLocalServer server_;
};

} // namespace tessarim
