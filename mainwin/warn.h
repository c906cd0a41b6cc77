#pragma once
// The warning shown while a Chinese code page the Unicode commands need is
// missing, until the user ticks "Don't show this message again" (the form
// Twarnfrm; its object names keep the form's names).
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;

namespace tessarim {

struct WarnTexts {
    std::string heading;       // Label1
    std::string missing;       // Label2: names what is missing
    std::string explanation;   // Label3
    std::string dontShowAgain; // cb1
};

// The texts for the language and the code pages present; nothing when both are
// present. A language the program does not have gets the English texts.
std::optional<WarnTexts> WarnTextsFor(std::int64_t lang, bool has936, bool has950);

class CodePageWarning : public QDialog {
    Q_OBJECT
public:
    CodePageWarning(const WarnTexts& texts, int charset, QWidget* parent = nullptr);

private:
    // OK: a ticked box writes Warn = false; nothing is written otherwise.
    void SaveChoice();

    QCheckBox* dontShowAgain_;
};

// Tests the code pages again and, when one is missing, shows the warning modally.
void ShowCodePageWarning(QWidget* parent, std::int64_t lang, int charset);

} // namespace tessarim
