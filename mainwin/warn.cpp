#include "mainwin/warn.h"

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Message.h"
#include "platform/UiFonts.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessarim {

namespace {

struct LanguageTexts {
    const char* heading;
    const char* both;
    const char* traditional;
    const char* simplified;
    const char* explanation;
    const char* checkBox;
};

const LanguageTexts Texts[] = {
    {"Warning:", "Traditional and Simplified Chinese Support", "Traditional Chinese Support",
     "Simplified Chinese Support",
     "Tessarim needs this for unicode conversion.\r\nWin9x User:\r\nYou can get the required "
     "files via Windows Update,\r\nor Ms Office Language Pack.\r\nWin2000 or WinXP User:\r\nYou "
     "can install the relavant language support\r\nin \"Control Panel/Regional Settings\".",
     "Don't show this message again"},
    {"警告:", "系統沒有安裝繁體及簡體中文支援", "系統沒有安裝繁體中文支援",
     "系統沒有安裝簡體中文支援",
     "本程式需上述支援供統一碼轉換之用，\r\nWin9x 用戶：\r\n有關檔案可在 Windows Update "
     "下載，\r\n或安裝 Ms Office 時加入有關選項。\n\rWin2000 或 WinXP "
     "用戶：\r\n可在“控制台/國別設定”加入有關支援。",
     "不要再顯示這訊息"},
    {"警告:", "系统没有安装繁体及简体中文支援", "系统没有安装繁体中文支援",
     "系统没有安装简体中文支援",
     "本程式需上述支援供统一码转换之用，\r\nWin9x 用户：\r\n有关档案可在 Windows Update "
     "下载，\r\n或安装 Ms Office 时加入有关选项。\n\rWin2000 或 WinXP "
     "用户：\r\n可在“控制台/国别设定”加入有关支援。",
     "不要再显示这讯息"},
};

QString Text(const std::string& text) {
    return QString::fromStdString(DialogText(text));
}

} // namespace

std::optional<WarnTexts> WarnTextsFor(std::int64_t lang, bool has936, bool has950) {
    if (has936 && has950) return std::nullopt;
    const LanguageTexts& texts = Texts[lang >= 0 && lang <= 2 ? lang : 0];
    const char* missing = !has936 && !has950 ? texts.both
                          : !has950          ? texts.traditional
                                             : texts.simplified;
    return WarnTexts{texts.heading, missing, texts.explanation, texts.checkBox};
}

CodePageWarning::CodePageWarning(const WarnTexts& texts, int charset, QWidget* parent)
    : QDialog(parent) {
    setObjectName("Twarnfrm");
    setWindowTitle("Tessarim");
    const QFont font = UiFont(charset, QDialog::font());
    setFont(font);
    auto* label1 = new QLabel(Text(texts.heading), this);
    label1->setObjectName("Label1");
    QFont bold = font;
    bold.setBold(true);
    label1->setFont(bold);
    auto* label2 = new QLabel(Text(texts.missing), this);
    label2->setObjectName("Label2");
    auto* label3 = new QLabel(Text(texts.explanation), this);
    label3->setObjectName("Label3");
    dontShowAgain_ = new QCheckBox(Text(texts.dontShowAgain), this);
    dontShowAgain_->setObjectName("cb1");
    auto* button1 = new QPushButton("OK", this);
    button1->setObjectName("Button1");
    button1->setDefault(true);
    connect(button1, &QPushButton::clicked, this, [this] {
        SaveChoice();
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : {static_cast<QWidget*>(label1), static_cast<QWidget*>(label2),
                            static_cast<QWidget*>(label3), static_cast<QWidget*>(dontShowAgain_)})
        layout->addWidget(widget);
    layout->addWidget(button1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CodePageWarning::SaveChoice() {
    if (!dontShowAgain_->isChecked()) return;
    try {
        IniFile ini(SettingsPath());
        Write(ini, keys::Warn, false);
    } catch (const IniWriteError& error) {
        ShowMessage(MessageKind::Error, error.what());
    }
}

void ShowCodePageWarning(QWidget* parent, std::int64_t lang, int charset) {
    const std::optional<WarnTexts> texts =
        WarnTextsFor(lang, IsValidCodePage(CodePageGbk), IsValidCodePage(CodePageBig5));
    if (!texts) return;
    CodePageWarning dialog(*texts, charset, parent);
    dialog.exec();
}

} // namespace tessarim
