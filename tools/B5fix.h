#pragma once
// `TFormB5fix`, the correction-table editor ("Smart Replace"): the table in a
// grid, with add, delete, search and show all. OK saves a changed table and has
// it indexed anew; the close box discards the changes.
#include "tools/FixTableEditor.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tessarim {

class HelpViewer;

// The grid's rows: the editor's rows shown, decoded from the table's code
// only when the view asks for a cell.
class FixTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FixTableModel(FixTableEditor& editor, QObject* parent = nullptr)
        : QAbstractTableModel(parent), editor_(editor) {}

    void SetTitles(QString search, QString replace);
    // The editor's rows changed.
    void Reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    FixTableEditor& editor_;
    QString titles_[2];
};

struct FixTableEditorPlace {
    std::string folder;                        // the program folder, ending in '/'
    std::int64_t lang = 0;                     // the interface language
    int uiCharset = 0;                         // its character set
    int systemCodePage = 0;                    // for the caption
    std::function<void(FixTableMode)> reindex; // after a save
};

class TFormB5fix : public QDialog {
    Q_OBJECT
public:
    // Reads the mode's table file; one that cannot be read is reported and the
    // editor starts empty.
    TFormB5fix(FixTableMode mode, FixTableEditorPlace place, HelpViewer& help,
               QWidget* parent = nullptr);

    FixTableEditor& Editor() { return editor_; }
    const std::string& TablePath() const { return path_; }

    void AddClick();
    void DeleteClick();
    void SearchClick();
    void ShowAllClick();
    // Saves a changed table and closes; a failed save is reported and the
    // window stays open with the changes.
    void OkClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateLang();
    void UpdateCount();
    void Refused(const std::u16string& character);
    void SelectRow(std::size_t row);

    FixTableEditor editor_;
    FixTableEditorPlace place_;
    HelpViewer& help_;
    std::string path_;
    FixTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* searchLabel_ = nullptr;
    QLineEdit* searchText_ = nullptr;
    QLabel* inLabel_ = nullptr;
    QComboBox* column_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* showAll_ = nullptr;
    QLabel* entryLabel_ = nullptr;
    QLineEdit* key_ = nullptr;
    QLineEdit* replacement_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace tessarim
