// Timing of the performance analysis view: one press of "确定" for the operation group (nine
// indicators) over 24 months, on a window that is never shown, so painting is left out. The
// database holds ten years of monthly data for every catalogue item, so the read picks its 25
// months (the range and the month before it) out of a realistic table.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/target_all2_from.h"
#include "bench/BenchFolder.h"
#include "platform/ComboList.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/TextBox.h"

namespace {

int boxesShown = 0;

// Every item, every month of 1996-2005, with amounts that make every indicator computable.
void seedMonths() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    std::vector<std::int64_t> items;
    {
        platform::Recordset rs;
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        for (; !rs.Eof(); rs.MoveNext()) items.push_back(rs.Fields(0).AsInt());
    }
    platform::Transaction transaction(conn);
    for (int y = 1996; y <= 2005; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items)
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m),
                     1000.0 + static_cast<double>(item % 100) * 10 + m + (y - 1996) * 12});
    transaction.Commit();
}

void BM_PerformanceViewFill24MonthsGroup2(benchmark::State& state) {
    target_all2_from view;
    view.Load();
    view.panel->cbSerial->setListIndex(3);
    view.panel->txtFromYear->setText("2003");
    view.panel->txtToYear->setText("2004");
    view.panel->cbFromMonth->setListIndex(0);
    view.panel->cbToMonth->setListIndex(11);
    view.tbsOptions->setSelectedIndex(2);  // the operation group, filled once
    boxesShown = 0;
    for (auto _ : state) view.cmdDo->click();
    if (boxesShown != 0 || view.periodCount() != 24 || view.MSFlexGrid1->Rows() != 10 ||
        view.MSFlexGrid1->TextMatrix(9, 27) == "-")
        state.SkipWithError("the grid was not filled");
    state.counters["cells"] = 9 * 24;
}
BENCHMARK(BM_PerformanceViewFill24MonthsGroup2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    platform::SetMsgAnswerer(
        [](const std::string& prompt, platform::MsgButtons, const std::string&) {
            ++boxesShown;
            std::fprintf(stderr, "message: %s\n", prompt.c_str());
            return platform::MsgResult::OK;
        });
    BenchFolder folder;
    seedMonths();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
