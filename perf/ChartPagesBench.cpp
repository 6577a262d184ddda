// One request of the indicator trend chart pages: the operation group (9 charts) over 24
// monthly periods, on a database of its own holding every item for every month of the range
// and the year before it, with the window hidden (shown:0) and shown (shown:1, painting
// included). Each request ends with the posted events handled, so that layouts left to the event
// loop count too. The counter `layouts` gives the charts' layouts per request (MSChart counts
// them). For comparison, a bare Qt Charts program gives nine charts of the same size a title and
// 24 points each, without period labels.
//
// Memory: both chart-page windows opened, drawn once and closed 1,000 times; the counters give
// the resident memory's growth per cycle over the first and the second half of the cycles.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QPushButton>
#include <QTextDocument>
#include <QValueAxis>
#include <cstdio>
#include <memory>

#include "perf/BenchSupport.h"
#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"

namespace {

int boxesShown = 0;

// Every item of every month of 2002-2004; benchmarks and weights for every indicator at the
// first level, so that the capability pages score every group.
void seedMonths() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    SeedMonths(conn, 2002, 3,
               [](std::int64_t item, int, int m) { return static_cast<double>(item * 10 + m); });
    conn.Execute("update indicatorItem set HistoryBestLevel = 40, Weight = 10");
}

// The layouts of every chart of a window so far.
long long layoutsOf(const print_TrendDiagram& form) {
    long long sum = 0;
    for (int n = 1; n <= 10; ++n) sum += form.getChart(n)->LayoutCount();
    return sum;
}

void runEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void BM_TrendDiagramRequest(benchmark::State& state) {
    print_TrendDiagram form;
    form.Load();
    if (state.range(0) == 1) form.show();
    EnterMonths(*form.panel, "2003", "2004", 1, 12);
    form.cbCapability->setListIndex(1);  // the first request, outside the measurement
    runEvents();
    if (form.chartCount() != 9 || form.getChart(9)->ChartData().size() != 24)
        state.SkipWithError("the request was not drawn");
    const long long before = layoutsOf(form);
    for (auto _ : state) {
        form.cmdDo->click();
        runEvents();
    }
    state.counters["layouts"] = benchmark::Counter(static_cast<double>(layoutsOf(form) - before),
                                                   benchmark::Counter::kAvgIterations);
    if (boxesShown != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_TrendDiagramRequest)->ArgName("shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Nine charts of a chart page's size, each given a title and 24 points, laid out once.
void BM_BareQtCharts(benchmark::State& state) {
    QWidget window;
    std::vector<QChart*> charts;
    for (int n = 0; n < 9; ++n) {
        auto* chart = new QChart;
        chart->legend()->hide();
        auto* x = new QValueAxis;
        auto* y = new QValueAxis;
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        auto* view = new QChartView(chart, &window);
        view->resize(776, 253);
        chart->resize(776, 253);
        charts.push_back(chart);
    }
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (QChart* chart : charts) {
            chart->removeAllSeries();
            auto* series = new QLineSeries;
            for (int i = 0; i < 24; ++i) series->append(i, (i * 7 + round) % 50);
            chart->addSeries(series);
            for (QAbstractAxis* axis : chart->axes()) series->attachAxis(axis);
            chart->axes(Qt::Vertical).front()->setRange(0, 50 + round % 2);
            chart->setTitle(QString("营运能力指标 %1   (单位：   %)").arg(round));
            chart->layout()->activate();
        }
        runEvents();
    }
}
BENCHMARK(BM_BareQtCharts)->Unit(benchmark::kMillisecond);

// The resident memory of the program in kilobytes.
long residentKb() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Opens both chart-page windows, draws a request in each and closes them, as often as asked;
// the counters give the resident memory's growth per cycle over the first and the second half
// of the cycles: a cache stops growing, a leak grows the same in both halves.
template <typename Window>
void openDrawClose() {
    auto* form = new Window;
    form->Load();
    form->show();
    form->cmdDo->click();
    form->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void BM_OpenCloseCycles(benchmark::State& state) {
    const int cycles = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const long start = residentKb();
        long half = 0;
        for (int i = 0; i < cycles; ++i) {
            if (i == cycles / 2) half = residentKb();
            openDrawClose<print_TrendDiagram>();
            openDrawClose<print_IntegrationCapability>();
        }
        const long end = residentKb();
        state.counters["firstHalfBPerCycle"] = (half - start) * 1024.0 / (cycles / 2);
        state.counters["secondHalfBPerCycle"] = (end - half) * 1024.0 / (cycles - cycles / 2);
    }
}
BENCHMARK(BM_OpenCloseCycles)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(
        argc, argv, CountingAnswerer(platform::MsgResult::OK, boxesShown), seedMonths);
}
