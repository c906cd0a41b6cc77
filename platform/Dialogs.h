#pragma once
// Message boxes of the desktop program: once installed, ShowMessage shows a
// modal box (error, warning or information, each with OK) instead of writing to
// standard error. Commands that ask the user or keep them waiting do it
// through Dialogs, which tests answer in the user's place.
#include <string>
#include <string_view>

namespace tessarim {

void InstallMessageBoxes();

// A message text as a dialog shows it: the line breaks the texts carry ("\r\n",
// and the odd "\n\r") become single new lines.
std::string DialogText(std::string_view text);

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A warning with Yes and No buttons; true when the user chose Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // The busy cursor shows from BeginBusy to the matching EndBusy.
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
};

class QtDialogs : public Dialogs {
public:
    bool AskYesNo(std::string_view text) override;
    void BeginBusy() override;
    void EndBusy() override;
};

// The busy cursor for a scope, also when it is left by an exception.
class BusyCursor {
public:
    explicit BusyCursor(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.BeginBusy(); }
    ~BusyCursor() { dialogs_.EndBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Dialogs& dialogs_;
};

} // namespace tessarim
