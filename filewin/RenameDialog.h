#pragma once
// `TFormRename`: renames one file of the source folder. The checks run in a
// fixed order and every refusal keeps the dialog open with its message.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QLineEdit;

namespace tessarim {

enum class RenameStep {
    Unchanged, // the same name: close without change
    Refused,   // message shown, the dialog stays open
    AskType,   // the registered-type question; Yes goes on to Rename
    Rename,
};

struct RenameVerdict {
    RenameStep step;
    std::string message;
};

// The extension (with its dot) names a known file type.
using RegisteredType = std::function<bool(std::string_view extension)>;

// What OK does with the typed name, short of renaming.
RenameVerdict CheckRename(const std::string& folder, const std::string& oldName,
                          const std::string& newName, const RegisteredType& registered);

// The extension has a MIME type of its own.
bool IsRegisteredType(std::string_view extension);

// The dialog's caption by the system code page.
std::string RenameCaption(int systemCodePage);

class TFormRename : public QDialog {
    Q_OBJECT
public:
    // folder ends in "/".
    TFormRename(const std::string& folder, const std::string& oldName, std::int64_t lang,
                QWidget* parent = nullptr);
    // RenamedName, after the dialog closed with a rename.
    const std::string& Renamed() const { return renamed_; }

private:
    void Accept(); // BitBtnWithColor2Click

    std::string folder_, oldName_, renamed_;
    QLineEdit* edit_;
};

} // namespace tessarim
