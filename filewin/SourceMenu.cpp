#include "filewin/SourceMenu.h"

#include "filewin/RenameDialog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

namespace tessarim {

namespace {

QUrl UrlOf(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

// The file manager shows the files selected in their folder where it offers
// that on the session bus; otherwise the folder opens.
void ShowInFolder(const std::string& folder, const std::vector<std::string>& names) {
    const QString service = "org.freedesktop.FileManager1";
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() &&
        bus.interface()->isServiceRegistered(service).value()) {
        QStringList uris;
        for (const std::string& name : names)
            uris << UrlOf(folder + name).toString();
        QDBusMessage call = QDBusMessage::createMethodCall(service, "/org/freedesktop/FileManager1",
                                                           service, "ShowItems");
        call << uris << QString();
        if (bus.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage) return;
    }
    QDesktopServices::openUrl(UrlOf(folder));
}

} // namespace

void ShowSourceMenu(QWidget* owner, const QPoint& position, const std::string& folder,
                    const std::vector<std::string>& names, std::int64_t lang,
                    const std::function<void(const std::string&)>& renamed) {
    if (names.empty()) return;
    const bool t = lang == 1, s = lang == 2;
    QMenu menu(owner);
    menu.setObjectName("SourceMenu");
    QAction* open = menu.addAction(t ? "開啟" : s ? "打开" : "Open");
    QAction* show = menu.addAction(t   ? "開啟所在資料夾"
                                   : s ? "打开所在文件夹"
                                       : "Open containing folder");
    menu.addSeparator();
    QAction* rename = menu.addAction(t ? "重新命名…" : s ? "重命名…" : "Rename…");
    // With several files the choice would do nothing.
    rename->setEnabled(names.size() == 1);
    const QAction* chosen = menu.exec(position);
    if (chosen == open) {
        for (const std::string& name : names)
            QDesktopServices::openUrl(UrlOf(folder + name));
    } else if (chosen == show) {
        ShowInFolder(folder, names);
    } else if (chosen == rename) {
        TFormRename dialog(folder, names.front(), lang, owner);
        if (dialog.exec() == QDialog::Accepted) renamed(dialog.Renamed());
    }
}

} // namespace tessarim
