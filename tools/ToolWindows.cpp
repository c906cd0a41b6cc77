#include "tools/ToolWindows.h"

#include "core/TableLoader.h"
#include "mainwin/Main.h"
#include "platform/CodePage.h"
#include "platform/ProgramDir.h"
#include "tools/B5fix.h"
#include "tools/ClipFrm.h"
#include "tools/OptionFrm.h"

#include <QApplication>
#include <QTimer>

namespace tessarim {

ToolWindows::ToolWindows(TMainForm& main, Clipboard& clipboard, HelpViewer& help,
                         int systemCodePage)
    : main_(main), clipboard_(clipboard), help_(help), codePage_(systemCodePage) {
    // A modal window opened inside a click would keep assistive technology,
    // whose press waits for the click to return, waiting until it closes.
    main_.SetCommandHandler(MainCommand::Options,
                            [this] { QTimer::singleShot(0, &main_, [this] { OpenOptions(); }); });
    main_.SetCommandHandler(MainCommand::ClipboardViewer, [this] { OpenClipboardViewer(); });
}

ToolWindows::~ToolWindows() = default;

TForm5* ToolWindows::OptionsWindow() const {
    return options_;
}

void ToolWindows::OpenOptions() {
    if (options_) {
        // One options window at a time: the one open comes forward.
        options_->raise();
        options_->activateWindow();
        return;
    }
    OptionsDoors doors;
    doors.openHotKeys = openHotKeys;
    doors.openEditor = [this](QWidget* parent, bool toBig5) { OpenTableEditor(parent, toBig5); };
    TForm5 form(main_.Logic().Settings(), *this, help_, std::move(doors));
    options_ = &form;
    form.exec();
}

void ToolWindows::OpenTableEditor(QWidget* parent, bool toBig5) {
    const ProgramSettings& settings = main_.Logic().Settings();
    FixTableEditorPlace place;
    place.folder = ProgramDir();
    place.lang = settings.Lang;
    place.uiCharset = settings.UiCharset;
    place.systemCodePage = LocaleCodePageForDefaults();
    // The table in use is read anew at once, so the next conversion applies the edit.
    place.reindex = [](FixTableMode mode) {
        LoadFixTableForUse(ProgramFixTables(),
                           mode == FixTableMode::ToBig5 ? FixTableId::Big5 : FixTableId::Gbk);
    };
    TFormB5fix editor(toBig5 ? FixTableMode::ToBig5 : FixTableMode::ToGbk, std::move(place), help_,
                      parent);
    editor.exec();
}

void ToolWindows::OpenClipboardViewer() {
    if (!viewer_)
        viewer_ =
            std::make_unique<TClipForm>(clipboard_, main_.Logic().Settings(), help_, codePage_);
    viewer_->Open();
}

void ToolWindows::AddLanguageListener(std::function<void()> listener) {
    listeners_.push_back(std::move(listener));
}

void ToolWindows::UpdateBar(bool alwaysOnTop, bool autoHide) {
    main_.BarSettings().AlwaysOnTop = alwaysOnTop;
    main_.BarSettings().AutoHide = autoHide;
    main_.UpdateBar();
}

void ToolWindows::LanguageChanged() {
    main_.UpdateCharset();
    main_.UpdateLang();
    if (viewer_) {
        viewer_->UpdateCharset();
        viewer_->UpdateLang();
    }
    for (const auto& listener : listeners_)
        listener();
}

} // namespace tessarim
