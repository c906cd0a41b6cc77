#include "settings/ProgramSettings.h"

#include "settings/Settings.h"

namespace tessarim {

ProgramSettings& Program() {
    static ProgramSettings settings;
    return settings;
}

int UiCharsetOf(std::int64_t lang) {
    switch (lang) {
    case 1:
        return 136;
    case 2:
        return 134;
    default:
        return 0;
    }
}

void LoadProgramSettings(const IniFile& ini, ProgramSettings& settings) {
    settings.Lang = Read(ini, keys::Lang);
    settings.UiCharset = UiCharsetOf(settings.Lang);
    settings.Sound = Read(ini, keys::Sound);
    settings.WaveFile = Read(ini, keys::WaveFile);
    settings.AutoHide = Read(ini, keys::AutoHide);
    settings.AlwaysOnTop = Read(ini, keys::AlwaysOnTop);
    settings.CfmOverwrite = Read(ini, keys::CfmOverwrite);
    settings.FixHtmlCharset = Read(ini, keys::FixHtmlCharset);
    settings.AddBOMtoUTF8 = Read(ini, keys::AddBOMtoUTF8);
    settings.CF_HTML_Support = Read(ini, keys::CF_HTML_Support);
    settings.Fix_UNN = Read(ini, keys::Fix_UNN);
    settings.MsgFinished = Read(ini, keys::MsgFinished);
    settings.MsgClipConFinished = Read(ini, keys::MsgClipConFinished);
    settings.RemLastPos = Read(ini, keys::RemLastPos);
    settings.GapWidth = Read(ini, keys::GapWidth);
}

} // namespace tessarim
