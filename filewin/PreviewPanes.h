#pragma once
// The two preview panes of the file window (Memo1 source, Memo2 result) with
// their code labels, on/off and word-wrap boxes and font buttons. The panes
// scroll together and their carets keep the same column.
//
// A selection is drawn on the next pass of the event loop, so holding an arrow
// key in a long list draws only the file the key stops at.
#include "filewin/Preview.h"
#include "settings/Settings.h"

#include <QWidget>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tessarim {

class FileCon;
class IniFile;

class PreviewPanes : public QWidget {
    Q_OBJECT
public:
    PreviewPanes(FileCon& logic, FixTables* fixTables, QWidget* parent = nullptr);

    // The selected file (a full path), or "" for none: drawn shortly.
    void Select(const std::string& path);
    // Draws the selected file again (the mode or the content mode changed).
    void Redraw();
    // ClearPreviews: both panes white and empty, the labels hidden.
    void Clear();
    void UpdateLang(std::int64_t lang);

    void Load(const IniFile& ini);
    void Save(IniFile& ini) const;

    QPlainTextEdit* Text(int tag) const { return panes_[tag - 1].text; }

private:
    struct Pane {
        QPlainTextEdit* text;
        QLabel* label;
        QCheckBox *shown, *wrap;
        QPushButton* fontButton;
        FontSetting font;
        bool busy = false; // SrcPreviewBusy, ConPreviewBusy
    };
    void Draw();
    void Show(Pane& pane, const PaneContent& content);
    void ChooseFont(int tag);
    void ApplyFont(Pane& pane);
    static void Wrap(Pane& pane, bool on);
    void Follow(int tag, bool scroll, bool caret);
    PreviewOptions Options() const;

    FileCon& logic_;
    FixTables* fixTables_;
    std::array<Pane, 2> panes_;
    std::string path_;
    bool convertible_ = false;
    bool following_ = false;
    QTimer* timer_;
};

} // namespace tessarim
