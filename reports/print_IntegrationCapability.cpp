#include "reports/print_IntegrationCapability.h"

#include "analysis/ChartAutoSize.h"
#include "core/CBaseDataDAO.h"
#include "platform/EventGuard.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"

namespace {

constexpr int kGroups = 4;

constexpr int kLevelCaptionWidth = 540;
constexpr int kLevelListWidth = 1530;  // "历史最好水平" whole

ChartPages::Design design() {
    return {.name = "print_IntegrationCapability",
            .caption = "打印－能力趋势图",
            .frameLeft = 0,
            .toLabel = "到  ：",
            .toLabelWidth = 540,
            .ownWidth = kLevelCaptionWidth + kLevelListWidth,
            .gap = 60,
            .pagerWidth = 345,
            .okWidth = 615,
            .printWidth = 615,
            .closeWidth = 615,
            .chartCount = kGroups,
            .chartLeft = 240,
            .chartWidth = 11175};
}

// The chart titles; the operation group is called 营运 here.
QString titleOf(int group) {
    static const char* const kNames[] = {"综合获利能力", "综合营运能力", "综合发展能力",
                                         "综合贡献能力"};
    return "    " + QString::fromUtf8(kNames[group - 1]) + "    ";
}

}  // namespace

print_IntegrationCapability::print_IntegrationCapability(QWidget* parent)
    : ChartPages(design(), parent) {
    platform::MakeLabel(Frame1, "Label4", "基数：", ownInputsLeft(), 240, kLevelCaptionWidth, 375);
    cbLevel = platform::MakeControl<platform::ComboList>(
        Frame1, "cbLevel", ownInputsLeft() + kLevelCaptionWidth, 240, kLevelListWidth, 315);
    for (const char* level :
         {"历史最好水平", "基准水平", "行业平均水平", "行业先进水平", "国家标准", "国际水平"})
        cbLevel->AddItem(QString::fromUtf8(level));
    fitListsToItems();
    requestOnPick(cbLevel);
}

void print_IntegrationCapability::Form_Load() {
    loadPagesAndDefaults();
    cbLevel->setListIndex(0);
    for (int n = 1; n <= kGroups; ++n) {
        resetChart(*getChart(n));
        getChart(n)->setVisible(true);
    }
    setChartCount(kGroups);
    isLoaded = true;
}

void print_IntegrationCapability::resetChart(platform::MSChart& chart) {
    chart.setChartData(BlankChartRows(6, 1));
}

// A request is taken only as a whole: a refused range or a drawing that fails part-way leaves
// the range, the level and the charts as they were.
void print_IntegrationCapability::cmdDo_Click() {
    const auto checked = checkRange();
    if (!checked) return;
    drawRequest(*checked, cbLevel->ListIndex() + 1, [&] {
        cmd_Perious->setEnabled(false);
        cmd_Next->setEnabled(true);
        ClearChart();
        // One read of the range's base data serves the four groups.
        const PeriodRange& r = range();
        algorithm_.setInitValue(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);
        const std::vector<std::string> labels = periodLabels();
        for (int group = 1; group <= kGroups; ++group)
            drawCapabilityChart(group, labels, *getChart(group));
    });
}

// A group whose weights or bases are incomplete for the level still gets its chart, with the
// title and the period labels but no values.
void print_IntegrationCapability::drawCapabilityChart(int group,
                                                      const std::vector<std::string>& labels,
                                                      platform::MSChart& chart) {
    const QString title = titleOf(group);
    std::vector<std::string> values;
    CBaseDataDAO dao;
    const auto g = static_cast<std::int16_t>(group);
    const auto level = static_cast<std::int16_t>(this->level());
    if (dao.HasLevelWeight(g, level)) {
        values = algorithm_.CalIntegrationCapability(g, level);
    } else {
        platform::MsgBox("计算" + title.toStdString() + "所需的权重或基数不全，请检查其基准设置！");
        values.assign(periodCount() + 1, "");
    }
    ChartAutoSize(chart, *this, title, periodCount(), periodCount(), labels, values,
                  {.placeholder = " -", .widenedWidth = true});
}
