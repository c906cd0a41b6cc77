#include "settings/OptionTexts.h"

namespace tessarim {

namespace {

constexpr OptionTexts English{
    .LangGroupBox = "Interface",
    .rb_Eng = "English",
    .rb_B5 = "Trad. Chinese (Big5)",
    .rb_GB = "Simp. Chinese (GBK)",
    .cb_onTop = "Always on top",
    .cb_AutoHide = "Auto-hide taskbar",
    .cb_CfmOverwrite = "Ask if overwrite existing file",
    .cb_RemLastPos = "Restore last position",
    .cb_MsgFinished = "Prompt after file conversion",
    .cb_MsgClipConFinished = "Prompt after clipboard conversion",
    .SoundGroupBox = "Sound",
    .cb_Sound = "Sound notification after conversion",
    .waveLabel = "Wav file",
    .waveNote = "* system sound if file is not specified",
    .ignoreLabel = "Ignore files of the following types (format: *.exe, *.dll, *.etc)",
    .reset = "Reset",
    .close = "Close",
    .ShortCutBox = "Add shortcut to:",
    .cb_htmlcharset = "Fix charset of the following file-types:",
    .ReplaceBox = "Smart Replace:",
    .btnSmartReplace = "Editor...",
    .btnShortcut1 = "Desktop",
    .btnShortcut2 = "Start Menu",
    .btnShortcut3 = "Program Menu",
    .btnShortcut4 = "Send To",
    .defaultDirLabel = "Default folder:",
    .btnHotKey = "HotKey",
    .rbGtoB = "Sim. > Trad.",
    .rbBtoG = "Trad. > Sim.",
    .cb_AddBOMtoUTF8 = "Add BOM to UTF8 file",
    .cb_CFHTML = "Enable CF_HTML support",
    .cb_UNN = "Unicode Numeric Notation to Text",
    .page1 = " Interface ",
    .page2 = " Conversion ",
    .gapLabel = "Gap width at right side of toolbar:",
    .waveFileMissing = "The wav file \"%s\" does not exist; the system sound is used.",
    .folderMissing = "The folder \"%s\" does not exist; your documents folder is the default "
                     "folder instead.",
    .browseWave = "Browse for a wav file",
    .browseFolder = "Browse for the default folder",
};

constexpr OptionTexts Traditional{
    .LangGroupBox = "介面語言",
    .rb_Eng = "英文 (English)",
    .rb_B5 = "繁體中文 (Big5 碼)",
    .rb_GB = "簡體中文 (GB 碼)",
    .cb_onTop = "最上層顯示",
    .cb_AutoHide = "自動隱藏",
    .cb_CfmOverwrite = "覆寫檔案時顯示確認方塊",
    .cb_RemLastPos = "啟動時回復上次位置",
    .cb_MsgFinished = "檔案轉換完成後顯示資料方塊",
    .cb_MsgClipConFinished = "剪貼簿轉換完成後顯示資料方塊",
    .SoundGroupBox = "聲效",
    .cb_Sound = "轉換完成後發出聲效提示",
    .waveLabel = "Wav 檔案",
    .waveNote = "* 如沒指定檔案會用系統預設聲效",
    .ignoreLabel = "忽略下列類型的檔案 (格式: *.exe, *.dll, *.etc)",
    .reset = "還原預設值",
    .close = "確定",
    .ShortCutBox = "建立捷徑到:",
    .cb_htmlcharset = "修正下列類型檔案的編碼制式:",
    .ReplaceBox = "詞彙修正",
    .btnSmartReplace = "編輯器...",
    .btnShortcut1 = "桌面",
    .btnShortcut2 = "開始功能表",
    .btnShortcut3 = "功能表程式集",
    .btnShortcut4 = "傳送到",
    .defaultDirLabel = "預設值下的檔案夾:",
    .btnHotKey = "剪貼簿快速鍵",
    .rbGtoB = "簡體 > 繁體",
    .rbBtoG = "繁體 > 簡體",
    .cb_AddBOMtoUTF8 = "加 BOM 到 UTF8 檔案",
    .cb_CFHTML = "支援剪貼簿 CF_HTML 轉換",
    .cb_UNN = "將統一碼數字記法轉做純文字",
    .page1 = " 介面設定 ",
    .page2 = " 轉碼設定 ",
    .gapLabel = "主工具列右邊空隙的闊度:",
    .waveFileMissing = "Wav 檔案 \"%s\" 不存在，會用系統預設聲效。",
    .folderMissing = "檔案夾 \"%s\" 不存在，預設值下的檔案夾改為「我的文件」。",
    .browseWave = "選擇 Wav 檔案",
    .browseFolder = "選擇預設值下的檔案夾",
};

constexpr OptionTexts Simplified{
    .LangGroupBox = "介面语言",
    .rb_Eng = "英文 (English)",
    .rb_B5 = "繁体中文 (Big5 码)",
    .rb_GB = "简体中文 (GB 码)",
    .cb_onTop = "最上层显示",
    .cb_AutoHide = "自动隐藏",
    .cb_CfmOverwrite = "覆盖文件时显示确认盒",
    .cb_RemLastPos = "启动时回复上次位置",
    .cb_MsgFinished = "档案转换完成后显示资料方块",
    .cb_MsgClipConFinished = "剪贴簿转换完成后显示资料方块",
    .SoundGroupBox = "声效",
    .cb_Sound = "转换完成后发出声效提示",
    .waveLabel = "Wav 档案",
    .waveNote = "* 如没指定档案会用系统预设声效",
    .ignoreLabel = "忽略下列类型的档案 (格式: *.exe, *.dll, *.etc)",
    .reset = "还原预设值",
    .close = "确定",
    .ShortCutBox = "建立快捷方式到:",
    .cb_htmlcharset = "修正下列类型文件的编码制式:",
    .ReplaceBox = "词汇修正",
    .btnSmartReplace = "编辑器...",
    .btnShortcut1 = "桌面",
    .btnShortcut2 = "开始菜单",
    .btnShortcut3 = "菜单程序",
    .btnShortcut4 = "传送到",
    .defaultDirLabel = "默认值下的文件夹:",
    .btnHotKey = "剪貼板热键",
    .rbGtoB = "简体 > 繁体",
    .rbBtoG = "繁体 > 简体",
    .cb_AddBOMtoUTF8 = "加 BOM 到 UTF8 档案",
    .cb_CFHTML = "支援剪贴板 CF_HTML 转换",
    .cb_UNN = "将统一码数字记法转做纯文字",
    .page1 = " 介面设定 ",
    .page2 = " 转码设定 ",
    .gapLabel = "主工具列右边空隙的阔度:",
    .waveFileMissing = "Wav 档案 \"%s\" 不存在，会用系统预设声效。",
    .folderMissing = "文件夹 \"%s\" 不存在，默认值下的文件夹改为「我的文档」。",
    .browseWave = "选择 Wav 档案",
    .browseFolder = "选择默认值下的文件夹",
};

} // namespace

const OptionTexts* OptionTextsFor(std::int64_t lang) {
    switch (lang) {
    case 0:
        return &English;
    case 1:
        return &Traditional;
    case 2:
        return &Simplified;
    default:
        return nullptr;
    }
}

std::string OptionsCaption(int codePage) {
    switch (codePage) {
    case 950:
        return "Tessarim - 程式設定";
    case 936:
        return "Tessarim - 程式设定";
    default:
        return "Tessarim - Options";
    }
}

std::string FolderDialogLabel(int codePage) {
    switch (codePage) {
    case 936:
        return "默认值下的文件夹：";
    case 950:
        return "預設值下的檔案資料夾：";
    default:
        // Followed by the full-width colon of Big5 (A1 47) in every language.
        return "Default Folder：";
    }
}

std::string FormatText(const char* text, const std::string& value) {
    std::string out(text);
    if (const auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, value);
    return out;
}

} // namespace tessarim
