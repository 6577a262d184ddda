// Timings of the printed grid reports on a database of its own holding 40 years of monthly data
// for every catalogue item, with the windows shown and painted as the user sees them: one 确定
// of the base-data report over seven months, painted after it, and one 打印 of the indicator
// report (seven months) to the recording printer and to a PDF file.
//
// The box that tells the PDF file's path is answered OK; any other box spoils the run.
#include <benchmark/benchmark.h>

#include <QPrinterInfo>
#include <QPushButton>

#include "perf/WindowBench.h"
#include "platform/ComboList.h"
#include "platform/storage/Database.h"
#include "platform/Printer.h"
#include "platform/TextBox.h"
#include "reports/print_Indicator.h"
#include "reports/print_baseData.h"

namespace {

constexpr int kFirstYear = 1980;
constexpr int kYears = 40;

const char* const kPdfPath = "没有安装打印机";  // the box that tells where the PDF file went

void BM_BaseDataCmdDo7Months(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    print_baseData form;
    form.Load();
    EnterMonths(*form.panel, "2000", "2000", 1, 7);  // January to July
    ShowAndPaint(state, form);
    for (auto _ : state) {
        form.cmdDo->click();
        ShowAndPaint(state, form);
    }
    if (form.grid(4)->TextMatrix(9, 10).isEmpty() || boxes.others() != 0)
        state.SkipWithError("the seven months were not shown");
}
BENCHMARK(BM_BaseDataCmdDo7Months)->Unit(benchmark::kMillisecond);

// The indicator report filled for seven months and painted, ready to print.
struct FilledIndicatorReport {
    explicit FilledIndicatorReport(benchmark::State& state) {
        form.Load();
        EnterMonths(*form.panel, "2000", "2000", 1, 7);  // January to July
        form.cmdDo->click();
        ShowAndPaint(state, form);
    }
    print_Indicator form;
};

void BM_IndicatorDoPrintRecording(benchmark::State& state) {
    BoxCounter boxes(platform::MsgResult::OK);
    FilledIndicatorReport report(state);
    platform::RecordingPrinter printer;
    std::size_t ops = 0;
    for (auto _ : state) {
        report.form.doPrint->click();
        ops = printer.ops().size();
        printer.clear();  // the recording would otherwise grow with every page
    }
    if (ops != 2 + 4 + 35 * 31 + 4 + 2 + 1 || boxes.others() != 0)
        state.SkipWithError("the page was not printed whole");
}
BENCHMARK(BM_IndicatorDoPrintRecording)->Unit(benchmark::kMillisecond);

void BM_IndicatorDoPrintPdf(benchmark::State& state) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        state.SkipWithError("a printer is installed: no PDF file would be written");
        return;
    }
    BoxCounter boxes(platform::MsgResult::OK, kPdfPath);
    FilledIndicatorReport report(state);
    for (auto _ : state) report.form.doPrint->click();
    if (boxes.expected() != state.iterations() || boxes.others() != 0)
        state.SkipWithError("a PDF file was not written");
}
BENCHMARK(BM_IndicatorDoPrintPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, [] {
        SeedProgramMonths(kFirstYear, kYears, [](std::int64_t item, int, int m) {
            return double(item) * 10 + m + 0.25;
        });
    });
}
