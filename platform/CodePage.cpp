#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <string>

namespace tessarim {

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The locale name that applies to a category, by the usual precedence.
std::string LocaleNameFor(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        std::string value = Env(name);
        if (!value.empty()) return value;
    }
    return "C";
}

struct Availability {
    int codePage;
    bool available;
};

std::array<Availability, 4>& KnownCodePages() {
    static std::array<Availability, 4> known{
        {{CodePageGbk, true}, {CodePageBig5, true}, {CodePageUtf8, true}, {CodePageWestern, true}}};
    return known;
}

} // namespace

int CodePageFromCodeset(std::string_view codeset) {
    const std::string name = Upper(codeset);
    if (name == "GBK" || name == "GB2312" || name == "GB18030" || name == "EUC-CN")
        return CodePageGbk;
    if (name == "BIG5" || name == "BIG5-HKSCS") return CodePageBig5;
    if (name == "UTF-8" || name == "UTF8") return CodePageUtf8;
    return CodePageWestern;
}

int CodePageFromLanguage(std::string_view localeName) {
    // "zh_TW.UTF-8@euro": the language and region come before '.' and '@'.
    const std::string_view languageAndRegion = localeName.substr(0, localeName.find_first_of(".@"));
    const std::string name = Upper(languageAndRegion);
    if (name == "ZH_TW" || name == "ZH_HK" || name == "ZH_MO") return CodePageBig5;
    if (name == "ZH_CN" || name == "ZH_SG") return CodePageGbk;
    return CodePageWestern;
}

int SystemCodePage() {
    const std::string override = Env("TESSARIM_ACP");
    int codePage = 0;
    const char* end = override.data() + override.size();
    if (!override.empty() && std::from_chars(override.data(), end, codePage).ptr == end)
        return codePage;
    // A locale object of our own answers the question without changing the
    // process's locale, which would change how the C library formats numbers.
    const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return CodePageWestern;
    const int result = CodePageFromCodeset(nl_langinfo_l(CODESET, locale));
    freelocale(locale);
    return result;
}

int LocaleCodePageForDefaults() {
    const int codePage = SystemCodePage();
    if (codePage != CodePageUtf8) return codePage;
    return CodePageFromLanguage(LocaleNameFor("LC_MESSAGES"));
}

bool IsValidCodePage(int codePage) {
    const auto& known = KnownCodePages();
    return std::any_of(known.begin(), known.end(), [codePage](const Availability& entry) {
        return entry.codePage == codePage && entry.available;
    });
}

void SetCodePageAvailable(int codePage, bool available) {
    for (Availability& entry : KnownCodePages())
        if (entry.codePage == codePage) entry.available = available;
}

} // namespace tessarim
