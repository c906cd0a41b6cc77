#pragma once
// The help file: an HTML page shipped with the program, with one anchor per help
// context ("Tessarim.html#context-11"), shown by the desktop's browser.
#include <string>

class QUrl;

namespace tessarim {

inline constexpr const char* HelpFileName = "Tessarim.html";

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void ShowContext(int context) = 0;
};

// The help file of this program: in the installed data folder when the program is
// installed, else beside the executable (a build folder, an unpacked copy).
std::string DefaultHelpFile();

// The address of a context in a help file.
QUrl HelpUrl(const std::string& helpFile, int context);

class DesktopHelp : public HelpViewer {
public:
    DesktopHelp() : helpFile_(DefaultHelpFile()) {}
    explicit DesktopHelp(std::string helpFile) : helpFile_(std::move(helpFile)) {}
    // Opens the page at the context; a missing file is reported.
    void ShowContext(int context) override;
    const std::string& HelpFile() const { return helpFile_; }

private:
    std::string helpFile_;
};

} // namespace tessarim
