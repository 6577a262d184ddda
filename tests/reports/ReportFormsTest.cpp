// The two printed grid reports on a temporary database and the recording printer: what the
// grids show, the exact page, refused requests, and prints that fail part-way.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <memory>

#include "reports/print_Indicator.h"
#include "reports/print_baseData.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/reports/PageSupport.h"

using platform::MsgResult;

namespace {

// The left rules of the printed columns, from x 20: 180, 2940, 750 and seven periods of 990.
const std::vector<int> kIndicatorXs = {20,   200,  3140, 3890, 4880, 5870,
                                       6860, 7850, 8840, 9830, 10820};
// 270, 2940, 500 and seven periods of 990.
const std::vector<int> kBaseDataXs = {20,   290,  3230, 3730, 4720, 5710,
                                      6700, 7690, 8680, 9670, 10660};

// The vertical rules of the table row whose text stands at y, left to right.
std::vector<int> RuleXs(const std::vector<std::string>& page, int y) {
    std::vector<int> xs;
    for (const std::string& l : page) {
        int x1, y1, x2, y2;
        if (std::sscanf(l.c_str(), "L %d %d %d %d", &x1, &y1, &x2, &y2) == 4 && x1 == x2 &&
            y1 == y - 80 && y2 == y + 220)
            xs.push_back(x1);
    }
    return xs;
}

template <typename Form>
class ReportFixture : public testing::Test {
  protected:
    void SetUp() override {
        platform::Printer::Default().setFontBold(false);
        form = std::make_unique<Form>();
        form->Show();
    }

    // A request the window accepts: years from..to.
    void request(const char* from, const char* to) {
        EnterRange(form->panel, 0, from, to);
        form->cmdDo->click();
    }
    std::vector<std::string> print() {
        platform::RecordingPrinter printer;
        form->doPrint->click();
        return Page(printer);
    }
    QString cell(int k, int r, int c) const { return form->grid(k)->TextMatrix(r, c); }

    TestDb db;
    std::unique_ptr<Form> form;
};

using IndicatorReport = ReportFixture<print_Indicator>;
using BaseDataReport = ReportFixture<print_baseData>;

// Amounts of 2002 and 2003 from which a few indicators of 2003 follow by hand.
void StoreIndicatorData(const TestDb& db) {
    db.putData(108, 1, 2003, 1, 1000);  // 资产总额
    db.putData(110, 1, 2003, 1, 400);   // 负债总额: 资产负债率 400 / 1000 = 40.00 %
    db.putData(201, 1, 2002, 1, 1000);  // 主营业务收入
    db.putData(201, 1, 2003, 1, 1200);  // 销售收入增长率 200 / 1000 = 20.00 %
    db.putData(207, 1, 2003, 1, 150);   // 利润总额: 主营业务利润率 150 / 1200 = 12.50 %
    db.putData(209, 1, 2003, 1, 90);    // 净利润
    db.putData(112, 1, 2002, 1, 600);  // 所有者权益: 净资产收益率 90 / ((900 + 600) / 2)
    db.putData(112, 1, 2003, 1, 900);  //   = 12.00 %
}

TEST_F(IndicatorReport, LoadShowsTheDesignGridsAndPrintingWaitsForTheFirstFill) {
    EXPECT_EQ(form->Caption(), "打印－绩效指标");
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 9000);
    EXPECT_EQ(form->panel->cbSerial->Text(), "年");
    EXPECT_EQ(form->panel->txtFromYear->text(), "2003");
    EXPECT_EQ(form->panel->txtToYear->text(), "2005");
    const int rows[] = {7, 10, 9, 9};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(form->grid(k)->Rows(), rows[k - 1]);
        EXPECT_EQ(form->grid(k)->Cols(), 12);
    }
    EXPECT_FALSE(form->doPrint->isEnabled());
    EXPECT_TRUE(print().empty());
}

TEST_F(IndicatorReport, AFillShowsEveryGroupWithItsValuesPerPeriod) {
    StoreIndicatorData(db);
    request("2000", "2006");
    EXPECT_TRUE(form->doPrint->isEnabled());
    const int indicators[] = {6, 9, 8, 8};
    for (int k = 1; k <= 4; ++k) {
        platform::FlexGrid* g = form->grid(k);
        EXPECT_EQ(g->Rows(), indicators[k - 1] + 1);
        EXPECT_EQ(g->Cols(), 11);
        EXPECT_EQ(g->FixedCols(), 3);
        EXPECT_EQ(g->ColWidth(3), 0);
        EXPECT_EQ(g->ColWidth(10), 990);
        EXPECT_EQ(cell(k, 0, 4), "2000年");
        EXPECT_EQ(cell(k, 0, 10), "2006年");
    }
    EXPECT_EQ(cell(1, 0, 1), "项目");
    EXPECT_EQ(cell(1, 0, 2), "单位");
    EXPECT_EQ(cell(1, 1, 0), "1");
    EXPECT_EQ(cell(1, 1, 1), "净资产收益率");
    EXPECT_EQ(cell(1, 1, 2), "%");
    EXPECT_EQ(cell(1, 1, 3), "1001");
    EXPECT_EQ(cell(1, 1, 7), "12.00");
    EXPECT_EQ(cell(1, 3, 7), "12.50");
    EXPECT_EQ(cell(1, 3, 6), "-");  // no profit stored for 2002
    EXPECT_EQ(cell(2, 1, 7), "40.00");
    EXPECT_EQ(cell(3, 1, 7), "20.00");
    EXPECT_EQ(cell(3, 1, 6), "-");  // 2001 has no sales to grow from
    EXPECT_EQ(cell(4, 8, 1), "人均收入");
    EXPECT_EQ(cell(4, 8, 3), "4008");
}

TEST_F(IndicatorReport, ThePageHasTheTitleFourHeadedTablesAndTheFooter) {
    StoreIndicatorData(db);
    db.exec("update defaultParameter set valueFrom = '东方机械厂' where paramCd = 'cpyName'");
    request("2000", "2006");
    const std::vector<std::string> page = print();
    // Title 1 + rule 1, headings 4, 35 rows of 10 boxed cells and a right rule, 4 bottom
    // rules, footer rule and text, end.
    EXPECT_EQ(page.size(), 2u + 4 + 35 * 31 + 4 + 2 + 1);
    EXPECT_EQ(page.front(), "T 20 800 9 N 东方机械厂     2000年  至  2006年  经营数据表");
    EXPECT_TRUE(Has(page, "L 20 1100 11260 1100"));
    const std::vector<std::string> headings = {"T 20 1300 12 B 获利能力", "T 20 4100 12 B 营运能力",
                                               "T 20 7800 12 B 发展能力",
                                               "T 20 11200 12 B 贡献能力"};
    for (const std::string& h : headings) EXPECT_TRUE(Has(page, h)) << h;
    // First row, last row and bottom rule of each table.
    const int firstRow[] = {1700, 4500, 8200, 11600};
    const int lastRow[] = {3500, 7200, 10600, 14000};
    const int bottom[] = {3720, 7420, 10820, 14220};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_TRUE(Has(page, "T 200 " + std::to_string(firstRow[k]) + " 9 B 项目"));
        EXPECT_EQ(RuleXs(page, firstRow[k]), kIndicatorXs);
        EXPECT_EQ(RuleXs(page, lastRow[k]), kIndicatorXs);
        EXPECT_TRUE(
            Has(page, "L 20 " + std::to_string(bottom[k]) + " 10820 " + std::to_string(bottom[k])));
    }
    EXPECT_TRUE(Has(page, "T 6860 2000 9 N 12.00"));  // 净资产收益率 2003
    EXPECT_TRUE(Has(page, "T 6860 2600 9 N 12.50"));  // 主营业务利润率 2003
    EXPECT_TRUE(Has(page, "T 5870 2600 9 N -"));
    EXPECT_TRUE(Has(page, "T 6860 4800 9 N 40.00"));  // 资产负债率 2003
    EXPECT_TRUE(Has(page, "T 6860 8500 9 N 20.00"));  // 销售收入增长率 2003
    EXPECT_TRUE(Has(page, "T 200 14000 9 N 人均收入"));
    const float width = platform::Printer::Default().Width();
    EXPECT_EQ(page[page.size() - 3],
              "L 20 15500 " + std::to_string(std::lround(20 + width)) + " 15500");
    EXPECT_EQ(page[page.size() - 2], "T 20 15510 8 N Pravelta");
    EXPECT_EQ(page.back(), "END");
}

TEST_F(IndicatorReport, ARefusedRequestLeavesTheGridsAndTheTitleOfTheLastFill) {
    StoreIndicatorData(db);
    request("2000", "2006");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK, 2);
    request("2000", "2007");  // 8 periods
    EnterRange(form->panel, 0, "2009", "2004");
    form->cmdDo->click();
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{"选择周期不能大于7，否则数据量太大", "起始年大于截至年"}));
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
    EXPECT_EQ(cell(1, 0, 4), "2000年");
    EXPECT_EQ(cell(1, 1, 7), "12.00");
    EXPECT_EQ(print().front(), "T 20 800 9 N      2000年  至  2006年  经营数据表");
}

TEST_F(IndicatorReport, PeriodColumnsPastTheRangeAreEmptyRuledColumnsOfTheirEarlierWidth) {
    request("2003", "2005");
    // Never filled: the grid's default width of 900 for columns 7 to 10.
    std::vector<std::string> page = print();
    const std::vector<int> narrow = {20,   200,  3140, 3890, 4880, 5870,
                                     6860, 7760, 8660, 9560, 10460};
    EXPECT_EQ(RuleXs(page, 1700), narrow);
    EXPECT_TRUE(Has(page, "T 6860 1700 9 B "));  // an empty header over an empty column
    EXPECT_TRUE(Has(page, "L 20 3720 10460 3720"));

    request("2000", "2006");
    request("2003", "2005");
    EXPECT_EQ(cell(1, 0, 7), "");
    EXPECT_EQ(cell(1, 1, 7), "");
    page = print();
    EXPECT_EQ(RuleXs(page, 1700), kIndicatorXs);  // 990 kept from the 7-period fill
}

TEST_F(IndicatorReport, AGroupWithoutIndicatorsPrintsItsHeaderRowAndLeavesTheFooterBold) {
    db.exec("delete from indicatorItem where Category = 4");
    request("2000", "2006");
    EXPECT_EQ(form->grid(4)->Rows(), 1);
    const std::vector<std::string> page = print();
    EXPECT_TRUE(Has(page, "T 200 11600 9 B 项目"));
    EXPECT_TRUE(Has(page, "L 20 11820 10820 11820"));  // bottom rule 220 below the header
    EXPECT_EQ(page[page.size() - 2], "T 20 15510 8 B Pravelta");
}

TEST_F(IndicatorReport, APrintFailingPartWayIsAbandonedAndReported) {
    request("2000", "2006");
    platform::RecordingPrinter printer;
    printer.failAfter(100);
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->doPrint->click();
    const std::vector<std::string> page = Page(printer);
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_FALSE(box.shown()[0].prompt.empty());
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
    EXPECT_FALSE(Has(page, "END"));
    EXPECT_EQ(page.back(), "KILL");
    EXPECT_TRUE(form->doPrint->isEnabled());
}

TEST_F(IndicatorReport, ARequestWhoseReadFailsChangesNothing) {
    request("2000", "2006");
    std::filesystem::remove(db.path());
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    request("2003", "2005");
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_NE(box.shown()[0].prompt.find("db.mdb"), std::string::npos) << box.shown()[0].prompt;
    EXPECT_EQ(cell(1, 0, 4), "2000年");
    EXPECT_EQ(form->range().fromYear, 2000);
}

TEST_F(BaseDataReport, LoadShowsSixteenEmptyRowsAndKeepsTheWindowSize) {
    EXPECT_EQ(form->Caption(), "打印-基础数据");
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 9000);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(form->grid(k)->Rows(), 16);
        EXPECT_EQ(form->grid(k)->Cols(), 14);
        EXPECT_EQ(form->grid(k)->ColWidth(0), 0);
    }
    EXPECT_FALSE(form->doPrint->isEnabled());
    form->setWidth(8000);
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 9000);
}

// Amounts whose text shows the general number format: 12.50 as 12.5.
void StoreBaseData(const TestDb& db) {
    db.putData(101, 1, 2000, 1, 12.50);  // 货币资金, row 1 of the balance sheet
    db.putData(112, 1, 2006, 1, 0.10);   // 所有者权益, row 12
    db.putData(201, 1, 2003, 1, 100);    // 主营业务收入
    db.putData(409, 1, 2001, 1, -20);    // 职工人数, row 9 of the statistics
    db.putData(101, 2, 2003, 1, 555);    // another period type
    db.putData(101, 1, 2007, 1, 777);    // past the range
}

TEST_F(BaseDataReport, AFillShowsTheStoredAmountsInTheirItemAndPeriod) {
    StoreBaseData(db);
    request("2000", "2006");
    EXPECT_TRUE(form->doPrint->isEnabled());
    const int items[] = {12, 9, 4, 9};
    for (int k = 1; k <= 4; ++k) {
        platform::FlexGrid* g = form->grid(k);
        EXPECT_EQ(g->Rows(), items[k - 1] + 1);
        EXPECT_EQ(g->Cols(), 11);
        EXPECT_EQ(g->FixedCols(), 4);
        EXPECT_EQ(g->ColWidth(0), 0);
        EXPECT_EQ(g->ColWidth(10), 990);
        EXPECT_EQ(cell(k, 0, 3), "单位");
        EXPECT_EQ(cell(k, 0, 10), "2006年");
    }
    EXPECT_EQ(cell(1, 0, 2), "项目");
    EXPECT_EQ(cell(2, 0, 2), "项目 ");
    EXPECT_EQ(cell(1, 1, 0), " 101");
    EXPECT_EQ(cell(1, 1, 1), "1");
    EXPECT_EQ(cell(1, 1, 2), "货币资金");
    EXPECT_EQ(cell(1, 1, 3), "万元");
    EXPECT_EQ(cell(1, 1, 4), "12.5");
    EXPECT_EQ(cell(1, 1, 5), "");  // nothing stored: no 0, no -
    EXPECT_EQ(cell(1, 12, 10), "0.1");
    EXPECT_EQ(cell(2, 1, 7), "100");
    EXPECT_EQ(cell(4, 9, 2), "职工人数");
    EXPECT_EQ(cell(4, 9, 5), "-20");
    int filled = 0;
    for (int k = 1; k <= 4; ++k)
        for (int r = 1; r < form->grid(k)->Rows(); ++r)
            for (int c = 4; c <= 10; ++c) filled += cell(k, r, c).isEmpty() ? 0 : 1;
    EXPECT_EQ(filled, 4);
}

TEST_F(BaseDataReport, AQuarterRangeOverAYearEndTakesExactlyItsOwnQuarters) {
    // 2003 third quarter to 2005 second quarter: 8 quarters are too many, so to 2004 fourth.
    for (int year : {2002, 2003, 2004, 2005})
        for (int q = 1; q <= 4; ++q) db.putData(101, 3, year, q, year * 10 + q);
    EnterRange(form->panel, 2, "2003", "2004", 2, 3);
    form->cmdDo->click();
    const std::vector<QString> expected = {"20033", "20034", "20041", "20042",
                                           "20043", "20044", ""};
    for (int c = 4; c <= 10; ++c) EXPECT_EQ(cell(1, 1, c), expected[c - 4]) << c;
    EXPECT_EQ(cell(1, 0, 4), "2003三季度");
    EXPECT_EQ(cell(1, 0, 9), "2004四季度");
}

TEST_F(BaseDataReport, ThePageHasTheTitleFourStatementTablesAndTheFooter) {
    StoreBaseData(db);
    request("2000", "2006");
    const std::vector<std::string> page = print();
    // 38 rows of 10 boxed cells (the ItemId column is hidden) and a right rule.
    EXPECT_EQ(page.size(), 2u + 4 + 38 * 31 + 4 + 2 + 1);
    // No company name: the title begins with the blank and the range caption.
    EXPECT_EQ(page.front(), "T 20 800 9 N      2000年  至  2006年  经营数据表");
    EXPECT_EQ(page[1], "L 20 1100 11260 1100");
    for (const char* h : {"T 20 1300 12 B 资产负债表", "T 20 5900 12 B 损益表",
                          "T 20 9600 12 B 现金流量表", "T 20 11800 12 B 统计报表"})
        EXPECT_TRUE(Has(page, h)) << h;
    const int firstRow[] = {1700, 6300, 10000, 12200};
    const int lastRow[] = {5300, 9000, 11200, 14900};
    const int bottom[] = {5520, 9220, 11420, 15120};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(RuleXs(page, firstRow[k]), kBaseDataXs);
        EXPECT_EQ(RuleXs(page, lastRow[k]), kBaseDataXs);
        EXPECT_TRUE(
            Has(page, "L 20 " + std::to_string(bottom[k]) + " 10660 " + std::to_string(bottom[k])));
    }
    EXPECT_TRUE(Has(page, "T 290 1700 9 B 项目"));
    EXPECT_TRUE(Has(page, "T 20 2000 9 N 1"));  // the hidden ItemId column is not printed
    EXPECT_TRUE(Has(page, "T 3730 2000 9 N 12.5"));
    EXPECT_TRUE(Has(page, "T 9670 5300 9 N 0.1"));
    EXPECT_TRUE(Has(page, "T 6700 6600 9 N 100"));
    EXPECT_TRUE(Has(page, "T 4720 14900 9 N -20"));
    EXPECT_TRUE(Has(page, "T 290 14900 9 N 职工人数"));
    EXPECT_EQ(page[page.size() - 2], "T 20 15510 8 N Pravelta");
    EXPECT_EQ(page.back(), "END");
}

TEST_F(BaseDataReport, PeriodColumnsPastTheRangePrintAsEmptyRuledColumns) {
    request("2004", "2006");
    EXPECT_EQ(cell(1, 0, 7), "");
    EXPECT_EQ(form->grid(1)->ColWidth(7), 990);
    const std::vector<std::string> page = print();
    EXPECT_EQ(RuleXs(page, 1700), kBaseDataXs);
    EXPECT_TRUE(Has(page, "T 3730 1700 9 B 2004年"));
    EXPECT_TRUE(Has(page, "T 6700 1700 9 B "));
    EXPECT_TRUE(Has(page, "L 20 5520 10660 5520"));
}

TEST_F(BaseDataReport, ATableRunningPastTheLastTwipIsAnOverflowAndAbandonsThePrint) {
    // 80 more statistics lines push the last table past y 32767.
    for (int id = 410; id < 490; ++id)
        db.exec("insert into baseItem(ItemId,ItemName,Category,Unit) values(?,'附加',4,'元')",
                {std::int64_t(id)});
    request("2000", "2006");
    EXPECT_EQ(form->grid(4)->Rows(), 90);
    platform::RecordingPrinter printer;
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->doPrint->click();
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"溢出"});
    const std::vector<std::string> page = Page(printer);
    EXPECT_FALSE(Has(page, "END"));
    EXPECT_EQ(page.back(), "KILL");
}

}  // namespace
