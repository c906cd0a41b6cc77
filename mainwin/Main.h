#pragma once
// `TMainForm`: the windowed program's bar, with a button per command, the hint
// panel, the popup menu that is also the tray icon's menu, and the three
// interface languages. Its behaviour lives in MainFormLogic; this class shows it.
#include "mainwin/AppBarWidget.h"
#include "mainwin/Commands.h"
#include "mainwin/MainLogic.h"

#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace tessarim {

class HelpViewer;
class TClipboardMonitor;
class TrayIcon;

class TMainForm : public AppBarWidget {
    Q_OBJECT
public:
    // Creation loads the settings, the code tables and both fix tables and works
    // out where the bar starts.
    TMainForm(AppBarShell& shell, TrayIcon& tray, HelpViewer& help, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Creates the native window and registers the bar with the shell at its
    // starting edge; the window is not shown yet.
    void CreateWindowHandle();

    MainFormLogic& Logic() { return logic_; }
    // Gives a command its handler, which enables its button and menu entry.
    void SetCommandHandler(MainCommand command, std::function<void()> handler);
    // Also tells the commands of every change of the clipboard.
    void SetClipboardCommands(ClipboardCommands& commands);

    void UpdateLang();
    void UpdateCharset();

    // The windowed start found the bar hidden at the last exit.
    void StartHidden();
    // Another start asked for the bar, or the tray icon was clicked.
    void BringToFront();
    void Hide1Click();
    void S1Click();

    QMenu* PopupMenu1() const { return popup_; }
    QAction* MenuEntry(MainCommand command) const;

signals:
    // The bar was closed, which ends the program.
    void Closed();

protected:
    void OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QToolButton* AddButton(const char* name, const ControlBox& box, MainCommand command);
    QAction* AddEntry(const char* name, MainCommand command);
    void BuildMenu();
    void LayOut(int gap);
    void RefreshEnabled();
    // Hints in the panel, as tooltips and as the buttons' accessible names.
    void ApplyHints();
    void DrawHandleBar(QPainter& painter);
    void BtnAboutClick();
    void FormShow();

    MainFormLogic logic_;
    TrayIcon& tray_;
    HelpViewer& help_;
    std::map<MainCommand, QToolButton*> buttons_;
    std::map<MainCommand, QAction*> entries_;
    std::map<MainCommand, QString> hints_;
    QLabel* panel_ = nullptr;
    QMenu* popup_ = nullptr;
    QAction* showEntry_ = nullptr;
    QAction* hideEntry_ = nullptr;
    TAppBarEdge startEdge_ = abeTop;
    std::optional<Point> floatPos_;
    QPointer<QWidget> about_;
    std::unique_ptr<TClipboardMonitor> clipMonitor_;
    bool created_ = false;
    bool closing_ = false;
};

} // namespace tessarim
