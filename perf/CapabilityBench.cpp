// Timings of the capability trend and DuPont windows as the user sees them (shown, and painted
// after each request), on a database of their own:
// - one 确定 of the capability trend window over 24 months, all four groups scored against a
//   complete benchmark level: over 2003-2004, where every amount is stored (missing:0), and over
//   2005-2006, where the statistical report lacks 产品产量 in 2005, so that the scoring asks 24
//   missing-data questions, each answered OK (missing:1);
// - one DuPont computation of a month (one read and 31 nodes), and the same through 确定.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <optional>

#include "analysis/DupontNodes.h"
#include "analysis/dubang_form.h"
#include "analysis/power_all_form.h"
#include "perf/WindowBench.h"
#include "platform/storage/Database.h"

namespace {

const char* const kQuestion = "缺少计算";

// Every item of December 2002 to December 2006 by month, but 产品产量 (404) of 2005; benchmarks
// and weights for every indicator at the first level.
void seed() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    SeedMonths(conn, 2002, 5, [](std::int64_t item, int year, int month) -> std::optional<double> {
        if ((year == 2002 && month < 12) || (item == 404 && year == 2005)) return std::nullopt;
        return item < 200 ? 1000.0 + 10 * (item - 100) + month : 100.0 + item % 100 + 0.5 * month;
    });
    conn.Execute("update indicatorItem set HistoryBestLevel = 40, Weight = 10");
}

void BM_CapabilityTrend24Months(benchmark::State& state) {
    const bool missing = state.range(0) == 1;
    BoxCounter boxes(platform::MsgResult::OK, kQuestion);
    power_all_form form;
    form.Load();
    EnterMonths(*form.panel, missing ? "2005" : "2003", missing ? "2006" : "2004", 1, 12);
    ShowAndPaint(state, form);
    for (auto _ : state) {
        form.cmdDo->click();
        ShowAndPaint(state, form);
    }
    const int questions = missing ? 24 * static_cast<int>(state.iterations()) : 0;
    if (form.periodCount() != 24 || boxes.others() != 0 || boxes.expected() != questions)
        state.SkipWithError("the request was refused or asked something unexpected");
}
BENCHMARK(BM_CapabilityTrend24Months)
    ->ArgName("missing")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_DupontComputation(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(DupontNodes::Compute(4, 2004, 1));
    if (DupontNodes::Compute(4, 2004, 1)[25].empty()) state.SkipWithError("the tree is incomplete");
}
BENCHMARK(BM_DupontComputation)->Unit(benchmark::kMillisecond);

void BM_DupontCmdDo(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    dubang_form form;
    form.Load();
    form.panel->cbSerial->setListIndex(3);
    form.panel->txtFromYear->setText("2004");
    form.panel->cbFromMonth->setListIndex(0);
    ShowAndPaint(state, form);
    for (auto _ : state) {
        form.cmdDo->click();
        ShowAndPaint(state, form);
    }
    if (boxes.others() != 0 || form.Frame2->Value(25)->text().isEmpty())
        state.SkipWithError("the tree was not computed");
}
BENCHMARK(BM_DupontCmdDo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, seed);
}
