#include "platform/SingleInstance.h"

#include <QLocalSocket>
#include <unistd.h>

namespace tessarim {

namespace {
constexpr int ReplyWaitMs = 1000;
} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), serverName_(name + "-" + QString::number(::getuid())) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            socket->disconnectFromServer();
            socket->deleteLater();
            emit RaiseRequested();
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
}

bool SingleInstance::Acquire() {
    QLocalSocket probe;
    probe.connectToServer(serverName_);
    if (probe.waitForConnected(ReplyWaitMs)) {
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answers: whatever is left under the name is stale.
    QLocalServer::removeServer(serverName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(serverName_);
    return true;
}

} // namespace tessarim
