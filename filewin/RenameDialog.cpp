#include "filewin/RenameDialog.h"

#include "core/Paths.h"
#include "filewin/NameConvert.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <cstring>
#include <sys/stat.h>

namespace tessarim {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

RenameVerdict CheckRename(const std::string& folder, const std::string& oldName,
                          const std::string& newName, const RegisteredType& registered) {
    if (newName == oldName) return {RenameStep::Unchanged, {}};
    if (newName.empty())
        return {RenameStep::Refused, "Edit Box is empty.\r\nPlease input a new filename."};
    // A Linux name may hold any byte but "/" and NUL.
    if (newName.find('/') != std::string::npos)
        return {
            RenameStep::Refused,
            "A filename cannot contain the character:\r\n      /\r\n\r\nPlease input a new one."};
    if (newName == "." || newName == "..")
        return {RenameStep::Refused,
                "A filename cannot be \".\" or \"..\".\r\n\r\nPlease input a new one."};
    struct stat info {};
    if (lstat((folder + newName).c_str(), &info) == 0)
        return {RenameStep::Refused, "A file with the name you specified already exists\r\n"
                                     "Specify a different filename."};
    const std::string oldExtension = ExtractFileExt(oldName);
    if (!oldExtension.empty() && registered(oldExtension) &&
        Upper(oldExtension) != Upper(ExtractFileExt(newName)))
        return {RenameStep::AskType,
                "This is a registered file type.\r\n\r\nIf you change a file extension, the file "
                "may become unusable.\r\n\r\nAre you sure want to change it?"};
    return {RenameStep::Rename, {}};
}

bool IsRegisteredType(std::string_view extension) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(
        "x" + QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())),
        QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault();
}

std::string RenameCaption(int systemCodePage) {
    if (systemCodePage == CodePageBig5) return "更改檔案名稱";
    if (systemCodePage == CodePageGbk) return "更改档案名称";
    return "Tessarim - file rename";
}

TFormRename::TFormRename(const std::string& folder, const std::string& oldName, std::int64_t lang,
                         QWidget* parent)
    : QDialog(parent), folder_(AddTrailingBackslash(folder)), oldName_(oldName) {
    setObjectName("TFormRename");
    setWindowTitle(Q(RenameCaption(SystemCodePage())));
    const char* captions[3][3] = {{"Folder:", "Filename:", "Rename to:"},
                                  {"所在目錄:", "檔案名稱:", "重新命名:"},
                                  {"所在目录:", "文件名:", "重命名:"}};
    const auto& caption = captions[lang == 1 ? 1 : lang == 2 ? 2 : 0];
    auto* folderLabel = new QLabel(Q(folder_), this);
    folderLabel->setObjectName("Label3");
    auto* nameLabel = new QLabel(Q(oldName_), this);
    nameLabel->setObjectName("Label4");
    edit_ = new QLineEdit(Q(oldName_), this);
    edit_->setObjectName("Edit1");
    edit_->setAccessibleName(caption[2]);
    folderLabel->setAccessibleName(caption[0]);
    nameLabel->setAccessibleName(caption[1]);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("BitBtnWithColor2");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("BitBtnWithColor1");
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName("OK");
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Accept(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* grid = new QGridLayout(this);
    for (int row = 0; row < 3; ++row)
        grid->addWidget(new QLabel(caption[row], this), row, 0);
    grid->addWidget(folderLabel, 0, 1);
    grid->addWidget(nameLabel, 1, 1);
    grid->addWidget(edit_, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(420);
    edit_->selectAll();
}

void TFormRename::Accept() {
    const std::string typed = edit_->text().toStdString();
    const RenameVerdict verdict = CheckRename(folder_, oldName_, typed, IsRegisteredType);
    switch (verdict.step) {
    case RenameStep::Unchanged:
        reject();
        return;
    case RenameStep::Refused:
        QMessageBox::critical(this, windowTitle(), Q(verdict.message));
        return;
    case RenameStep::AskType:
        if (QMessageBox::warning(this, windowTitle(), Q(verdict.message),
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
        break;
    case RenameStep::Rename:
        break;
    }
    if (const int error = RenameNoReplace(folder_ + oldName_, folder_ + typed); error != 0) {
        QMessageBox::critical(this, windowTitle(), QString::fromLocal8Bit(std::strerror(error)));
        return;
    }
    renamed_ = typed;
    accept();
}

} // namespace tessarim
