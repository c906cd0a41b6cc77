#include "tools/WinTitle.h"

#include "settings/Settings.h"

#include <algorithm>
#include <cctype>

namespace tessarim {

namespace {

constexpr std::size_t HistoryLimit = 10;

bool Blank(unsigned char c) {
    return c <= ' ';
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::vector<TargetRow> TargetRows(const std::vector<DesktopWindow>& windows, std::int64_t lang) {
    const WinTitleTexts* texts = WinTitleTextsFor(lang);
    if (!texts) texts = WinTitleTextsFor(0);
    std::vector<TargetRow> rows;
    for (const DesktopWindow& window : windows) {
        const std::string& caption = window.caption;
        if (caption == EnumWinCaption || caption == KeySenderCaption || caption == "Tessarim")
            continue;
        const bool empty = std::all_of(caption.begin(), caption.end(),
                                       [](char c) { return Blank(static_cast<unsigned char>(c)); });
        if (empty) {
            const std::string& cls = window.className;
            if (cls == "Shell_TrayWnd" || cls == "ToolbarWindow32" || cls == "Indicator") continue;
            rows.push_back({texts->NoCaption, window.id});
        } else {
            rows.push_back({caption, window.id});
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const TargetRow& a, const TargetRow& b) {
        return Lower(a.title) < Lower(b.title);
    });
    return rows;
}

int RowOf(const std::vector<TargetRow>& rows, WindowId window) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id == window) return static_cast<int>(i);
    return -1;
}

std::string TotalText(std::size_t count) {
    return "Total: " + std::to_string(count) + " windows";
}

std::vector<std::string> LoadKeysHistory(const IniFile& ini) {
    const std::int64_t count = Read(ini, keys::Count);
    if (count == -1) return {"[ENTER]"};
    std::vector<std::string> history;
    for (std::int64_t n = 1; n <= count && n <= 1000; ++n)
        history.push_back(ReadHistoryEntry(ini, static_cast<int>(n)));
    return history;
}

std::vector<std::string> AddToKeysHistory(std::vector<std::string> history,
                                          const std::string& text) {
    if (!history.empty() && history.front() == text) return history;
    history.erase(std::remove(history.begin(), history.end(), text), history.end());
    history.insert(history.begin(), text);
    if (history.size() > HistoryLimit) history.resize(HistoryLimit);
    return history;
}

void SaveKeysHistory(IniFile& ini, const std::vector<std::string>& history) {
    Write(ini, keys::Count, static_cast<std::int64_t>(history.size()));
    for (std::size_t i = 0; i < history.size(); ++i)
        WriteHistoryEntry(ini, static_cast<int>(i + 1), history[i]);
}

bool KeysTextAllowed(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

const WinTitleTexts* WinTitleTextsFor(std::int64_t lang) {
    static const WinTitleTexts texts[] = {
        {"Keys after text",
         "The keys above will be passed to target application\rand stimulate the "
         "corresponding keystrokes accordingly.",
         "** Note:", "List of windows: (select the target window)", "Keyword", "Refresh the list",
         "  << No Caption >>", "Chinese character is not allowed!"},
        {"字串後的模擬鍵:",
         "送出轉碼的文字之後，上面的指令會輸送到目標\r程式，並模擬該程式對應的按鍵行使特別功能。",
         "** 注意:", "視窗清單: (選擇目的視窗)", "關鍵字", "更新清單", "  << 無標題 >>",
         "不得鍵入中文字符！"},
        {"字串后的模拟键:",
         "送出转码的文字之后，上面的指令会输送到目标\r程式，并模拟该程式对应的按键行使特别功能。",
         "** 注意:", "视窗列表: (选择目标视窗)", "关键字", "更新列表", "  << 无标题 >>",
         "不得键入中文字符！"},
    };
    return lang >= 0 && lang <= 2 ? &texts[lang] : nullptr;
}

} // namespace tessarim
