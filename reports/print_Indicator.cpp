#include "reports/print_Indicator.h"

#include "core/CBaseDataDAO.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

namespace {

// Row number, name, unit, and the hidden ItemID column.
constexpr std::array<int, 4> kItemColWidths{180, 2940, 750, 0};

constexpr auto at = &OnInputRow;

const GridReportForm::Design& design() {
    static const GridReportForm::Design d{
        "print_Indicator",
        "打印－绩效指标",
        615,
        {.serial = at(840, 1335, 300),
         .fromYear = at(2880, 615, 270),
         .fromPeriod = at(3600, 1455, 300),
         .toYear = at(5640, 615, 270),
         .toPeriod = at(6360, 1455, 300)},
        {120, 2280, 5160},
        {"cmdDo", "确定", at(8520, 855, 300), true},
        {"doPrint", "打印", at(9600, 855, 300), true},
        {"Command1", "关闭", at(10680, 735, 315), true},
        180,
        11715,
        12,
        {{{"Label4", "获利能力", 720, 720, "MSFlexGrid1", 960, 1335, nullptr, 7},
          {"Label5", "营运能力", 2400, 720, "MSFlexGrid2", 2640, 1335, nullptr, 10},
          {"Label6", "发展能力", 4080, 720, "MSFlexGrid3", 4320, 1395, nullptr, 9},
          {"Label7", "贡献能力", 5760, 720, "MSFlexGrid4", 6000, 1395, nullptr, 9}}},
    };
    return d;
}

}  // namespace

print_Indicator::print_Indicator(QWidget* parent) : GridReportForm(design(), parent) {
    Command1 = closeButton();
}

void print_Indicator::fill(const PeriodRange& range, const CCalendar& calendar) {
    std::array<GroupValues, kSections> groups;
    {
        CBaseDataDAO dao;
        for (int g = 1; g <= kSections; ++g)
            for (const auto& item : dao.getIndicatorItem(static_cast<std::int16_t>(g)))
                if (item) groups[g - 1].items.push_back(*item);
    }
    calculator_.setInitValue(range.PeriodType, range.fromYear, range.toYear, range.fromPeriod,
                             range.toPeriod);
    for (GroupValues& group : groups)
        for (const IndicatorItem& item : group.items)
            group.values.push_back(calculator_.getIndicators(item.getItemID()));

    const std::vector<std::string> captions = calendar.GetLabelString();
    for (int g = 1; g <= kSections; ++g)
        fillIndicatorGrid(grid(g), groups[g - 1], captions, calendar.GetAmount());
}

void print_Indicator::fillIndicatorGrid(platform::FlexGrid* grid, const GroupValues& group,
                                        const std::vector<std::string>& captions, int periods) {
    using platform::Q;
    const int n = static_cast<int>(group.items.size());
    shapeGrid(grid, n + 1, kGridCols, 3);
    for (int c = 0; c < 4; ++c) grid->setColWidth(c, kItemColWidths[c]);
    grid->setTextMatrix(0, 0, " ");
    grid->setTextMatrix(0, 1, "项目");
    grid->setTextMatrix(0, 2, "单位");
    for (int k = 1; k <= periods; ++k) {
        grid->setTextMatrix(0, 3 + k, Q(platform::Trim(captions.at(k - 1))));
        grid->setColWidth(3 + k, kPeriodColWidth);
    }
    for (int i = 1; i <= n; ++i) {
        const IndicatorItem& item = group.items[i - 1];
        grid->setTextMatrix(i, 0, QString::number(i));
        grid->setTextMatrix(i, 1, Q(item.getItemName()));
        grid->setTextMatrix(i, 2, Q(item.getUnit()));
        grid->setTextMatrix(i, 3, QString::number(item.getItemID()));
        const std::vector<std::string>& values = group.values[i - 1];
        for (int k = 1; k <= periods; ++k) grid->setTextMatrix(i, 3 + k, Q(values.at(k - 1)));
    }
}
