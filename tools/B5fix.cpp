#include "tools/B5fix.h"

#include "platform/Help.h"
#include "platform/Message.h"
#include "platform/UiFonts.h"
#include "platform/WindowSize.h"
#include "tools/FixTableFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableView>

namespace tessarim {

namespace {

struct EditorTexts {
    const char* search;
    const char* in;
    const char* entry;
    const char* searchNow;
    const char* add;
    const char* showAll;
    const char* remove;
    const char* ok;
    const char* columns[3];
    const char* total;   // before the number
    const char* records; // after it
};

constexpr EditorTexts Texts[] = {
    {"Search",
     "in",
     "Add new strings here:",
     "Search Now!",
     "Add to list",
     "Show all",
     "Delete selected",
     "OK",
     {"1st column", "2nd column", "All"},
     "Total: ",
     " records"},
    {"找尋：",
     "在",
     "在這裡輸入新詞彙：(修正前／修正後）",
     "開始找尋！",
     "加入",
     "全部顯示",
     "刪除",
     "完成",
     {"第一行", "第二行", "全部"},
     "總共: ",
     " 組詞彙"},
    {"找寻：",
     "在",
     "在这里输入新词汇：(修正前／修正后）",
     "开始找寻！",
     "加入",
     "全部显示",
     "删除",
     "完成",
     {"第一行", "第二行", "全部"},
     "总共: ",
     " 组词汇"},
};

const EditorTexts* TextsFor(std::int64_t lang) {
    return lang >= 0 && lang <= 2 ? &Texts[lang] : nullptr;
}

QString Caption(int codePage, FixTableMode mode) {
    const bool toBig5 = mode == FixTableMode::ToBig5;
    switch (codePage) {
    case 950:
        return toBig5 ? "詞彙修正 - 簡體 > 繁體" : "詞彙修正 - 繁體 > 簡體";
    case 936:
        return toBig5 ? "词汇修正 - 简体 > 繁体" : "词汇修正 - 繁体 > 简体";
    default:
        return toBig5 ? "Smart Replace - Simp. Chinese > Trad. Chinese"
                      : "Smart Replace - Trad. Chinese > Simp. Chinese";
    }
}

struct ModeColours {
    QColor window, hover, button;
};

ModeColours ColoursOf(FixTableMode mode) {
    if (mode == FixTableMode::ToBig5)
        return {QColor(236, 189, 214), QColor(243, 194, 220), QColor(242, 179, 216)};
    return {QColor(151, 200, 192), QColor(165, 207, 202), QColor(145, 198, 190)};
}

// The chooser's icons: the first column, the second, or both, marked.
QIcon ColumnIcon(int which) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(60, 60, 60));
    for (int column = 0; column < 2; ++column) {
        const QRect cell(1 + column * 7, 2, 6, 12);
        if (which == 2 || which == column) p.fillRect(cell, QColor(40, 90, 170));
        p.drawRect(cell);
    }
    return QIcon(pixmap);
}

QString ToQ(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

} // namespace

void FixTableModel::SetTitles(QString search, QString replace) {
    titles_[0] = std::move(search);
    titles_[1] = std::move(replace);
    emit headerDataChanged(Qt::Horizontal, 0, 1);
}

void FixTableModel::Reload() {
    beginResetModel();
    endResetModel();
}

int FixTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(editor_.RowCount());
}

int FixTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant FixTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const FixEntry& row = editor_.Row(static_cast<std::size_t>(index.row()));
    return ToQ(editor_.Decode(index.column() == 0 ? row.key : row.replacement));
}

QVariant FixTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section >= 0 && section < 2 ? titles_[section] : QVariant();
}

TFormB5fix::TFormB5fix(FixTableMode mode, FixTableEditorPlace place, HelpViewer& help,
                       QWidget* parent)
    : QDialog(parent), editor_(mode), place_(std::move(place)), help_(help),
      path_(FixTablePath(mode, place_.folder)) {
    setObjectName("TFormB5fix");
    setWindowTitle(Caption(place_.systemCodePage, mode));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const ModeColours colours = ColoursOf(mode);
    setStyleSheet(
        QString("QDialog#TFormB5fix { background: %1; }"
                "QPushButton { background: %2; border: 1px solid gray; padding: 3px 10px; }"
                "QPushButton:hover { background: %3; }")
            .arg(colours.window.name(), colours.button.name(), colours.hover.name()));
    const int tableCharset = mode == FixTableMode::ToBig5 ? CharsetBig5 : CharsetGb2312;
    const QFont uiFont = UiFont(place_.uiCharset, QApplication::font());
    const QFont tableFont = UiFont(tableCharset, QApplication::font());
    setFont(uiFont);

    const auto make = [this](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    searchLabel_ = make(new QLabel(this), "Label1");
    searchText_ = make(new QLineEdit(this), "Edit3");
    searchText_->setFont(tableFont);
    searchLabel_->setBuddy(searchText_);
    inLabel_ = make(new QLabel(this), "Label2");
    column_ = make(new QComboBox(this), "ComboBox1");
    for (int which = 0; which < 3; ++which)
        column_->addItem(ColumnIcon(which), QString());
    inLabel_->setBuddy(column_);
    search_ = make(new QPushButton(this), "BtnSearch");
    search_->setDefault(true);
    showAll_ = make(new QPushButton(this), "BtnShowAll");
    showAll_->setAutoDefault(false);

    model_ = new FixTableModel(editor_, this);
    grid_ = make(new QTableView(this), "StringGrid1");
    grid_->setModel(model_);
    grid_->setFont(tableFont);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed row heights: the view never measures 25,000 rows.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->horizontalHeader()->setFont(tableFont);
    grid_->setMinimumSize(420, 300);

    entryLabel_ = make(new QLabel(this), "Label3");
    key_ = make(new QLineEdit(this), "Edit1");
    replacement_ = make(new QLineEdit(this), "Edit2");
    key_->setFont(tableFont);
    replacement_->setFont(tableFont);
    entryLabel_->setBuddy(key_);
    add_ = make(new QPushButton(this), "BtnAdd");
    add_->setAutoDefault(false);
    delete_ = make(new QPushButton(this), "BtnDelete");
    delete_->setAutoDefault(false);
    count_ = make(new QLabel(this), "Label4");
    ok_ = make(new QPushButton(this), "BtnOK");
    ok_->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel_);
    searchRow->addWidget(searchText_, 1);
    searchRow->addWidget(inLabel_);
    searchRow->addWidget(column_);
    searchRow->addWidget(search_);
    searchRow->addWidget(showAll_);
    layout->addLayout(searchRow, 0, 0);
    layout->addWidget(grid_, 1, 0);
    layout->addWidget(entryLabel_, 2, 0);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(key_, 1);
    entryRow->addWidget(replacement_, 1);
    entryRow->addWidget(add_);
    entryRow->addWidget(delete_);
    layout->addLayout(entryRow, 3, 0);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(count_, 1);
    bottom->addWidget(ok_);
    layout->addLayout(bottom, 4, 0);

    connect(add_, &QPushButton::clicked, this, &TFormB5fix::AddClick);
    connect(delete_, &QPushButton::clicked, this, &TFormB5fix::DeleteClick);
    connect(search_, &QPushButton::clicked, this, &TFormB5fix::SearchClick);
    connect(showAll_, &QPushButton::clicked, this, &TFormB5fix::ShowAllClick);
    connect(ok_, &QPushButton::clicked, this, &TFormB5fix::OkClick);
    connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const FixEntry& row = editor_.Row(static_cast<std::size_t>(index.row()));
        key_->setText(ToQ(editor_.Decode(row.key)));
        replacement_->setText(ToQ(editor_.Decode(row.replacement)));
    });

    if (auto entries = ReadFixTableFile(path_))
        editor_.Load(std::move(*entries));
    else
        ShowMessage(MessageKind::Error, "Cannot open file " + path_);
    UpdateLang();
    model_->Reload();
    UpdateCount();
    ResizeWithinScreen(*this, {620, 520});
}

void TFormB5fix::UpdateLang() {
    const EditorTexts* t = TextsFor(place_.lang);
    if (!t) t = &Texts[0];
    const auto set = [](auto* widget, const char* text) {
        widget->setText(QString::fromUtf8(text));
        widget->setAccessibleName(QString::fromUtf8(text));
    };
    set(searchLabel_, t->search);
    searchText_->setAccessibleName(QString::fromUtf8(t->search));
    set(inLabel_, t->in);
    column_->setAccessibleName(QString::fromUtf8(t->in));
    for (int which = 0; which < 3; ++which)
        column_->setItemText(which, QString(" ") + QString::fromUtf8(t->columns[which]));
    set(search_, t->searchNow);
    set(showAll_, t->showAll);
    set(entryLabel_, t->entry);
    key_->setAccessibleName(QString::fromUtf8(t->entry) + " 1");
    replacement_->setAccessibleName(QString::fromUtf8(t->entry) + " 2");
    set(add_, t->add);
    set(delete_, t->remove);
    set(ok_, t->ok);
    // The titles are drawn in the table's code, Chinese in either Chinese interface.
    const bool toBig5 = editor_.Mode() == FixTableMode::ToBig5;
    if (place_.lang == 0)
        model_->SetTitles("Search", "Replace with");
    else
        model_->SetTitles("修正前", toBig5 ? "修正後" : "修正后");
    grid_->setAccessibleName(Caption(place_.systemCodePage, editor_.Mode()));
}

void TFormB5fix::UpdateCount() {
    const EditorTexts* t = TextsFor(place_.lang);
    if (!t) t = &Texts[0];
    count_->setText(QString::fromUtf8(t->total) + QString::number(editor_.RecordCount()) +
                    QString::fromUtf8(t->records));
    count_->setAccessibleName(count_->text());
}

void TFormB5fix::SelectRow(std::size_t row) {
    if (editor_.RowCount() == 0) return;
    row = std::min(row, editor_.RowCount() - 1);
    grid_->selectRow(static_cast<int>(row));
    grid_->scrollTo(model_->index(static_cast<int>(row), 0));
}

void TFormB5fix::Refused(const std::u16string& character) {
    const char* code = editor_.Mode() == FixTableMode::ToBig5 ? "Big5" : "GBK";
    ShowMessage(MessageKind::Error, "The character \"" +
                                        QString::fromStdU16String(character).toStdString() +
                                        "\" is not in " + code + ", so this table cannot hold it.");
}

void TFormB5fix::AddClick() {
    const FixTableEditor::Outcome outcome =
        editor_.Add(key_->text().toStdU16String(), replacement_->text().toStdU16String());
    switch (outcome.kind) {
    case FixTableEditor::Outcome::EmptyKey:
        ShowMessage(MessageKind::Error, "Edit box cannot be empty!");
        key_->setFocus();
        return;
    case FixTableEditor::Outcome::Duplicate:
        model_->Reload();
        UpdateCount();
        ShowMessage(MessageKind::Error,
                    "Duplicate record is found on row #" + std::to_string(outcome.row));
        SelectRow(outcome.row - 1);
        return;
    case FixTableEditor::Outcome::Unencodable:
        Refused(outcome.character);
        return;
    default:
        break;
    }
    model_->Reload();
    SelectRow(0);
    UpdateCount();
}

void TFormB5fix::DeleteClick() {
    const QModelIndexList selected = grid_->selectionModel()->selectedRows();
    const std::size_t row =
        selected.isEmpty() ? editor_.RowCount() : static_cast<std::size_t>(selected.front().row());
    const std::size_t next = editor_.Delete(row);
    model_->Reload();
    SelectRow(next);
    UpdateCount();
}

void TFormB5fix::SearchClick() {
    const FixTableEditor::Outcome outcome =
        editor_.Search(searchText_->text().toStdU16String(),
                       static_cast<SearchColumn>(column_->currentIndex() + 1));
    model_->Reload();
    UpdateCount();
    switch (outcome.kind) {
    case FixTableEditor::Outcome::EmptySearch:
        ShowMessage(MessageKind::Information, "Search string not found!");
        break;
    case FixTableEditor::Outcome::NotFound:
        ShowMessage(MessageKind::Information, "No matched string is found!");
        break;
    case FixTableEditor::Outcome::Unencodable:
        Refused(outcome.character);
        break;
    default:
        break;
    }
}

void TFormB5fix::ShowAllClick() {
    editor_.ShowAll();
    model_->Reload();
    UpdateCount();
}

void TFormB5fix::OkClick() {
    if (editor_.Modified()) {
        const std::u16string search =
            model_->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().toStdU16String();
        const std::u16string replace =
            model_->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString().toStdU16String();
        editor_.ShowAll();
        model_->Reload();
        if (!ReplaceFixTableFile(path_, editor_.FileText(search, replace))) {
            ShowMessage(MessageKind::Error, "Cannot create file " + path_);
            return;
        }
        if (place_.reindex) place_.reindex(editor_.Mode());
    }
    accept();
}

void TFormB5fix::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        const std::int64_t lang = place_.lang;
        help_.ShowContext(lang >= 0 && lang <= 2 ? 5 + 10 * static_cast<int>(lang) : 5);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tessarim
