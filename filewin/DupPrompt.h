#pragma once
// `TForm6`: asks whether a converted file may replace the one of its name in
// the destination. Closing it by its close box skips the file.
#include "filewin/BatchRun.h"

#include <QDialog>
#include <cstdint>
#include <string>

namespace tessarim {

class TForm6 : public QDialog {
    Q_OBJECT
public:
    TForm6(const std::string& destination, std::int64_t lang, QWidget* parent = nullptr);
    // The answer given, or Skip when none was.
    OverwriteAnswer Answer() const { return answer_; }

private:
    OverwriteAnswer answer_ = OverwriteAnswer::Skip;
};

OverwriteAnswer AskDuplicate(const std::string& destination, std::int64_t lang, QWidget* parent);

} // namespace tessarim
