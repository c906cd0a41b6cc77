// The shipped correction tables on words that one Simplified character (or one
// Traditional character) cannot convert alone, in both directions, on the
// direct GBK <-> Big5 road and on the road through Unicode.
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/FixTableIndex.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tessarim {
namespace {

// Each phrase and what it becomes, "from:to", separated by blanks.
// Simplified -> Traditional as written in Taiwan. Longest-match segmentation
// alone would break some of these at the wrong place (开头|发言, 只|有).
const std::string SimplifiedToTraditional =
    "她的头发很长:她的頭髮很長 经济发展很快:經濟發展很快 以后再说:以後再說 皇后和国王:皇后和國王 "
    "天气干燥:天氣乾燥 他是干部:他是幹部 不要干涉:不要干涉 走了三公里:走了三公里 "
    "一碗面条:一碗麵條 很有面子:很有面子 他在会上开头发言:他在會上開頭發言 这只有一个:這只有一個 "
    "文件被复制到:文件被複製到 并为此努力:並為此努力 一只猫:一隻貓 饼干:餅乾 台风来了:颱風來了 "
    "手表和钟表:手錶和鐘錶 系鞋带:繫鞋帶 关系:關係 周末:週末 日历:日曆 故事里:故事裡 制造:製造 "
    "冲洗:沖洗";

const std::string TraditionalToSimplified =
    "天氣乾燥:天气干燥 乾隆年間:乾隆年间 她的頭髮:她的头发 後來:后来 看著窗外:看着窗外 著作:著作 "
    "瞭解情況:了解情况 瞭望台:瞭望台 憑藉:凭借 杯盤狼藉:杯盘狼藉 反覆:反复 宮商角徵羽:宫商角徵羽 "
    "計畫:计划 傢俱:家具";

FixTables tables;

Bytes Convert(Bytes text, Code source, Code target, Face face) {
    ConvertStream(text, {source, target, face}, WholeText, &tables);
    return text;
}

// Checks each phrase on the direct road (UTF-8 into the source code page, across,
// back) and in UTF-8; gives the phrases' sources as one text.
std::string Check(const std::string& phrases, Code source, Code target, Face face) {
    std::istringstream words(phrases);
    std::string sources;
    for (std::string from, to; std::getline(words, from, ':') && words >> to; words.get()) {
        sources += from + "\xEF\xBC\x8C"; // ，
        const Bytes direct = Convert(Convert(from, UTF8, source, FaceD), source, target, face);
        EXPECT_EQ(Convert(direct, target, UTF8, FaceD), to) << "direct road: " << from;
        EXPECT_EQ(Convert(from, UTF8, UTF8, face), to) << "UTF-8: " << from;
    }
    return sources;
}

TEST(ShippedTables, SimplifiedToTraditionalAndBack) {
    const test::TempFolder folder;
    test::MemoryStamps stamps;
    ASSERT_TRUE(LoadFixTableWithDefault(tables, FixTableId::Big5, folder.Dir(), stamps));
    ASSERT_TRUE(LoadFixTableWithDefault(tables, FixTableId::Gbk, folder.Dir(), stamps));
    Check(TraditionalToSimplified, BIG5, GBK, FaceS);
    const std::string simplified = Check(SimplifiedToTraditional, GBK, BIG5, FaceT);
    EXPECT_EQ(simplified.size(), 3u * (25 + 100)); // 25 phrases of 100 characters, and commas
    EXPECT_EQ(Convert(Convert(simplified, UTF8, UTF8, FaceT), UTF8, UTF8, FaceS), simplified);
}

} // namespace
} // namespace tessarim
