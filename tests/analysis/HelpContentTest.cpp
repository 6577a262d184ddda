#include <gtest/gtest.h>

#include <QRegularExpression>

#include "analysis/HelpContent.h"
#include "analysis/LevelMeans.h"

namespace {

QString u(const char* s) {
    return QString::fromUtf8(s);
}

struct Expected {
    const char* name;
    int points;
};

// Headings and numbers of points by group, in ItemID order.
const std::vector<std::vector<Expected>> kGroups = {
    {{"净资产收益率", 3},
     {"总资产报酬率", 3},
     {"主营业务利润率", 3},
     {"资本收益率", 3},
     {"主营业务毛利率", 2},
     {"成本费用利润率", 4}},
    {{"资产负债率", 7},
     {"流动比率", 4},
     {"速动比率", 4},
     {"现金流动负债比率", 2},
     {"存货周转率", 4},
     {"应收账款周转率", 2},
     {"已获利息倍数", 4},
     {"产品销售率", 1},
     {"产品销售率", 1}},
    {{"销售收入(主营业务)增长率", 5},
     {"利润（总额）增长率", 2},
     {"总资产增长率", 2},
     {"资本保值增值率", 3},
     {"固定资产增长率", 4},
     {"固定资产成新率", 1},
     {"经营活动产生的现金净流量增长率", 2},
     {"研发费用率", 2}},
    {{"社会贡献率", 2},
     {"社会积累率", 1},
     {"劳动生产率", 2},
     {"劳动生产率", 2},
     {"劳动生产率", 2},
     {"劳动生产率", 2},
     {"劳动生产率", 2},
     {"人均收入（工资）", 1}},
};

TEST(HelpContentTest, EveryEntryHasItsHeadingAndNumberedPoints) {
    const std::vector<std::vector<QString>> groups = {GetProfitHelpTexts(), GetOperationHelpTexts(),
                                                      GetDevelopHelpTexts(),
                                                      GetContributeHelpTexts()};
    for (int g = 0; g < 4; ++g) {
        ASSERT_EQ(groups[g].size(), kGroups[g].size());
        EXPECT_EQ(GetHelpTexts(g + 1), groups[g]);
        for (std::size_t i = 0; i < groups[g].size(); ++i) {
            const QString& text = groups[g][i];
            SCOPED_TRACE(text.toStdString());
            const QString heading = "    " + u(kGroups[g][i].name) + u("--说明:") + "     ";
            ASSERT_TRUE(text.startsWith(heading + "1. "));
            // Points 1..n in order, each ended by at most six blanks, and no point n + 1.
            qsizetype at = heading.size();
            for (int k = 2; k <= kGroups[g][i].points; ++k) {
                const qsizetype next = text.indexOf(QString::number(k) + ". ", at);
                ASSERT_GT(next, at) << "point " << k;
                int blanks = 0;
                while (text[next - 1 - blanks] == ' ') ++blanks;
                EXPECT_LE(blanks, 6);
                at = next;
            }
            EXPECT_EQ(text.indexOf(QString::number(kGroups[g][i].points + 1) + ". ", at), -1);
            EXPECT_EQ(GetIndicatorHelpText((g + 1) * 1000 + static_cast<int>(i) + 1), text);
        }
    }
    const auto receivables = GetOperationHelpTexts()[5];
    EXPECT_LT(receivables.indexOf("a. "), receivables.indexOf("b. "));
    EXPECT_LT(receivables.indexOf("b. "), receivables.indexOf("c. "));
    EXPECT_TRUE(GetProfitHelpTexts()[0].endsWith(u("没有折算为年率。")));  // the closing sentence
}

TEST(HelpContentTest, SharedEntriesServeSeveralRowsAndOthersDiffer) {
    const auto operation = GetOperationHelpTexts();
    EXPECT_EQ(operation[7], operation[8]);
    const auto contribute = GetContributeHelpTexts();
    for (int i = 3; i <= 6; ++i) EXPECT_EQ(contribute[i], contribute[2]);
    EXPECT_NE(contribute[1], contribute[2]);
    EXPECT_NE(contribute[7], contribute[2]);
    EXPECT_TRUE(GetIndicatorHelpText(1007).isEmpty());
    EXPECT_TRUE(GetIndicatorHelpText(5001).isEmpty());
    EXPECT_TRUE(GetIndicatorHelpText(0).isEmpty());
    EXPECT_TRUE(GetHelpTexts(5).empty());
    EXPECT_TRUE(GetSummary(0).isEmpty());
}

TEST(HelpContentTest, QuotedPointsStandAsWritten) {
    const auto operation = GetOperationHelpTexts();
    const auto develop = GetDevelopHelpTexts();
    const auto contribute = GetContributeHelpTexts();
    const std::vector<std::pair<QString, const char*>> quoted = {
        {operation[0], "3. 这一比率越小，表明企业的长期偿债能力越强，指标值以50%为宜。"},
        {operation[0], "4. 预警：如果资产负债率>1，说明企业已经资不抵债，有濒临倒闭的危险。"},
        {operation[1],
         "3. 该指标值，一般以2为宜，表明企业财务状况稳定可靠，除了满足日常生产经营的流动资金需求外"
         "，还有足够的财力偿付到期短期债务。"},
        {operation[2], "4. 该指标值，一般以1为宜。"},
        {operation[6], "3. 该指标通常越高越好，至少应该大于1。"},
        {operation[6],
         "4. 预警：如果已获利息倍数<1,说明企业存在严重的债务危机，不但没有还本的能力，连偿还分期利"
         "息都有困难。"},
        {contribute[0],
         "2. 注：社会贡献总额包括工资总额、统筹及福利、利息支出、应交各种税金及净利润。"},
    };
    for (const auto& [text, point] : quoted) EXPECT_TRUE(text.contains(u(point))) << point;
    // Short entries hold nothing after their heading but the one point.
    const std::vector<std::pair<QString, const char*>> whole = {
        {operation[7],
         "    产品销售率--说明:     1. 该指标反映工业产品已实现销售的程度，是分析工业企业产销衔接情"
         "况，研究工业产品满足社会需求的指标。"},
        {develop[5], "    固定资产成新率--说明:     1. 反映企业的设备及其他固定资产的新旧程度。"},
        {contribute[1],
         "    社会积累率--说明:     1. 反映企业向国家上交税金占企业为社会创造贡献的比率。"},
    };
    for (const auto& [text, expected] : whole) EXPECT_EQ(text, u(expected));
}

// Runs of two or more blanks after the ten opening ones.
std::vector<int> blankRuns(const QString& text) {
    std::vector<int> runs;
    QRegularExpression re("  +");
    for (auto it = re.globalMatch(text.mid(10)); it.hasNext();) {
        runs.push_back(static_cast<int>(it.next().capturedLength()));
    }
    return runs;
}

TEST(HelpContentTest, SummariesOpenWithTheirWordsAndSplitIntoTheirParagraphs) {
    struct Case {
        QString text;
        const char* opening;
        std::vector<int> runs;
    };
    const std::vector<Case> cases = {
        {GetProfitSummary(), "获利能力是反映一个企业经营业绩的最主要方面。", {7}},
        {GetOperationSummary(), "运营能力是了解企业管理水平最直接的途径", {15}},
        {GetDevelopSummary(), "发展能力用来评价企业未来发展的基础是否坚固", {}},
        {GetContributeSummary(),
         "贡献能力是用来评价企业劳动效率高低和为社会、员工承担责任大小的",
         {9}},
        {GetDupontText(),
         "杜邦财务分析体系（The Du Pont System）是一种比较实用的财务比率分析体系。",
         {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(cases[i].text.startsWith(QString(10, ' ') + u(cases[i].opening)));
        EXPECT_EQ(blankRuns(cases[i].text), cases[i].runs);
        EXPECT_FALSE(cases[i].text.endsWith(' '));
        if (i < 4) {
            EXPECT_EQ(GetSummary(static_cast<int>(i) + 1), cases[i].text);
        }
    }
    EXPECT_TRUE(GetDupontText().contains(u("净资产收益率")));
}

TEST(LevelMeansTest, SixMeaningsInLevelOrderEachAfterSevenBlanks) {
    const char* openings[] = {
        "将各项与历史最好水平比较",
        "将各项指标与基准水平比较",
        "将各项指标与行业平均水平比较",
        "以行业领头企业为标杆，将各项指标与行业领先水平比较",
        "国家以国家标准、规定等形式确定特殊行业的经营绩效标准。",
        "中国企业要参与国际市场的竞争，就要了解国际上同类型企业的经营绩效指标标准"};
    const auto means = GetLevelMeans();
    ASSERT_EQ(means.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(means[i].startsWith(QString(7, ' ') + u(openings[i]))) << i;
}

TEST(HelpContentTest, EveryCallReturnsAFreshCopy) {
    auto texts = GetProfitHelpTexts();
    const QString original = texts[0];
    texts[0] = "changed";
    EXPECT_EQ(GetProfitHelpTexts()[0], original);
    auto means = GetLevelMeans();
    const QString level = means[2];
    means[2].clear();
    EXPECT_EQ(GetLevelMeans()[2], level);
}

}  // namespace
