#pragma once
// `TRxFolderMonitor`: tells when files are created, deleted or renamed in one
// folder (not in its sub-folders). A burst of changes gives one notice: the
// first change starts a one-shot timer of DelayTime milliseconds, later ones
// while it runs are absorbed, and Changed is sent when it fires.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>

namespace tessarim {

class FolderMonitor : public QObject {
    Q_OBJECT
public:
    explicit FolderMonitor(int delayMs = 100, QObject* parent = nullptr);

    // Watches the folder; false (and nothing watched) when it cannot be watched,
    // a missing folder included. An empty name stops watching.
    bool Watch(const std::string& folder);
    const std::string& Folder() const { return folder_; }
    bool Active() const { return !watcher_.directories().isEmpty(); }

    // What the watcher calls on every change; tests call it to stand for one.
    void Notify();

signals:
    void Changed();

private:
    QFileSystemWatcher watcher_;
    QTimer delay_;
    std::string folder_;
};

} // namespace tessarim
