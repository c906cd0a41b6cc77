#include "tools/DesktopTools.h"

#include "platform/CodePage.h"
#include "platform/Message.h"
#include "settings/ProgramSettings.h"
#include "settings/Settings.h"
#include "tools/EngineCalls.h"
#include "tools/HotKeyForm.h"
#include "tools/KeyInputForm.h"

namespace tessarim {

namespace {

constexpr const char* NeedsX11 =
    "The hotkeys and the key sender need an X11 session (or XWayland); "
    "everything else works as usual.";

} // namespace

DesktopTools::DesktopTools(ToolsDesktop desktop, ClipCommands& commands, ProgramSettings& settings,
                           int codePage, bool unicodeAvailable)
    : desktop_(desktop), commands_(commands), settings_(settings),
      unicodeAvailable_(unicodeAvailable), hotKeys_(desktop.grabber),
      sendLogic_(sendState_, desktop.windows, desktop.synth,
                 [codePage](std::u16string_view text, Direction direction) {
                     return ConvertForSending(text, direction, codePage);
                 }) {
    hotKeys_.OnHotKey = [this](ClipHotKey key) { RunHotKeyCommand(commands_, key); };
}

DesktopTools::~DesktopTools() = default;

bool DesktopTools::Available() {
    if (desktop_.x11) return true;
    if (!toldNoX11_) ShowMessage(MessageKind::Information, NeedsX11);
    toldNoX11_ = true;
    return false;
}

void DesktopTools::LoadHotKeys() {
    const IniFile ini(SettingsPath());
    std::vector<std::string> refused;
    if (!desktop_.x11) {
        PasteAfterHotKey(commands_) = Read(ini, keys::PasteAfrHotKey);
        for (int i = 0; i < HotKeyCount; ++i)
            if (Read(ini, keys::Enabled(i)) && HotKeyRowOf(Read(ini, keys::Virtkey(i))) != 0) {
                Available();
                break;
            }
        return;
    }
    PasteAfterHotKey(commands_) = tessarim::LoadHotKeys(ini, hotKeys_, refused);
    if (!refused.empty()) ShowMessage(MessageKind::Warning, RefusedMessage(refused));
}

void DesktopTools::OpenKeySender() {
    if (!Available()) return;
    if (!keySender_) {
        // The toggle's first direction follows the locale, as other defaults do.
        keySender_ = std::make_unique<TKeySender>(sendLogic_, sendState_, desktop_.windows,
                                                  LocaleCodePageForDefaults());
        keySender_->UpdateCharset(settings_.UiCharset);
        keySender_->SetHelp(&desktop_.help);
    }
    keySender_->UpdateLang(settings_.Lang);
    keySender_->Open();
}

void DesktopTools::OpenHotKeyWindow(QWidget* parent) {
    if (!Available()) return;
    HotKeyFormLogic logic(hotKeys_, PasteAfterHotKey(commands_));
    TFormHotKey window(logic, desktop_.dialogs, settings_.Lang, settings_.UiCharset,
                       LocaleCodePageForDefaults(), unicodeAvailable_, parent);
    window.exec();
}

void DesktopTools::UpdateLang() {
    if (!keySender_) return;
    keySender_->UpdateLang(settings_.Lang);
    keySender_->UpdateCharset(settings_.UiCharset);
}

} // namespace tessarim
