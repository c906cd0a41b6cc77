#include "filewin/FileConTexts.h"

namespace tessarim {

namespace {

FileConTexts English() {
    FileConTexts t;
    t.Caption = "Tessarim - File conversion";
    t.SrcLabel = "Source:";
    t.DocConLabel = "File list:";
    t.DestLabel = "Destination:";
    t.AddSelectBtn = "Add Selected";
    t.AddAllBtn = "Add All";
    t.AddAllSubBtn = "Add All (include files in sub-folders)";
    t.RemoveBtn = "Remove";
    t.RemoveAllBtn = "Remove All";
    t.cb_FNonly = "Convert filename";
    t.cb_content = "Convert file content";
    t.ConvertBtn = "Convert Now";
    t.CloseBtn = "Close";
    t.StopBtn = "Stop";
    t.FEbtn = "FE";
    t.rb_GBtoB5 = "GBK > Big5 ( Trad. )";
    t.rb_B5toGB = "Big5 > GBK ( Simp. )";
    t.btn_ShowOption = "Advanced Options";
    t.btn_hideOption = "Hide Options";
    t.rb_SimpChn = "Simplified Chinese";
    t.rb_TradChn = "Traditional Chinese";
    t.LblOutput = "Output glyph:";
    t.LblFrom = "From:";
    t.LblTo = "To:";
    t.FaceNames = {"  ( Trad. )", "  ( Simp. )", "  ( Glyph unchanged )"};
    t.CountSuffixOne = " file";
    t.CountSuffixMany = " files";
    t.SrcFileListHint = "Files of the source folder";
    t.SrcFilterHint = "File type filter";
    t.ConListHint = "A list of file(s) to be converted.";
    t.SrcDirBtnHint = "Choose the source folder";
    t.DestDirBtnHint = "Choose the destination folder";
    t.SynDirBtnHint = "Destination = source folder";
    t.AddSelectBtnHint = "Add the selected files to the file list";
    t.AddAllBtnHint = "Add all files shown to the file list";
    t.AddAllSubBtnHint = "Add all files of the source folder and its sub-folders";
    t.RemoveBtnHint = "Remove the selected entries from the file list";
    t.RemoveAllBtnHint = "Empty the file list";
    t.cb_FNonlyHint = "Convert the names of the files";
    t.cb_contentHint = "Convert the contents of the files";
    t.ConvertBtnHint = "Convert the files of the file list";
    t.CloseBtnHint = "Close this window";
    t.StopBtnHint = "Stop the conversion after the current file";
    t.FEbtnHint = "Filter editor";
    t.btn_OptionHint = "Options";
    t.ShowOptionHint = "Choose any input and output code";
    t.HideOptionHint = "Back to the simple modes";
    t.SimpleModeHint = "Conversion mode";
    t.FromHint = "Code of the input files";
    t.ToHint = "Code of the output files";
    t.FaceHint = "Output glyph";
    t.ProgressHint = "Progress of the conversion";
    t.FileNamePrefix = "File Name: ";
    t.FolderNamePrefix = "Folder Name: ";
    t.M1 = "Please change the destination!\r\n\r\nNote: \r\nIf all files in sub-folders are "
           "included,\r\n1) The destination cannot be the same as source folder.\r\n2) The "
           "destination must not be sub-folder of the source.";
    t.M2 = {"Wrong Mode \r\n\r\nFile content of '", "' is in ", " format.", "Current mode: "};
    t.M3 = "Converting in progress... ";
    t.M4 = {"File conversion finished\r\n\r\nTotal size converted: ", " bytes",
            "Total time used: ", "%.5g sec"};
    t.M5 = "Cannot change the source when 'File List' contains all files \r\nin sub-folders.";
    t.M6 = "Source Folder:";
    t.M7 = "New Folder";
    t.M8 = "Destination:";
    t.M9 = "Another instance of 'Options' dialog is running.";
    t.RootRefused = "The source folder cannot be the root of a drive.";
    t.FilterType = "File Type";
    t.FilterMasks = "Filter";
    t.Help = "Help";
    t.Cancel = "Cancel";
    t.OK = "OK";
    t.FilterBarReserved = "Invalid character!\r\n\r\n'|' is a reserved character.";
    t.FilterHelp =
        "File Filter Name column:\r\nEnter the name of the filter you want to appear in the "
        "Files Of Type \r\ncombo box.\r\n\r\nFilter column:\r\nEnter wildcards and extensions "
        "that will define your filter. For example, \r\n*.TXT would display only files with "
        "the .TXT extension.\r\nTo apply multiple file extensions to your filter, separate "
        "them using a \r\nsemicolon (;).\r\n\r\nNote: '|' is invalid character and cannot be "
        "used in both columns.";
    t.RunStopped = "Stopped. The files not converted stay in the file list.";
    t.RunFailures = "These files were not converted:";
    t.NotListed = "These could not be read and were left out:";
    t.RunReplaced = "In these files, characters the target code lacks were written as \"?\", "
                    "\"\u25A1\" or U+FFFD (how many in brackets):";
    t.RunLeftOut = "These files ended inside a character, which was left out:";
    t.RunMore = {"... and ", " more"};
    return t;
}

FileConTexts Traditional() {
    FileConTexts t = English();
    t.Caption = CaptionBig5;
    t.SrcLabel = "來源檔案：";
    t.DocConLabel = "檔案清單：";
    t.DestLabel = "目的地：";
    t.AddSelectBtn = "加入";
    t.AddAllBtn = "全部加入";
    t.AddAllSubBtn = "全部加入 (包含子目錄所有檔案)";
    t.RemoveBtn = "刪除";
    t.RemoveAllBtn = "全部刪除";
    t.cb_FNonly = "轉換檔案名稱";
    t.cb_content = "轉換檔案內容";
    t.ConvertBtn = "開始轉換";
    t.CloseBtn = "退出";
    t.StopBtn = "停止";
    t.rb_GBtoB5 = "GBK > Big5 ( 繁體 )";
    t.rb_B5toGB = "Big5 > GBK ( 簡體 )";
    t.btn_ShowOption = "進階選項";
    t.btn_hideOption = "隱藏進階選項";
    t.rb_SimpChn = "簡體中文";
    t.rb_TradChn = "繁體中文";
    t.LblOutput = "語文輸出模式:";
    t.LblFrom = "輸入格式:";
    t.LblTo = "輸出格式:";
    t.FaceNames = {"  ( 繁體 )", "  (簡體)", "  ( 字形不變 )"};
    t.CountSuffixOne = t.CountSuffixMany = " 檔案";
    t.SrcFileListHint = "來源資料夾的檔案";
    t.SrcFilterHint = "檔案類型過濾器";
    t.ConListHint = "有待轉換的檔案清單";
    t.SrcDirBtnHint = "選擇來源資料夾";
    t.DestDirBtnHint = "選擇目的地資料夾";
    t.SynDirBtnHint = "目的地 = 來源資料夾";
    t.AddSelectBtnHint = "把選取的檔案加入檔案清單";
    t.AddAllBtnHint = "把所有顯示的檔案加入檔案清單";
    t.AddAllSubBtnHint = "加入來源資料夾及其子目錄的所有檔案";
    t.RemoveBtnHint = "從檔案清單刪除選取的項目";
    t.RemoveAllBtnHint = "清空檔案清單";
    t.cb_FNonlyHint = "轉換檔案的名稱";
    t.cb_contentHint = "轉換檔案的內容";
    t.ConvertBtnHint = "轉換檔案清單內的檔案";
    t.CloseBtnHint = "關閉此視窗";
    t.StopBtnHint = "完成目前的檔案後停止轉換";
    t.FEbtnHint = "過濾器編輯";
    t.btn_OptionHint = "程式設定";
    t.ShowOptionHint = "選擇任何輸入及輸出格式";
    t.HideOptionHint = "返回簡易模式";
    t.SimpleModeHint = "轉換模式";
    t.FromHint = "輸入檔案的格式";
    t.ToHint = "輸出檔案的格式";
    t.FaceHint = "語文輸出模式";
    t.ProgressHint = "轉換進度";
    t.FileNamePrefix = "檔案名稱: ";
    t.FolderNamePrefix = "目錄: ";
    t.M1 =
        "請更改目的地檔案夾！\r\n\r\n注意:\r\n若檔案清單包含來源地及其子目錄的所有檔案，則\r\n1) "
        "目的地不可與來源地相同；\r\n2) 目的地不得為來源的子目錄。";
    t.M2 = {"轉換模式錯誤 \r\n\r\n'", "' 是用 ", " 格式編碼", "現在模式是: "};
    t.M3 = "轉換進行中 ... ";
    t.M4 = {"轉換完畢！\r\n\r\n總共轉換： ", " 字節", "須時: ", "%.5g 秒"};
    t.M5 =
        "當檔案清單包含來源地及其子目錄內的所有檔案時，\r\n於刪除清單或檔案轉換完成前，暫不得更改"
        "來源地。";
    t.M6 = "來源地：";
    t.M7 = "新資料夾";
    t.M8 = "目的地：";
    t.M9 = "另一個程式設定的視窗在使用中，不能重覆開啟。";
    t.RootRefused = "來源地不可以是磁碟的根目錄！";
    t.FilterType = "檔案類型";
    t.FilterMasks = "過濾器";
    t.Help = "說明";
    t.Cancel = "取消";
    t.OK = "確定";
    t.FilterBarReserved = "'|' 符號是保留字，不得用於字串內！";
    t.FilterHelp =
        "檔案類型欄：\r\n輸入在檔案類型選單中顯示的過濾器名稱。\r\n\r\n過濾器欄：\r\n輸入"
        "定義過濾器的萬用字元及副檔名，例如 *.TXT 只顯示副檔名為 .TXT 的檔案。\r\n"
        "多個副檔名以分號 (;) 分隔。\r\n\r\n注意：兩欄均不得使用 '|' 符號。";
    t.RunStopped = "已停止。未轉換的檔案仍留在檔案清單中。";
    t.RunFailures = "以下檔案未能轉換：";
    t.NotListed = "以下項目無法讀取，未被加入：";
    t.RunReplaced =
        "以下檔案中，目標編碼沒有的字元已寫成「?」、「\u25A1」或 U+FFFD（括號內為字數）：";
    t.RunLeftOut = "以下檔案結尾的字元不完整，已略去：";
    t.RunMore = {"……另有 ", " 個"};
    return t;
}

FileConTexts Simplified() {
    FileConTexts t = English();
    t.Caption = CaptionGbk;
    t.SrcLabel = "来源文件：";
    t.DocConLabel = "档案清单：";
    t.DestLabel = "目的地：";
    t.AddSelectBtn = "加入";
    t.AddAllBtn = "全部加入";
    t.AddAllSubBtn = "全部加入 (包含子目录所有档案)";
    t.RemoveBtn = "删除";
    t.RemoveAllBtn = "全部删除";
    t.cb_FNonly = "转换档案名称";
    t.cb_content = "转换档案内容";
    t.ConvertBtn = "开始转换";
    t.CloseBtn = "退出";
    t.StopBtn = "停止";
    t.rb_GBtoB5 = "GBK > Big5  (繁体)";
    t.rb_B5toGB = "Big5 > GBK  (简体)";
    t.btn_ShowOption = "进阶选项";
    t.btn_hideOption = "隐藏进阶选项";
    t.rb_SimpChn = "简体中文";
    t.rb_TradChn = "繁体中文";
    t.LblOutput = "语文输出模式:";
    t.LblFrom = "输入格式:";
    t.LblTo = "输出格式:";
    t.FaceNames = {"  ( 繁體 )", "  ( 簡體)", "  ( 字形不变 )"};
    t.CountSuffixOne = t.CountSuffixMany = " 文件";
    t.SrcFileListHint = "来源文件夹的文件";
    t.SrcFilterHint = "文件类型过滤器";
    t.ConListHint = "有待转换的文件列表";
    t.SrcDirBtnHint = "选择来源文件夹";
    t.DestDirBtnHint = "选择目标文件夹";
    t.SynDirBtnHint = "目标 = 来源文件夹";
    t.AddSelectBtnHint = "把选取的文件加入档案清单";
    t.AddAllBtnHint = "把所有显示的文件加入档案清单";
    t.AddAllSubBtnHint = "加入来源文件夹及其子目录的所有文件";
    t.RemoveBtnHint = "从档案清单删除选取的项目";
    t.RemoveAllBtnHint = "清空档案清单";
    t.cb_FNonlyHint = "转换文件的名称";
    t.cb_contentHint = "转换文件的内容";
    t.ConvertBtnHint = "转换档案清单内的文件";
    t.CloseBtnHint = "关闭此窗口";
    t.StopBtnHint = "完成当前的文件后停止转换";
    t.FEbtnHint = "过滤器编辑";
    t.btn_OptionHint = "程序设定";
    t.ShowOptionHint = "选择任何输入及输出格式";
    t.HideOptionHint = "返回简易模式";
    t.SimpleModeHint = "转换模式";
    t.FromHint = "输入文件的格式";
    t.ToHint = "输出文件的格式";
    t.FaceHint = "语文输出模式";
    t.ProgressHint = "转换进度";
    t.FileNamePrefix = "档案名称: ";
    t.FolderNamePrefix = "目录: ";
    t.M1 =
        "请更改目的地档案夹！\r\n\r\n注意:\r\n若档案清单包含来源地及其子目录的所有档案，则\r\n1) "
        "目的地不可与来源地相同；\r\n2) 目的地不得为来源的子目录。";
    t.M2 = {"转换模式错误 \r\n\r\n'", "' 是用 ", " 格式编码", "现在模式是: "};
    t.M3 = "轉換進行中 ... ";
    t.M4 = {"转换完毕！\r\n\r\n总共转换： ", " 字节", "须时: ", "%.5g 秒"};
    t.M5 =
        "当档案清单包含来源地及其子目录内的所有档案时，\r\n于删除清单或档案转换完成前，暂不得更改"
        "来源地。";
    t.M6 = "来源地：";
    t.M7 = "新文件夹";
    t.M8 = "目标：";
    t.M9 = "另一个程式设定的视窗在使用中，不能重覆开启。";
    t.RootRefused = "来源地不可以是磁碟的根目录！";
    t.FilterType = "档案类型";
    t.FilterMasks = "过滤器";
    t.Help = "帮助";
    t.Cancel = "取消";
    t.OK = "确定";
    t.FilterBarReserved = "'|' 符号是保留字，不得用于字串内！";
    t.FilterHelp =
        "档案类型栏：\r\n输入在文件类型选单中显示的过滤器名称。\r\n\r\n过滤器栏：\r\n输入"
        "定义过滤器的通配符及扩展名，例如 *.TXT 只显示扩展名为 .TXT 的文件。\r\n"
        "多个扩展名以分号 (;) 分隔。\r\n\r\n注意：两栏均不得使用 '|' 符号。";
    t.RunStopped = "已停止。未转换的文件仍留在档案清单中。";
    t.RunFailures = "以下文件未能转换：";
    t.NotListed = "以下项目无法读取，未被加入：";
    t.RunReplaced = "以下文件中，目标编码没有的字符已写成“?”、“\u25A1”或 U+FFFD（括号内为字数）：";
    t.RunLeftOut = "以下文件结尾的字符不完整，已略去：";
    t.RunMore = {"……另有 ", " 个"};
    return t;
}

} // namespace

const FileConTexts& FileConTextsFor(std::int64_t lang) {
    static const FileConTexts texts[] = {English(), Traditional(), Simplified()};
    return lang >= 0 && lang <= 2 ? texts[lang] : texts[0];
}

} // namespace tessarim
