#include "analysis/target_all2_from.h"

#include <QMouseEvent>
#include <QTabBar>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "analysis/ChartAutoSize.h"
#include "analysis/HelpContent.h"
#include "analysis/InfoLabel.h"
#include "analysis/PeriodInputRow.h"
#include "core/CBaseDataDAO.h"
#include "core/CCalendar.h"
#include "platform/storage/Database.h"
#include "platform/EventGuard.h"
#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MSChart.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

using platform::MakeControl;

namespace {

constexpr int kFormWidth = 11900;
constexpr int kFormHeight = 7900;
constexpr int kPeriodColWidth = 1140;
const QColor kHelpYellow(255, 255, 192);

// What a tab changes: its caption and the widths of the name and unit columns its indicator
// names and units need; the number column is 600 wide and the ItemID column hidden for all.
struct GroupView {
    const char* caption;
    int nameWidth;
    int unitWidth;
};
const std::array<GroupView, 4> kGroups{{
    {"获利能力", 1500, 750},
    {"运营能力", 1800, 750},
    {"发展能力", 2940, 540},
    {"贡献能力", 2250, 900},
}};
constexpr int kNumberWidth = 600;

const PeriodInputRow::Design kInputRow(
    QSize(11775, 735), PeriodRangePanel::Config::Range(target_all2_from::kPeriodLimit),
    {OnInputRow(840, 1335, 315), OnInputRow(2880, 615, 270), OnInputRow(3600, 1455, 315),
     OnInputRow(5640, 615, 270), OnInputRow(6360, 1455, 315)},
    {.ok = 8160, .close = 10800});

// New width and height in twips, same place.
void growTo(QWidget* w, int width, int height) {
    platform::SetTwipsGeometry(w, platform::TwipsLeft(w), platform::TwipsTop(w), width, height);
}

// The hint points at the tabs from their right: where this platform draws the tabs wider than
// the design allowed, it moves right to stay clear of the last tab.
void keepBesideTabs(QWidget* hint, platform::TabStrip* tabs) {
    const int tabsRight = platform::TwipsLeft(tabs) +
                          platform::PixelsToTwips(tabs->Bar()->tabRect(tabs->Count() - 1).right());
    const int left = std::max(platform::TwipsLeft(hint), tabsRight + 120);
    platform::SetTwipsGeometry(hint, left, platform::TwipsTop(hint), platform::TwipsWidth(hint),
                               platform::TwipsHeight(hint));
}

// A click is the release of the left button over a spot that no child control covers.
bool isClickOn(QWidget* widget, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* e = static_cast<QMouseEvent*>(event);
    return e->button() == Qt::LeftButton && widget->rect().contains(e->position().toPoint()) &&
           !widget->childAt(e->position().toPoint());
}

}  // namespace

target_all2_from::target_all2_from(QWidget* parent) : Form("target_all2_from", parent) {
    setCaption("绩效指标");
    createControls();
}

void target_all2_from::createControls() {
    const PeriodInputRow row(this, kInputRow, [this] { cmdDo_Click(); });
    std::tie(Frame1, panel, cmdDo, std::ignore, Command1) = row.controls();
    panel->txtFromYear->setText("2000");
    panel->txtToYear->setText("2003");
    HelpCheck = MakeControl<QCheckBox>(Frame1, "HelpCheck", 9360, 240, 1095, 300);
    HelpCheck->setText("解释信息");
    // The box stands between 确定 and 关闭, and so comes between them when tabbing.
    QWidget::setTabOrder(cmdDo, HelpCheck);
    QWidget::setTabOrder(HelpCheck, Command1);

    tbsOptions = MakeControl<platform::TabStrip>(this, "tbsOptions", 0, 960, 11775, 1575);
    for (const GroupView& g : kGroups) tbsOptions->Add(g.caption);
    MSFlexGrid1 = MakeControl<platform::FlexGrid>(this, "MSFlexGrid1", 0, 1320, 11775, 1755);
    MSFlexGrid1->setFont(platform::SongFont(9));

    Frame2 = MakeControl<QGroupBox>(this, "Frame2", 3720, 840, 3255, 375);
    Label5 = MakeControl<platform::Label>(Frame2, "Label5", 120, 120, 2745, 195);
    Label5->setStyleSheet("color: navy");
    Label5->setAutoSize(true);
    Label5->setCaption("<---单击项目栏可获得相应的趋势图");
    keepBesideTabs(Frame2, tbsOptions);

    myChart = MakeControl<platform::MSChart>(this, "myChart", 0, 3120, 6375, 4095);
    myChart->setVisible(false);

    Info_Frame = MakeControl<QGroupBox>(this, "Info_Frame", 480, 3120, 10935, 3855);
    Info_Label = MakeInfoLabel(Info_Frame, 480, 480, 10005, 360);

    HelpFrame = MakeControl<QFrame>(this, "HelpFrame", 2160, 2040, 4335, 855);
    HelpFrame->setFrameShape(QFrame::Box);
    HelpFrame->setAutoFillBackground(true);
    QPalette yellow = HelpFrame->palette();
    yellow.setColor(QPalette::Window, kHelpYellow);
    HelpFrame->setPalette(yellow);
    HelpLabel = MakeControl<platform::Label>(HelpFrame, "HelpLabel", 360, 240, 3585, 195);
    HelpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    HelpLabel->setWordWrap(true);
    HelpLabel->setAutoSize(true);  // the frame around it follows the text's height
    HelpFrame->setVisible(false);

    auto guarded = [this](void (target_all2_from::*handler)()) {
        return [this, handler] { platform::RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(tbsOptions, &platform::TabStrip::Click, this,
            guarded(&target_all2_from::tbsOptions_Click));
    connect(MSFlexGrid1, &platform::FlexGrid::Click, this,
            guarded(&target_all2_from::MSFlexGrid1_Click));
    connect(HelpCheck, &QCheckBox::clicked, this, guarded(&target_all2_from::HelpCheck_Click));
    connect(HelpLabel, &platform::Label::clicked, HelpFrame, &QWidget::hide);
    for (QWidget* w : std::initializer_list<QWidget*>{this, Frame1, HelpFrame})
        w->installEventFilter(this);
}

void target_all2_from::Form_Load() {
    setWidth(kFormWidth);
    setHeight(kFormHeight);
    // The summary frame is sized once, to the longest of the four summaries, so that none is
    // cut off when a tab shows it; the profitability summary stays on show.
    int tallest = 0;
    for (int group = 4; group >= 1; --group) {
        showSummary(group);
        tallest = std::max(tallest, platform::TwipsHeight(Info_Label));
    }
    growTo(Info_Frame, platform::TwipsWidth(Info_Frame), tallest + 700);
    // A failing read fails the opening: the window is not shown half-prepared.
    panel->FillDefaults();
}

bool target_all2_from::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == this || watched == Frame1 || watched == HelpFrame) &&
        isClickOn(static_cast<QWidget*>(watched), event))
        HelpFrame->hide();
    return Form::eventFilter(watched, event);
}

void target_all2_from::showSummary(int group) {
    Info_Label->setCaption(GetSummary(group));
}

void target_all2_from::cmdDo_Click() {
    CCalendar calendar;
    const std::optional<PeriodRange> checked = panel->Check(calendar);
    if (checked) FillIndicatorGrid(*checked, calendar);
}

void target_all2_from::tbsOptions_Click() {
    showSummary(tbsOptions->SelectedIndex());
    cmdDo_Click();
}

void target_all2_from::FillIndicatorGrid(const PeriodRange& r, const CCalendar& calendar) {
    const int group = std::clamp(tbsOptions->SelectedIndex(), 1, 4);
    std::vector<std::string> labels = calendar.GetLabelString();
    const int count = calendar.GetAmount();
    const std::vector<std::optional<IndicatorItem>> items =
        CBaseDataDAO().getIndicatorItem(static_cast<std::int16_t>(group));
    // The group's indicators, then one empty slot.
    const int itemCount = static_cast<int>(items.size()) - 1;
    CBaseAlgroithm loaded;
    loaded.setInitValue(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);

    // Everything is read: the view takes the new request.
    range_ = r;
    periodCount_ = count;
    periodLabels_ = std::move(labels);
    category_ = group;
    itemCount_ = itemCount;
    algorithm_ = std::move(loaded);

    platform::FlexGrid* g = MSFlexGrid1;
    // A group without indicators still shows one blank row under the header.
    g->setRows(std::max(itemCount_ + 1, 2));
    g->setCols(periodCount_ + 4);
    g->setFixedRows(1);
    g->setFixedCols(3);
    const GroupView& view = kGroups[group - 1];
    g->setColWidth(0, kNumberWidth);
    g->setColWidth(1, view.nameWidth);
    g->setColWidth(2, view.unitWidth);
    g->setColWidth(3, 0);
    for (int row = 0; row < g->Rows(); ++row)
        for (int col = 0; col < g->Cols(); ++col) g->setTextMatrix(row, col, " ");
    g->setTextMatrix(0, 0, " 序号");
    g->setTextMatrix(0, 1, " 项目");
    g->setTextMatrix(0, 2, " 单位");
    for (int k = 0; k < periodCount_; ++k) {
        g->setTextMatrix(0, k + 4, platform::Q(periodLabels_[k]));
        g->setColWidth(k + 4, kPeriodColWidth);
    }
    for (int i = 0; i < itemCount_; ++i) {
        const IndicatorItem& item = *items[i];
        g->setTextMatrix(i + 1, 0, " " + QString::number(i + 1));
        g->setTextMatrix(i + 1, 1, platform::Q(" " + item.getItemName()));
        g->setTextMatrix(i + 1, 2, platform::Q(" " + item.getUnit()));
        g->setTextMatrix(i + 1, 3, QString::number(item.getItemID()));
        const std::vector<std::string> values = algorithm_->getIndicators(item.getItemID());
        for (int k = 0; k < periodCount_; ++k)
            g->setTextMatrix(i + 1, k + 4, platform::Q(values[k]));
    }
    g->setVisible(true);
    myChart->setVisible(false);
    Info_Frame->setVisible(true);
    HelpFrame->setVisible(false);
}

void target_all2_from::MSFlexGrid1_Click() {
    HelpFrame->hide();
    // A click in a row's number, name or unit selects the row and leaves the current column on
    // the hidden ItemID column; a value cell leaves it on itself and charts nothing.
    platform::FlexGrid* g = MSFlexGrid1;
    if (!algorithm_ || g->Row() < 1 || g->Row() > itemCount_ || g->Col() != 3) return;
    const int row = g->Row();
    const QString name = platform::TrimQ(g->TextMatrix(row, 1));
    const std::string id = platform::Trim(platform::S(g->TextMatrix(row, 3)));
    const int itemID =
        platform::IsNumeric(id) ? static_cast<int>(std::floor(platform::CDbl(id))) : 0;
    DrawIndicatorChart(itemID, name);
    ShowIndicatorHelp(row, itemID);
}

void target_all2_from::DrawIndicatorChart(int itemID, const QString& name) {
    const std::vector<std::string> values = algorithm_->getIndicators(itemID);
    const QString title = TrendChartTitle(range_, name);
    ChartAutoSize(*myChart, *this, title, periodCount_, periodCount_, periodLabels_, values);
    myChart->setVisible(true);
    Info_Frame->setVisible(false);
}

void target_all2_from::ShowIndicatorHelp(int row, int itemID) {
    if (!HelpCheck->isChecked()) return;
    // The text of the row's own indicator, whatever tab is selected.
    const QString text = GetIndicatorHelpText(itemID);
    if (text.isEmpty()) return;
    HelpLabel->setCaption(text);
    // 700 twips wider and taller than the text, its corner at the unit column's left edge and
    // the clicked row's top.
    platform::SetTwipsGeometry(HelpFrame, platform::TwipsLeft(MSFlexGrid1) + MSFlexGrid1->ColPos(2),
                               platform::TwipsTop(MSFlexGrid1) + MSFlexGrid1->RowPos(row),
                               platform::TwipsWidth(HelpLabel) + 700,
                               platform::TwipsHeight(HelpLabel) + 700);
    HelpFrame->raise();
    HelpFrame->setVisible(true);
}

void target_all2_from::HelpCheck_Click() {
    if (!HelpCheck->isChecked()) HelpFrame->hide();
}
