// One request of the indicator trend chart pages: the operation group (9 charts) over 24
// monthly periods, on a database of its own holding every item for every month of the range
// and the year before it. The window is never shown: painting is not measured.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>

#include "perf/BenchSupport.h"
#include "reports/print_TrendDiagram.h"

namespace {

int boxesShown = 0;

// Every item of every month of 2002-2004.
void seedMonths() {
    SeedProgramMonths(
        2002, 3, [](std::int64_t item, int, int m) { return static_cast<double>(item * 10 + m); });
}

void BM_TrendDiagramRequest(benchmark::State& state) {
    print_TrendDiagram form;
    form.Load();
    EnterMonths(*form.panel, "2003", "2004", 1, 12);
    form.cbCapability->setListIndex(1);  // the first request, outside the measurement
    if (form.chartCount() != 9 || form.getChart(9)->ChartData().size() != 24)
        state.SkipWithError("the request was not drawn");
    for (auto _ : state) form.cmdDo->click();
    if (boxesShown != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_TrendDiagramRequest)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(
        argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seedMonths);
}
