// Windows that draw trend charts keep no memory once closed: each is opened, filled, shown,
// painted (every page) and closed again and again with Qt's pixmap cache limited, and the live
// heap must not grow with the cycles. The full 1,000 cycles are BM_OpenCloseCycles of
// chart_pages_bench.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "tests/support/ChartWindowCycles.h"
#include "tests/support/TestDb.h"

// AddressSanitizer keeps the heap in its own allocator, so mallinfo2 sees none of it.
#if defined(__SANITIZE_ADDRESS__)
#define KVT_HEAP_UNSEEN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVT_HEAP_UNSEEN 1
#endif
#endif

namespace {

// Qt fills its caches (fonts, glyphs, the pixmap cache at the limit a long session would see)
// over the first cycles: a chart page, with its many charts, within a few; a view with one chart
// over some fifty. A late fill may still move the heap once, but what a window keeps shows in
// every round of cycles: the heap is measured over rounds and the middle round's growth must stay
// small.
constexpr int kPixmapCacheKb = 256;
constexpr int kRounds = 5;
constexpr int kRound = 5;
constexpr double kBytesPerCycle = 100;

int settlingCycles(const std::string& window) {
    return window.rfind("print_", 0) == 0 ? 15 : 50;
}

class ChartWindowMemoryTest : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
#ifdef KVT_HEAP_UNSEEN
        GTEST_SKIP() << "under AddressSanitizer mallinfo2 sees no heap: nothing to measure";
#endif
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
    for (int i = settlingCycles(window.name); i > 0; --i)
        ASSERT_TRUE(window.cycle()) << "not charted or painted";
    std::vector<double> growth;
    double heap = static_cast<double>(chart_cycles::LiveHeap());
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kRound; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
        const double now = static_cast<double>(chart_cycles::LiveHeap());
        growth.push_back((now - heap) / kRound);
        heap = now;
    }
    std::sort(growth.begin(), growth.end());
    EXPECT_LT(growth[kRounds / 2], kBytesPerCycle)
        << window.name << ", bytes per cycle by round: " << testing::PrintToString(growth);
}

INSTANTIATE_TEST_SUITE_P(ChartWindows, ChartWindowMemoryTest, testing::Range(0, 4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(chart_cycles::Windows()[info.param].name);
                         });

}  // namespace
