// The check every start makes of the database, on 100 years of monthly data for all 34 base
// items: (a) the program's check (integrity_check, which compares every index with its table,
// then the tables and columns), against (b) the same steps with quick_check, which reads every
// page but no index entry, and (c) those steps with integrity_check. Each opens the file afresh,
// as the start does.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "db/DatabaseSchema.h"
#include "perf/BenchSupport.h"
#include "platform/AppPath.h"
#include "platform/storage/Database.h"
#include "platform/storage/DatabasePlace.h"

namespace {

int boxesShown = 0;

void seed() {
    SeedProgramMonths(1921, 100, [](std::int64_t item, int y, int m) {
        return double(item * 1000 + (y - 1921) * 12 + m);
    });
}

// The start's steps on a fresh handle with the given check: open, the program's write settings,
// the check, then the columns of the four tables.
void checkWith(const char* check) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(platform::DatabasePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string verdict;
    const auto read = [&](const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            verdict = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
    };
    platform::WriteOnlyAtDurableCommits(db);
    read(check);
    if (verdict != "ok") throw std::runtime_error(verdict);
    for (const char* table :
         {"pragma table_info(\"defaultParameter\")", "pragma table_info(\"baseItem\")",
          "pragma table_info(\"baseData\")", "pragma table_info(\"indicatorItem\")"})
        read(table);
    sqlite3_close_v2(db);
}

void BM_a_programCheck(benchmark::State& state) {
    // Walked once, as at the start.
    const auto place = platform::DatabasePlace::Of(platform::DatabasePath());
    for (auto _ : state)
        if (!DatabaseSchema::Problem(*place).empty()) state.SkipWithError("the check failed");
}

void BM_b_quickCheck(benchmark::State& state) {
    for (auto _ : state) checkWith("pragma quick_check");
}

void BM_c_integrityCheck(benchmark::State& state) {
    for (auto _ : state) checkWith("pragma integrity_check");
}

BENCHMARK(BM_a_programCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_b_quickCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_c_integrityCheck)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seed);
}
