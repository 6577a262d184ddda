// Timings of the capability trend and DuPont windows on a database of their own, painting
// excluded (the windows are never shown):
// - one 确定 of the capability trend window over 24 months, all four groups scored against a
//   complete benchmark level; the statistical report lacks 产品产量 in 2003, so the scoring asks
//   24 missing-data questions, each answered OK by the script;
// - one DuPont computation of a month (one read and 31 nodes), and the same through 确定.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <optional>

#include "analysis/DupontNodes.h"
#include "analysis/dubang_form.h"
#include "analysis/power_all_form.h"
#include "perf/BenchSupport.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

namespace {

int questions = 0;
int otherBoxes = 0;

// Every item of December 2002 to December 2004 by month, but 产品产量 (404) of 2003; benchmarks
// and weights for every indicator at the first level.
void seed() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    SeedMonths(conn, 2002, 3, [](std::int64_t item, int year, int month) -> std::optional<double> {
        if ((year == 2002 && month < 12) || (item == 404 && year == 2003)) return std::nullopt;
        return item < 200 ? 1000.0 + 10 * (item - 100) + month : 100.0 + item % 100 + 0.5 * month;
    });
    conn.Execute("update indicatorItem set HistoryBestLevel = 40, Weight = 10");
}

void BM_CapabilityTrend24Months(benchmark::State& state) {
    power_all_form form;
    form.Load();
    EnterMonths(*form.panel, "2003", "2004", 1, 12);
    questions = otherBoxes = 0;
    for (auto _ : state) form.cmdDo->click();
    if (form.periodCount() != 24 || otherBoxes != 0 || questions != 24 * state.iterations())
        state.SkipWithError("the request was refused or asked something unexpected");
}
BENCHMARK(BM_CapabilityTrend24Months)->Unit(benchmark::kMillisecond);

void BM_DupontComputation(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(DupontNodes::Compute(4, 2004, 1));
    if (DupontNodes::Compute(4, 2004, 1)[25].empty()) state.SkipWithError("the tree is incomplete");
}
BENCHMARK(BM_DupontComputation)->Unit(benchmark::kMillisecond);

void BM_DupontCmdDo(benchmark::State& state) {
    dubang_form form;
    form.Load();
    form.panel->cbSerial->setListIndex(3);
    form.panel->txtFromYear->setText("2004");
    form.panel->cbFromMonth->setListIndex(0);
    otherBoxes = 0;
    for (auto _ : state) form.cmdDo->click();
    if (otherBoxes != 0 || form.Frame2->Value(25)->text().isEmpty())
        state.SkipWithError("the tree was not computed");
}
BENCHMARK(BM_DupontCmdDo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(
        argc, argv, CountingAnswerer(platform::MsgResult::OK, otherBoxes, "缺少计算", &questions),
        seed);
}
