#include "platform/FolderMonitor.h"

namespace tessarim {

FolderMonitor::FolderMonitor(int delayMs, QObject* parent) : QObject(parent) {
    delay_.setSingleShot(true);
    delay_.setInterval(delayMs);
    connect(&delay_, &QTimer::timeout, this, &FolderMonitor::Changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Notify(); });
}

bool FolderMonitor::Watch(const std::string& folder) {
    if (const QStringList watched = watcher_.directories(); !watched.isEmpty())
        watcher_.removePaths(watched);
    delay_.stop();
    folder_ = folder;
    return !folder.empty() && watcher_.addPath(QString::fromStdString(folder));
}

void FolderMonitor::Notify() {
    if (delay_.interval() <= 0) {
        emit Changed();
        return;
    }
    if (!delay_.isActive()) delay_.start();
}

} // namespace tessarim
