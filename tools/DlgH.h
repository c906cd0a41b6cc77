#pragma once
// `THintsDlg`: the keyword help of the target dialog, listing every keyword
// with its meaning.
#include <QDialog>
#include <cstdint>

namespace tessarim {

struct HintsTexts {
    const char* Heading;
    const char* OtherKeys;
    const char* How;
    const char* Note;
};
const HintsTexts* HintsTextsFor(std::int64_t lang);

class THintsDlg : public QDialog {
public:
    THintsDlg(std::int64_t lang, int charset, QWidget* parent = nullptr);
};

} // namespace tessarim
