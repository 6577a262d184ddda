// Timings of the capability trend and DuPont windows on a database of their own, painting
// excluded (the windows are never shown):
// - one 确定 of the capability trend window over 24 months, all four groups scored against a
//   complete benchmark level; the statistical report lacks 产品产量 in 2003, so the scoring asks
//   24 missing-data questions, each answered OK by the script;
// - one DuPont computation of a month (two reads and 31 nodes), and the same through 确定.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <cstdlib>
#include <string>

#include "analysis/DupontNodes.h"
#include "analysis/dubang_form.h"
#include "analysis/power_all_form.h"
#include "bench/BenchSupport.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

namespace {

int questions = 0;
int otherBoxes = 0;

// Every item of December 2002 to December 2004 by month, benchmarks and weights for every
// indicator at the first level.
void seed() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    platform::Transaction transaction(conn);
    for (int year = 2002; year <= 2004; ++year)
        for (int month = year == 2002 ? 12 : 1; month <= 12; ++month)
            for (int item : {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112,
                             201, 202, 203, 204, 205, 206, 207, 208, 209, 301, 302, 303,
                             304, 401, 402, 403, 404, 405, 406, 407, 408, 409}) {
                if (item == 404 && year == 2003) continue;
                const double amount = item < 200 ? 1000.0 + 10 * (item - 100) + month
                                                 : 100.0 + item % 100 + 0.5 * month;
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {std::int64_t(item), std::int64_t(year), std::int64_t(month), amount});
            }
    conn.Execute("update indicatorItem set HistoryBestLevel = 40, Weight = 10");
    transaction.Commit();
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
    return RunWindowBenchmarks(
        argc, argv,
        [](const std::string& prompt, platform::MsgButtons, const std::string&) {
            if (prompt.rfind("缺少计算", 0) == 0) {
                ++questions;
            } else {
                ++otherBoxes;
                std::fprintf(stderr, "message: %s\n", prompt.c_str());
            }
            return platform::MsgResult::OK;
        },
        seed);
}
