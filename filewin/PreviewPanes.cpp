#include "filewin/PreviewPanes.h"

#include "core/Paths.h"
#include "filewin/FileCon.h"
#include "platform/CodePage.h"
#include "platform/UiFonts.h"
#include "settings/IniFile.h"
#include "tools/FontDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

namespace tessarim {

namespace {

constexpr std::uint32_t NamesColour = 0xEDFFEA; // light green

void Colour(QPlainTextEdit* pane, std::uint32_t rgb) {
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(rgb));
    pane->setPalette(palette);
}

} // namespace

PreviewPanes::PreviewPanes(FileCon& logic, FixTables* fixTables, QWidget* parent)
    : QWidget(parent), logic_(logic), fixTables_(fixTables), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] { Draw(); });
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    const char* names[2][5] = {{"Memo1", "LM1", "cbPrvSrcDoc", "cbWarpMemo1", "FontBtn1"},
                               {"Memo2", "LM2", "cbPrvConDoc", "cbWarpMemo2", "FontBtn2"}};
    for (int i = 0; i < 2; ++i) {
        Pane& pane = panes_[i];
        pane.text = new QPlainTextEdit(this);
        pane.text->setReadOnly(true);
        pane.text->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
        pane.label = new QLabel(this);
        pane.shown = new QCheckBox(this);
        pane.shown->setChecked(true);
        pane.wrap = new QCheckBox(this);
        pane.wrap->setChecked(true);
        pane.fontButton = new QPushButton(this);
        pane.fontButton->setAutoDefault(false);
        QWidget* widgets[] = {pane.text, pane.label, pane.shown, pane.wrap, pane.fontButton};
        for (int k = 0; k < 5; ++k)
            widgets[k]->setObjectName(names[i][k]);
        pane.label->hide();
        auto* head = new QHBoxLayout;
        head->addWidget(pane.shown);
        head->addWidget(pane.label);
        head->addStretch();
        head->addWidget(pane.wrap);
        head->addWidget(pane.fontButton);
        grid->addLayout(head, 0, i);
        grid->addWidget(pane.text, 1, i);
        const int tag = i + 1;
        connect(pane.shown, &QCheckBox::clicked, this, [this, tag](bool on) {
            Pane& clicked = panes_[tag - 1];
            if (on) {
                Redraw();
                return;
            }
            // The source pane keeps a message about the file; the result pane
            // has nothing to keep.
            if (tag == 2 || convertible_) Show(clicked, {});
        });
        connect(pane.wrap, &QCheckBox::toggled, this,
                [this, tag](bool on) { Wrap(panes_[tag - 1], on); });
        connect(pane.fontButton, &QPushButton::clicked, this, [this, tag] { ChooseFont(tag); });
        connect(pane.text->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this, tag] { Follow(tag, true, false); });
        connect(pane.text, &QPlainTextEdit::cursorPositionChanged, this,
                [this, tag] { Follow(tag, false, true); });
    }
    grid->setRowStretch(1, 1);
    UpdateLang(logic_.Lang);
}

PreviewOptions PreviewPanes::Options() const {
    return {.showSource = panes_[0].shown->isChecked(),
            .showResult = panes_[1].shown->isChecked(),
            .sourceCharset = panes_[0].font.charset.value_or(PaneCharsetLatin),
            .resultCharset = panes_[1].font.charset.value_or(PaneCharsetLatin),
            .systemCodePage = SystemCodePage(),
            .fixTables = fixTables_};
}

void PreviewPanes::Select(const std::string& path) {
    path_ = path;
    timer_->start();
}

void PreviewPanes::Redraw() {
    if (!path_.empty()) timer_->start();
}

void PreviewPanes::Clear() {
    timer_->stop();
    for (Pane& pane : panes_)
        Show(pane, {});
}

void PreviewPanes::Show(Pane& pane, const PaneContent& content) {
    pane.text->setPlainText(QString::fromStdU16String(content.text));
    Colour(pane.text, content.colour);
    pane.label->setText(QString::fromStdString(content.label));
    pane.label->setVisible(!content.label.empty());
}

void PreviewPanes::Draw() {
    if (panes_[0].busy || panes_[1].busy) return;
    if (path_.empty() || logic_.Content() == ContentMode::Nothing) {
        Clear();
        return;
    }
    panes_[0].busy = panes_[1].busy = true;
    if (logic_.Content() == ContentMode::NamesOnly) {
        const auto panes = PreviewName(logic_, ExtractFileName(path_), Options());
        for (int i = 0; i < 2; ++i) {
            PaneContent content = i == 0 ? panes.source : panes.result;
            content.colour = NamesColour;
            Show(panes_[i], content);
        }
    } else {
        const auto panes = PreviewFile(logic_, path_, Options());
        convertible_ = panes.convertible;
        Show(panes_[0], panes.source);
        Show(panes_[1], panes.result);
    }
    panes_[0].busy = panes_[1].busy = false;
}

void PreviewPanes::Follow(int tag, bool scroll, bool caret) {
    if (following_) return;
    following_ = true;
    QPlainTextEdit* from = panes_[tag - 1].text;
    QPlainTextEdit* to = panes_[2 - tag].text;
    if (scroll) to->verticalScrollBar()->setValue(from->verticalScrollBar()->value());
    if (caret) {
        QTextCursor cursor = to->textCursor();
        const int length = cursor.block().length() - 1;
        const int column = std::clamp(from->textCursor().positionInBlock(), 0, std::max(0, length));
        cursor.setPosition(cursor.block().position() + column);
        to->setTextCursor(cursor);
        to->verticalScrollBar()->setValue(from->verticalScrollBar()->value());
    }
    following_ = false;
}

// Wrapped panes scroll only vertically.
void PreviewPanes::Wrap(Pane& pane, bool on) {
    pane.text->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    pane.text->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void PreviewPanes::ApplyFont(Pane& pane) {
    // A family with glyphs for the character set, when the chosen one has none.
    pane.text->setFont(
        UiFont(pane.font.charset.value_or(PaneCharsetLatin), FontOf(pane.font, font())));
    QPalette palette = pane.text->palette();
    palette.setColor(QPalette::Text, ColorOf(pane.font).value_or(palette.color(QPalette::Text)));
    pane.text->setPalette(palette);
}

void PreviewPanes::ChooseFont(int tag) {
    Pane& pane = panes_[tag - 1];
    const std::optional<FontSetting> chosen = tessarim::ChooseFont(this, pane.font);
    if (!chosen) return;
    pane.font = *chosen;
    ApplyFont(pane);
    IniFile ini(SettingsPath());
    Write(ini, tag == 1 ? keys::PrvSrcFont : keys::PrvConFont, pane.font);
    Redraw(); // the decoding follows the font's character set
}

void PreviewPanes::UpdateLang(std::int64_t lang) {
    const bool t = lang == 1, s = lang == 2;
    panes_[0].shown->setText(t ? "檢視來源檔" : s ? "查看来源档" : "View source");
    panes_[1].shown->setText(t ? "預覽結果" : s ? "预览结果" : "Preview result");
    for (Pane& pane : panes_) {
        pane.wrap->setText(t ? "自動換行" : s ? "自动换行" : "Wordwarp");
        pane.fontButton->setText(t ? "字型" : s ? "字体" : "Font");
    }
    // Each pane's controls are told apart by the pane's name.
    for (Pane& pane : panes_) {
        const QString name = pane.shown->text();
        pane.shown->setAccessibleName(name);
        pane.text->setAccessibleName(name);
        pane.wrap->setAccessibleName(name + " " + pane.wrap->text());
        pane.fontButton->setAccessibleName(name + " " + pane.fontButton->text());
        pane.label->setAccessibleName(name + " code");
    }
}

void PreviewPanes::Load(const IniFile& ini) {
    panes_[0].shown->setChecked(Read(ini, keys::PrvSrc));
    panes_[1].shown->setChecked(Read(ini, keys::PrvCon));
    panes_[0].wrap->setChecked(Read(ini, keys::PrvSrcWarp));
    panes_[1].wrap->setChecked(Read(ini, keys::PrvConWarp));
    panes_[0].font = Read(ini, keys::PrvSrcFont);
    panes_[1].font = Read(ini, keys::PrvConFont);
    for (Pane& pane : panes_) {
        ApplyFont(pane);
        Wrap(pane, pane.wrap->isChecked());
    }
}

void PreviewPanes::Save(IniFile& ini) const {
    Write(ini, keys::PrvSrc, panes_[0].shown->isChecked());
    Write(ini, keys::PrvCon, panes_[1].shown->isChecked());
    Write(ini, keys::PrvSrcWarp, panes_[0].wrap->isChecked());
    Write(ini, keys::PrvConWarp, panes_[1].wrap->isChecked());
}

} // namespace tessarim
