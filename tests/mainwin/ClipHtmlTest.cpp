#include "mainwin/ClipHtml.h"

#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

class ClipHtmlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void SetUp() override {
        ClearFixTable(FixTableId::Big5);
        ClearFixTable(FixTableId::Gbk);
        Fix_UNN = true;
    }
    static std::string Converted(std::string block, Face face, int codePage) {
        ConvertHtmlFragment(block, face, codePage);
        return block;
    }
};

TEST_F(ClipHtmlTest, BodyTextTurnsTraditionalAndItsTagsNameTraditionalFonts) {
    const std::string head = "Version:0.9\r\nStartHTML:0000000105\r\n<html><head><style>p "
                             "{font-family: SimSun}</style></head>";
    const std::string block = head +
                              "<BODY lang=\"ZH-CN\">\r\n<!--StartFragment--><p "
                              "style=\"font-family:nsimsun\">简体&#x4E66;&#60;b&#62;</p><span "
                              "lang=\"zh-cn\">书</span><!--EndFragment--></body></html>\r\ntail";
    // Before "<body" nothing changes; after the last tag nothing is left.
    EXPECT_EQ(Converted(block, FaceT, CodePageGbk),
              head + "<BODY lang=\"ZH-TW\">\r\n<!--StartFragment--><p "
                     "style=\"font-family:MingLiU\">簡體書&#60;b&#62;</p><span "
                     "lang=\"zh-cn\">書</span><!--EndFragment--></body></html>");

    Fix_UNN = false;
    EXPECT_EQ(Converted("<body>书&#x4E66;</body>", FaceT, CodePageGbk), "<body>書&#x4E66;</body>");
    EXPECT_FALSE(Fix_UNN) << "restored";
}

TEST_F(ClipHtmlTest, FontNamesFollowTheSystemCodePageAndLongerNamesGoFirst) {
    const std::string traditional = "<body><font face=\"PMingLiU\">繁體</font><font "
                                    "face=\"新細明體\">x</font><font face='mingliu'><p "
                                    "lang=\"ZH-TW\"></p>";
    EXPECT_EQ(Converted(traditional, FaceS, CodePageBig5),
              "<body><font face=\"SimSun\">繁体</font><font face=\"SimSun\">x</font><font "
              "face='SimSun'><p lang=\"ZH-CN\"></p>");
    EXPECT_EQ(Converted(traditional, FaceS, CodePageGbk),
              "<body><font face=\"新宋体\">繁体</font><font face=\"新宋体\">x</font><font "
              "face='宋体'><p lang=\"ZH-CN\"></p>");
    // Substrings: 新宋体 holds 宋体.
    EXPECT_EQ(Converted("<body face=\"新宋体,NSimSun\">", FaceT, CodePageBig5),
              "<body face=\"新細明體,新細明體\">");
    EXPECT_EQ(Converted("<body face=\"新宋体\">", FaceT, CodePageUtf8), "<body face=\"MingLiU\">");
}

TEST_F(ClipHtmlTest, BlockWithoutBodyStaysAsItIs) {
    const std::string block = "<html><p style=\"font-family:SimSun\">简体</p></html>tail";
    EXPECT_EQ(Converted(block, FaceT, CodePageGbk), block);
}

TEST(ReplaceAllText, ReplacedTextIsNotSearchedAgain) {
    EXPECT_EQ(ReplaceAllText("aaaa", "aa", "a", true), "aa");
    EXPECT_EQ(ReplaceAllText("SimSun simsun SIMSUN", "simsun", "X", false), "X X X");
    EXPECT_EQ(ReplaceAllText("zh-cn ZH-CN", "ZH-CN", "ZH-TW", true), "zh-cn ZH-TW");
    EXPECT_EQ(ReplaceAllText("宋体宋體", "宋体", "細明體", false), "細明體宋體");
    EXPECT_EQ(ReplaceAllText("abc", "", "x", true), "abc");
}

} // namespace
} // namespace tessarim
