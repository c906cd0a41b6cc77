#pragma once
// Message boxes of the desktop program: once installed, ShowMessage shows a
// modal box (error, warning or information, each with OK) instead of writing to
// standard error.
#include <string>
#include <string_view>

namespace tessarim {

void InstallMessageBoxes();

// A message text as a dialog shows it: the line breaks the texts carry ("\r\n",
// and the odd "\n\r") become single new lines.
std::string DialogText(std::string_view text);

} // namespace tessarim
