#include "reports/print_TrendDiagram.h"

#include <QLineEdit>

#include "analysis/ChartAutoSize.h"
#include "core/CBaseDataDAO.h"
#include "platform/EventGuard.h"

namespace {

constexpr int kCharts = 10;
constexpr int kGroupListWidth = 1200;  // "获利能力" whole

ChartPages::Design design() {
    return {.name = "print_TrendDiagram",
            .caption = "打印-指标趋势图",
            .frameLeft = 120,
            .toLabel = "到：",
            .toLabelWidth = 360,
            .ownWidth = kGroupListWidth,
            .gap = 105,
            .pagerWidth = 375,
            .okWidth = 855,
            .printWidth = 855,
            .closeWidth = 735,
            .chartCount = kCharts,
            .chartLeft = 360,
            .chartWidth = 11055};
}

// Charts per group: fixed, as the catalogue has 6, 9, 8 and 8 indicators.
int chartsOfGroup(int group) {
    static const int kCounts[] = {0, 6, 9, 8, 8};
    return group >= 1 && group <= 4 ? kCounts[group] : 0;
}

}  // namespace

print_TrendDiagram::print_TrendDiagram(QWidget* parent) : ChartPages(design(), parent) {
    cbCapability = platform::MakeControl<platform::ComboList>(
        Frame1, "cbCapability", ownInputsLeft(), 240, kGroupListWidth, 315);
    cbCapability->setEditable(true);
    cbCapability->setInsertPolicy(QComboBox::NoInsert);
    for (const char* group : {"获利能力", "营运能力", "发展能力", "贡献能力"})
        cbCapability->AddItem(QString::fromUtf8(group));
    fitListsToItems();
    requestOnPick(cbCapability);
}

void print_TrendDiagram::Form_Load() {
    loadPagesAndDefaults();
    cbCapability->setListIndex(0);
    for (int n = 1; n <= kCharts; ++n) resetChart(*getChart(n));
    for (int n = 3; n <= kCharts; ++n) getChart(n)->setVisible(false);
    isLoaded = true;
}

void print_TrendDiagram::resetChart(platform::MSChart& chart) {
    chart.setChartData(BlankChartRows(7, 0));
}

int print_TrendDiagram::chosenGroup() const {
    const int index = cbCapability->ListIndex();
    if (index < 0 || cbCapability->currentText() != cbCapability->List(index)) return 0;
    return index + 1;
}

// A request is taken only as a whole: a refused range, a typed-over group or a drawing that
// fails leaves the range, the group, the charts and the pages as they were.
void print_TrendDiagram::cmdDo_Click() {
    const auto checked = checkRange();
    if (!checked) return;
    const int group = chosenGroup();
    if (group == 0) return;
    drawRequest(*checked, group, [&] {
        setChartCount(chartsOfGroup(group));
        drawCharts();
    });
}

void print_TrendDiagram::drawCharts() {
    const PeriodRange& r = range();
    const std::vector<std::string> labels = periodLabels();
    CBaseDataDAO dao;
    const auto items = dao.getIndicatorItem(static_cast<std::int16_t>(category()));
    algorithm_.setInitValue(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (!items[i]) continue;
        const QString title = QString::fromStdString(items[i]->getItemName()) +
                              QString::fromUtf8("   (单位：   ") +
                              QString::fromStdString(items[i]->getUnit()) + ")";
        fillChart(i + 1, items[i]->getItemID(), title, labels);
    }
}

// A group with more indicators than charts draws the first ten.
void print_TrendDiagram::fillChart(int n, std::int16_t ItemID, const QString& title,
                                   const std::vector<std::string>& labels) {
    platform::MSChart* chart = getChart(n);
    if (!chart) return;
    const std::vector<std::string> values = algorithm_.getIndicators(ItemID);
    ChartAutoSize(*chart, *this, title, periodCount(), periodCount(), labels, values);
}
