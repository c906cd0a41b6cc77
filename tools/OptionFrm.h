#pragma once
// `TForm5`, the options window: two pages of settings, a language switch that
// acts at once, the doors to the correction-table editor and the hotkey window,
// and the shortcut buttons. Every close saves (OptionsLogic::Close).
#include "settings/OptionsLogic.h"

#include <QDialog>
#include <functional>
#include <map>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QScrollArea;
class QTabWidget;

namespace tessarim {

class HelpViewer;
struct OptionTexts;

// The windows the options window opens; an empty door leaves its button disabled.
struct OptionsDoors {
    // The correction-table editor, modal; toBig5 chooses b5fix.dat.
    std::function<void(QWidget* parent, bool toBig5)> openEditor;
    std::function<void(QWidget* parent)> openHotKeys;
};

class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5(ProgramSettings& running, OptionsHost& host, HelpViewer& help, OptionsDoors doors,
           QWidget* parent = nullptr);

    OptionsLogic& Logic() { return logic_; }

    void UpdateLang();
    void UpdateCharset();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    QWidget* BuildInterfacePage();
    QWidget* BuildConversionPage();
    void TakeControls();
    void LangClick(std::int64_t lang);
    void BrowseWave();
    void BrowseFolder();
    void CreateShortcutClick(int tag);

    OptionsLogic logic_;
    HelpViewer& help_;
    OptionsDoors doors_;
    bool closed_ = false;

    QTabWidget* pages_ = nullptr;
    QScrollArea* pagesScroll_ = nullptr;
    QGroupBox* langGroup_ = nullptr;
    std::map<std::int64_t, QRadioButton*> langButtons_;
    QCheckBox* sound_ = nullptr;
    QGroupBox* soundGroup_ = nullptr;
    QLabel* waveLabel_ = nullptr;
    QLineEdit* wave_ = nullptr;
    QPushButton* waveBrowse_ = nullptr;
    QLabel* waveNote_ = nullptr;
    QLabel* gapLabel_ = nullptr;
    QSpinBox* gap_ = nullptr;
    QCheckBox* onTop_ = nullptr;
    QCheckBox* autoHide_ = nullptr;
    QCheckBox* remLastPos_ = nullptr;
    QCheckBox* msgFinished_ = nullptr;
    QCheckBox* cfmOverwrite_ = nullptr;
    QCheckBox* msgClipConFinished_ = nullptr;
    QGroupBox* shortcutBox_ = nullptr;
    std::map<int, QPushButton*> shortcuts_;
    QPushButton* hotKey_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* folderBrowse_ = nullptr;
    QLabel* ignoreLabel_ = nullptr;
    QLineEdit* ignore_ = nullptr;
    QPushButton* ignoreReset_ = nullptr;
    QCheckBox* htmlCharset_ = nullptr;
    QLineEdit* htmlType_ = nullptr;
    QPushButton* htmlTypeReset_ = nullptr;
    QCheckBox* addBom_ = nullptr;
    QCheckBox* unn_ = nullptr;
    QCheckBox* cfHtml_ = nullptr;
    QGroupBox* replaceBox_ = nullptr;
    QRadioButton* toBig5_ = nullptr;
    QRadioButton* toGbk_ = nullptr;
    QPushButton* editor_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace tessarim
