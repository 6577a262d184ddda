// What keeping a transaction's pages in memory (cache_spill off, as every program connection
// has it) costs against spilling them to the file when the page cache is full (SQLite's default):
// SQLite's memory high-water and the time of each conversion from months (into quarters, the
// largest, half-years and years) over 100 years of months of every catalogue item. Both run the
// same conversion on the same data, on a fresh program connection to a fresh copy of the seeded
// file, with SQLite's default page cache and with one of ten pages; only the spill setting
// differs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "entry/PeriodConversion.h"
#include "perf/BenchSupport.h"
#include "platform/AppPath.h"
#include "platform/storage/Database.h"

namespace fs = std::filesystem;

namespace {

int boxesShown = 0;

std::string seedCopy() {
    return platform::DatabasePath() + ".seed";
}

void seed() {
    SeedProgramMonths(1921, 100, [](std::int64_t item, int y, int m) {
        return double(item * 1000 + (y - 1921) * 12 + m);
    });
    fs::copy_file(platform::DatabasePath(), seedCopy());
}

// The seeded file put in place under a new inode, so that the next open is a fresh handle with
// an empty cache rather than one kept from the run before.
void freshFile() {
    const std::string next = platform::DatabasePath() + ".next";
    fs::copy_file(seedCopy(), next, fs::copy_options::overwrite_existing);
    fs::rename(next, platform::DatabasePath());
}

const char* targetName(int type) {
    return type == 3 ? "quarters" : type == 2 ? "half-years" : "years";
}

// Arguments: the target period type (3 quarters, 2 half-years, 1 years), 1 to spill, and the
// page cache in pages (0 for SQLite's default of 2000 KiB, what the program has; a small one
// shows what the transaction's changed pages take when they are all kept).
void BM_ConversionFromMonths(benchmark::State& state) {
    const int target = static_cast<int>(state.range(0));
    const bool spill = state.range(1) != 0;
    const std::int64_t cachePages = state.range(2);
    state.SetLabel(std::string(targetName(target)) +
                   (spill ? ", cache_spill on" : ", cache_spill off") +
                   (cachePages ? ", cache " + std::to_string(cachePages) + " pages" : ""));
    sqlite3_int64 highest = 0;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        freshFile();
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        conn.Execute(spill ? "pragma cache_spill = on" : "pragma cache_spill = off");
        if (cachePages) conn.Execute("pragma cache_size = " + std::to_string(cachePages));
        sqlite3_int64 now = 0, high = 0;
        sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &now, &high, 1);  // from here on
        state.ResumeTiming();
        rows = PeriodConversion(4, target).Run(conn);
        state.PauseTiming();
        sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &now, &high, 0);
        highest = std::max(highest, high);
        conn.Close();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["sqliteHighWater"] = benchmark::Counter(
        double(highest), benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
    if (boxesShown != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_ConversionFromMonths)
    ->ArgsProduct({{3, 2, 1}, {0, 1}, {0, 10}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seed);
}
