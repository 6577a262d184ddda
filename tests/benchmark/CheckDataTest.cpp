// The validation of a group before it is saved: walk order, the four messages, the
// normalising of points and empty weights, the width limits and the weight sum.
#include <algorithm>

#include "tests/benchmark/MarkTestSupport.h"

using platform::MsgButtons;
using platform::MsgResult;

namespace {

using CheckDataTest = FormMarkFixture;

struct Cell {
    int row, col;
    const char* text;
};

struct Case {
    const char* what;
    std::vector<Cell> typed;     // into group 1, whose weights start empty
    const char* message;         // "" when the check passes
    std::vector<Cell> expected;  // cells as the check leaves them
};

// Group 1's names: row 1 净资产收益率, row 2 总资产报酬率, row 3 主营业务利润率.
const std::string k15 = "123456789012345";
const Case kCases[] = {
    {"an empty level passes and stays empty; empty weights become 0",
     {{1, 4, ""}, {1, 10, "100"}},
     "",
     {{1, 4, ""}, {1, 10, "100"}, {2, 10, "0"}, {6, 10, "0"}}},
    {"a level of 0", {{1, 5, "0"}}, "获利能力中'净资产收益率'的'标准水平'项不能为0！", {}},
    {"a level of 0.00", {{2, 4, "0.00"}}, "获利能力中'总资产报酬率'的'历史最好'项不能为0！", {}},
    {"a level of -0", {{3, 9, " -0 "}}, "获利能力中'主营业务利润率'的'国际水平'项不能为0！", {}},
    {"a weight of 0 passes, is not counted and stays",
     {{1, 10, "0"}, {2, 10, "0.00"}, {3, 10, "100"}},
     "",
     {{1, 10, "0"}, {2, 10, "0.00"}, {3, 10, "100"}}},
    {"points at the start and the end are normalised",
     {{1, 4, ".5"}, {1, 5, "5."}, {2, 6, "-.25"}, {1, 10, "60."}, {2, 10, "40"}},
     "",
     {{1, 4, "0.5"}, {1, 5, "5"}, {2, 6, "-.25"}, {1, 10, "60"}}},
    {"15 digits pass", {{1, 4, "123456789012345"}}, "", {{1, 4, "123456789012345"}}},
    {"16 digits fail",
     {{1, 4, "1234567890123456"}},
     "获利能力中'净资产收益率'的'历史最好'项输入的数字大于15位或小数大于2位！",
     {}},
    {"13 digits and 2 decimals pass", {{1, 6, "1234567890123.45"}}, "", {}},
    {"14 digits and 2 decimals fail",
     {{1, 6, "12345678901234.56"}},
     "获利能力中'净资产收益率'的'行业平均'项输入的数字大于15位或小数大于2位！",
     {}},
    {"3 decimals fail",
     {{2, 7, "1.125"}},
     "获利能力中'总资产报酬率'的'行业领先'项输入的数字大于15位或小数大于2位！",
     {}},
    {"15 digits and a final point pass", {{1, 8, "123456789012345."}}, "", {{1, 8, k15.c_str()}}},
    {"the sign counts",
     {{1, 8, "-123456789012345"}},
     "获利能力中'净资产收益率'的'国家标准'项输入的数字大于15位或小数大于2位！",
     {}},
    {"negative levels and weights are accepted; a negative weight counts",
     {{1, 4, "-3"}, {1, 10, "120"}, {2, 10, "-20"}},
     "",
     {}},
    {"weights of 99.99",
     {{1, 10, "60"}, {2, 10, "39.99"}},
     "获利能力中权重之和为99.99,必须为100，请重新输入！",
     {}},
    {"weights of 120",
     {{1, 10, "70"}, {4, 10, "50"}},
     "获利能力中权重之和为120,必须为100，请重新输入！",
     {}},
    {"a sum off by less than half a hundredth rounds to 100",
     {{1, 10, "33.33"}, {2, 10, "33.33"}, {3, 10, "33.34"}},
     "",
     {}},
    {"a text that is not a number in a weight is found before a zero level of the next row",
     {{1, 10, "abc"}, {2, 4, "0"}},
     "获利能力中'净资产收益率'的'权重'项输入了不为数字的数据！",
     {}},
    {"an empty weight shows 0 also when a later cell fails",
     {{1, 10, ""}, {2, 4, "x"}},
     "获利能力中'总资产报酬率'的'历史最好'项输入了不为数字的数据！",
     {{1, 10, "0"}, {2, 10, ""}}},
    {"an exponent is not a number",
     {{1, 4, "1e3"}},
     "获利能力中'净资产收益率'的'历史最好'项输入了不为数字的数据！",
     {}},
    {"a digit-grouping comma is not a number",
     {{1, 4, "1,000"}},
     "获利能力中'净资产收益率'的'历史最好'项输入了不为数字的数据！",
     {}},
    {"a blank inside is not a number",
     {{1, 4, "1 000"}},
     "获利能力中'净资产收益率'的'历史最好'项输入了不为数字的数据！",
     {}},
    {"a sign alone is not a number",
     {{1, 4, "-"}},
     "获利能力中'净资产收益率'的'历史最好'项输入了不为数字的数据！",
     {}},
};

TEST_F(CheckDataTest, EveryCaseOfTheEdgeCaseList) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(open());
        for (const Cell& t : c.typed) put(1, t.row, t.col, t.text);
        if (*c.message) box.answer(MsgResult::OK);
        EXPECT_EQ(form->checkData(1), !*c.message);
        if (*c.message) {
            ASSERT_EQ(box.shown().size(), 1u);
            EXPECT_EQ(box.shown()[0].prompt, c.message);
            EXPECT_EQ(box.shown()[0].title, "错误");
            EXPECT_EQ(box.shown()[0].buttons, MsgButtons::OK);
        } else {
            EXPECT_TRUE(box.shown().empty());
        }
        for (const Cell& e : c.expected)
            EXPECT_EQ(cell(1, e.row, e.col), e.text) << e.row << "," << e.col;
        EXPECT_EQ(form->gridState(1), 1) << "validation never marks a group";
        box.clear();
    }
}

TEST_F(CheckDataTest, SevenWeightsThatSumTo100PassInAnyOrder) {
    std::vector<std::string> weights{"16.31", "16.35", "16.15", "4.25", "19.73", "25.99", "1.22"};
    std::sort(weights.begin(), weights.end());
    int orders = 0;
    do {
        for (int r = 1; r <= 7; ++r) put(3, r, 10, weights[r - 1].c_str());
        ASSERT_TRUE(form->checkData(3)) << weights[0] << " " << weights[1] << " " << weights[6];
        ++orders;
    } while (std::next_permutation(weights.begin(), weights.end()));
    EXPECT_EQ(orders, 5040);
    EXPECT_EQ(cell(3, 8, 10), "0");
}

TEST_F(CheckDataTest, TheMessageNamesTheGroupCheckedNotTheOneShownAndMovesNoFocus) {
    form->tbsOptions->setSelectedIndex(1);
    clickCell(1, 2, 5);
    ASSERT_TRUE(form->Text1->isVisible());
    put(4, 3, 10, "1..2");
    box.answer(MsgResult::OK);
    EXPECT_FALSE(form->checkData(4));
    EXPECT_EQ(box.prompts(), std::vector<std::string>{
                                 "贡献能力中'劳动生产率（实物）'的'权重'项输入了不为数字的数据！"});
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(form->curTab(), 1);
    EXPECT_EQ(grid(1)->Row(), 2);
    EXPECT_EQ(grid(1)->Col(), 5);
}

}  // namespace
