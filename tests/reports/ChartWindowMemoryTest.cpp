// Windows that draw trend charts keep no memory once closed: each is opened, filled, shown,
// painted (every page) and closed again and again with Qt's pixmap cache limited, and the live
// heap must not grow with the cycles. The full 1,000 cycles are BM_OpenCloseCycles of
// chart_pages_bench.
#include <gtest/gtest.h>

#include "platform/Fonts.h"
#include "tests/support/ChartWindowCycles.h"
#include "tests/support/TestDb.h"

namespace {

// Qt fills its caches (fonts, glyphs, the pixmap cache, kept small here) over the first cycles:
// the window is cycled until a round of cycles leaves the heap where it was, then measured.
constexpr int kPixmapCacheKb = 64;
constexpr int kRound = 5;
constexpr int kMostSettlingRounds = 12;
constexpr int kMeasured = 25;
constexpr double kBytesPerCycle = 100;

class ChartWindowMemoryTest : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        platform::InstallFontSubstitutions();
        platform::Connection conn;
        conn.Open(db.path());
        chart_cycles::SeedMonths(conn);
    }
    TestDb db;
};

TEST_P(ChartWindowMemoryTest, PaintedCyclesLeaveTheHeapAsItWas) {
    const chart_cycles::Window window = chart_cycles::Windows()[GetParam()];
    const chart_cycles::SteadyQt steady(kPixmapCacheKb);
    std::size_t settled = chart_cycles::LiveHeap();
    for (int round = 0; round < kMostSettlingRounds; ++round) {
        for (int i = 0; i < kRound; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
        const std::size_t now = chart_cycles::LiveHeap();
        const bool steady = now < settled + kRound * kBytesPerCycle;
        settled = now;
        if (steady) break;
    }
    for (int i = 0; i < kMeasured; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
    const double growth = static_cast<double>(chart_cycles::LiveHeap()) - settled;
    EXPECT_LT(growth / kMeasured, kBytesPerCycle) << window.name;
}

INSTANTIATE_TEST_SUITE_P(ChartWindows, ChartWindowMemoryTest, testing::Range(0, 4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(chart_cycles::Windows()[info.param].name);
                         });

}  // namespace
