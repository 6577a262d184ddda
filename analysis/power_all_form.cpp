#include "analysis/power_all_form.h"

#include <QLabel>

#include "analysis/ChartAutoSize.h"
#include "analysis/InfoLabel.h"
#include "analysis/LevelMeans.h"
#include "analysis/PeriodInputRow.h"
#include "core/CBaseAlgroithm.h"
#include "core/CBaseDataDAO.h"
#include "core/CCalendar.h"
#include "core/Utils.h"
#include "platform/storage/Database.h"
#include "platform/EventGuard.h"
#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

using platform::MakeControl;

namespace {

constexpr int kWidth = 11900;
constexpr int kHeight = 7900;

// The period lists are 1200 wide so that "第一季度" shows whole; what follows each list moves
// right by as much.
const PeriodInputRow::Design kInputRow(
    QSize(11775, 735), PeriodRangePanel::Config::Range(power_all_form::kPeriodLimit),
    {OnInputRow(840, 855, 315), OnInputRow(2400, 615, 300), OnInputRow(3120, 1200, 315),
     OnInputRow(4905, 615, 270), OnInputRow(5625, 1200, 315)},
    {.ok = 9450, .close = 10890});

const char* const kLevels[] = {"历史最好水平", "基准水平", "行业平均水平",
                               "行业先进水平", "国家标准", "国际水平"};

// Shown when a group's weights or benchmarks for the chosen level are incomplete.
const char* const kIncompleteWeights[] = {
    "计算“获利能力”所需的权重或基数不全，请检查基准设置！",
    "计算“运营能力”所需的权重或基数不全，请检查基准设置！",
    "计算“发展能力”所需的权重或基数不全，请检查基准设置！",
    "计算“贡献能力”所需的权重或基数不全，请检查基准设置！",
};

// A score as the grid shows it: the shortest text of its number (85.50 shows 85.5), or " -".
QString scoreCell(const std::vector<std::string>& scores, int i) {
    const std::string s =
        i < static_cast<int>(scores.size()) ? platform::Trim(scores[i]) : std::string();
    return platform::IsNumeric(s) ? platform::Q(platform::NumToText(platform::CDbl(s)))
                                  : QString(" -");
}

}  // namespace

power_all_form::power_all_form(QWidget* parent) : Form("power_all_form", parent) {
    setCaption("能力趋势");
    createControls();
}

void power_all_form::createControls() {
    const PeriodInputRow row(this, kInputRow, [this] { cmdDo_Click(); });
    std::tie(Frame1, panel, cmdDo, std::ignore, Command1) = row.controls();
    QLabel* levelCaption = platform::MakeLabel(Frame1, "Label4", "基数：", 7050, 240, 615, 375);
    levelCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // in line with the other captions
    cbLevel = MakeControl<platform::ComboList>(Frame1, "cbLevel", 7890, 240, 1455, 315);
    for (const char* level : kLevels) cbLevel->AddItem(level);
    connect(cbLevel, &platform::ComboList::Click, this,
            [this] { platform::RunGuarded([this] { cbLevel_Click(); }); });
    // The level list comes before the buttons when tabbing, as it stands before them.
    QWidget::setTabOrder(cbLevel, cmdDo);
    QWidget::setTabOrder(cmdDo, Command1);

    MSFlexGrid1 = MakeControl<platform::FlexGrid>(this, "MSFlexGrid1", 0, 960, 11715, 1515);
    MSFlexGrid1->setFont(platform::SongFont(9));
    MSFlexGrid1->setRows(5);
    MSFlexGrid1->setCols(12);
    connect(MSFlexGrid1, &platform::FlexGrid::Click, this,
            [this] { platform::RunGuarded([this] { MSFlexGrid1_Click(); }); });

    myChart = MakeControl<platform::MSChart>(this, "myChart", 120, 2640, 6705, 4575);
    myChart->hide();

    Info_Frame = MakeControl<QGroupBox>(this, "Info_Frame", 120, 2760, 11535, 3975);
    Info_Label = MakeInfoLabel(Info_Frame, 720, 480, 10170, 600);
}

void power_all_form::Form_Load() {
    isLoaded_ = false;
    setHeight(kHeight);
    setWidth(kWidth);
    // A failing read fails the opening: the window is not shown half-prepared.
    panel->FillDefaults();
    cbLevel->setListIndex(0);
    ShowLevelMeaning();
    isLoaded_ = true;
}

void power_all_form::cmdDo_Click() {
    CCalendar calendar;
    const std::optional<PeriodRange> checked = panel->Check(calendar);
    if (!checked) return;
    FillCapabilityGrid(*checked, static_cast<std::int16_t>(cbLevel->ListIndex() + 1), calendar);
    ShowLevelMeaning();
}

void power_all_form::cbLevel_Click() {
    if (isLoaded_) cmdDo_Click();
}

void power_all_form::FillCapabilityGrid(const PeriodRange& r, std::int16_t level,
                                        const CCalendar& calendar) {
    const int count = calendar.GetAmount();
    CBaseAlgroithm algorithm;
    algorithm.setInitValue(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);
    std::array<std::vector<std::string>, kGroups> scores;
    {
        CBaseDataDAO dao;
        for (int g = 1; g <= kGroups; ++g) {
            if (dao.HasLevelWeight(static_cast<std::int16_t>(g), level)) {
                scores[g - 1] =
                    algorithm.CalIntegrationCapability(static_cast<std::int16_t>(g), level);
            } else {
                platform::MsgBox(kIncompleteWeights[g - 1]);
                scores[g - 1].assign(static_cast<std::size_t>(count) + 1, std::string());
            }
        }
    }
    std::vector<std::string> labels = calendar.GetLabelString();
    labels.resize(static_cast<std::size_t>(count));

    // Everything is computed: the window takes the request and its result together.
    range_ = r;
    level_ = level;
    periodCount_ = count;
    periodLabels_ = std::move(labels);
    groupScores_ = std::move(scores);

    platform::FlexGrid* g = MSFlexGrid1;
    g->setFixedRows(1);
    g->setFixedCols(1);
    g->setCols(count + 1);
    g->setColWidth(0, 1500);
    for (int row = 0; row <= kGroups; ++row)
        for (int col = 0; col <= count; ++col) g->setTextMatrix(row, col, " ");
    for (int row = 1; row <= kGroups; ++row)
        g->setTextMatrix(row, 0, platform::Q(" " + Utils::GetCapabilityName(row)));
    for (int i = 0; i < count; ++i) {
        g->setTextMatrix(0, i + 1, platform::Q(periodLabels_[i]));
        g->setColWidth(i + 1, 1140);
        for (int row = 1; row <= kGroups; ++row)
            g->setTextMatrix(row, i + 1, scoreCell(groupScores_[row - 1], i));
    }
}

void power_all_form::MSFlexGrid1_Click() {
    // Before the first fill there is nothing to chart.
    if (periodCount_ == 0) return;
    const int row = MSFlexGrid1->Row();
    if (row < 1 || row > kGroups || MSFlexGrid1->Col() != 1) return;
    DrawCapabilityChart(row, platform::TrimQ(MSFlexGrid1->TextMatrix(row, 0)));
}

void power_all_form::DrawCapabilityChart(int row, const QString& rowName) {
    const QString title = TrendChartTitle(range_, rowName);
    ChartAutoSize(*myChart, *this, title, periodCount_, periodCount_, periodLabels_,
                  groupScores_[row - 1]);
    myChart->show();
    Info_Frame->hide();
}

void power_all_form::ShowLevelMeaning() {
    myChart->hide();
    const std::vector<QString> means = GetLevelMeans();
    const int index = cbLevel->ListIndex();
    Info_Label->setCaption(index >= 0 && index < static_cast<int>(means.size()) ? means[index]
                                                                                : QString());
    platform::SetTwipsGeometry(
        Info_Frame, platform::TwipsLeft(Info_Frame), platform::TwipsTop(Info_Frame),
        platform::TwipsWidth(Info_Label) + 700, platform::TwipsHeight(Info_Label) + 700);
    Info_Frame->show();
}
