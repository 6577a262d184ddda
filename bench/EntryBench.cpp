// Timings of base data entry on a database of its own: saving a 12-month balance sheet through
// the entry form's save button, and each of the six period conversions through its button
// over 40 years of monthly data for every catalogue item (quarters and half-years derived from
// the months first, so the conversions from them have 40 years to read as well).
//
// Every message box is answered Yes; the data holds every identity, so a save asks nothing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchFolder.h"
#include "entry/PeriodConversion.h"
#include "entry/PeriodRangePanel.h"
#include "entry/form_base.h"
#include "entry/form_base_interface.h"
#include "platform/ComboList.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

namespace {

constexpr int kFirstYear = 1980;
constexpr int kYears = 40;

int boxesShown = 0;

// Months of every item over kYears years; the balance sheet keeps every identity.
void seedMonths() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    std::vector<std::int64_t> items;
    {
        platform::Recordset rs;
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        for (; !rs.Eof(); rs.MoveNext()) items.push_back(rs.Fields(0).AsInt());
    }
    // 货币资金 ... 所有者权益: 250 > 200, 500 > 400, 700 > 650, 700 = 300 + 400.
    const double balance[] = {100, 50, 30, 20, 250, 500, 400, 700, 100, 300, 200, 400};
    platform::Transaction transaction(conn);
    for (int y = kFirstYear; y < kFirstYear + kYears; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items) {
                const double amount =
                    item <= 112 ? balance[item - 101] * m : static_cast<double>(item) + m + 0.25;
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m), amount});
            }
    transaction.Commit();
    // The quarters and half-years that the conversions from them read.
    PeriodConversion(4, 3).Run(conn);
    PeriodConversion(4, 2).Run(conn);
}

// Saves the balance sheet of the twelve months of one year, shown in the entry form.
void BM_SaveBalanceSheet12Months(benchmark::State& state) {
    form_base form;
    form.Show();
    form.panel->cbSerial->setListIndex(3);
    form.panel->txtFromYear->setText("2000");
    form.panel->txtToYear->setText("2000");
    form.panel->cbFromMonth->setListIndex(0);
    form.panel->cbToMonth->setListIndex(11);
    form.cmdDo->click();
    if (form.periodCount() != 12) state.SkipWithError("the months were not displayed");
    boxesShown = 0;
    for (auto _ : state) form.cmdSave->click();
    if (boxesShown != 0) state.SkipWithError("the save asked a question or failed");
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
    form_base_interface form;
    boxesShown = 0;
    for (auto _ : state) (form.*b.button)->click();
    if (boxesShown != state.iterations()) state.SkipWithError("a conversion failed");
}
BENCHMARK(BM_Conversion)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    platform::SetMsgAnswerer(
        [](const std::string& prompt, platform::MsgButtons, const std::string&) {
            ++boxesShown;
            if (prompt.find("确定覆盖所有") != 0)
                std::fprintf(stderr, "message: %s\n", prompt.c_str());
            return platform::MsgResult::Yes;
        });
    BenchFolder folder;
    seedMonths();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
