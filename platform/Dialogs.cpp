#include "platform/Dialogs.h"

#include "platform/Message.h"

#include <QApplication>
#include <QMessageBox>

namespace tessarim {

std::string DialogText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        if (c != '\r') out += c;
    return out;
}

void InstallMessageBoxes() {
    SetMessageHandler([](MessageKind kind, std::string_view text) {
        QMessageBox::Icon icon = QMessageBox::Information;
        if (kind == MessageKind::Error) icon = QMessageBox::Critical;
        if (kind == MessageKind::Warning) icon = QMessageBox::Warning;
        QMessageBox box(icon, QApplication::applicationName(),
                        QString::fromStdString(DialogText(text)), QMessageBox::Ok);
        box.exec();
    });
}

bool QtDialogs::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    QString::fromStdString(DialogText(text)), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::BeginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtDialogs::EndBusy() {
    QApplication::restoreOverrideCursor();
}

} // namespace tessarim
