#include "filewin/FileWindow.h"

#include "core/Paths.h"
#include "core/TableLoader.h"
#include "filewin/FileConForm.h"
#include "platform/CodePage.h"
#include "platform/ProgramDir.h"
#include "platform/UiLanguage.h"
#include "settings/ProgramSettings.h"
#include "settings/Settings.h"

#include <QApplication>

namespace tessarim {

namespace {

FileCon::Environment Environment(const IniFile& ini) {
    FileCon::Environment environment;
    std::string folder = AddTrailingBackslash(Read(ini, keys::DefaultDir));
    environment.defaultFolder = DirExists(folder) ? folder : ProgramDir();
    const int codePage = LocaleCodePageForDefaults();
    environment.defaultTarget = codePage == CodePageBig5 ? BIG5 : GBK;
    environment.defaultFace = codePage == CodePageGbk    ? FaceS
                              : codePage == CodePageBig5 ? FaceT
                                                         : FaceD;
    environment.unicodeAvailable = IsValidCodePage(CodePageGbk) && IsValidCodePage(CodePageBig5);
    environment.lang = Program().Lang;
    environment.namesAvailable = true;
    return environment;
}

RunSettings Settings() {
    const ProgramSettings& program = Program();
    return {.cfmOverwrite = program.CfmOverwrite,
            .sound = program.Sound,
            .waveFile = program.WaveFile,
            .msgFinished = program.MsgFinished};
}

bool windowOpen = false;

} // namespace

void ShowFileWindow(QWidget* owner, Sound& sound, HelpViewer& help, std::function<void()> options) {
    if (windowOpen) return;
    windowOpen = true;
    struct Reset {
        ~Reset() { windowOpen = false; }
    } reset;
    const IniFile ini(SettingsPath());
    TForm1 form(Environment(ini), Settings(),
                {.sound = sound,
                 .help = &help,
                 .options = std::move(options),
                 .fixTables = &ProgramFixTables()},
                owner);
    form.setWindowModality(Qt::ApplicationModal);
    form.exec();
}

int RunFileWindow(const std::vector<std::string>& paths, Sound& sound, HelpViewer& help) {
    QApplication::setApplicationName("Tessarim");
    const IniFile ini(SettingsPath());
    LoadProgramSettings(ini, Program());
    // Qt's own dialogs (a folder to choose, a question) in the window's language.
    SetUiLanguage(Program().Lang);
    LoadFixTableForUse(ProgramFixTables(), FixTableId::Gbk);
    LoadFixTableForUse(ProgramFixTables(), FixTableId::Big5);
    TForm1 form(Environment(ini), Settings(),
                {.sound = sound, .help = &help, .options = {}, .fixTables = &ProgramFixTables()});
    form.show();
    form.TakePaths(paths);
    return form.exec() >= 0 ? 0 : 1;
}

} // namespace tessarim
