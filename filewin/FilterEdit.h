#pragma once
// `TFilterEditor`: the list of file-type filters of the source list, one row per
// filter (a description and its ";"-separated masks). The filter text joins
// everything with "|": "All files (*.*)|*.*|Text files (*.txt)|*.txt".
#include <QDialog>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QTableWidget;

namespace tessarim {

using FilterRows = std::vector<std::pair<std::string, std::string>>;

// The rows of a filter text; a description without masks gets empty masks.
FilterRows ParseFilter(std::string_view text);
// The filter text of every row whose two cells are both filled, in order.
std::string BuildFilter(const FilterRows& rows);

class HelpViewer;

class TFilterEditor : public QDialog {
    Q_OBJECT
public:
    TFilterEditor(const std::string& filter, std::int64_t lang, int uiCharset,
                  QWidget* parent = nullptr);
    // The filter text of the rows as they are now.
    std::string Filter() const;

private:
    void KeepOneEmptyRow();
    QTableWidget* grid_;
};

} // namespace tessarim
