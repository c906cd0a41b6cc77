#pragma once
// `TFormEnumWin`: the target dialog. Lists the other programs' windows, takes
// the keys after text, and on OK stores both in the key sender's state.
#include "tools/KeyInput.h"
#include "tools/WinTitle.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tessarim {

class HelpViewer;

class TFormEnumWin : public QDialog {
public:
    TFormEnumWin(SendKeyState& state, DesktopWindows& windows, std::int64_t lang, int charset,
                 QWidget* parent = nullptr);

    void SetHelp(HelpViewer* help) { help_ = help; }
    void FillGrid();
    void OkClick();
    QTableWidget* Grid() const { return grid_; }
    QComboBox* KeysField() const { return keys_; }
    QPushButton* OkButton() const { return ok_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SelectionChanged();

    SendKeyState& state_;
    DesktopWindows& windows_;
    HelpViewer* help_ = nullptr;
    std::int64_t lang_;
    int charset_;
    std::vector<TargetRow> rows_;
    QTableWidget* grid_ = nullptr;
    QLabel* total_ = nullptr;
    QComboBox* keys_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace tessarim
