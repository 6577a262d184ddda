// Timing of the performance analysis view as the user sees it: one press of "确定" for the
// operation group (nine indicators) over 24 months, the window repainted after it, and one
// click on an indicator's name that charts it, painted as well. The database holds ten years of
// monthly data for every catalogue item, so the read picks its 25 months (the range and the
// month before it) out of a realistic table.
#include <benchmark/benchmark.h>

#include "analysis/target_all2_from.h"
#include "perf/WindowBench.h"
#include "platform/MSChart.h"
#include "tests/support/ChartWindowCycles.h"

namespace {

// Every item, every month of 1996-2005, with amounts that make every indicator computable.
void seedMonths() {
    SeedProgramMonths(1996, 10, [](std::int64_t item, int y, int m) {
        return 1000.0 + static_cast<double>(item % 100) * 10 + m + (y - 1996) * 12;
    });
}

// The view shown with the operation group of 2003-2004 filled once.
struct FilledView {
    FilledView() {
        view.Load();
        EnterMonths(*view.panel, "2003", "2004", 1, 12);
        view.tbsOptions->setSelectedIndex(2);
        gui::showAndPaint(view);
    }
    bool filled() const {
        return view.periodCount() == 24 && view.MSFlexGrid1->Rows() == 10 &&
               view.MSFlexGrid1->TextMatrix(9, 27) != "-";
    }
    target_all2_from view;
};

void BM_PerformanceViewFill24MonthsGroup2(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    FilledView v;
    for (auto _ : state) {
        v.view.cmdDo->click();
        ShowAndPaint(state, v.view);
    }
    if (boxes.others() != 0 || !v.filled()) state.SkipWithError("the grid was not filled");
    state.counters["cells"] = 9 * 24;
}
BENCHMARK(BM_PerformanceViewFill24MonthsGroup2)->Unit(benchmark::kMillisecond);

// A click on the name of 存货周转率 draws its chart in place of the group summary.
void BM_PerformanceViewRowChart(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    FilledView v;
    for (auto _ : state) {
        chart_cycles::ClickCell(*v.view.MSFlexGrid1, 5, 1);
        ShowAndPaint(state, v.view);
    }
    if (boxes.others() != 0 || !v.filled() || !v.view.myChart->isVisible() ||
        v.view.myChart->ChartData().size() != 24)
        state.SkipWithError("the row was not charted");
}
BENCHMARK(BM_PerformanceViewRowChart)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, seedMonths);
}
