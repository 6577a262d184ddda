// Timing of the evaluator on a database of 40 years of monthly data for all 34 base items, with
// the quarters and half-years derived from them as after the conversions:
//   (a) setInitValue for 24 and for 480 months, against (b) the bare SQLite read of the same
//       rows on the kept connection the load gets: the statement the data-access object runs,
//       prepared once, its values bound afresh each time;
//   (c) getIndicators for all 31 indicators over 24 periods on a loaded object;
//   (d) CalIntegrationCapability for the four groups over 24 periods.
// Prints the (a)/(b) ratios and each figure against its bar. Run (a) and (b) side by side with
// --benchmark_enable_random_interleaving --benchmark_repetitions=9 (or more).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "core/CBaseAlgroithm.h"
#include "core/CConstants.h"
#include "perf/BenchSupport.h"
#include "platform/storage/Database.h"
#include "platform/MsgBox.h"

namespace {

constexpr int kFirstYear = 1981;
constexpr int kYears = 40;
// The 24 months every case works on.
constexpr std::int16_t kFromYear = 2000, kToYear = 2001, kFromMonth = 1, kToMonth = 12;
constexpr std::int16_t kLevel = 2;  // StandardLevel

int boxesShown = 0;

// Typical monthly amounts; balance sheet lines and 409 are stocks, the rest flows.
const std::map<std::int64_t, double> kBase{
    {101, 500},   {102, 200},  {103, 800},   {104, 1200}, {105, 4000},  {106, 9000}, {107, 6000},
    {108, 20000}, {109, 3000}, {110, 10000}, {111, 5000}, {112, 10000}, {201, 3000}, {202, 2000},
    {203, 100},   {204, 150},  {205, 200},   {206, 50},   {207, 400},   {208, 100},  {209, 300},
    {301, 350},   {302, 250},  {303, 180},   {304, 60},   {401, 900},   {402, 3500}, {403, 3300},
    {404, 10000}, {405, 9500}, {406, 240},   {407, 40},   {408, 90},    {409, 500}};

// The months with a rising trend and noise from one fixed pseudo-random sequence (drawn in
// the order the rows are stored), the quarters and half-years as the conversions leave them,
// and benchmarks and weights for every indicator.
void seed() {
    {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        unsigned state = 12345;
        SeedMonths(conn, kFirstYear, kYears, [&state](std::int64_t item, int y, int m) {
            state = state * 1103515245u + 12345u;
            const double noise = 0.9 + 0.2 * ((state >> 8) % 1000) / 1000.0;
            const double trend = 1 + 0.002 * ((y - kFirstYear) * 12 + m);
            return kBase.at(item) * trend * noise;
        });
        platform::Transaction tx(conn);
        for (const char* sql :
             {"insert into baseData select ItemID, 3, Year, (Period + 2) / 3, sum(Data)"
              " from baseData where PeriodType = 4 group by ItemID, Year, (Period + 2) / 3",
              "insert into baseData select ItemID, 2, Year, (Period + 5) / 6, sum(Data)"
              " from baseData where PeriodType = 4 group by ItemID, Year, (Period + 5) / 6"})
            conn.Execute(sql);
        // Weights share 100 within a group and no benchmark is 0 (nor 100 for the debt ratio).
        conn.Execute(
            "update indicatorItem set StandardLevel = case ItemID when 2001 then 50 else 10 end,"
            " Weight = 100.0 / (select count(*) from indicatorItem i"
            " where i.Category = indicatorItem.Category)");
        tx.Commit();
    }
}

// An evaluator loaded with the 24 months, as a view holds it.
CBaseAlgroithm loadedEvaluator() {
    CBaseAlgroithm alg;
    alg.setInitValue(4, kFromYear, kToYear, kFromMonth, kToMonth);
    return alg;
}

// The months (state.range(0)) that (a) and (b) load: the last ones of the stored years.
struct MonthRange {
    std::int16_t fromYear, toYear;
};
MonthRange monthsOf(const benchmark::State& state) {
    const auto years = static_cast<std::int16_t>(state.range(0) / 12);
    constexpr auto kLastYear = static_cast<std::int16_t>(kFirstYear + kYears - 1);
    return {static_cast<std::int16_t>(kLastYear - years + 1), kLastYear};
}

void BM_a_setInitValue(benchmark::State& state) {
    const MonthRange r = monthsOf(state);
    CBaseAlgroithm alg;
    for (auto _ : state) alg.setInitValue(4, r.fromYear, r.toYear, 1, 12);
}

// What getBaseData runs for the range (its months and the month before), read row by row
// through the C API: the same kept connection and prepared statement the load gets, the same
// text, values and rows, every column of every row read.
void BM_b_bareSqliteRead(benchmark::State& state) {
    const MonthRange r = monthsOf(state);
    const std::string sql =
        "select B.ItemID, B.Year, B.Period, B.Data From baseData B"
        " where B.PeriodType = ? and B.Year between ? and ?"
        " and (B.Year > ? or (B.Year = ? and B.Period >= ?))"
        " and (B.Year < ? or (B.Year = ? and B.Period <= ?))"
        " order by B.Year, B.Period, B.ItemID";
    const int first = r.fromYear - 1;
    const std::int64_t values[] = {4, first, r.toYear, first, first, 12, r.toYear, r.toYear, 12};
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    platform::DbParams params(std::begin(values), std::end(values));
    sqlite3_stmt* stmt = conn.Prepare(sql, params);
    std::int64_t rows = 0;
    for (auto _ : state) {
        sqlite3_reset(stmt);
        for (int i = 0; i < 9; ++i) sqlite3_bind_int64(stmt, i + 1, values[i]);
        double total = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            total += double(sqlite3_column_int64(stmt, 0) + sqlite3_column_int64(stmt, 1) +
                            sqlite3_column_int64(stmt, 2)) +
                     sqlite3_column_double(stmt, 3);
            ++rows;
        }
        benchmark::DoNotOptimize(total);
    }
    platform::Connection::Release(stmt);
    state.counters["rows"] = benchmark::Counter(double(rows), benchmark::Counter::kAvgIterations);
}

void BM_c_getIndicators(benchmark::State& state) {
    const CBaseAlgroithm alg = loadedEvaluator();
    const CConstants c;
    for (auto _ : state)
        for (std::int16_t id : c.AllIds())
            if (id >= c.NetCapitalLucreRatio) benchmark::DoNotOptimize(alg.getIndicators(id));
}

void BM_d_CalIntegrationCapability(benchmark::State& state) {
    CBaseAlgroithm alg = loadedEvaluator();
    for (auto _ : state)
        for (std::int16_t group = 1; group <= 4; ++group)
            benchmark::DoNotOptimize(alg.CalIntegrationCapability(group, kLevel));
    if (boxesShown) state.SkipWithError("a message box came up: the data is not complete");
}

// The part of (d) that is database work: each group's scoring opens its own connection and
// reads its weight map.
void BM_d0_weightMapReads(benchmark::State& state) {
    for (auto _ : state)
        for (std::int16_t group = 1; group <= 4; ++group) {
            CBaseDataDAO dao;
            benchmark::DoNotOptimize(dao.getItemWeightMap(group, kLevel));
        }
}

// With repetitions, (a) and (b) are compared by their fastest and their median run: on a busy
// machine the slower runs measure the machine's load more than the code.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}
BENCHMARK(BM_a_setInitValue)
    ->Arg(24)
    ->Arg(480)
    ->ComputeStatistics("min", fastest)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_b_bareSqliteRead)
    ->Arg(24)
    ->Arg(480)
    ->ComputeStatistics("min", fastest)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_c_getIndicators)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_d_CalIntegrationCapability)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_d0_weightMapReads)->Unit(benchmark::kMicrosecond);

// Keeps the real time per iteration (us) of every case while printing as usual; with
// repetitions the fastest run (else the mean) stands for the case, and the median is kept too.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name + argsOf(run);
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name == "min")
                fastestRun.insert_or_assign(name, run.GetAdjustedRealTime());
            else if (aggregate && run.aggregate_name == "median")
                medianRun.insert_or_assign(name, run.GetAdjustedRealTime());
            else if (!aggregate || run.aggregate_name == "mean")
                times[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        printBars();
    }

  private:
    static std::string argsOf(const Run& run) {
        return run.run_name.args.empty() ? "" : "/" + run.run_name.args;
    }

    void printBars() const {
        auto time = [this](const std::string& name) {
            if (auto it = fastestRun.find(name); it != fastestRun.end()) return it->second;
            auto it = times.find(name);
            return it == times.end() ? -1.0 : it->second;
        };
        const double c = time("BM_c_getIndicators"), d = time("BM_d_CalIntegrationCapability");
        const double d0 = time("BM_d0_weightMapReads");
        std::printf("\n");
        for (const char* months : {"24", "480"}) {
            const std::string a = "BM_a_setInitValue/" + std::string(months);
            const std::string b = "BM_b_bareSqliteRead/" + std::string(months);
            const double ratio = time(a) / time(b);
            if (time(a) > 0 && time(b) > 0)
                std::printf("(a)/(b) for %s months = %.3f  (bar: at most 1.1)  %s\n", months, ratio,
                            ratio <= 1.1 ? "ok" : "OVER");
            if (medianRun.count(a) && medianRun.count(b))
                std::printf("    median runs: %.3f\n", medianRun.at(a) / medianRun.at(b));
        }
        if (c > 0)
            std::printf("(c) = %.1f us  (bar: under 100 us)  %s\n", c, c < 100 ? "ok" : "OVER");
        if (d > 0)
            std::printf("(d) = %.1f us  (bar: under 200 us)  %s\n", d, d < 200 ? "ok" : "OVER");
        if (d > 0 && d0 > 0)
            std::printf(
                "    of which opening the four connections and reading the weight maps: "
                "%.1f us; scoring: %.1f us\n",
                d0, d - d0);
    }

    std::map<std::string, double> times, fastestRun, medianRun;
};

}  // namespace

int main(int argc, char** argv) {
    RecordingReporter reporter;
    return RunBenchmarks(argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seed,
                         &reporter);
}
