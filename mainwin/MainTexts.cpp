#include "mainwin/MainTexts.h"

namespace tessarim {

namespace {

// The Simplified clipboard hints were written with the bytes A1 40 between their
// halves: the full-width space of Big5, as in the Traditional hints. Read as GBK
// those bytes are no character at all, so the space is what they show.
constexpr const char* FullWidthSpace = "　";

MainTexts English() {
    MainTexts t;
    t.BtnFileCaption = "File";
    t.BtnFileHint = "File conversion";
    t.BtnClipGtoBHint = "Clipboard: GBK > Big5  (Sim. to Trad.)";
    t.BtnClipBtoGHint = "Clipboard: Big5 > GBK (Trad. to Sim.) ";
    t.ClipBtnHint = "Clipboard viewer";
    t.BtnOptionHint = "Options";
    t.BtnAboutHint = "About";
    t.About1 = "About";
    t.BtnCloseHint = "Close";
    t.Exit1 = "Exit";
    t.BtnKeyHint = "Convert && Sendkey";
    t.SendKey1 = "SendKey";
    t.ClipboardGBB51 = "Clip: GBK > Big5";
    t.ClipboardB5GB1 = "Clip: Big5 > GBK";
    t.Clipboardviewer1 = "ClipBoard viewer";
    t.S1 = "Show main window";
    t.Hide1 = "Hide main window";
    t.UClipConStoTHint = "Unicode: Simp. to Trad. Chinese";
    t.UClipConTtoSHint = "Unicode: Trad. to Sim. Chinese";
    t.ClipU_StoT = "Clip: Sim. to Trad.";
    t.ClipU_TtoS = "Clip: Trad. to Sim.";
    t.Uni2DecHint = "Unicode to Decimal Notation";
    t.Uni2HexHint = "Unicode to Hex Notation";
    t.DecNot = "Clip: Unicode to Dec.Notation";
    t.HexNot = "Clip: Unicode to Hex Notation";
    return t;
}

MainTexts Traditional() {
    MainTexts t;
    t.BtnFileCaption = "檔案";
    t.BtnFileHint = "檔案轉換";
    t.BtnClipGtoBHint = "剪貼簿：GBK > Big5　簡轉繁";
    t.BtnClipBtoGHint = "剪貼簿：Big5 > GBK　繁轉簡";
    t.ClipBtnHint = "顯示剪貼簿內容";
    t.BtnOptionHint = "程式設定";
    t.BtnAboutHint = "關於本程式";
    t.About1 = "關於本程式";
    t.BtnCloseHint = "結束";
    t.Exit1 = "結束";
    t.BtnKeyHint = "文字轉換傳送";
    t.SendKey1 = "文字轉換傳送";
    t.ClipboardGBB51 = "剪貼簿：GBK > Big5";
    t.ClipboardB5GB1 = "剪貼簿：Big5 > GBK";
    t.Clipboardviewer1 = "剪貼簿檢視器";
    t.S1 = "顯視主視窗";
    t.Hide1 = "隱藏主視窗";
    t.UClipConStoTHint = "剪貼簿：統一碼　簡 > 繁";
    t.UClipConTtoSHint = "剪貼簿：統一碼　繁 > 簡";
    t.ClipU_StoT = "剪貼簿：統一碼　簡 > 繁";
    t.ClipU_TtoS = "剪貼簿：統一碼　繁 > 簡";
    t.Uni2DecHint = "剪貼簿：統一碼 > 十進數字記法";
    t.Uni2HexHint = "剪貼簿：統一碼 > 十六進數字記法";
    t.DecNot = t.Uni2DecHint;
    t.HexNot = t.Uni2HexHint;
    return t;
}

MainTexts Simplified() {
    MainTexts t;
    t.BtnFileCaption = "文件";
    t.BtnFileHint = "文件转换";
    t.BtnClipGtoBHint = std::string("剪贴板：GBK > Big5") + FullWidthSpace + "简转繁";
    t.BtnClipBtoGHint = std::string("剪贴板：Big5 > GBK") + FullWidthSpace + "繁转简";
    t.ClipBtnHint = "显示剪贴板内容";
    t.BtnOptionHint = "程式选项";
    t.BtnAboutHint = "关於本程式";
    t.About1 = "关于本程式";
    t.BtnCloseHint = "结束";
    t.Exit1 = "结束";
    t.BtnKeyHint = "文字转换及传送";
    t.SendKey1 = "文字转换传送";
    t.ClipboardGBB51 = "剪贴板：GBK > Big5";
    t.ClipboardB5GB1 = "剪贴板：Big5 > GBK";
    t.Clipboardviewer1 = "剪贴板检视器";
    t.S1 = "显视主视窗";
    t.Hide1 = "隐藏主视窗";
    t.UClipConStoTHint = "剪贴板：统一码　简 > 繁";
    t.UClipConTtoSHint = "剪贴板：统一码　繁 > 简";
    t.ClipU_StoT = "剪贴板：统一码　简 > 繁";
    t.ClipU_TtoS = "剪贴板：统一码　繁 > 简";
    t.Uni2DecHint = "剪贴板：统一码 > 十进数字记法";
    t.Uni2HexHint = "剪贴板：统一码 > 十六进数字记法";
    t.DecNot = t.Uni2DecHint;
    t.HexNot = t.Uni2HexHint;
    return t;
}

} // namespace

const MainTexts* MainTextsFor(std::int64_t lang) {
    static const MainTexts texts[] = {English(), Traditional(), Simplified()};
    if (lang < 0 || lang > 2) return nullptr;
    return &texts[lang];
}

std::string PanelText(const std::string& hint) {
    std::string out;
    for (std::size_t i = 0; i < hint.size(); ++i) {
        if (hint[i] != '&') {
            out += hint[i];
            continue;
        }
        if (i + 1 < hint.size() && hint[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return out;
}

} // namespace tessarim
