#include "settings/OptionsLogic.h"

#include "platform/Files.h"
#include "settings/OptionTexts.h"
#include "settings/Settings.h"

namespace tessarim {

OptionValues ReadOptionValues(const IniFile& ini) {
    OptionValues v;
    v.Lang = Read(ini, keys::Lang);
    v.Sound = Read(ini, keys::Sound);
    v.WaveFile = Read(ini, keys::WaveFile);
    v.GapWidth = Read(ini, keys::GapWidth);
    v.AlwaysOnTop = Read(ini, keys::AlwaysOnTop);
    v.AutoHide = Read(ini, keys::AutoHide);
    v.RemLastPos = Read(ini, keys::RemLastPos);
    v.MsgFinished = Read(ini, keys::MsgFinished);
    v.CfmOverwrite = Read(ini, keys::CfmOverwrite);
    v.MsgClipConFinished = Read(ini, keys::MsgClipConFinished);
    v.DefaultDir = Read(ini, keys::DefaultDir);
    v.Ignore = Read(ini, keys::Ignore);
    v.FixHtmlCharset = Read(ini, keys::FixHtmlCharset);
    v.HtmlType = Read(ini, keys::HtmlType);
    v.AddBOMtoUTF8 = Read(ini, keys::AddBOMtoUTF8);
    v.Fix_UNN = Read(ini, keys::Fix_UNN);
    v.CF_HTML_Support = Read(ini, keys::CF_HTML_Support);
    return v;
}

OptionsLogic::OptionsLogic(ProgramSettings& running, OptionsHost& host)
    : values(ReadOptionValues(IniFile(SettingsPath()))), running_(running), host_(host) {}

void OptionsLogic::Shown() {
    langAtShow_ = running_.Lang;
}

void OptionsLogic::ChooseLanguage(std::int64_t lang) {
    values.Lang = lang;
    if (lang == running_.Lang) return;
    running_.Lang = lang;
    running_.UiCharset = UiCharsetOf(lang);
}

int OptionsLogic::HelpContext() const {
    const std::int64_t lang = running_.Lang;
    return lang >= 0 && lang <= 2 ? 4 + 10 * static_cast<int>(lang) : 4;
}

void OptionsLogic::Save(IniFile& ini, std::vector<std::string>& notes) {
    const OptionTexts* texts = OptionTextsFor(values.Lang);
    if (!texts) texts = OptionTextsFor(0);
    const OptionValues& v = values;
    Write(ini, keys::Lang, v.Lang);
    running_.Sound = v.Sound;
    Write(ini, keys::Sound, v.Sound);
    const bool waveExists = QueryFileKind(v.WaveFile) == FileKind::Regular;
    if (!waveExists && !v.WaveFile.empty())
        notes.push_back(FormatText(texts->waveFileMissing, v.WaveFile));
    running_.WaveFile = waveExists ? v.WaveFile : std::string();
    Write(ini, keys::WaveFile, running_.WaveFile);
    running_.GapWidth = v.GapWidth;
    Write(ini, keys::GapWidth, v.GapWidth);
    if (QueryFileKind(v.DefaultDir) == FileKind::Folder) {
        Write(ini, keys::DefaultDir, v.DefaultDir);
    } else {
        if (!v.DefaultDir.empty()) notes.push_back(FormatText(texts->folderMissing, v.DefaultDir));
        Write(ini, keys::DefaultDir, DocumentsFolder());
    }
    Write(ini, keys::Ignore, v.Ignore);
    Write(ini, keys::HtmlType, v.HtmlType);
    if (host_.HasBar()) {
        Write(ini, keys::AlwaysOnTop, v.AlwaysOnTop);
        Write(ini, keys::AutoHide, v.AutoHide);
        running_.AlwaysOnTop = v.AlwaysOnTop;
        running_.AutoHide = v.AutoHide;
        host_.UpdateBar(v.AlwaysOnTop, v.AutoHide);
    }
    running_.CfmOverwrite = v.CfmOverwrite;
    Write(ini, keys::CfmOverwrite, v.CfmOverwrite);
    running_.RemLastPos = v.RemLastPos;
    Write(ini, keys::RemLastPos, v.RemLastPos);
    running_.MsgFinished = v.MsgFinished;
    Write(ini, keys::MsgFinished, v.MsgFinished);
    running_.MsgClipConFinished = v.MsgClipConFinished;
    Write(ini, keys::MsgClipConFinished, v.MsgClipConFinished);
    running_.FixHtmlCharset = v.FixHtmlCharset;
    Write(ini, keys::FixHtmlCharset, v.FixHtmlCharset);
    running_.AddBOMtoUTF8 = v.AddBOMtoUTF8;
    Write(ini, keys::AddBOMtoUTF8, v.AddBOMtoUTF8);
    running_.CF_HTML_Support = v.CF_HTML_Support;
    Write(ini, keys::CF_HTML_Support, v.CF_HTML_Support);
    running_.Fix_UNN = v.Fix_UNN;
    Write(ini, keys::Fix_UNN, v.Fix_UNN);
}

std::vector<std::string> OptionsLogic::Close() {
    std::vector<std::string> notes;
    IniFile ini(SettingsPath());
    std::exception_ptr failure;
    try {
        Save(ini, notes);
    } catch (const IniWriteError&) {
        failure = std::current_exception();
    }
    running_.UiCharset = UiCharsetOf(running_.Lang);
    if (running_.Lang != langAtShow_) host_.LanguageChanged();
    if (failure) std::rethrow_exception(failure);
    return notes;
}

} // namespace tessarim
