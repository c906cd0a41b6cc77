// The desktop program's entry. Without arguments it is the windowed program: one
// bar per user, docked at its remembered edge (or hidden, as it was left), with
// no taskbar button; the tray icon stands in for one.
#include "app/CommandLine.h"
#include "data/Version.h"
#include "engine/CodePages.h"
#include "filewin/FileWindow.h"
#include "mainwin/ClipCommands.h"
#include "mainwin/Main.h"
#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Help.h"
#include "platform/ProgramDir.h"
#include "platform/SingleInstance.h"
#include "platform/Sound.h"
#include "platform/Tray.h"
#include "platform/X11AppBarShell.h"
#include "platform/X11HotKeys.h"
#include "platform/X11KeySynth.h"
#include "platform/X11Keyboard.h"
#include "platform/X11Windows.h"
#include "settings/ProgramSettings.h"
#include "settings/Settings.h"
#include "tools/DesktopTools.h"
#include "tools/ToolWindows.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace tessarim {
namespace {

constexpr const char* ConvertHint =
    "convert files with switches, for example: tessarim /i:gbk /o:big5 old.txt new.txt";

constexpr const char* DesktopUsage =
    "Usage: tessarim-desktop\n"
    "  Starts the Tessarim bar: clipboard conversion between GBK, Big5 and Unicode\n"
    "  (Simplified and Traditional Chinese) and Unicode numeric references, docked\n"
    "  at the top or bottom of the screen or floating, with a tray icon. One bar\n"
    "  runs per user; starting it again shows the running bar.\n"
    "\n"
    "  tessarim-desktop --help     this text\n"
    "  tessarim-desktop --version  the version\n"
    "\n"
    "Files are converted on the command line:\n"
    "  tessarim [/i:CodeIn] /o:CodeOut [/f:Face] FileIn [FileOut]\n"
    "Settings: Tessarim.ini beside the program, in $TESSARIM_HOME, or in\n"
    "~/.config/tessarim/.\n";

void SayOnStderr(const std::string& text) {
    std::fprintf(stderr, "Tessarim: %s\n", text.c_str());
}

// The bar lives on an X11 desktop (XWayland included); say so plainly when
// there is none instead of letting the toolkit abort.
bool HasX11Display() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    if (qgetenv("QT_QPA_PLATFORM") != "xcb") return true; // chosen by the caller
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        SayOnStderr(std::string("no X display (DISPLAY is not set). The desktop program needs an "
                                "X11 session; ") +
                    ConvertHint);
        return false;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable)
        SayOnStderr(std::string("cannot open the X display ") + display + "; " + ConvertHint);
    return reachable;
}

int RunWindowed(int argc, char** argv) {
    if (!HasX11Display()) return ExitFailure;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tessarim");
    // Hiding the bar or closing a dialog must not end the program; closing the bar does.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.Acquire()) return ExitSuccess;
    InstallMessageBoxes();

    try {
        X11AppBarShell shell;
        shell.SetApplicationTaskbarButton(false);
        SystemTrayIcon tray;
        DesktopHelp help;
        const int codePage = SystemCodePage();
        QtClipboard clipboard(
            codePage,
            {[codePage](std::string_view bytes) { return AnsiToWide(bytes, codePage); },
             [codePage](std::u16string_view text) { return WideToAnsi(text, codePage); }});
        QtDialogs dialogs;
        SystemSound sound;
        X11ForegroundPaste paste;
        ClipCommands commands({clipboard, dialogs, sound, paste}, Program(), SystemCodePage());
        commands.UnicodeAvailable = IsValidCodePage(CodePageGbk) && IsValidCodePage(CodePageBig5);
        TMainForm form(shell, tray, help);
        form.SetClipboardCommands(commands);
        X11HotKeyGrabber grabber;
        X11DesktopWindows windows;
        X11KeySynth synth;
        DesktopTools tools({grabber, windows, synth, dialogs, help, X11Connection() != nullptr},
                           commands, Program(), SystemCodePage(), commands.UnicodeAvailable);
        form.SetCommandHandler(MainCommand::SendKey, [&tools] { tools.OpenKeySender(); });
        tools.LoadHotKeys();
        ToolWindows toolWindows(form, clipboard, help, SystemCodePage());
        toolWindows.openHotKeys = [&tools](QWidget* parent) { tools.OpenHotKeyWindow(parent); };
        toolWindows.AddLanguageListener([&tools] { tools.UpdateLang(); });
        form.SetCommandHandler(MainCommand::FileConversion, [&] {
            ShowFileWindow(&form, sound, help, [&toolWindows] { toolWindows.OpenOptions(); });
        });
        shell.SetWindow(&form);
        form.CreateWindowHandle();
        QObject::connect(&instance, &SingleInstance::RaiseRequested, &form,
                         &TMainForm::BringToFront);
        QObject::connect(&form, &TMainForm::Closed, &application, &QApplication::quit);

        const IniFile ini(SettingsPath());
        if (Read(ini, keys::RemLastPos) && Read(ini, keys::HideMain))
            form.StartHidden();
        else
            form.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        SayOnStderr(error.what());
        return ExitFailure;
    }
}

// Started with file or folder names: the file window is the program, with no
// bar, no tray and no single-instance rule.
int RunFileWindowStart(int argc, char** argv, const std::vector<std::string>& paths) {
    if (!HasX11Display()) return ExitFailure;
    QApplication application(argc, argv);
    InstallMessageBoxes();
    try {
        SystemSound sound;
        DesktopHelp help;
        return RunFileWindow(paths, sound, help);
    } catch (const std::exception& error) {
        SayOnStderr(error.what());
        return ExitFailure;
    }
}

} // namespace
} // namespace tessarim

int main(int argc, char** argv) {
    using namespace tessarim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The usual questions to a Linux program, answered before any display is needed.
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(DesktopUsage, stdout);
        return ExitSuccess;
    }
    // Where the help and the settings are looked for, so that a user (or a
    // packaging check) can see them without a display.
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("tessarim-desktop %s\nHelp file: %s\nSettings folder: %s\n", VersionString(),
                    DefaultHelpFile().c_str(), ProgramDir().c_str());
        return ExitSuccess;
    }
    switch (DetectRunMode(args)) {
    case RunMode::CommandLine:
        return RunCommandLine(args);
    case RunMode::FileWindow:
        return RunFileWindowStart(argc, argv, args);
    case RunMode::Windowed:
        break;
    }
    return RunWindowed(argc, argv);
}
