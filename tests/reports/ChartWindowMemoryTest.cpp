// Windows that draw trend charts keep no memory once closed: each is opened, filled, shown,
// painted (every page) and closed again and again with Qt's pixmap cache limited, and the live
// heap must not grow with the cycles. The full 1,000 cycles are BM_OpenCloseCycles of
// chart_pages_bench.
#include <gtest/gtest.h>

#include "platform/Fonts.h"
#include "tests/support/ChartWindowCycles.h"
#include "tests/support/TestDb.h"

namespace {

constexpr int kSettling = 50;  // cycles that fill Qt's caches (fonts, glyphs, pixmaps)
constexpr int kMeasured = 40;
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
    const chart_cycles::SteadyQt steady(256);
    for (int i = 0; i < kSettling; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
    const std::size_t settled = chart_cycles::LiveHeap();
    for (int i = 0; i < kMeasured; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
    const double growth = static_cast<double>(chart_cycles::LiveHeap()) - settled;
    EXPECT_LT(growth / kMeasured, kBytesPerCycle) << window.name;
}

INSTANTIATE_TEST_SUITE_P(ChartWindows, ChartWindowMemoryTest, testing::Range(0, 4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(chart_cycles::Windows()[info.param].name);
                         });

}  // namespace
