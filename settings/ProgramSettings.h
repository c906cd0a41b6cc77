#pragma once
// The program-wide settings of the windowed program: one set of values, read
// from Tessarim.ini when the main window is created and changed in place by the
// options window.
#include "settings/IniFile.h"

#include <cstdint>
#include <string>

namespace tessarim {

struct ProgramSettings {
    std::int64_t Lang = 0; // 0 English, 1 Traditional Chinese, 2 Simplified Chinese
    int UiCharset = 0;     // font character set of Lang: 0, 136 or 134
    bool Sound = true;
    std::string WaveFile;
    bool AutoHide = true;
    bool AlwaysOnTop = true;
    bool CfmOverwrite = true;
    bool FixHtmlCharset = true;
    bool AddBOMtoUTF8 = true;
    bool CF_HTML_Support = true;
    // Decode numeric character references in converted text.
    bool Fix_UNN = true;
    bool MsgFinished = true;
    bool MsgClipConFinished = true;
    bool RemLastPos = true;
    std::int64_t GapWidth = 0;
};

// The one set of the process.
ProgramSettings& Program();

// 0 for English, 136 (Big5) for Traditional, 134 (GB2312) for Simplified; 0 for
// a language the program does not have.
int UiCharsetOf(std::int64_t lang);

// Reads every value above (the character set follows Lang).
void LoadProgramSettings(const IniFile& ini, ProgramSettings& settings);

} // namespace tessarim
