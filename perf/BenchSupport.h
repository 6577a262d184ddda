// What every benchmark program shares: months of base data, the period inputs of a window,
// message box answerers that count, and the program's main, which runs the benchmarks in a
// program folder of their own (TestDb).
#pragma once

#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/storage/Database.h"
#include "platform/MsgBox.h"
#include "tests/support/EnterMonths.h"
#include "tests/support/TestDb.h"

// Stores amount(item, year, month) for every catalogue item (in ItemId order) and every month of
// `years` years from firstYear (year by year, month by month), in one transaction. An amount
// without a value leaves that row out.
template <typename Amount>
void SeedMonths(platform::Connection& conn, int firstYear, int years, Amount amount) {
    std::vector<std::int64_t> items;
    {
        platform::Recordset rs;
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        for (; !rs.Eof(); rs.MoveNext()) items.push_back(rs.Fields(0).AsInt());
    }
    platform::Transaction transaction(conn);
    for (int y = firstYear; y < firstYear + years; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items) {
                const std::optional<double> value = amount(item, y, m);
                if (!value) continue;
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m), *value});
            }
    transaction.Commit();
}

// SeedMonths on a connection of its own to the program's database.
template <typename Amount>
void SeedProgramMonths(int firstYear, int years, Amount amount) {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    SeedMonths(conn, firstYear, years, std::move(amount));
}

// Answers every message box with `answer`. A box whose text starts with `expected` is counted in
// *expectedShown; any other is counted in `shown` and printed, as it spoils the run.
inline platform::MsgAnswerer CountingAnswerer(platform::MsgResult answer, int& shown,
                                              const char* expected = nullptr,
                                              int* expectedShown = nullptr) {
    return [answer, &shown, expected, expectedShown](const std::string& prompt,
                                                     platform::MsgButtons, const std::string&) {
        if (expected && prompt.rfind(expected, 0) == 0) {
            ++*expectedShown;
        } else {
            ++shown;
            std::fprintf(stderr, "message: %s\n", prompt.c_str());
        }
        return answer;
    };
}

// Answers the message boxes shown while it lives with `answer` and counts them as
// CountingAnswerer does; the answerer before it takes the boxes again when it goes. Each
// benchmark makes its own, so that it starts from clean counts whatever ran before it.
class BoxCounter {
  public:
    explicit BoxCounter(platform::MsgResult answer, const char* expected = nullptr)
        : previous_(
              platform::SetMsgAnswerer(CountingAnswerer(answer, others_, expected, &expected_))) {}
    ~BoxCounter() { platform::SetMsgAnswerer(std::move(previous_)); }
    BoxCounter(const BoxCounter&) = delete;
    BoxCounter& operator=(const BoxCounter&) = delete;

    // The boxes whose text starts with `expected`, and all others.
    int expected() const { return expected_; }
    int others() const { return others_; }

  private:
    int expected_ = 0;
    int others_ = 0;
    platform::MsgAnswerer previous_;
};

// Stands for the application object of a program that opens no window.
struct NoApplication {
    NoApplication(int&, char**) {}
};

// The main of a benchmark program: App (QApplication for the window programs) headless in the
// C locale, every message box answered by `answer`, a fresh program folder filled by `seed`,
// then the benchmarks, printed by `reporter` when given.
template <typename App = NoApplication>
int RunBenchmarks(int argc, char** argv, platform::MsgAnswerer answer,
                  const std::function<void()>& seed,
                  benchmark::BenchmarkReporter* reporter = nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    App app(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    platform::SetMsgAnswerer(std::move(answer));
    try {
        TestDb folder;
        seed();
        benchmark::RunSpecifiedBenchmarks(reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
