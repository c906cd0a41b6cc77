#pragma once
// `TTessarim_SendKey`: the key sender bar. A frameless, always-on-top strip
// with the Get Title button, the entry, the G>B / B>G toggle and a close
// button; Enter in the entry sends. Dragged by any empty part, resized
// sideways only, kept on the screen.
#include "tools/KeyInput.h"

#include <QWidget>

class QLineEdit;
class QToolButton;
class QPushButton;
class QFrame;

namespace tessarim {

class HelpViewer;

class TKeySender : public QWidget {
public:
    TKeySender(KeySenderLogic& logic, SendKeyState& state, DesktopWindows& windows, int codePage,
               QWidget* parent = nullptr);

    // F1 in the bar and its target dialog opens the help in the interface language.
    void SetHelp(HelpViewer* help) { help_ = help; }
    void UpdateLang(std::int64_t lang);
    void UpdateCharset(int charset);
    // Shows the bar with the focus in the entry.
    void Open();
    void GetTitleClick();
    void SendLine();

    QLineEdit* Entry() const { return entry_; }
    QToolButton* GtoB() const { return gToB_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void LayOut();
    void Paint(bool active);

    KeySenderLogic& logic_;
    HelpViewer* help_ = nullptr;
    SendKeyState& state_;
    DesktopWindows& windows_;
    std::int64_t lang_ = 0;
    int charset_ = 0;
    QPushButton* getTitle_ = nullptr;
    QLineEdit* entry_ = nullptr;
    QFrame* toggle_ = nullptr;
    QToolButton* gToB_ = nullptr;
    QToolButton* bToG_ = nullptr;
    QToolButton* close_ = nullptr;
    enum class Drag { None, Move, Left, Right } drag_ = Drag::None;
    QPoint dragStart_;
    QRect startGeometry_;
};

} // namespace tessarim
