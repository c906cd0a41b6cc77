#include "filewin/FilterEdit.h"

#include "filewin/FileConTexts.h"
#include "platform/Dialogs.h"
#include "platform/UiFonts.h"
#include "platform/WindowSize.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessarim {

FilterRows ParseFilter(std::string_view text) {
    FilterRows rows;
    bool masks = false;
    while (true) {
        const std::size_t bar = std::min(text.find('|'), text.size());
        const std::string piece(text.substr(0, bar));
        if (!masks)
            rows.emplace_back(piece, "");
        else
            rows.back().second = piece;
        masks = !masks;
        if (bar == text.size()) break;
        text.remove_prefix(bar + 1);
    }
    if (rows.size() == 1 && rows.front().first.empty()) rows.clear();
    return rows;
}

std::string BuildFilter(const FilterRows& rows) {
    std::string text;
    for (const auto& [description, masks] : rows) {
        if (description.empty() || masks.empty()) continue;
        if (!text.empty()) text += '|';
        text += description + '|' + masks;
    }
    return text;
}

namespace {

// "|" joins the filter text, so a cell may not hold one: the key is refused
// with a warning, and pasted text loses it.
class CellEdit : public QLineEdit {
public:
    CellEdit(QString warning, QWidget* parent) : QLineEdit(parent), warning_(std::move(warning)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->text().contains('|')) {
            QMessageBox::warning(this, QApplication::applicationName(), warning_);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    QString warning_;
};

class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(QString warning, QObject* parent)
        : QStyledItemDelegate(parent), warning_(std::move(warning)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* edit = new CellEdit(warning_, parent);
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
            if (text.contains('|')) edit->setText(QString(text).remove('|'));
        });
        return edit;
    }

private:
    QString warning_;
};

QString Q(const std::string& text) {
    return QString::fromStdString(DialogText(text));
}

} // namespace

TFilterEditor::TFilterEditor(const std::string& filter, std::int64_t lang, int uiCharset,
                             QWidget* parent)
    : QDialog(parent) {
    const FileConTexts& texts = FileConTextsFor(lang);
    setObjectName("TFilterEditor");
    setWindowTitle(Q(texts.FEbtnHint));
    setFont(UiFont(uiCharset, QApplication::font()));
    grid_ = new QTableWidget(this);
    grid_->setObjectName("FilterGrid");
    grid_->setAccessibleName(Q(texts.FEbtnHint));
    grid_->setColumnCount(2);
    grid_->setHorizontalHeaderLabels({Q(texts.FilterType), Q(texts.FilterMasks)});
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setItemDelegate(new CellDelegate(Q(texts.FilterBarReserved), grid_));
    const FilterRows rows = ParseFilter(filter);
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        grid_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(rows[row].first)));
        grid_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(rows[row].second)));
    }
    KeepOneEmptyRow();
    grid_->resizeColumnToContents(0);
    connect(grid_, &QTableWidget::itemChanged, this, [this] { KeepOneEmptyRow(); });

    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](const std::string& caption, const char* name,
                         QDialogButtonBox::ButtonRole role) {
        QPushButton* button = buttons->addButton(Q(caption), role);
        button->setObjectName(name);
        button->setAccessibleName(Q(caption));
        return button;
    };
    QPushButton* help = add(texts.Help, "BtnHelp", QDialogButtonBox::HelpRole);
    add(texts.Cancel, "BtnCancel", QDialogButtonBox::RejectRole);
    add(texts.OK, "BtnOK", QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this, text = Q(texts.FilterHelp)] {
        QMessageBox::information(this, QApplication::applicationName(), text);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addWidget(buttons);
    ResizeWithinScreen(*this, {480, 360});
}

// The grid grows as rows are filled: there is always one empty row to type into.
void TFilterEditor::KeepOneEmptyRow() {
    const auto filled = [this](int row) {
        for (int column = 0; column < 2; ++column)
            if (const QTableWidgetItem* item = grid_->item(row, column);
                item && !item->text().isEmpty())
                return true;
        return false;
    };
    const int rows = grid_->rowCount();
    if (rows == 0 || filled(rows - 1)) grid_->setRowCount(rows + 1);
}

std::string TFilterEditor::Filter() const {
    FilterRows rows;
    const auto cell = [this](int row, int column) {
        const QTableWidgetItem* item = grid_->item(row, column);
        return item ? item->text().toStdString() : std::string();
    };
    for (int row = 0; row < grid_->rowCount(); ++row)
        rows.emplace_back(cell(row, 0), cell(row, 1));
    return BuildFilter(rows);
}

} // namespace tessarim
