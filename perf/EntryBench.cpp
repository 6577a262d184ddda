// Timings of base data entry on a database of its own, with the windows shown and painted after
// each click as the user sees them: saving a 12-month balance sheet through the entry form's
// save button, and each of the six period conversions through its button over 40 years of
// monthly data for every catalogue item (quarters and half-years derived from the months
// first, so the conversions from them have 40 years to read as well). Each conversion is timed
// repeated on the same database and as the first run on a fresh copy of it (no connection or
// statement kept, nothing cached).
//
// Every message box is answered Yes; the data holds every identity, so a save asks nothing and
// a conversion asks only its confirmation.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "entry/PeriodConversion.h"
#include "entry/PeriodRangePanel.h"
#include "entry/form_base.h"
#include "entry/form_base_interface.h"
#include "perf/WindowBench.h"
#include "platform/AppPath.h"
#include "platform/ComboList.h"
#include "platform/storage/Database.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFirstYear = 1980;
constexpr int kYears = 40;

const char* const kConfirmation = "确定覆盖所有";  // asked before a conversion

// The seeded database, kept beside the program's to start each first run from.
std::string seedCopy() {
    return platform::DatabasePath() + ".seed";
}

// Months of every item over kYears years; the balance sheet keeps every identity.
void seedMonths() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    // 货币资金 ... 所有者权益: 250 > 200, 500 > 400, 700 > 650, 700 = 300 + 400.
    static const double balance[] = {100, 50, 30, 20, 250, 500, 400, 700, 100, 300, 200, 400};
    SeedMonths(conn, kFirstYear, kYears, [](std::int64_t item, int, int m) {
        return item <= 112 ? balance[item - 101] * m : static_cast<double>(item) + m + 0.25;
    });
    // The quarters and half-years that the conversions from them read.
    PeriodConversion(4, 3).Run(conn);
    PeriodConversion(4, 2).Run(conn);
    conn.Close();
    fs::copy_file(platform::DatabasePath(), seedCopy());
}

// Saves the balance sheet of the twelve months of one year, shown in the entry form.
void BM_SaveBalanceSheet12Months(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::Yes, kConfirmation);
    form_base form;
    form.Load();
    EnterMonths(*form.panel, "2000", "2000", 1, 12);
    form.cmdDo->click();
    ShowAndPaint(state, form);
    if (form.periodCount() != 12) state.SkipWithError("the months were not displayed");
    for (auto _ : state) {
        form.cmdSave->click();
        ShowAndPaint(state, form);
    }
    if (boxes.expected() + boxes.others() != 0)
        state.SkipWithError("the save asked a question or failed");
    state.counters["rows"] = 12 * 12;
}
BENCHMARK(BM_SaveBalanceSheet12Months)->Unit(benchmark::kMillisecond);

struct Button {
    const char* name;
    QPushButton* form_base_interface::*button;
};
const Button kButtons[] = {
    {"monthToQuartor", &form_base_interface::cmdMonthToQuartor},
    {"monthToHalf", &form_base_interface::cmdMonthToHalf},
    {"monthToYear", &form_base_interface::cmdMonthToYear},
    {"quartorToHalf", &form_base_interface::cmdQuartorToHalf},
    {"quartorToYear", &form_base_interface::cmdQuartorToYear},
    {"halfToYear", &form_base_interface::cmdHalfToYear},
};

// One click of a conversion button: the confirmation, then the conversion over 40 years.
void BM_Conversion(benchmark::State& state) {
    const Button& b = kButtons[state.range(0)];
    state.SetLabel(b.name);
    BoxCounter boxes(platform::MsgResult::Yes, kConfirmation);
    form_base_interface form;
    ShowAndPaint(state, form);
    for (auto _ : state) {
        (form.*b.button)->click();
        ShowAndPaint(state, form);
    }
    if (boxes.expected() != state.iterations() || boxes.others() != 0)
        state.SkipWithError("a conversion failed");
}
BENCHMARK(BM_Conversion)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The first click of a conversion button after the program started on a fresh copy of the
// seeded database.
void BM_ConversionFirstRun(benchmark::State& state) {
    const Button& b = kButtons[state.range(0)];
    state.SetLabel(b.name);
    BoxCounter boxes(platform::MsgResult::Yes, kConfirmation);
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(seedCopy(), platform::DatabasePath(), fs::copy_options::overwrite_existing);
        form_base_interface form;
        ShowAndPaint(state, form);
        state.ResumeTiming();
        (form.*b.button)->click();
        ShowAndPaint(state, form);
    }
    if (boxes.expected() != state.iterations() || boxes.others() != 0)
        state.SkipWithError("a conversion failed");
}
// Ten clicks each: the fresh copy and the window made before each click, outside the measurement,
// take longer than the click.
BENCHMARK(BM_ConversionFirstRun)->DenseRange(0, 5)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, seedMonths);
}
