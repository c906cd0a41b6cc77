#pragma once
// Opening the file conversion window: from the bar (modal, one at a time), or
// as the program's main window when it was started with file or folder names.
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace tessarim {

class HelpViewer;
class Sound;

// Opens the window modally over the bar; the bar has read the settings and
// loaded the tables. A second call while it is open does nothing. options opens
// the options window.
void ShowFileWindow(QWidget* owner, Sound& sound, HelpViewer& help, std::function<void()> options);

// The whole start with names: reads the settings, loads the tables, opens the
// window on the names and runs until it closes. Returns the exit status. A
// QApplication must exist.
int RunFileWindow(const std::vector<std::string>& paths, Sound& sound, HelpViewer& help);

} // namespace tessarim
