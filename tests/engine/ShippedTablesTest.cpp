// The shipped correction tables on words that one Simplified character (or one
// Traditional character) cannot convert alone, in both directions, on the
// direct GBK <-> Big5 road and on the road through Unicode.
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/FixTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessarim {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

// Simplified -> Traditional as written in Taiwan. Longest-match segmentation
// alone would break some of these at the wrong place (开头|发言, 只|有).
const Cases SimplifiedToTraditional = {{"她的头发很长", "她的頭髮很長"},
                                       {"经济发展很快", "經濟發展很快"},
                                       {"以后再说", "以後再說"},
                                       {"皇后和国王", "皇后和國王"},
                                       {"天气干燥", "天氣乾燥"},
                                       {"他是干部", "他是幹部"},
                                       {"不要干涉", "不要干涉"},
                                       {"走了三公里", "走了三公里"},
                                       {"一碗面条", "一碗麵條"},
                                       {"很有面子", "很有面子"},
                                       {"他在会上开头发言", "他在會上開頭發言"},
                                       {"这只有一个", "這只有一個"},
                                       {"文件被复制到", "文件被複製到"},
                                       {"并为此努力", "並為此努力"},
                                       {"一只猫", "一隻貓"},
                                       {"饼干", "餅乾"},
                                       {"台风来了", "颱風來了"},
                                       {"手表和钟表", "手錶和鐘錶"},
                                       {"系鞋带", "繫鞋帶"},
                                       {"关系", "關係"},
                                       {"周末", "週末"},
                                       {"日历", "日曆"},
                                       {"故事里", "故事裡"},
                                       {"制造", "製造"},
                                       {"冲洗", "沖洗"}};

const Cases TraditionalToSimplified = {
    {"天氣乾燥", "天气干燥"}, {"乾隆年間", "乾隆年间"}, {"她的頭髮", "她的头发"},
    {"後來", "后来"},         {"看著窗外", "看着窗外"}, {"著作", "著作"},
    {"瞭解情況", "了解情况"}, {"瞭望台", "瞭望台"},     {"憑藉", "凭借"},
    {"杯盤狼藉", "杯盘狼藉"}, {"反覆", "反复"},         {"宮商角徵羽", "宫商角徵羽"},
    {"計畫", "计划"},         {"傢俱", "家具"}};

class ShippedTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadCodeTables());
        folder_ = std::make_unique<test::TempFolder>();
        const test::CapturedMessages messages;
        LoadFixTableWithDefault(FixTableId::Big5, folder_->Dir());
        LoadFixTableWithDefault(FixTableId::Gbk, folder_->Dir());
        ASSERT_EQ(messages.texts(), "");
    }
    static void TearDownTestSuite() {
        ClearFixTable(FixTableId::Big5);
        ClearFixTable(FixTableId::Gbk);
        folder_.reset();
    }

    static Bytes Convert(Bytes text, Code source, Code target, Face face) {
        ConvertStream(text, source, target, face, false, false);
        return text;
    }
    // On the direct road (UTF-8 into the source code page, across, back) and in UTF-8.
    static void Check(const Cases& cases, Code source, Code target, Face face) {
        for (const auto& [from, to] : cases) {
            const Bytes direct = Convert(Convert(from, UTF8, source, FaceD), source, target, face);
            EXPECT_EQ(Convert(direct, target, UTF8, FaceD), to) << "direct road: " << from;
            EXPECT_EQ(Convert(from, UTF8, UTF8, face), to) << "UTF-8: " << from;
        }
    }

    static std::unique_ptr<test::TempFolder> folder_;
};

std::unique_ptr<test::TempFolder> ShippedTablesTest::folder_;

TEST_F(ShippedTablesTest, SimplifiedToTraditionalAndBack) {
    Check(SimplifiedToTraditional, GBK, BIG5, FaceT);
    Check(TraditionalToSimplified, BIG5, GBK, FaceS);
    std::string simplified;
    for (const auto& [from, to] : SimplifiedToTraditional)
        simplified += from + "\xEF\xBC\x8C"; // ，
    EXPECT_EQ(Convert(Convert(simplified, UTF8, UTF8, FaceT), UTF8, UTF8, FaceS), simplified);
}

} // namespace
} // namespace tessarim
