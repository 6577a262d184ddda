// Timing of the performance analysis view: one press of "确定" for the operation group (nine
// indicators) over 24 months, on a window that is never shown, so painting is left out. The
// database holds ten years of monthly data for every catalogue item, so the read picks its 25
// months (the range and the month before it) out of a realistic table.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "analysis/target_all2_from.h"
#include "perf/BenchSupport.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

namespace {

int boxesShown = 0;

// Every item, every month of 1996-2005, with amounts that make every indicator computable.
void seedMonths() {
    SeedProgramMonths(1996, 10, [](std::int64_t item, int y, int m) {
        return 1000.0 + static_cast<double>(item % 100) * 10 + m + (y - 1996) * 12;
    });
}

void BM_PerformanceViewFill24MonthsGroup2(benchmark::State& state) {
    target_all2_from view;
    view.Load();
    EnterMonths(*view.panel, "2003", "2004", 1, 12);
    view.tbsOptions->setSelectedIndex(2);  // the operation group, filled once
    boxesShown = 0;
    for (auto _ : state) view.cmdDo->click();
    if (boxesShown != 0 || view.periodCount() != 24 || view.MSFlexGrid1->Rows() != 10 ||
        view.MSFlexGrid1->TextMatrix(9, 27) == "-")
        state.SkipWithError("the grid was not filled");
    state.counters["cells"] = 9 * 24;
}
BENCHMARK(BM_PerformanceViewFill24MonthsGroup2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(
        argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seedMonths);
}
