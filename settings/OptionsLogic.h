#pragma once
// What the options window does, apart from showing it: the values of its
// controls read from Tessarim.ini, the language switch that acts at once, and
// the save on closing, which writes every value in a fixed order, updates the
// running program and tells the open windows of a new language.
#include "settings/IniFile.h"
#include "settings/ProgramSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessarim {

// The running program as the options window reaches it.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    // The main window's bar exists (not so when the file window is the program).
    virtual bool HasBar() const = 0;
    // Copies both values into the bar and re-applies its edge.
    virtual void UpdateBar(bool alwaysOnTop, bool autoHide) = 0;
    // The interface language changed: every open window reloads its character
    // set and texts.
    virtual void LanguageChanged() = 0;
};

// The state of the window's controls.
struct OptionValues {
    std::int64_t Lang = 0;
    bool Sound = true;
    std::string WaveFile;
    std::int64_t GapWidth = 0;
    bool AlwaysOnTop = true;
    bool AutoHide = true;
    bool RemLastPos = true;
    bool MsgFinished = true;
    bool CfmOverwrite = true;
    bool MsgClipConFinished = true;
    std::string DefaultDir;
    std::string Ignore;
    bool FixHtmlCharset = true;
    std::string HtmlType;
    bool AddBOMtoUTF8 = true;
    bool Fix_UNN = true;
    bool CF_HTML_Support = true;
};

OptionValues ReadOptionValues(const IniFile& ini);

// The gap spin box's range and step.
inline constexpr int GapMax = 250;
inline constexpr int GapStep = 10;

class OptionsLogic {
public:
    // Reads the settings file.
    OptionsLogic(ProgramSettings& running, OptionsHost& host);

    OptionValues values;
    // Which table the correction editor opens: b5fix.dat (Simplified to
    // Traditional) when true, gbfix.dat otherwise.
    bool smartReplaceToBig5 = true;

    // The window is shown: the language of this moment tells at closing
    // whether the other windows need new texts.
    void Shown();
    // A language button: the interface language changes at once.
    void ChooseLanguage(std::int64_t lang);
    std::int64_t Lang() const { return running_.Lang; }
    int UiCharset() const { return running_.UiCharset; }

    bool WaveFileEnabled() const { return values.Sound; }
    // On-top and auto-hide act on the bar; with no bar they cannot act.
    bool BarBoxesEnabled() const { return host_.HasBar(); }
    // 4, 14 or 24 by language.
    int HelpContext() const;

    // What closing writes and applies. A write the file refuses stops the
    // remaining writes and is rethrown (IniWriteError) after the other windows
    // have followed the language the program now shows. The result names the
    // values that could not be kept as typed (a wave file or folder that does
    // not exist), in the interface language, for the user to be told.
    std::vector<std::string> Close();

private:
    void Save(IniFile& ini, std::vector<std::string>& notes);

    ProgramSettings& running_;
    OptionsHost& host_;
    std::int64_t langAtShow_ = 0;
};

} // namespace tessarim
