#pragma once
// `TFormHotKey`: the hotkey window. Shows the four hotkeys; OK hands the
// choice to HotKeyFormLogic and stays open while the choice is refused.
#include "tools/HotKey.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;

namespace tessarim {

class Dialogs;

class TFormHotKey : public QDialog {
public:
    TFormHotKey(HotKeyFormLogic& logic, Dialogs& dialogs, std::int64_t lang, int charset,
                int codePage, bool unicodeAvailable, QWidget* parent = nullptr);

    // What the controls show.
    HotKeyFormState State() const;
    void Show(const HotKeyFormState& state);
    void OkClick();

private:
    struct Group {
        QGroupBox* box = nullptr;
        QComboBox* key = nullptr;
        QCheckBox* ctrl = nullptr;
        QCheckBox* alt = nullptr;
        QCheckBox* shift = nullptr;
    };
    HotKeyFormLogic& logic_;
    Dialogs& dialogs_;
    std::array<Group, HotKeyCount> groups_;
    QCheckBox* enable_ = nullptr;
    QCheckBox* paste_ = nullptr;
    QLabel* heading_ = nullptr;
};

} // namespace tessarim
