#include "tools/WinTitleForm.h"

#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/Message.h"
#include "platform/UiFonts.h"
#include "settings/Settings.h"
#include "tools/DlgH.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessarim {

TFormEnumWin::TFormEnumWin(SendKeyState& state, DesktopWindows& windows, std::int64_t lang,
                           int charset, QWidget* parent)
    : QDialog(parent), state_(state), windows_(windows), lang_(lang), charset_(charset) {
    setObjectName("TFormEnumWin");
    setWindowTitle(EnumWinCaption);
    const WinTitleTexts* texts = WinTitleTextsFor(lang);
    if (!texts) texts = WinTitleTextsFor(0);
    const QFont font = UiFont(charset, QApplication::font());
    const auto text = [](const char* t) {
        return QString::fromStdString(DialogText(LineBreaks(t)));
    };

    auto* layout = new QVBoxLayout(this);
    auto* listLabel = new QLabel(text(texts->ListLabel), this);
    listLabel->setObjectName("listLabel");
    listLabel->setFont(font);
    layout->addWidget(listLabel);
    grid_ = new QTableWidget(0, 2, this);
    grid_->setObjectName("WinGrid");
    grid_->setAccessibleName(text(texts->ListLabel));
    grid_->setHorizontalHeaderLabels({"Title", "Handle"});
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grid_->setColumnWidth(1, 100);
    grid_->setMinimumSize(460, 200);
    layout->addWidget(grid_);
    auto* row = new QHBoxLayout;
    total_ = new QLabel(this);
    total_->setObjectName("totalLabel");
    row->addWidget(total_, 1);
    auto* refresh = new QPushButton(text(texts->Refresh), this);
    refresh->setObjectName("RefreshBtn");
    refresh->setAccessibleName(text(texts->Refresh));
    refresh->setFont(font);
    row->addWidget(refresh);
    layout->addLayout(row);

    auto* group = new QGroupBox(text(texts->KeysGroup), this);
    group->setObjectName("keysGroup");
    group->setFont(font);
    auto* keysLayout = new QGridLayout(group);
    keys_ = new QComboBox(group);
    keys_->setObjectName("KeysAfterText");
    keys_->setAccessibleName(text(texts->KeysGroup));
    keys_->setEditable(true);
    keys_->setMaxVisibleItems(10);
    keys_->setInsertPolicy(QComboBox::NoInsert);
    keysLayout->addWidget(keys_, 0, 0);
    auto* keywords = new QPushButton(text(texts->Keywords), group);
    keywords->setObjectName("KeywordBtn");
    keywords->setAccessibleName(text(texts->Keywords));
    keysLayout->addWidget(keywords, 0, 1);
    auto* note = new QLabel(text(texts->Note), group);
    note->setObjectName("noteLabel");
    keysLayout->addWidget(note, 1, 0, 1, 2);
    auto* explanation = new QLabel(text(texts->Explanation), group);
    explanation->setObjectName("explanation");
    keysLayout->addWidget(explanation, 2, 0, 1, 2);
    layout->addWidget(group);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKBtn");
    ok_->setAccessibleName("OK");
    ok_->setDefault(true);
    layout->addWidget(ok_, 0, Qt::AlignRight);

    connect(refresh, &QPushButton::clicked, this, [this] { FillGrid(); });
    connect(keywords, &QPushButton::clicked, this, [this] {
        THintsDlg hints(lang_, charset_, this);
        hints.exec();
    });
    connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(grid_, &QTableWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });

    FillGrid();
    if (const int current = RowOf(rows_, state_.TargetWindow); current >= 0)
        grid_->selectRow(current);
    for (const std::string& entry : LoadKeysHistory(IniFile(SettingsPath())))
        keys_->addItem(QString::fromStdString(entry));
    if (keys_->count() > 0) keys_->setCurrentIndex(0);
    SelectionChanged();
}

void TFormEnumWin::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && help_) {
        help_->ShowContext(KeySenderHelpContext(lang_));
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormEnumWin::FillGrid() {
    rows_ = TargetRows(windows_.List(), lang_);
    grid_->clearSelection();
    grid_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        grid_->setItem(static_cast<int>(i), 0,
                       new QTableWidgetItem(QString::fromStdString(rows_[i].title)));
        grid_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(QString::number(rows_[i].id)));
    }
    total_->setText(QString::fromStdString(TotalText(rows_.size())));
    SelectionChanged();
}

void TFormEnumWin::SelectionChanged() {
    // Nothing to send to without a chosen window.
    ok_->setEnabled(!grid_->selectionModel()->selectedRows().isEmpty());
}

void TFormEnumWin::OkClick() {
    const auto selected = grid_->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const std::string text = keys_->currentText().toStdString();
    if (!KeysTextAllowed(text)) {
        const WinTitleTexts* texts = WinTitleTextsFor(lang_);
        ShowMessage(MessageKind::Information,
                    (texts ? texts : WinTitleTextsFor(0))->ChineseNotAllowed);
        keys_->setFocus();
        return;
    }
    state_.TargetWindow = rows_[static_cast<std::size_t>(selected.front().row())].id;
    state_.KeysAfterText = KeywordsToCodes(text);
    std::vector<std::string> history;
    for (int i = 0; i < keys_->count(); ++i)
        history.push_back(keys_->itemText(i).toStdString());
    try {
        IniFile ini(SettingsPath());
        SaveKeysHistory(ini, AddToKeysHistory(history, text));
    } catch (const IniWriteError& error) {
        ShowMessage(MessageKind::Error, error.what());
    }
    accept();
}

} // namespace tessarim
