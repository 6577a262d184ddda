#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QValueAxis>

#include "platform/Fonts.h"
#include "platform/Form.h"
#include "platform/MSChart.h"

using platform::ChartRow;
using platform::MSChart;

namespace {

QChart* chartOf(MSChart& c) {
    return c.findChild<QChartView*>()->chart();
}

// Monthly captions from January 2003 on.
std::vector<ChartRow> months(int n, std::vector<std::optional<double>> values) {
    static const char* names[] = {"一月", "二月", "三月", "四月", "五月",   "六月",
                                  "七月", "八月", "九月", "十月", "十一月", "十二月"};
    std::vector<ChartRow> rows;
    for (int i = 0; i < n; ++i) {
        rows.push_back({QString::number(2003 + i / 12) + QString::fromUtf8(names[i % 12]),
                        i < static_cast<int>(values.size()) ? values[i] : std::nullopt});
    }
    return rows;
}

// The text the chart draws as its title (the topmost text), blanks and line breaks removed.
QString drawnTitle(MSChart& c) {
    const QGraphicsTextItem* title = nullptr;
    for (QGraphicsItem* item : chartOf(c)->scene()->items()) {
        const auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (text && text->isVisible() && !text->toPlainText().isEmpty() &&
            (!title || text->sceneBoundingRect().top() < title->sceneBoundingRect().top()))
            title = text;
    }
    if (!title) return {};
    return title->toPlainText().remove(QRegularExpression("[\\s\\x{00A0}\\x{2028}\\x{2029}]"));
}

// Saves the picture when KVT_GRAB_DIR names a folder, for looking at it.
void keep(MSChart& c, const char* name) {
    if (const char* dir = std::getenv("KVT_GRAB_DIR"))
        c.grab().save(QString(dir) + "/" + name + ".png");
}

class MSChartTest : public testing::Test {
  protected:
    void SetUp() override { platform::InstallFontSubstitutions(); }
    QWidget window;
};

TEST_F(MSChartTest, DataAndTitleReadBackAsAssigned) {
    auto* c = platform::MakeControl<MSChart>(&window, "myChart", 360, 720, 11055, 3795);
    const auto rows = months(3, {1.5, std::nullopt, -2});
    c->setChartData(rows);
    c->setTitleText("    2003年一月  至  2003年三月  净资产收益率    ");
    EXPECT_EQ(c->ChartData(), rows);
    EXPECT_EQ(c->TitleText(), "    2003年一月  至  2003年三月  净资产收益率    ");
    EXPECT_EQ(chartOf(*c)->title().replace(QChar(0x00A0), QChar(0x20)), c->TitleText());
    // Assigning replaces the whole data.
    c->setChartData(months(1, {7}));
    ASSERT_EQ(c->ChartData().size(), 1u);
    EXPECT_EQ(c->ChartData()[0].value, 7);
}

TEST_F(MSChartTest, GeometryInTwipsKeepsHalvesAndVisibility) {
    auto* c = platform::MakeControl<MSChart>(&window, "MSChart1", 360, 720, 11055, 3795);
    EXPECT_EQ(c->Left(), 360);
    EXPECT_EQ(c->Top(), 720);
    EXPECT_EQ(c->Width(), 11055);
    EXPECT_EQ(c->Height(), 3795);
    c->setWidth(2555);
    c->setLeft(4572.5f);
    EXPECT_EQ(c->Width(), 2555.0f);
    EXPECT_EQ(c->Left(), 4572.5f);
    EXPECT_EQ(c->x(), 305);
    EXPECT_EQ(c->width(), 170);
    c->setTop(0);
    c->setHeight(3795 + 615);
    EXPECT_EQ(c->Top(), 0);
    EXPECT_EQ(c->Height(), 4410);
    EXPECT_EQ(c->height(), 294);
    c->setVisible(false);
    EXPECT_FALSE(c->Visible());
    c->setVisible(true);
    EXPECT_TRUE(c->Visible());
    // Moved by other means, the control reports where it now is.
    c->move(10, 20);
    EXPECT_EQ(c->Left(), 150);
    EXPECT_EQ(c->Top(), 300);
}

TEST_F(MSChartTest, EmptyValuesBreakTheLineAndAreNeverZero) {
    auto* c = platform::MakeControl<MSChart>(&window, "myChart", 0, 0, 11055, 3795);
    c->setChartData(months(7, {3, 4, std::nullopt, 5, std::nullopt, std::nullopt, 6}));
    std::vector<int> runs;
    QList<QPointF> marked;
    for (QAbstractSeries* s : chartOf(*c)->series()) {
        if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
            marked = scatter->points();
        } else if (auto* line = qobject_cast<QLineSeries*>(s)) {
            runs.push_back(static_cast<int>(line->count()));
        }
    }
    EXPECT_EQ(runs, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(marked, (QList<QPointF>{{0, 3}, {1, 4}, {3, 5}, {6, 6}}));
    keep(*c, "chart7_gaps");
}

TEST_F(MSChartTest, ValueAxisFitsNegativeValues) {
    auto* c = platform::MakeControl<MSChart>(&window, "myChart", 0, 0, 11055, 3795);
    c->setChartData(months(7, {-35.5, -12, 8.25, std::nullopt, 20, -3, 14}));
    auto* y = qobject_cast<QValueAxis*>(chartOf(*c)->axes(Qt::Vertical).front());
    EXPECT_LE(y->min(), -35.5);
    EXPECT_GE(y->max(), 20);
    keep(*c, "chart7_negative");
    // Large amounts per employee over a year of months.
    c->setChartData(months(12, {123456.78, 98000, std::nullopt, 150321.5, 142000, 99000, 101000,
                                87000.25, 160000, 171234, 90000, 100000}));
    c->setTitleText("劳动生产率（销售收入）   (单位：   元/人)");
    EXPECT_GE(y->max(), 171234);
    keep(*c, "chart12_large");
    // Only gaps: an axis from 0 and nothing drawn, no crash.
    c->setChartData(months(7, {}));
    EXPECT_EQ(y->min(), 0);
    EXPECT_GT(y->max(), 0);
}

TEST_F(MSChartTest, ManyPeriodLabelsTurnAndThinToStayReadable) {
    auto* c = platform::MakeControl<MSChart>(&window, "MSChart1", 360, 720, 11055, 3795);
    c->setChartData(months(1, {12.34}));
    c->setWidth(2555);
    EXPECT_EQ(c->LabelAngle(), 0);
    keep(*c, "chart1");
    c->setWidth(11055);
    std::vector<std::optional<double>> values;
    for (int i = 0; i < 24; ++i)
        values.push_back(i == 5 ? std::nullopt : std::optional(i * 1.5 - 9));
    c->setChartData(months(24, values));
    c->setTitleText("利润增长率   (单位：   %)");
    EXPECT_NE(c->LabelAngle(), 0);
    // Turned labels stand at least a text line apart.
    const double spacing = (c->width() - 80) / 24.0 * c->LabelStep();
    EXPECT_GE(spacing, QFontMetrics(QFont("宋体", 9)).height());
    keep(*c, "chart24");
    // A narrow chart shows fewer labels rather than overlapping ones.
    c->setWidth(4000);
    EXPECT_GT(c->LabelStep(), 1);
    keep(*c, "chart24_narrow");
}

}  // namespace

namespace {

TEST_F(MSChartTest, ANarrowChartShowsItsWholeTitle) {
    // The narrowest charts the sizing rule gives: one or two periods under a long indicator
    // name, and a chart page under the longest name with its unit.
    const struct {
        float width;
        QString title;
    } cases[] = {
        {5100, "    2003年  至  2003年  经营活动产生的现金净流量增长率    "},
        {3565, "    2003年  至  2004年  净资产收益率    "},
        {2555, "    2003年十一月  至  2003年十二月  劳动生产率（销售收入）    "},
        {3000, "经营活动产生的现金净流量增长率   (单位：   %)"},
        {11055, "    2003年  至  2004年  研发(R&D)<费用>率    "},
        {2555, "    2003年  至  2004年  研发(R&D)<费用>率    "},
    };
    auto* c = platform::MakeControl<MSChart>(&window, "myChart", 0, 3120, 6375, 4095);
    c->setChartData(months(2, {1, 2}));
    window.resize(800, 600);
    window.show();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.title.toStdString());
        c->setTitleText(k.title);
        c->setWidth(k.width);
        EXPECT_EQ(c->TitleText(), k.title);
        EXPECT_EQ(drawnTitle(*c), QString(k.title).remove(' '));
        keep(*c, ("chart_title_" + std::to_string(static_cast<int>(k.width))).c_str());
    }
}

}  // namespace
