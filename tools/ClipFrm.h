#pragma once
// `TClipForm`, the clipboard viewer: the clipboard's text, read-only, refreshed
// at every change while the viewer is shown. Closing hides it; the owner keeps
// it until the program ends.
#include "settings/Settings.h"

#include <QMainWindow>
#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tessarim {

class Clipboard;
class HelpViewer;
class TClipboardMonitor;
struct ProgramSettings;

class TClipForm : public QMainWindow {
    Q_OBJECT
public:
    // Takes its place (when positions are remembered) and its font from the
    // settings file.
    TClipForm(Clipboard& clipboard, const ProgramSettings& settings, HelpViewer& help,
              int systemCodePage, QWidget* parent = nullptr);
    ~TClipForm() override;

    // Shows the viewer (restoring it when minimised) and brings it forward.
    void Open();
    void UpdateMemo();
    void UpdateCharset();
    void UpdateLang();
    // The memo's font, as the font button sets it; the text is decoded anew.
    void SetMemoFont(const FontSetting& font);
    const FontSetting& MemoFont() const { return font_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Activated();
    void ApplyFont();

    Clipboard& clipboard_;
    const ProgramSettings& settings_;
    HelpViewer& help_;
    int codePage_; // the system's, for text offered as 8-bit bytes
    // The one the viewer's own words follow: on a UTF-8 system the locale's
    // language gives it, as it gives the other windows' words.
    int textsCodePage_;
    FontSetting font_;
    std::unique_ptr<TClipboardMonitor> monitor_;
    QLabel* title_ = nullptr;
    QCheckBox* wordWrap_ = nullptr;
    QToolButton* fontButton_ = nullptr;
    QPushButton* close_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

} // namespace tessarim
