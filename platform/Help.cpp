#include "platform/Help.h"

#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "platform/UiLanguage.h"

#include <QDesktopServices>
#include <QUrl>
#include <filesystem>

namespace tessarim {

QUrl HelpUrl(const std::string& helpFile, int context) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(helpFile));
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return url;
}

std::string DefaultHelpFile() {
    const std::string& installed = InstalledDataFolder();
    return (installed.empty() ? ExecutableFolder() : installed) + HelpFileName;
}

void DesktopHelp::ShowContext(int context) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(helpFile_, error)) {
        ShowMessage(MessageKind::Error,
                    UiText("Cannot open file ", "無法開啟檔案 ", "无法打开文件 ") + helpFile_);
        return;
    }
    QDesktopServices::openUrl(HelpUrl(helpFile_, context));
}

} // namespace tessarim
