// The windows that draw trend charts, each opened, filled with data, shown, painted and closed
// as a user would, and the live heap that such cycles leave behind. The memory test and the
// memory benchmark drive the same cycles.
#pragma once

#include <malloc.h>

#include <QCoreApplication>
#include <QPixmapCache>
#include <QPushButton>
#include <QThreadPool>
#include <cstddef>
#include <functional>
#include <vector>

#include "analysis/power_all_form.h"
#include "analysis/target_all2_from.h"
#include "platform/storage/Database.h"
#include "platform/FlexGrid.h"
#include "reports/print_IntegrationCapability.h"
#include "reports/print_TrendDiagram.h"
#include "tests/support/EnterMonths.h"
#include "tests/support/GuiEvents.h"

namespace chart_cycles {

// Every item of every month of 2002-2004, and a first-level benchmark with a weight for every
// indicator, so that each chart of the 24 months of 2003-2004 has a value at every period and
// every capability group is scored without a question.
inline void SeedMonths(platform::Connection& conn) {
    conn.Execute(
        "with recursive months(y, m) as (select 2002, 1 union all "
        "select y + (m = 12), m % 12 + 1 from months where y < 2004 or m < 12) "
        "insert into baseData(ItemID, PeriodType, Year, Period, Data) "
        "select ItemId, 4, y, m, ItemId * 10 + m from baseItem, months");
    conn.Execute("update indicatorItem set HistoryBestLevel = 40, Weight = 10");
}

// The live heap in bytes, after what the allocator holds free has been given back.
inline std::size_t LiveHeap() {
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// What the cycles are measured under while it lives: Qt's pixmap cache limited to `kb`, so that
// what it holds stays small beside what a window might keep, and Qt's global thread pool, over
// which painting spreads large fills, held to one thread that stays once started. Left alone,
// the pool starts threads as fills need them and ends them after 30 s idle, each with heap of
// its own and a cache of freed blocks that the allocator counts as in use; which thread does
// which fill varies from run to run, and so would the heap.
class SteadyQt {
  public:
    explicit SteadyQt(int pixmapCacheKb)
        : cacheLimit_(QPixmapCache::cacheLimit()),
          threads_(pool().maxThreadCount()),
          expiry_(pool().expiryTimeout()) {
        QPixmapCache::setCacheLimit(pixmapCacheKb);
        pool().waitForDone();  // no thread is left that would end on its own
        pool().setExpiryTimeout(-1);
        pool().setMaxThreadCount(1);
    }
    ~SteadyQt() {
        pool().waitForDone();
        pool().setExpiryTimeout(expiry_);
        pool().setMaxThreadCount(threads_);
        QPixmapCache::setCacheLimit(cacheLimit_);
    }
    SteadyQt(const SteadyQt&) = delete;
    SteadyQt& operator=(const SteadyQt&) = delete;

  private:
    static QThreadPool& pool() { return *QThreadPool::globalInstance(); }
    int cacheLimit_;
    int threads_;
    int expiry_;
};

// A click on a grid cell's top left corner, as the mouse gives it.
inline void ClickCell(platform::FlexGrid& grid, int row, int col) {
    const QPoint inGrid(grid.ColPos(col) / 15 + 3, grid.RowPos(row) / 15 + 3);
    gui::click(grid.viewport(), inGrid - grid.viewport()->pos());
}

// Opens a window, lets `fill` put data into it (returning whether the charts were drawn), shows
// and paints it, lets `more` page on (repainting after each step) and closes it, its deletion
// included. Returns whether the charts were drawn and every step was painted.
template <typename Window>
bool Cycle(const std::function<bool(Window&)>& fill,
           const std::function<bool(Window&)>& more = nullptr) {
    auto* window = new Window;
    window->Load();
    window->show();
    bool done = fill(*window);
    done = gui::showAndPaint(*window) && done;
    while (more && more(*window)) done = gui::showAndPaint(*window) && done;
    window->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done;
}

// Each window over the 24 months of 2003-2004: 指标趋势图 with the operation group's nine charts
// paged through, 能力趋势图 with its four, and the analysis views with a row charted.
struct Window {
    const char* name;
    std::function<bool()> cycle;
};

inline bool PageOn(ChartPages& pages) {
    if (!pages.cmd_Next->isEnabled()) return false;
    pages.cmd_Next->click();
    return true;
}

// Whether `count` charts (or the one chart) hold the 24 months.
inline bool Charted(const ChartPages& pages, int count) {
    return pages.chartCount() == count && pages.getChart(count)->ChartData().size() == 24;
}
inline bool Charted(const platform::MSChart& chart) {
    return chart.isVisible() && chart.ChartData().size() == 24;
}

inline std::vector<Window> Windows() {
    return {
        {"print_TrendDiagram",
         [] {
             return Cycle<print_TrendDiagram>(
                 [](print_TrendDiagram& w) {
                     EnterMonths(*w.panel, "2003", "2004", 1, 12);
                     w.cbCapability->setListIndex(1);  // 营运能力, which runs the request
                     return Charted(w, 9);
                 },
                 [](print_TrendDiagram& w) { return PageOn(w); });
         }},
        {"print_IntegrationCapability",
         [] {
             return Cycle<print_IntegrationCapability>(
                 [](print_IntegrationCapability& w) {
                     EnterMonths(*w.panel, "2003", "2004", 1, 12);
                     w.cmdDo->click();
                     return Charted(w, 4);
                 },
                 [](print_IntegrationCapability& w) { return PageOn(w); });
         }},
        {"target_all2_from",
         [] {
             return Cycle<target_all2_from>([](target_all2_from& w) {
                 EnterMonths(*w.panel, "2003", "2004", 1, 12);
                 w.tbsOptions->setSelectedIndex(2);  // the operation group
                 ClickCell(*w.MSFlexGrid1, 1, 1);
                 return Charted(*w.myChart);
             });
         }},
        {"power_all_form",
         [] {
             return Cycle<power_all_form>([](power_all_form& w) {
                 EnterMonths(*w.panel, "2003", "2004", 1, 12);
                 w.cmdDo->click();
                 ClickCell(*w.MSFlexGrid1, 1, 1);
                 return Charted(*w.myChart);
             });
         }},
    };
}

}  // namespace chart_cycles
