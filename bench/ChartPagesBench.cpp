// One request of the indicator trend chart pages: the operation group (9 charts) over 24
// monthly periods, on a database of its own holding every item for every month of the range
// and the month before it. The window is never shown: painting is not measured.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <clocale>
#include <cstdlib>

#include "bench/BenchFolder.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "reports/print_TrendDiagram.h"

namespace {

int boxesShown = 0;

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
    for (int y = 2002; y <= 2004; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items)
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m), double(item * 10 + m)});
    transaction.Commit();
}

void BM_TrendDiagramRequest(benchmark::State& state) {
    print_TrendDiagram form;
    form.Load();
    form.panel->cbSerial->setListIndex(3);
    form.panel->txtFromYear->setText("2003");
    form.panel->txtToYear->setText("2004");
    form.panel->cbToMonth->setListIndex(11);
    form.cbCapability->setListIndex(1);  // the first request, outside the measurement
    if (form.chartCount() != 9 || form.getChart(9)->ChartData().size() != 24)
        state.SkipWithError("the request was not drawn");
    for (auto _ : state) form.cmdDo->click();
    if (boxesShown != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_TrendDiagramRequest)->Unit(benchmark::kMillisecond);

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
