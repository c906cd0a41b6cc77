#include "mainwin/ClipTexts.h"

#include <array>
#include <clocale>
#include <cstdio>

namespace tessarim {

const ClipTexts& ClipTextsFor(std::int64_t lang) {
    static const std::array<ClipTexts, 3> texts{{
        {"The clipboard may contain Big5 data.\r\n\r\nAre you sure you want to continue the GB > "
         "Big5 conversion?",
         "The clipboard may contain GB data.\r\n\r\nAre you sure you want to continue the Big5 > "
         "GB conversion?",
         "GBK > Big5 conversion finished.\r\n\r\nText size: ",
         "Big5 > GBK conversion finished.\r\n\r\nText size: ", " bytes",
         "Total time used: ", "%.5g sec"},
        {"剪貼簿內文可能已是Big5繁體編碼。\r\n\r\n是否繼續 GB >Big5 轉換？",
         "剪貼簿內文可能已是GB簡體編碼。\r\n\r\n是否繼續 Big5 > GB 轉換？",
         "GBK > Big5 轉換完畢！\r\n\r\n總共轉換： ", "Big5 > GBK 轉換完畢！\r\n\r\n總共轉換： ",
         " 字節", "須時: ", "%.5g 秒"},
        {"剪贴板内文可能已是Big5繁体编码。\r\n\r\n是否继续 GB >Big5 转换？",
         "剪贴板内文可能已是GB简体编码。\r\n\r\n是否继续 Big5 > GB 转换？",
         "GBK > Big5 转换完毕！\r\n\r\n总共转换： ", "Big5 > GBK 转换完毕！\r\n\r\n总共转换： ",
         " 字节", "须时: ", "%.5g 秒"},
    }};
    return texts[lang >= 0 && lang < 3 ? static_cast<std::size_t>(lang) : 0];
}

std::string FormatCount(std::uint64_t count, std::string_view groupSeparator) {
    const std::string digits = std::to_string(count);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += groupSeparator;
        out += digits[i];
    }
    return out;
}

std::string FormatSeconds(const char* pattern, double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, seconds);
    return text;
}

std::string LocaleGroupSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (!conventions || !conventions->thousands_sep || !*conventions->thousands_sep) return ",";
    return conventions->thousands_sep;
}

} // namespace tessarim
