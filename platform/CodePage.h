#pragma once
// The system code page, as the rest of the program asks for it, and which of the
// code pages the conversions need are available.
#include <string_view>

namespace tessarim {

inline constexpr int CodePageGbk = 936;
inline constexpr int CodePageBig5 = 950;
inline constexpr int CodePageUtf8 = 65001;
inline constexpr int CodePageWestern = 1252;

// The code page of a locale's character set name (nl_langinfo(CODESET)): the GBK
// family gives 936, the Big5 family 950, UTF-8 65001, anything else 1252.
int CodePageFromCodeset(std::string_view codeset);

// The Chinese code page a locale name stands for by its language and region
// ("zh_TW.UTF-8" gives 950, "zh_CN" 936); 1252 for any other language.
int CodePageFromLanguage(std::string_view localeName);

// The code page of the user's locale; $TESSARIM_ACP, when it holds a number,
// takes its place.
int SystemCodePage();

// The code page that settles defaults such as the interface language. A UTF-8
// system says nothing about Chinese, so there the locale's language decides.
int LocaleCodePageForDefaults();

// True for the code pages the program carries tables or rules for (936, 950,
// 65001, 1252) unless a test has switched the code page off.
bool IsValidCodePage(int codePage);

// Lets tests run the program as on a system that lacks 936 or 950.
void SetCodePageAvailable(int codePage, bool available);

} // namespace tessarim
