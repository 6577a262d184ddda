// Timings of the benchmark settings form on a database of its own, as the user sees it: opening
// the form, which reads all four capability groups and lays out their grids, until it is shown
// and painted, and saving the operation group (nine indicators) through the save button,
// validation included, with the form painted after it. The baseline writes the same nine rows
// with the same values in one transaction on a connection opened the same way.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <cstdint>
#include <vector>

#include "benchmark/form_mark.h"
#include "perf/WindowBench.h"
#include "platform/storage/Database.h"

namespace {

const char* const kUpdate =
    "update indicatorItem set HistoryBestLevel = ?,StandardLevel = ?,IndustryMeanLevel = ?,"
    "IndustryLeadLevel = ?,NationalStandardLevel = ?,InternationalLevel = ?,Weight = ? "
    "where ItemId = ?";

// Levels 1.5 to 6.5 and a weight for every indicator of a group: 100 shared out evenly, the
// rest on the first indicator.
void writeGroup(platform::Connection& conn, int category) {
    platform::Recordset rs;
    rs.Open("select ItemId from indicatorItem where Category = ? order by ItemId", conn,
            {std::int64_t(category)});
    std::vector<std::int64_t> ids;
    for (; !rs.Eof(); rs.MoveNext()) ids.push_back(rs.Fields(0).AsInt());
    rs.Close();
    const int each = 100 / static_cast<int>(ids.size());
    platform::Transaction transaction(conn);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const double weight = i == 0 ? 100 - each * (static_cast<int>(ids.size()) - 1) : each;
        conn.Execute(kUpdate, {1.5, 2.5, 3.5, 4.5, 5.5, 6.5, weight, ids[i]});
    }
    transaction.Commit();
}

void BM_OpenForm(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    for (auto _ : state) {
        form_mark form;
        form.Load();
        ShowAndPaint(state, form);
        benchmark::DoNotOptimize(form.grid(4)->Rows());
    }
    if (boxes.others() != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_OpenForm)->Unit(benchmark::kMillisecond);

void BM_SaveOperationGroup(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    form_mark form;
    form.Load();
    form.tbsOptions->setSelectedIndex(2);
    ShowAndPaint(state, form);
    for (auto _ : state) {
        form.cmdSave->click();
        ShowAndPaint(state, form);
    }
    if (boxes.others() != 0 || form.gridState(2) != 1) state.SkipWithError("the save failed");
    state.counters["rows"] = 9;
}
BENCHMARK(BM_SaveOperationGroup)->Unit(benchmark::kMicrosecond);

void BM_SaveOperationGroupBaseline(benchmark::State& state) {
    for (auto _ : state) {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        writeGroup(conn, 2);
    }
    state.counters["rows"] = 9;
}
BENCHMARK(BM_SaveOperationGroupBaseline)->Unit(benchmark::kMicrosecond);

void seedGroups() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    for (int category = 1; category <= 4; ++category) writeGroup(conn, category);
}

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, seedGroups);
}
