#include "reports/ChartPages.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QPushButton>

#include "platform/EventGuard.h"
#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/PrintWindow.h"

namespace {

constexpr int kFormWidth = 11900;
constexpr int kFormHeight = 9200;
constexpr int kPeriodLimit = 24;
constexpr int kRowTop = 240;
constexpr int kFrameWidth = 11775;
constexpr int kFrameHeight = 615;
constexpr int kPeriodListWidth = 1200;  // "第一季度" whole
constexpr int kYearWidth = 615;
constexpr int kUpperChartTop = 720;
constexpr int kLowerChartTop = 4680;
constexpr int kChartHeight = 3795;
const QColor kOkTint(0xE0, 0xE0, 0xE0);

}  // namespace

std::vector<platform::ChartRow> BlankChartRows(int dashes, int empties) {
    std::vector<platform::ChartRow> rows(dashes, platform::ChartRow{" - ", std::nullopt});
    rows.insert(rows.end(), empties, platform::ChartRow{"", std::nullopt});
    return rows;
}

ChartPages::ChartPages(const Design& d, QWidget* parent)
    : Form(d.name, parent), printWindow(platform::PrintForm) {
    setCaption(d.caption);
    Frame1 =
        platform::MakeControl<QFrame>(this, "Frame1", d.frameLeft, 0, kFrameWidth, kFrameHeight);
    // The designed input row: the Song face at 9 points keeps every caption inside its control.
    Frame1->setFont(platform::SongFont(9));
    platform::MakeLabel(Frame1, "Label1", "周期：", 120, kRowTop, 615, 255);
    platform::MakeLabel(Frame1, "Label2", "时间：", 1800, kRowTop, 615, 255);
    const QRect fromPeriod = OnInputRow(3120, kPeriodListWidth, 315);
    const int toLabelLeft = fromPeriod.right() + 1 + 60;
    platform::MakeLabel(Frame1, "Label3", d.toLabel, toLabelLeft, kRowTop, d.toLabelWidth, 255);
    const QRect toYear = OnInputRow(toLabelLeft + d.toLabelWidth, kYearWidth, 270);
    const QRect toPeriod = OnInputRow(toYear.right() + 1 + 60, kPeriodListWidth, 315);
    panel = new PeriodRangePanel(Frame1, PeriodRangePanel::Config::Range(kPeriodLimit),
                                 {.serial = OnInputRow(840, 855, 315),
                                  .fromYear = OnInputRow(2400, kYearWidth, 270),
                                  .fromPeriod = fromPeriod,
                                  .toYear = toYear,
                                  .toPeriod = toPeriod});
    ownInputsLeft_ = toPeriod.right() + 1 + 60;
    int left = ownInputsLeft_ + d.ownWidth;
    auto button = [&](const char* name, const char* caption, int width, int height,
                      void (ChartPages::*click)(), const QColor& tint = QColor()) {
        left += d.gap;
        QPushButton* b = platform::MakeButton(
            Frame1, name, caption, left, kRowTop, width, height,
            [this, click] { (this->*click)(); }, tint);
        left += width;
        return b;
    };
    cmd_Perious = button("cmd_Perious", "<<", d.pagerWidth, 255, &ChartPages::cmd_Perious_Click);
    cmd_Next = button("cmd_Next", ">>", d.pagerWidth, 255, &ChartPages::cmd_Next_Click);
    cmdDo = button("cmdDo", "确定", d.okWidth, 300, &ChartPages::cmdDo_Click, kOkTint);
    doPrint = button("doPrint", "打印", d.printWidth, 300, &ChartPages::doPrint_Click);
    doPrint->setEnabled(false);
    Command1 = button("Command1", "关闭", d.closeWidth, 315, &ChartPages::Command1_Click);
    for (int n = 1; n <= d.chartCount; ++n) {
        const int top = n % 2 == 1 ? kUpperChartTop : kLowerChartTop;
        charts_.push_back(platform::MakeControl<platform::MSChart>(
            this, QString("MSChart%1").arg(n), d.chartLeft, top, d.chartWidth, kChartHeight));
    }
}

platform::MSChart* ChartPages::getChart(int n) const {
    return n >= 1 && n <= static_cast<int>(charts_.size()) ? charts_[n - 1] : nullptr;
}

void ChartPages::showChart(int n) {
    if (platform::MSChart* chart = getChart(n)) chart->setVisible(true);
}

void ChartPages::ClearChart() {
    for (platform::MSChart* chart : charts_) chart->setVisible(false);
}

void ChartPages::showPage() {
    ClearChart();
    for (int i = 1; i <= chartsPerPage; ++i) {
        const int k = (currentPage_ - 1) * chartsPerPage + i;
        if (k <= chartCount_) showChart(k);
    }
}

int ChartPages::pageCount() const {
    return chartCount_ / chartsPerPage + (chartCount_ % chartsPerPage != 0 ? 1 : 0);
}

void ChartPages::loadPagesAndDefaults() {
    isLoaded = false;
    setHeight(kFormHeight);
    setWidth(kFormWidth);
    currentPage_ = 1;
    cmd_Perious->setEnabled(false);
    cmd_Next->setEnabled(false);
    // A failing read fails the opening: the window is not shown half-prepared.
    panel->FillDefaults();
}

std::optional<std::pair<PeriodRange, int>> ChartPages::checkRange() {
    CCalendar calendar;
    const std::optional<PeriodRange> range = panel->Check(calendar);
    if (!range) return std::nullopt;
    return std::pair{*range, calendar.GetAmount()};
}

std::vector<std::string> ChartPages::periodLabels() const {
    CCalendar calendar;
    calendar.SetCalendar(range_.PeriodType, range_.fromYear, range_.toYear, range_.fromPeriod,
                         range_.toPeriod);
    return calendar.GetLabelString();
}

void ChartPages::fitListsToItems() {
    for (QComboBox* list : Frame1->findChildren<QComboBox*>()) {
        QAbstractItemView* view = list->view();
        view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth());
    }
}

void ChartPages::requestOnPick(platform::ComboList* list) {
    connect(list, &platform::ComboList::Click, this, [this] {
        if (isLoaded) platform::RunGuarded([this] { cmdDo_Click(); });
    });
}

void ChartPages::showFirstPage() {
    cmd_Perious->setEnabled(false);
    cmd_Next->setEnabled(true);
    currentPage_ = 1;
    showPage();
    doPrint->setEnabled(true);
}

ChartPages::Drawn ChartPages::keepDrawn() const {
    Drawn kept{range_,
               periodCount_,
               choice_,
               chartCount_,
               currentPage_,
               cmd_Perious->isEnabled(),
               cmd_Next->isEnabled(),
               doPrint->isEnabled(),
               {}};
    for (const platform::MSChart* chart : charts_)
        kept.charts.push_back({chart->ChartData(), chart->TitleText(), chart->Left(),
                               chart->Width(), chart->Visible()});
    return kept;
}

void ChartPages::restoreDrawn(const Drawn& kept) {
    range_ = kept.range;
    periodCount_ = kept.periodCount;
    choice_ = kept.choice;
    chartCount_ = kept.chartCount;
    currentPage_ = kept.currentPage;
    cmd_Perious->setEnabled(kept.previous);
    cmd_Next->setEnabled(kept.next);
    doPrint->setEnabled(kept.print);
    for (std::size_t i = 0; i < charts_.size(); ++i) {
        const Drawn::Chart& chart = kept.charts[i];
        charts_[i]->assign(chart.title, chart.rows, chart.left, chart.width);
        charts_[i]->setVisible(chart.visible);
    }
}

void ChartPages::Command1_Click() {
    Unload();
}

void ChartPages::cmd_Next_Click() {
    ++currentPage_;
    if (currentPage_ >= pageCount()) cmd_Next->setEnabled(false);
    cmd_Perious->setEnabled(true);
    showPage();
}

void ChartPages::cmd_Perious_Click() {
    --currentPage_;
    if (currentPage_ == 1) cmd_Perious->setEnabled(false);
    cmd_Next->setEnabled(true);
    showPage();
}

// For the paper the page's charts take the input row's place: the upper one moves to the top
// and both grow by the row's height; afterwards every chart and the row are back as they were,
// also when printing failed.
void ChartPages::doPrint_Click() {
    const int first = (currentPage_ - 1) * chartsPerPage + 1;
    platform::MSChart* upper = getChart(first);
    platform::MSChart* lower = first + 1 <= chartCount_ ? getChart(first + 1) : nullptr;
    const int grow = platform::TwipsHeight(Frame1);
    const int savedTop = upper ? upper->Top() : 0;
    if (upper) {
        upper->setTop(platform::TwipsTop(Frame1));
        upper->setHeight(upper->Height() + grow);
    }
    if (lower) lower->setHeight(lower->Height() + grow);
    Frame1->setVisible(false);
    platform::RunGuarded([this] { printWindow(this); });
    if (upper) {
        upper->setTop(savedTop);
        upper->setHeight(upper->Height() - grow);
    }
    if (lower) lower->setHeight(lower->Height() - grow);
    Frame1->setVisible(true);
}
