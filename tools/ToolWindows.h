#pragma once
// The main window's tool windows: the options window, opened modally one at a
// time, and the clipboard viewer, made on first use and kept until the main
// window goes. Gives the bar's buttons and menu entries their handlers, and
// carries the options window's changes to the windows that are open.
#include "settings/OptionsLogic.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tessarim {

class Clipboard;
class HelpViewer;
class TClipForm;
class TForm5;
class TMainForm;

class ToolWindows : public OptionsHost {
public:
    ToolWindows(TMainForm& main, Clipboard& clipboard, HelpViewer& help, int systemCodePage);
    ~ToolWindows() override;

    void OpenOptions();
    void OpenClipboardViewer();
    // The correction-table editor, modal: b5fix.dat when toBig5, else gbfix.dat.
    void OpenTableEditor(QWidget* parent, bool toBig5);
    TClipForm* ClipboardViewer() const { return viewer_.get(); }
    // The options window while it is open.
    TForm5* OptionsWindow() const;

    // Another window that follows the interface language (the key sender).
    void AddLanguageListener(std::function<void()> listener);
    // The hotkey window; until one is given, the options window's button is disabled.
    std::function<void(QWidget* parent)> openHotKeys;

    bool HasBar() const override { return true; }
    void UpdateBar(bool alwaysOnTop, bool autoHide) override;
    void LanguageChanged() override;

private:
    TMainForm& main_;
    Clipboard& clipboard_;
    HelpViewer& help_;
    int codePage_;
    std::unique_ptr<TClipForm> viewer_;
    QPointer<TForm5> options_;
    std::vector<std::function<void()>> listeners_;
};

} // namespace tessarim
