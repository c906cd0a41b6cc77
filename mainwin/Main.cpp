#include "mainwin/Main.h"

#include "core/TableLoader.h"
#include "engine/ConFunc.h"
#include "mainwin/About.h"
#include "mainwin/ClipMon.h"
#include "mainwin/Glyphs.h"
#include "mainwin/MainTexts.h"
#include "mainwin/warn.h"
#include "platform/CodePage.h"
#include "platform/Help.h"
#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "platform/Tray.h"
#include "platform/UiFonts.h"
#include "platform/UiLanguage.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>

namespace tessarim {

namespace {

constexpr MainCommand UnicodeMenuCommands[] = {MainCommand::UnicodeStoT, MainCommand::UnicodeTtoS,
                                               MainCommand::HexNotation,
                                               MainCommand::DecimalNotation};

// Menu pictures as tall as the menu's text, whatever its font size.
class MenuIconStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int size = QProxyStyle::pixelMetric(metric, option, widget);
        if (metric != PM_SmallIconSize || !widget) return size;
        return std::max(size, widget->fontMetrics().height());
    }
};

// The popup menu, with a band down its left side that carries the program's name.
class BandMenu : public QMenu {
public:
    static constexpr int BandWidth = 22;
    explicit BandMenu(QWidget* parent) : QMenu(parent) {
        setContentsMargins(BandWidth, 0, 0, 0);
        auto* style = new MenuIconStyle;
        style->setParent(this); // a widget does not own its style
        setStyle(style);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QMenu::paintEvent(event);
        QPainter p(this);
        const QRect band(0, 0, BandWidth, height());
        QLinearGradient shade(band.topLeft(), band.bottomLeft());
        shade.setColorAt(0, QColor(40, 90, 170));
        shade.setColorAt(1, QColor(10, 30, 80));
        p.fillRect(band, shade);
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(14);
        p.setFont(font);
        p.translate(band.left(), band.bottom());
        p.rotate(-90);
        p.drawText(QRect(6, 0, band.height() - 12, BandWidth), Qt::AlignLeft | Qt::AlignVCenter,
                   "Tessarim");
    }
};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TMainForm::TMainForm(AppBarShell& shell, TrayIcon& tray, HelpViewer& help, QWidget* parent)
    : AppBarWidget(shell, parent), logic_(Program()), tray_(tray), help_(help) {
    setObjectName("TMainForm");
    setWindowTitle("Tessarim");
    setWindowIcon(ProgramIcon());
    setCursor(Qt::ArrowCursor);

    const IniFile ini(SettingsPath());
    ProgramSettings& settings = logic_.Settings();
    LoadProgramSettings(ini, settings);
    BarSettings().AutoHide = settings.AutoHide;
    BarSettings().AlwaysOnTop = settings.AlwaysOnTop;

    // The bar is one row of buttons inside a thin frame.
    const int frame = 2 * FrameWidth;
    const int buttonHeight = design::BtnFile.height;
    // Positions are the window's own, without the window manager's frame.
    setGeometry(static_cast<int>(keys::FloatLeft.def), static_cast<int>(keys::FloatTop.def),
                design::Width, frame + buttonHeight);
    ApplyBarGeometry(BarSettings(), frame, buttonHeight, {geometry().x(), geometry().y()},
                     Shell().ScreenRect().Width());

    AddButton("BtnFile", design::BtnFile, MainCommand::FileConversion)
        ->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    AddButton("BtnClipGtoB", design::BtnClipGtoB, MainCommand::ClipGtoB)->setText("G > B");
    AddButton("BtnClipBtoG", design::BtnClipBtoG, MainCommand::ClipBtoG)->setText("B > G");
    AddButton("UClipConStoT", design::UClipConStoT, MainCommand::UnicodeStoT)
        ->setProperty("tag", 11);
    AddButton("UClipConTtoS", design::UClipConTtoS, MainCommand::UnicodeTtoS)
        ->setProperty("tag", 12);
    AddButton("Uni2Dec", design::Uni2Dec, MainCommand::DecimalNotation)->setProperty("tag", 13);
    AddButton("Uni2Hex", design::Uni2Hex, MainCommand::HexNotation)->setProperty("tag", 14);
    AddButton("ClipBtn", design::ClipBtn, MainCommand::ClipboardViewer);
    AddButton("BtnKey", design::BtnKey, MainCommand::SendKey);
    AddButton("BtnOption", design::BtnOption, MainCommand::Options);
    AddButton("BtnAbout", design::BtnAbout, MainCommand::About);
    AddButton("BtnClose", design::BtnClose, MainCommand::Close);
    const std::pair<MainCommand, Glyph> glyphs[] = {
        {MainCommand::FileConversion, Glyph::File},
        {MainCommand::UnicodeStoT, Glyph::BMPFT},
        {MainCommand::UnicodeTtoS, Glyph::BMPST},
        {MainCommand::DecimalNotation, Glyph::BMPDEC},
        {MainCommand::HexNotation, Glyph::BMPHEX},
        {MainCommand::ClipboardViewer, Glyph::Clipboard},
        {MainCommand::SendKey, Glyph::Keys},
        {MainCommand::Options, Glyph::Options},
        {MainCommand::About, Glyph::About},
        {MainCommand::Close, Glyph::Close}};
    for (const auto& [command, glyph] : glyphs) {
        buttons_[command]->setIcon(GlyphIcon(glyph));
        buttons_[command]->setIconSize(GlyphSize(glyph));
    }
    panel_ = new QLabel(this);
    panel_->setObjectName("Panel1");
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setAlignment(Qt::AlignCenter);
    BuildMenu();
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { popup_->popup(mapToGlobal(point)); });

    SetCommandHandler(MainCommand::About, [this] { BtnAboutClick(); });
    SetCommandHandler(MainCommand::Close, [this] { close(); });
    UpdateLang();
    UpdateCharset();
    LayOut(static_cast<int>(std::max<std::int64_t>(settings.GapWidth, 0)));

    const StartPosition start =
        InitialPosition(settings.RemLastPos, Read(ini, keys::HideMain), Read(ini, keys::LastEdge),
                        Read(ini, keys::FloatLeft), Read(ini, keys::FloatTop));
    startEdge_ = start.edge;
    floatPos_ = start.floatPos;

    // A settings folder without tables gets the built-in ones, so conversions
    // are phrase-aware from the first start.
    LoadFixTableForUse(ProgramFixTables(), FixTableId::Gbk);
    LoadFixTableForUse(ProgramFixTables(), FixTableId::Big5);

    logic_.unicodeAvailable = IsValidCodePage(CodePageGbk) && IsValidCodePage(CodePageBig5);
    if (!logic_.unicodeAvailable) settings.Fix_UNN = false;
    logic_.trayAvailable = tray_.Available();
    RefreshEnabled();
    tray_.onClick = [this] { BringToFront(); };
    tray_.onAvailabilityChanged = [this](bool available) {
        logic_.trayAvailable = available;
        // Without the tray a hidden bar could not be called back.
        if (!available && !isVisible() && logic_.ShowEntryEnabled())
            S1Click();
        else
            RefreshEnabled();
    };
    tray_.Show(ProgramIcon(), TrayHint, popup_);
}

void TMainForm::CreateWindowHandle() {
    created_ = true;
    CreateBar();
    SetEdge(startEdge_);
}

TMainForm::~TMainForm() {
    if (!closing_ && created_) DestroyBar();
}

QToolButton* TMainForm::AddButton(const char* name, const ControlBox& box, MainCommand command) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setAutoRaise(true);
    // Reached by Tab, not taken by a click: the clipboard's owner keeps focus.
    button->setFocusPolicy(Qt::TabFocus);
    button->setGeometry(box.left + FrameWidth, box.top + FrameWidth, box.width, box.height);
    connect(button, &QToolButton::clicked, this, [this, command] { logic_.Run(command); });
    buttons_[command] = button;
    return button;
}

QAction* TMainForm::AddEntry(const char* name, MainCommand command) {
    QAction* action = popup_->addAction(QString());
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, command] { logic_.Run(command); });
    entries_[command] = action;
    return action;
}

void TMainForm::BuildMenu() {
    popup_ = new BandMenu(this);
    popup_->setObjectName("PopupMenu1");
    showEntry_ = popup_->addAction(QString());
    showEntry_->setObjectName("S1");
    connect(showEntry_, &QAction::triggered, this, [this] { S1Click(); });
    hideEntry_ = popup_->addAction(QString());
    hideEntry_->setObjectName("Hide1");
    connect(hideEntry_, &QAction::triggered, this, [this] { Hide1Click(); });
    popup_->addSeparator();
    AddEntry("SendKey1", MainCommand::SendKey);
    popup_->addSeparator();
    AddEntry("Fileconversion1", MainCommand::FileConversion);
    popup_->addSeparator();
    AddEntry("ClipboardGBB51", MainCommand::ClipGtoB);
    AddEntry("ClipboardB5GB1", MainCommand::ClipBtoG);
    AddEntry("ClipU_StoT", MainCommand::UnicodeStoT)->setProperty("tag", 11);
    AddEntry("ClipU_TtoS", MainCommand::UnicodeTtoS)->setProperty("tag", 12);
    AddEntry("HexNot", MainCommand::HexNotation)->setProperty("tag", 14);
    AddEntry("DecNot", MainCommand::DecimalNotation)->setProperty("tag", 13);
    popup_->addSeparator();
    AddEntry("Clipboardviewer1", MainCommand::ClipboardViewer);
    popup_->addSeparator();
    AddEntry("Options1", MainCommand::Options);
    AddEntry("About1", MainCommand::About);
    popup_->addSeparator();
    AddEntry("Exit1", MainCommand::Close);
    // The four bitmaps of the Unicode commands go beside their entries.
    entries_[MainCommand::UnicodeStoT]->setIcon(GlyphIcon(Glyph::BMPFT));
    entries_[MainCommand::UnicodeTtoS]->setIcon(GlyphIcon(Glyph::BMPST));
    entries_[MainCommand::DecimalNotation]->setIcon(GlyphIcon(Glyph::BMPDEC));
    entries_[MainCommand::HexNotation]->setIcon(GlyphIcon(Glyph::BMPHEX));
}

QAction* TMainForm::MenuEntry(MainCommand command) const {
    const auto found = entries_.find(command);
    return found == entries_.end() ? nullptr : found->second;
}

void TMainForm::SetCommandHandler(MainCommand command, std::function<void()> handler) {
    logic_.SetHandler(command, std::move(handler));
    RefreshEnabled();
}

void TMainForm::SetClipboardCommands(ClipboardCommands& commands) {
    SetCommandHandler(MainCommand::ClipGtoB, [&commands] { commands.ConvertGbkToBig5(); });
    SetCommandHandler(MainCommand::ClipBtoG, [&commands] { commands.ConvertBig5ToGbk(); });
    SetCommandHandler(MainCommand::UnicodeStoT,
                      [&commands] { commands.ConvertUnicodeTypeface(FaceT); });
    SetCommandHandler(MainCommand::UnicodeTtoS,
                      [&commands] { commands.ConvertUnicodeTypeface(FaceS); });
    SetCommandHandler(MainCommand::DecimalNotation,
                      [&commands] { commands.WriteNumericNotation(false); });
    SetCommandHandler(MainCommand::HexNotation,
                      [&commands] { commands.WriteNumericNotation(true); });
    clipMonitor_ = std::make_unique<TClipboardMonitor>();
    clipMonitor_->OnChange = [&commands] { commands.ClipboardChange(); };
}

void TMainForm::RefreshEnabled() {
    for (const auto& [command, button] : buttons_)
        button->setEnabled(logic_.ButtonEnabled(command));
    for (const auto& [command, entry] : entries_)
        entry->setEnabled(logic_.MenuEntryEnabled(command));
    showEntry_->setEnabled(logic_.ShowEntryEnabled());
    hideEntry_->setEnabled(logic_.HideEntryEnabled());
    ApplyHints();
}

void TMainForm::UpdateLang() {
    SetUiLanguage(logic_.Settings().Lang);
    const MainTexts* texts = MainTextsFor(logic_.Settings().Lang);
    if (!texts) return;
    buttons_[MainCommand::FileConversion]->setText(Text(texts->BtnFileCaption));
    const std::pair<MainCommand, const std::string*> hints[] = {
        {MainCommand::FileConversion, &texts->BtnFileHint},
        {MainCommand::ClipGtoB, &texts->BtnClipGtoBHint},
        {MainCommand::ClipBtoG, &texts->BtnClipBtoGHint},
        {MainCommand::UnicodeStoT, &texts->UClipConStoTHint},
        {MainCommand::UnicodeTtoS, &texts->UClipConTtoSHint},
        {MainCommand::DecimalNotation, &texts->Uni2DecHint},
        {MainCommand::HexNotation, &texts->Uni2HexHint},
        {MainCommand::ClipboardViewer, &texts->ClipBtnHint},
        {MainCommand::SendKey, &texts->BtnKeyHint},
        {MainCommand::Options, &texts->BtnOptionHint},
        {MainCommand::About, &texts->BtnAboutHint},
        {MainCommand::Close, &texts->BtnCloseHint}};
    for (const auto& [command, hint] : hints)
        hints_[command] = Text(*hint);
    ApplyHints();
    const std::pair<MainCommand, const std::string*> captions[] = {
        {MainCommand::SendKey, &texts->SendKey1},
        {MainCommand::FileConversion, &texts->BtnFileHint},
        {MainCommand::ClipGtoB, &texts->ClipboardGBB51},
        {MainCommand::ClipBtoG, &texts->ClipboardB5GB1},
        {MainCommand::UnicodeStoT, &texts->ClipU_StoT},
        {MainCommand::UnicodeTtoS, &texts->ClipU_TtoS},
        {MainCommand::HexNotation, &texts->HexNot},
        {MainCommand::DecimalNotation, &texts->DecNot},
        {MainCommand::ClipboardViewer, &texts->Clipboardviewer1},
        {MainCommand::Options, &texts->BtnOptionHint},
        {MainCommand::About, &texts->About1},
        {MainCommand::Close, &texts->Exit1}};
    for (const auto& [command, caption] : captions)
        entries_[command]->setText(Text(*caption));
    showEntry_->setText(Text(texts->S1));
    hideEntry_->setText(Text(texts->Hide1));
    panel_->setAccessibleName(Text(UiText("Hint", "提示", "提示")));
}

void TMainForm::ApplyHints() {
    const QString notYet =
        Text(UiText(" (not in this version yet)", "（本版尚未提供）", "（本版尚未提供）"));
    for (const auto& [command, hint] : hints_) {
        QToolButton* button = buttons_[command];
        const QString text = logic_.HasHandler(command) ? hint : hint + notYet;
        button->setStatusTip(text);
        // The panel is 0 pixels wide at the floating minimum width; screen
        // readers need a name for the picture-only buttons.
        const QString plain = Text(PanelText(text.toStdString()));
        button->setToolTip(plain);
        button->setAccessibleName(plain);
    }
}

void TMainForm::UpdateCharset() {
    const int charset = logic_.Settings().UiCharset;
    const QFont base = QApplication::font();
    buttons_[MainCommand::FileConversion]->setFont(UiFont(charset, base));
    panel_->setFont(UiFont(charset, base));
    popup_->setFont(UiFont(charset, base));
    // The Unicode entries are drawn in a small font of their own.
    // Where Tahoma is missing, fontconfig's stand-in for it can be a serif face;
    // the menu's own face fits better.
    QFont tahoma = base;
    if (QFontDatabase::hasFamily("Tahoma")) tahoma.setFamily("Tahoma");
    tahoma.setPointSize(8);
    const QFont small = UiFont(charset, tahoma);
    for (const MainCommand command : UnicodeMenuCommands)
        entries_[command]->setFont(small);
}

void TMainForm::LayOut(int gap) {
    const RightHandLayout layout = LayOutRightHand(width(), gap);
    const auto place = [](QWidget* widget, const ControlBox& box) {
        widget->setGeometry(box.left + FrameWidth, box.top + FrameWidth, box.width, box.height);
    };
    place(buttons_[MainCommand::SendKey], layout.BtnKey);
    place(buttons_[MainCommand::Options], layout.BtnOption);
    place(buttons_[MainCommand::About], layout.BtnAbout);
    place(buttons_[MainCommand::Close], layout.BtnClose);
    place(panel_, layout.Panel1);
}

void TMainForm::OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge) {
    AppBarWidget::OnAppBarStateChange(querying, proposedEdge);
    const ProgramSettings& settings = logic_.Settings();
    const int gap = GapFor(proposedEdge, BarSettings().AutoHide, settings.GapWidth);
    // The gap is no part of the window: what lies behind it stays reachable.
    if (gap > 0)
        setMask(QRegion(0, 0, std::max(width() - gap, 1), height()));
    else
        clearMask();
    LayOut(gap);
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        // A narrow bar (a small or scaled screen, the floating minimum) ends the
        // hint with an ellipsis rather than cutting it anywhere; the tooltip
        // has it whole.
        const QString hint = Text(PanelText(tip.toStdString()));
        panel_->setText(panel_->fontMetrics().elidedText(hint, Qt::ElideRight,
                                                         panel_->contentsRect().width() - 4));
        return true;
    }
    return AppBarWidget::event(event);
}

void TMainForm::DrawHandleBar(QPainter& painter) {
    const QColor colours[] = {palette().button().color(), palette().light().color(),
                              palette().dark().color()};
    const int clientHeight = height() - 2 * FrameWidth;
    for (int line = 0; line < design::GripWidth; ++line) {
        painter.setPen(colours[line % 3]);
        const int x = FrameWidth + 1 + line;
        painter.drawLine(x, FrameWidth + 3, x, FrameWidth + clientHeight - 2);
    }
    const std::int64_t gapWidth = logic_.Settings().GapWidth;
    if (IsDockedEdge(Edge()) && BarSettings().AutoHide && gapWidth >= 1) {
        const int clientWidth = width() - 2 * FrameWidth;
        const int x = FrameWidth + clientWidth - static_cast<int>(gapWidth) + FrameWidth - 2;
        painter.setPen(palette().dark().color());
        painter.drawLine(x, 0, x, height());
        painter.setPen(palette().shadow().color());
        painter.drawLine(x + 1, 0, x + 1, height());
    }
}

void TMainForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().light().color());
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, 0, 0, height() - 1);
    painter.setPen(palette().dark().color());
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
    DrawHandleBar(painter);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    AppBarWidget::resizeEvent(event);
    LayOut(GapFor(Edge(), BarSettings().AutoHide, logic_.Settings().GapWidth));
    update();
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    AppBarWidget::mouseMoveEvent(event);
    if (event->position().x() < design::GripWidth && cursor().shape() == Qt::ArrowCursor)
        setCursor(Qt::SizeAllCursor);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help_.ShowContext(logic_.HelpContext(1));
        return;
    }
    // Every command without the mouse: the menu, as the context-menu key opens it.
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        popup_->popup(mapToGlobal(QPoint(design::GripWidth, height())));
        return;
    }
    AppBarWidget::keyPressEvent(event);
}

void TMainForm::showEvent(QShowEvent* event) {
    AppBarWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TMainForm::FormShow() {
    const IniFile ini(SettingsPath());
    const bool warn = Read(ini, keys::Warn);
    if (Edge() == abeFloat && floatPos_) {
        BarSettings().SetFloatRect(BarSettings().FloatRect().MovedTo(floatPos_->x, floatPos_->y));
        PlaceWindow(BarSettings().FloatRect());
    }
    if (!logic_.unicodeAvailable && warn) {
        // After the bar is on the screen.
        QTimer::singleShot(0, this, [this] {
            ShowCodePageWarning(this, logic_.Settings().Lang, logic_.Settings().UiCharset);
        });
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (logic_.Settings().RemLastPos) {
            try {
                IniFile ini(SettingsPath());
                WritePosition(ini, PositionToSave(isVisible(), Edge(), logic_.HiddenEdge(),
                                                  {geometry().x(), geometry().y()}));
            } catch (const IniWriteError& error) {
                ShowMessage(MessageKind::Error, error.what());
            }
        }
        ProgramFixTables().Clear(FixTableId::Big5);
        ProgramFixTables().Clear(FixTableId::Gbk);
        clipMonitor_.reset();
        DestroyBar();
        emit Closed();
    }
    event->accept();
}

void TMainForm::StartHidden() {
    const IniFile ini(SettingsPath());
    logic_.StartHidden(SavedEdge(Read(ini, keys::LastEdge)));
    RefreshEnabled();
}

void TMainForm::BringToFront() {
    if (!isVisible()) {
        // A start from the menu asks for the bar the user hid.
        if (logic_.ShowEntryEnabled()) S1Click();
        return;
    }
    raise();
    activateWindow();
    RevealOnRequest();
}

void TMainForm::Hide1Click() {
    if (Edge() == abeFloat) floatPos_ = Point{geometry().x(), geometry().y()};
    hide();
    logic_.Hide(Edge());
    SetEdge(abeFloat); // releases the reserved strip
    RefreshEnabled();
}

void TMainForm::S1Click() {
    SetEdge(logic_.Show());
    RefreshEnabled();
    show();
}

void TMainForm::BtnAboutClick() {
    if (about_) {
        BringToFront();
        return;
    }
    TAboutBox box(logic_.Settings().Lang, logic_.Settings().UiCharset, help_, this);
    about_ = &box;
    box.exec();
}

} // namespace tessarim
