#include "platform/CodePage.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::ScopedEnv;

TEST(CodePage, NamesOverridesAndUtf8Systems) {
    const std::pair<const char*, int> codesets[] = {
        {"GBK", 936},        {"gb2312", 936},  {"GB18030", 936}, {"BIG5", 950},
        {"Big5-HKSCS", 950}, {"UTF-8", 65001}, {"EUC-TW", 1252}, {"", 1252}};
    for (const auto& [codeset, page] : codesets)
        EXPECT_EQ(CodePageFromCodeset(codeset), page) << codeset;
    const std::pair<const char*, int> locales[] = {
        {"zh_TW.UTF-8", 950}, {"zh_HK.utf8", 950}, {"zh_TW@radical", 950}, {"zh_CN.UTF-8", 936},
        {"zh_SG", 936},       {"zh", 1252},        {"en_US.UTF-8", 1252}};
    for (const auto& [locale, page] : locales)
        EXPECT_EQ(CodePageFromLanguage(locale), page) << locale;

    ScopedEnv all("LC_ALL", "C");
    ScopedEnv junk("TESSARIM_ACP", "936x"); // not a number: the locale decides
    EXPECT_EQ(SystemCodePage(), 1252);
    ScopedEnv big5("TESSARIM_ACP", "950");
    EXPECT_EQ(SystemCodePage(), 950);
    EXPECT_EQ(LocaleCodePageForDefaults(), 950);
    // On a UTF-8 system the locale's language settles the defaults.
    ScopedEnv utf8("TESSARIM_ACP", "65001");
    ScopedEnv chinese("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(SystemCodePage(), 65001);
    EXPECT_EQ(LocaleCodePageForDefaults(), 936);
    ScopedEnv english("LC_ALL", "en_GB.UTF-8");
    EXPECT_EQ(LocaleCodePageForDefaults(), 1252);
}

} // namespace
} // namespace tessarim
