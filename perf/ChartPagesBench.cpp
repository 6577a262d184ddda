// One request of the indicator trend chart pages: the operation group (9 charts) over 24
// monthly periods, on a database of its own holding every item for every month of the range
// and the year before it, with the window hidden (shown:0, for the layouts alone) and shown
// and painted after each request as the user sees it (shown:1). Each request ends with the
// posted events handled, so that layouts left to the event loop count too. The counter
// `layouts` gives the charts' layouts per request (MSChart counts them). For comparison, a bare
// Qt Charts program gives nine charts of the same size a title and 24 points each, without
// period labels, with two of them on show as on a page.
//
// Memory: each window that draws trend charts opened, filled, shown, painted (every page) and
// closed 200 times with the pixmap cache limited to 256 KB, so that Qt's own cache does not
// hide what the windows keep. The counters give the live heap at cycle 50, when Qt's caches are
// full (a chart page's after a few cycles, a view's after some fifty), and its growth per cycle
// over the 150 cycles from there to the last.
#include <benchmark/benchmark.h>

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>

#include "perf/WindowBench.h"
#include "reports/print_TrendDiagram.h"
#include "tests/support/ChartWindowCycles.h"

namespace {

void seedMonths() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    chart_cycles::SeedMonths(conn);
}

// The layouts of every chart of a window so far.
long long layoutsOf(const print_TrendDiagram& form) {
    long long sum = 0;
    for (int n = 1; n <= 10; ++n) sum += form.getChart(n)->LayoutCount();
    return sum;
}

// The window shown and painted, or only its posted events handled when hidden.
void showOrRun(benchmark::State& state, QWidget& window) {
    if (state.range(0) == 1) {
        ShowAndPaint(state, window);
    } else {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void BM_TrendDiagramRequest(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    print_TrendDiagram form;
    form.Load();
    EnterMonths(*form.panel, "2003", "2004", 1, 12);
    form.cbCapability->setListIndex(1);  // the first request, outside the measurement
    showOrRun(state, form);
    if (form.chartCount() != 9 || form.getChart(9)->ChartData().size() != 24)
        state.SkipWithError("the request was not drawn");
    const long long before = layoutsOf(form);
    for (auto _ : state) {
        form.cmdDo->click();
        showOrRun(state, form);
    }
    state.counters["layouts"] = benchmark::Counter(static_cast<double>(layoutsOf(form) - before),
                                                   benchmark::Counter::kAvgIterations);
    if (boxes.others() != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_TrendDiagramRequest)->ArgName("shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Nine charts of a chart page's size, each given a title and 24 points, laid out once; the
// first two on show.
void BM_BareQtCharts(benchmark::State& state) {
    QWidget window;
    window.resize(793, 613);
    std::vector<QChart*> charts;
    for (int n = 0; n < 9; ++n) {
        auto* chart = new QChart;
        chart->legend()->hide();
        auto* x = new QValueAxis;
        auto* y = new QValueAxis;
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        auto* view = new QChartView(chart, &window);
        view->setGeometry(16, n % 2 == 0 ? 48 : 312, 776, 253);
        view->setVisible(n < 2);
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
        showOrRun(state, window);
    }
}
BENCHMARK(BM_BareQtCharts)->ArgName("shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenCloseCycles(benchmark::State& state) {
    constexpr int kCycles = 200;
    constexpr int kSettled = 50;
    const chart_cycles::Window window = chart_cycles::Windows()[state.range(0)];
    state.SetLabel(window.name);
    BoxCounter boxes(platform::MsgResult::OK);
    const chart_cycles::SteadyQt steady(256);
    for (auto _ : state) {
        std::size_t settled = 0;
        for (int i = 1; i <= kCycles; ++i) {
            if (!window.cycle()) state.SkipWithError("a window was not painted");
            if (i == kSettled) settled = chart_cycles::LiveHeap();
        }
        const double growth = static_cast<double>(chart_cycles::LiveHeap()) - settled;
        state.counters["heapKbAt50"] = static_cast<double>(settled) / 1024;
        state.counters["bytesPerCycle"] = growth / (kCycles - kSettled);
    }
    if (boxes.others() != 0) state.SkipWithError("a message box was shown");
}
BENCHMARK(BM_OpenCloseCycles)->DenseRange(0, 3)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, seedMonths);
}
