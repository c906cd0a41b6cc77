#include "tools/ClipViewer.h"

#include "engine/CodePages.h"
#include "platform/CodePage.h"

#include <algorithm>

namespace tessarim {

namespace {

constexpr int CharsetGb2312 = 134;
constexpr int CharsetBig5 = 136;

long long Overlap(const ViewerRect& a, const ViewerRect& b) {
    const long long w = std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
    const long long h = std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

bool Inside(const ViewerRect& window, const ViewerRect& screen) {
    return window.left >= screen.left && window.top >= screen.top &&
           window.left + window.width <= screen.left + screen.width &&
           window.top + window.height <= screen.top + screen.height;
}

} // namespace

std::optional<std::u16string> ViewerText(std::u16string_view unicode, std::string_view ansi,
                                         int systemCodePage, int fontCharset) {
    std::u16string text(unicode);
    if (text.empty()) text = AnsiToWide(ansi, systemCodePage);
    if (text.empty()) return std::nullopt;
    int other = 0;
    if (fontCharset == CharsetGb2312 && systemCodePage == CodePageBig5) other = CodePageGbk;
    if (fontCharset == CharsetBig5 && systemCodePage == CodePageGbk) other = CodePageBig5;
    if (other) text = AnsiToWide(WideToAnsi(text, systemCodePage), other);
    return text;
}

ViewerRect BringOnScreen(ViewerRect window, const std::vector<ViewerRect>& screens) {
    if (screens.empty()) return window;
    const ViewerRect* best = &screens.front();
    long long bestOverlap = -1;
    for (const ViewerRect& screen : screens) {
        if (Inside(window, screen)) return window;
        if (const long long overlap = Overlap(window, screen); overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &screen;
        }
    }
    window.width = std::clamp(window.width, 1, best->width);
    window.height = std::clamp(window.height, 1, best->height);
    window.left = std::clamp(window.left, best->left, best->left + best->width - window.width);
    window.top = std::clamp(window.top, best->top, best->top + best->height - window.height);
    return window;
}

ViewerRect SavedViewerRect(const IniFile& ini, int designedWidth, int designedHeight,
                           const ViewerRect& screen) {
    ViewerRect rect;
    rect.top = static_cast<int>(Read(ini, keys::ClipTop, (screen.height - designedHeight) / 2));
    rect.left = static_cast<int>(Read(ini, keys::ClipLeft, (screen.width - designedWidth) / 2));
    rect.width = static_cast<int>(Read(ini, keys::ClipWidth, designedWidth));
    rect.height = static_cast<int>(Read(ini, keys::ClipHeight, designedHeight));
    return rect;
}

void SaveViewer(IniFile& ini, const ViewerRect& normal, const FontSetting& font) {
    Write(ini, keys::ClipTop, std::int64_t{normal.top});
    Write(ini, keys::ClipLeft, std::int64_t{normal.left});
    Write(ini, keys::ClipWidth, std::int64_t{normal.width});
    Write(ini, keys::ClipHeight, std::int64_t{normal.height});
    Write(ini, keys::ClipFont, font);
}

const ViewerTexts& ViewerTextsFor(int codePage) {
    static constexpr ViewerTexts Gbk{"剪贴板检视工具", "自动换行",   "设定字型",
                                     "关闭",           "剪贴板文字", "状态"};
    static constexpr ViewerTexts Big5{"剪貼簿檢視工具", "自動換行",   "設定字型",
                                      "關閉",           "剪貼簿文字", "狀態"};
    static constexpr ViewerTexts Other{"Clipboard Viewer", "WordWarp", "Set font", "Close",
                                       "Clipboard text",   "Status"};
    return codePage == CodePageGbk ? Gbk : codePage == CodePageBig5 ? Big5 : Other;
}

int ViewerCharset(int codePage) {
    return codePage == CodePageGbk ? CharsetGb2312 : codePage == CodePageBig5 ? CharsetBig5 : 0;
}

int ViewerHelpContext(std::int64_t lang) {
    return lang >= 0 && lang <= 2 ? 3 + 10 * static_cast<int>(lang) : 3;
}

} // namespace tessarim
