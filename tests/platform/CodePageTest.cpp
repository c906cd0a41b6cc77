#include "platform/CodePage.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::ScopedEnv;

TEST(CodePage, CodesetNames) {
    for (const char* gbk : {"GBK", "gb2312", "GB18030", "EUC-CN"})
        EXPECT_EQ(CodePageFromCodeset(gbk), 936) << gbk;
    for (const char* big5 : {"BIG5", "Big5-HKSCS"})
        EXPECT_EQ(CodePageFromCodeset(big5), 950) << big5;
    EXPECT_EQ(CodePageFromCodeset("UTF-8"), 65001);
    for (const char* other : {"ANSI_X3.4-1968", "ISO-8859-1", "EUC-TW", ""})
        EXPECT_EQ(CodePageFromCodeset(other), 1252) << other;
}

TEST(CodePage, LanguageOfTheLocaleName) {
    for (const char* traditional : {"zh_TW.UTF-8", "zh_HK.utf8", "zh_MO", "zh_TW@radical"})
        EXPECT_EQ(CodePageFromLanguage(traditional), 950) << traditional;
    for (const char* simplified : {"zh_CN.UTF-8", "zh_SG"})
        EXPECT_EQ(CodePageFromLanguage(simplified), 936) << simplified;
    for (const char* other : {"en_US.UTF-8", "zh", "C.UTF-8", "ja_JP.UTF-8"})
        EXPECT_EQ(CodePageFromLanguage(other), 1252) << other;
}

TEST(CodePage, OverrideAndUtf8Systems) {
    {
        ScopedEnv acp("TESSARIM_ACP", "950");
        EXPECT_EQ(SystemCodePage(), 950);
        EXPECT_EQ(LocaleCodePageForDefaults(), 950);
    }
    ScopedEnv acp("TESSARIM_ACP", "65001");
    ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(SystemCodePage(), 65001);
    EXPECT_EQ(LocaleCodePageForDefaults(), 936);
    ScopedEnv english("LC_ALL", "en_GB.UTF-8");
    EXPECT_EQ(LocaleCodePageForDefaults(), 1252);
}

TEST(CodePage, WithoutOverrideTheLocaleDecides) {
    ScopedEnv acp("TESSARIM_ACP", nullptr);
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(SystemCodePage(), 1252);
    ScopedEnv junk("TESSARIM_ACP", "936x");
    EXPECT_EQ(SystemCodePage(), 1252);
}

TEST(CodePage, ChineseCodePagesCanBeSwitchedOff) {
    EXPECT_TRUE(IsValidCodePage(936));
    EXPECT_TRUE(IsValidCodePage(950));
    EXPECT_FALSE(IsValidCodePage(932));
    SetCodePageAvailable(950, false);
    EXPECT_FALSE(IsValidCodePage(950));
    EXPECT_TRUE(IsValidCodePage(936));
    SetCodePageAvailable(950, true);
    EXPECT_TRUE(IsValidCodePage(950));
}

} // namespace
} // namespace tessarim
