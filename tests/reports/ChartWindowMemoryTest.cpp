// Windows that draw trend charts keep no memory once closed: each is opened, filled, shown,
// painted (every page) and closed again and again with Qt's pixmap cache limited, and the live
// heap must not grow with the cycles. The longer run of 200 cycles is BM_OpenCloseCycles of
// chart_pages_bench.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
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
// over some fifty. After those, the heap is read after each round of cycles, and the window
// passes once three rounds in a row leave it standing still. What a window keeps shows in every
// round, so that never happens and the window fails when its rounds run out; the rounds left
// after a first still one let a late fill move the heap once.
constexpr int kPixmapCacheKb = 256;
constexpr int kRound = 4;
constexpr std::size_t kStillRounds = 3;
constexpr std::size_t kMostRounds = 6;
constexpr double kBytesPerCycle = 100;

int settlingCycles(const std::string& window) {
    return window.rfind("print_", 0) == 0 ? 8 : 50;
}

// Whether each of the last kStillRounds growths (bytes per cycle) is small.
bool stoodStill(const std::vector<double>& growth) {
    return growth.size() >= kStillRounds &&
           std::all_of(growth.end() - kStillRounds, growth.end(),
                       [](double perCycle) { return perCycle < kBytesPerCycle; });
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
    while (!stoodStill(growth) && growth.size() < kMostRounds) {
        for (int i = 0; i < kRound; ++i) ASSERT_TRUE(window.cycle()) << "not charted or painted";
        const double now = static_cast<double>(chart_cycles::LiveHeap());
        growth.push_back((now - heap) / kRound);
        heap = now;
    }
    EXPECT_TRUE(stoodStill(growth))
        << window.name << ", bytes per cycle by round: " << testing::PrintToString(growth);
}

INSTANTIATE_TEST_SUITE_P(ChartWindows, ChartWindowMemoryTest, testing::Range(0, 4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(chart_cycles::Windows()[info.param].name);
                         });

}  // namespace
