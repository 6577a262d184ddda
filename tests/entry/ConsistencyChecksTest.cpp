// The checks that run before a statement is saved: completeness, then the accounting
// identities of the balance sheet and the cash-flow statement, driven through the save button.
#include "tests/entry/EntryTestSupport.h"

using platform::MsgResult;

namespace {

class ConsistencyChecksTest : public FormBaseFixture {
  protected:
    // Non-blank value cells of grid n in columns from..to.
    int filledCells(int n, int from, int to) const {
        int filled = 0;
        for (int r = 1; r < form->usedRows(n); ++r)
            for (int c = from; c <= to; ++c) filled += cell(n, r, c).isEmpty() ? 0 : 1;
        return filled;
    }
};

const char* const kIgnore1 = "'货币资金+短期投资+应收帐款+存货 < 流动资产'不成立，是否忽略？";
const char* const kIgnore2 = "'固定资产原值 > 固定资产净值'不成立，是否忽略？";
const char* const kIgnore3 = "'资产总额 > 流动资产+固定资产净值'不成立，是否忽略？";
const char* const kIgnore4 = "'资产总额 = 负债总额+所有者权益'不成立，是否忽略？";
const char* const kIgnore5 =
    "'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，是否忽略？";
const char* const kIncomplete1 = "资产负债表中数据输入不完整，是否忽略？";

int storedCount(const TestDb& db, int category) {
    return std::stoi(db.scalar(
        "select count(*) from baseData where ItemID in (select ItemId from baseItem where "
        "Category = ?)",
        {std::int64_t(category)}));
}

TEST_F(ConsistencyChecksTest, BalanceSheetIdentitiesAskTheirQuestionsInOrder) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, const char*>> edits;  // row, text over the balanced column
        std::vector<std::string> questions;              // each answered Yes
    };
    const std::vector<std::pair<int, const char*>> decimals{
        {1, "0.1"}, {2, "0.1"}, {3, "0.1"}, {4, "0.1"},  {5, "0.5"}, {6, "0.3"},
        {7, "0.2"}, {8, "0.8"}, {9, "0"},   {10, "0.1"}, {11, "0"},  {12, "0.7"}};
    const Case cases[] = {
        {"balanced", {}, {}},
        {"rows 1-4 summing to row 5 exactly", {{5, "200"}}, {kIgnore1}},
        {"row 5 blank skips identity 1 whatever rows 1-4 hold",
         {{5, ""}, {1, "99999"}},
         {kIncomplete1}},
        {"row 5 alone holds against blank rows 1-4",
         {{1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, "100"}},
         {kIncomplete1}},
        {"fixed assets at cost equal to net", {{6, "400"}}, {kIgnore2}},
        {"row 7 blank skips identity 2", {{6, "1"}, {7, ""}}, {kIncomplete1}},
        {"total assets equal to current plus net", {{8, "650"}, {12, "350"}}, {kIgnore3}},
        {"total assets below both sums", {{8, "600"}}, {kIgnore3, kIgnore4}},
        {"balance off by a cent", {{12, "400.01"}}, {kIgnore4}},
        {"every identity broken",
         {{5, "1"}, {6, "1"}, {8, "1"}},
         {kIgnore1, kIgnore2, kIgnore3, kIgnore4}},
        // Amounts carry two decimals: 0.1 + 0.7 balances 0.8 although the doubles differ.
        {"decimals that balance", decimals, {}},
        // 0.7 + 0.1 reads just below 0.8 as doubles, yet the two are equal.
        {"decimals summing to row 5",
         {{1, "0.7"},
          {2, "0.1"},
          {3, "0"},
          {4, "0"},
          {5, "0.8"},
          {6, "0.3"},
          {7, "0.2"},
          {8, "1.1"},
          {9, "0"},
          {10, "0.4"},
          {11, "0"},
          {12, "0.7"}},
         {kIgnore1}},
    };
    display(0, "2003", "2003");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        setColumn(1, 4, kBalanced);
        for (const auto& [row, text] : c.edits) grid(1)->setTextMatrix(row, 4, text);
        ScriptedMsgBox box;
        box.answer(MsgResult::Yes, static_cast<int>(c.questions.size()));
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), c.questions);
        for (const ShownBox& shown : box.shown()) {
            EXPECT_EQ(shown.title, "警告");
            EXPECT_EQ(shown.buttons, platform::MsgButtons::YesNo);
        }
        EXPECT_EQ(storedCount(db, 1), filledCells(1, 4, 4))
            << "every question ignored: the sheet is saved";
    }
}

TEST_F(ConsistencyChecksTest, RefusingAnIdentityReportsItsFailingPeriodsAndSavesNothing) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, const char*>> edits;  // in the third quarter
        const char* ignore;
        const char* report;
    };
    const Case cases[] = {
        {"identity 1",
         {{5, "200"}},
         kIgnore1,
         "'2003三季度'的'货币资金＋短期存款＋应收账款＋存货 < 流动资产'不成立，是否继续检测？"},
        {"identity 2",
         {{6, "400"}},
         kIgnore2,
         "'2003三季度'的'固定资产原值 > 固定资产净值'不成立，是否继续检测？"},
        {"identity 3",
         {{8, "650"}, {12, "350"}},
         kIgnore3,
         "'2003三季度'的'资产总额 > 流动资产＋固定资产'不成立，是否继续检测？"},
        {"identity 4",
         {{12, "401"}},
         kIgnore4,
         "'2003三季度'的'资产总额＝负债总额＋所有者权益'不成立，是否继续检测？"},
    };
    display(2, "2003", "2003", 0, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int col = 4; col <= 7; ++col) setColumn(1, col, kBalanced);
        for (const auto& [row, text] : c.edits) grid(1)->setTextMatrix(row, 6, text);
        ScriptedMsgBox box;
        box.answer(MsgResult::No).answer(MsgResult::Yes);
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), (std::vector<std::string>{c.ignore, c.report}));
        EXPECT_EQ(box.shown().at(1).title, "提示");
        EXPECT_EQ(box.shown().at(1).buttons, platform::MsgButtons::YesNo);
        EXPECT_EQ(storedCount(db, 1), 0);
        EXPECT_EQ(cell(1, c.edits[0].first, 6), c.edits[0].second) << "the grid keeps its text";
    }
}

TEST_F(ConsistencyChecksTest, TheReportGoesOnPeriodByPeriodUntilANo) {
    display(2, "2003", "2003", 0, 3);
    for (int col = 4; col <= 7; ++col) setColumn(1, col, kBalanced);
    grid(1)->setTextMatrix(6, 5, "400");  // second quarter
    grid(1)->setTextMatrix(6, 7, "300");  // fourth quarter
    const std::string q2 = "'2003二季度'的'固定资产原值 > 固定资产净值'不成立，是否继续检测？";
    const std::string q4 = "'2003四季度'的'固定资产原值 > 固定资产净值'不成立，是否继续检测？";
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::No).answer(MsgResult::Yes, 2);
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), (std::vector<std::string>{kIgnore2, q2, q4}));
    }
    {
        ScriptedMsgBox box;
        box.answer(MsgResult::No, 2);
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), (std::vector<std::string>{kIgnore2, q2}));
    }
    EXPECT_EQ(storedCount(db, 1), 0);
    EXPECT_EQ(form->gridState(1), 1) << "a refused save leaves the state as it was";
}

TEST_F(ConsistencyChecksTest, CashIncreaseComparesWithTheCashOfThePeriodBefore) {
    const std::string report2 =
        "'2003二季度'的'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，"
        "是否继续检测?";
    const std::string report1 =
        "'2003一季度'的'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，"
        "是否继续检测?";
    struct Case {
        const char* what;
        std::optional<double> before;       // stored cash of 2002 Q4 (type 3)
        std::vector<const char*> cash;      // grid 1 row 1, Q1-Q3
        std::vector<const char*> increase;  // grid 3 row 4, Q1-Q3
        std::vector<std::string> reports;   // after No to the ignore question
    };
    const Case cases[] = {
        {"the second quarter fails", 100, {"150", "170", "200"}, {"50", "30", "30"}, {report2}},
        {"the first quarter against stored cash",
         90,
         {"150", "170", "200"},
         {"50", "20", "30"},
         {report1}},
        {"no stored cash before the range skips the first quarter",
         std::nullopt,
         {"150", "170", "200"},
         {"999", "20", "30"},
         {}},
        {"blank balance-sheet cash passes", 100, {"", "", ""}, {"1", "2", "3"}, {}},
        {"a blank increase skips its quarter",
         100,
         {"150", "170", "200"},
         {"", "0", "30"},
         {report2}},
        // Cents again: 0.3 - 0.1 is 0.2 for amounts with two decimals.
        {"decimal cash", 0.1, {"0.3", "0.6", "0.7"}, {"0.2", "0.3", "0.1"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        if (c.before) db.putData(101, 3, 2002, 4, *c.before);
        db.putData(101, 3, 2002, 3, 5);  // another period: never read
        db.putData(101, 2, 2002, 2, 5);  // another type: never read
        display(2, "2003", "2003", 0, 2);
        setColumn(1, 4, {c.cash[0]});
        setColumn(1, 5, {c.cash[1]});
        setColumn(1, 6, {c.cash[2]});
        form->tbsOptions->setSelectedIndex(3);
        for (int col = 4; col <= 6; ++col) setColumn(3, col, {"1", "1", "1", c.increase[col - 4]});
        const bool complete = std::string(c.increase[0]).size() > 0;
        ScriptedMsgBox box;
        std::vector<std::string> expected;
        if (!complete) {
            box.answer(MsgResult::Yes);
            expected.push_back("现金流量表中数据输入不完整，是否忽略？");
        }
        if (!c.reports.empty()) {
            box.answer(MsgResult::No).answer(MsgResult::Yes, static_cast<int>(c.reports.size()));
            expected.push_back(kIgnore5);
            expected.insert(expected.end(), c.reports.begin(), c.reports.end());
        }
        form->cmdSave->click();
        EXPECT_EQ(box.prompts(), expected);
        EXPECT_EQ(storedCount(db, 3), c.reports.empty() ? filledCells(3, 4, 6) : 0);
        form->tbsOptions->setSelectedIndex(1);
    }
}

TEST_F(ConsistencyChecksTest, TheFirstPeriodReadsTheStoredCashOfThePeriodBeforeForEveryType) {
    struct Case {
        int position, type;   // cbSerial position, stored type
        int year, period;     // the period before the first one displayed
        const char* caption;  // of the first period displayed
    };
    const Case cases[] = {
        {0, 1, 2002, 1, "2003年"},
        {1, 2, 2002, 2, "2003上半年"},
        {2, 3, 2002, 4, "2003一季度"},
        {3, 4, 2002, 12, "2003一月"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        db.exec("delete from baseData");
        db.putData(101, c.type, c.year, c.period, 100);
        db.putData(101, c.type, 2003, 1, 150);
        display(c.position, "2003", "2003");
        form->tbsOptions->setSelectedIndex(3);
        setColumn(3, 4, {"1", "1", "1", "60"});
        ScriptedMsgBox box;
        box.answer(MsgResult::No, 2);
        form->cmdSave->click();
        ASSERT_EQ(box.prompts().size(), 2u);
        EXPECT_EQ(box.prompts()[1],
                  "'" + std::string(c.caption) +
                      "'的'现金及现金等价物净增加值(本期) = 货币资金(本期)－货币资金(上期)'不成立，"
                      "是否继续检测?");
        form->tbsOptions->setSelectedIndex(1);
    }
}

TEST_F(ConsistencyChecksTest, AnIncompleteStatementAsksItsQuestionFirst) {
    const char* const questions[] = {kIncomplete1, "利润表中数据输入不完整，是否忽略？",
                                     "现金流量表中数据输入不完整，是否忽略？",
                                     "统计报表中数据输入不完整，是否忽略？"};
    display(1, "2003", "2003", 0, 1);
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        form->tbsOptions->setSelectedIndex(n);
        grid(n)->setTextMatrix(1, 4, "5");
        grid(n)->setTextMatrix(2, 5, "abc");  // never reached after a No
        {
            ScriptedMsgBox box;
            box.answer(MsgResult::No);
            form->cmdSave->click();
            EXPECT_EQ(box.prompts(), std::vector<std::string>{questions[n - 1]});
            EXPECT_EQ(box.shown()[0].title, "警告");
        }
        // Yes goes on to the number check, which stops the save.
        {
            ScriptedMsgBox box;
            box.answer(MsgResult::Yes).answer(MsgResult::OK);
            form->cmdSave->click();
            ASSERT_EQ(box.prompts().size(), 2u);
            EXPECT_EQ(box.shown()[1].title, "错误");
        }
        grid(n)->setTextMatrix(2, 5, "");
        {
            ScriptedMsgBox box;
            box.answer(MsgResult::Yes);
            form->cmdSave->click();
            EXPECT_EQ(box.prompts(), std::vector<std::string>{questions[n - 1]});
        }
        EXPECT_EQ(storedCount(db, n), 1);
    }
}

// Refusing to ignore a failed identity shows the first failing period, and refusing to go on
// from there saves nothing.
TEST_F(ConsistencyChecksTest, ARefusedQuestionFlowSavesNothing) {
    display(2, "2003", "2003", 0, 3);
    for (int col = 4; col <= 7; ++col) setColumn(1, col, kBalanced);
    grid(1)->setTextMatrix(6, 5, "400");
    ScriptedMsgBox box;
    box.answer(MsgResult::No, 2);
    form->cmdSave->click();
    ASSERT_EQ(box.shown().size(), 2u);
    EXPECT_EQ(box.shown()[0].prompt, "'固定资产原值 > 固定资产净值'不成立，是否忽略？");
    EXPECT_EQ(box.shown()[0].title, "警告");
    EXPECT_EQ(box.shown()[1].prompt, "'" + grid(1)->TextMatrix(0, 5).toStdString() +
                                         "'的'固定资产原值 > 固定资产净值'不成立，是否继续检测？");
    EXPECT_EQ(box.shown()[1].title, "提示");
    EXPECT_EQ(storedCount(db, 1), 0);
}

}  // namespace
