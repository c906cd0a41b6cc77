#include "tools/HotKeyForm.h"

#include "platform/Dialogs.h"
#include "platform/Message.h"
#include "platform/UiFonts.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessarim {

TFormHotKey::TFormHotKey(HotKeyFormLogic& logic, Dialogs& dialogs, std::int64_t lang, int charset,
                         int codePage, bool unicodeAvailable, QWidget* parent)
    : QDialog(parent), logic_(logic), dialogs_(dialogs) {
    setObjectName("TFormHotKey");
    setWindowTitle(QString::fromStdString(HotKeyCaption(codePage)));
    const HotKeyTexts* texts = HotKeyTextsFor(lang);
    if (!texts) texts = HotKeyTextsFor(0);
    const QFont font = UiFont(charset, QApplication::font());

    auto* layout = new QVBoxLayout(this);
    heading_ = new QLabel(texts->Heading, this);
    heading_->setObjectName("heading");
    heading_->setFont(font);
    QFont bold = font;
    bold.setBold(true);
    heading_->setFont(bold);
    layout->addWidget(heading_);
    auto* grid = new QGridLayout;
    for (int i = 0; i < HotKeyCount; ++i) {
        Group& g = groups_[static_cast<std::size_t>(i)];
        const QString n = QString::number(i);
        g.box = new QGroupBox(texts->groups[static_cast<std::size_t>(i)], this);
        g.box->setObjectName("GroupBox" + n);
        g.box->setFont(font);
        auto* row = new QHBoxLayout(g.box);
        g.key = new QComboBox(g.box);
        g.key->setObjectName("HotKey" + n);
        g.key->setAccessibleName(QString(texts->groups[static_cast<std::size_t>(i)]).trimmed());
        for (const HotKeyRow& key : HotKeyTable())
            g.key->addItem(key.name);
        g.key->setMaxVisibleItems(16);
        const auto box = [&](const char* caption, const char* name) {
            auto* check = new QCheckBox(caption, g.box);
            check->setObjectName(name + n);
            check->setAccessibleName(QString(caption) + " " + g.key->accessibleName());
            row->addWidget(check);
            return check;
        };
        row->addWidget(g.key, 1);
        g.ctrl = box("Ctrl", "Ctrl");
        g.alt = box("Alt", "Alt");
        g.shift = box("Shift", "Shift");
        grid->addWidget(g.box, i / 2, i % 2);
        if (i >= 2 && !unicodeAvailable) g.box->setEnabled(false);
    }
    layout->addLayout(grid);
    enable_ = new QCheckBox(texts->Enable, this);
    enable_->setObjectName("EnableHotKey");
    enable_->setAccessibleName(texts->Enable);
    enable_->setFont(font);
    paste_ = new QCheckBox(texts->Paste, this);
    paste_->setObjectName("PasteAfrHotKey");
    paste_->setAccessibleName(texts->Paste);
    paste_->setFont(font);
    layout->addWidget(enable_);
    layout->addWidget(paste_);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setAccessibleName("OK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
    layout->addWidget(ok, 0, Qt::AlignRight);
    Show(logic_.Current());
    ok->setFocus();
}

HotKeyFormState TFormHotKey::State() const {
    HotKeyFormState state;
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Group& g = groups_[i];
        std::uint8_t modifiers = 0;
        if (g.ctrl->isChecked()) modifiers |= ModControl;
        if (g.alt->isChecked()) modifiers |= ModAlt;
        if (g.shift->isChecked()) modifiers |= ModShift;
        // Without a key there are no modifiers either.
        const int row = std::max(g.key->currentIndex(), 0);
        state.keys[i] = {row, row == 0 ? std::uint8_t{0} : modifiers};
    }
    state.enabled = enable_->isChecked();
    state.paste = paste_->isChecked();
    return state;
}

void TFormHotKey::Show(const HotKeyFormState& state) {
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Group& g = groups_[i];
        g.key->setCurrentIndex(state.keys[i].row);
        g.ctrl->setChecked(state.keys[i].modifiers & ModControl);
        g.alt->setChecked(state.keys[i].modifiers & ModAlt);
        g.shift->setChecked(state.keys[i].modifiers & ModShift);
    }
    enable_->setChecked(state.enabled);
    paste_->setChecked(state.paste);
}

void TFormHotKey::OkClick() {
    const HotKeyFormState state = State();
    // Refused before anything changes: the hotkeys in use stay as they were.
    if (HotKeyFormLogic::HasDuplicate(state)) {
        ShowMessage(MessageKind::Error, DuplicateMessage);
        return;
    }
    const std::vector<std::string> ordinary = HotKeyFormLogic::OrdinaryKeys(state);
    if (!ordinary.empty() && !dialogs_.AskYesNo(OrdinaryKeysQuestion(ordinary))) return;
    const std::vector<std::string> refused = logic_.Apply(state);
    if (!refused.empty()) ShowMessage(MessageKind::Warning, RefusedMessage(refused));
    try {
        IniFile ini(SettingsPath());
        logic_.Save(ini);
    } catch (const IniWriteError& error) {
        ShowMessage(MessageKind::Error, error.what());
    }
    accept();
}

} // namespace tessarim
