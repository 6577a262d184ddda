#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "core/BaseDataMap.h"

namespace {

struct Key {
    int item, year, period;
};

// Keys at the edges of a monthly grid from December 2003 (the month before a range) to
// February 2005, and keys off it.
const Key kStored[] = {
    {101, 2003, 12}, {101, 2004, 1},     {409, 2005, 2},     {101, 2003, 11}, {101, 2005, 3},
    {101, 2004, 13}, {101, 2004, 0},     {0, 2004, 6},       {4095, 2004, 6}, {4096, 2004, 6},
    {-1, 2004, 6},   {INT_MAX, 2004, 6}, {INT_MIN, 2004, 6}, {101, -2004, 1},
};
const Key kAbsent[] = {
    {102, 2004, 1},  {101, 2004, 2},  {409, 2003, 12}, {101, 2003, 10}, {101, 2005, 4},
    {4096, 2004, 7}, {4094, 2004, 6}, {-1, 2004, 7},   {101, 2004, 14}, {101, 2005, 1},
};

// The same amounts in maps with a grid, without one, and with ranges too short or too long
// for one: each key finds its own amount only.
TEST(BaseDataMap, EveryKeyFindsItsOwnAmountWhateverTheLayout) {
    const BaseDataMap shapes[] = {
        BaseDataMap(12, 2003, 12, 2005, 2), BaseDataMap(), BaseDataMap(0, 2003, 12, 2005, 2),
        BaseDataMap(12, 2005, 2, 2003, 12), BaseDataMap(12, 1, 1, 32767, 12)};
    for (BaseDataMap map : shapes) {
        std::vector<std::string> texts;
        for (std::size_t k = 0; k < std::size(kStored); ++k) {
            const Key& key = kStored[k];
            map.Add(key.item, key.year, key.period, k + 0.5);
            texts.push_back(BaseDataMap::baseDataKey(key.item, key.year, key.period));
        }
        for (std::size_t k = 0; k < std::size(kStored); ++k)
            EXPECT_EQ(map.Item(kStored[k].item, kStored[k].year, kStored[k].period), k + 0.5)
                << texts[k];
        for (const Key& key : kAbsent) {
            EXPECT_FALSE(map.Exists(key.item, key.year, key.period))
                << BaseDataMap::baseDataKey(key.item, key.year, key.period);
            EXPECT_THROW(map.Item(key.item, key.year, key.period), std::out_of_range);
        }
        EXPECT_EQ(map.Keys(), texts);
    }
}

// A second amount under a key replaces the first and keeps the key's place; an amount that is
// not a number is kept as it is.
TEST(BaseDataMap, ReplacedAmountsKeepTheirPlaceAndNaNIsKept) {
    BaseDataMap map(4, 2004, 1, 2004, 4);
    map.Add(101, 2004, 2, 1);
    map.Add(101, 2004, 7, 2);
    map.Add(102, 2004, 1, std::numeric_limits<double>::quiet_NaN());
    map.Add(101, 2004, 7, 3);
    map.Add(101, 2004, 2, 4);
    EXPECT_EQ(map.Keys(), (std::vector<std::string>{"10120042", "10120047", "10220041"}));
    EXPECT_EQ(map.Item(101, 2004, 2), 4);
    EXPECT_EQ(map.Item(101, 2004, 7), 3);
    EXPECT_TRUE(std::isnan(map.Item(102, 2004, 1)));
    EXPECT_FALSE(map.Exists(102, 2004, 2));
}

// Items past the grid's rows are kept in the index, their absent periods found absent.
TEST(BaseDataMap, ItemsBeyondTheGridRowsAreKeptAsWell) {
    BaseDataMap map(2, 2004, 1, 2004, 2);
    const int items = int(BaseDataMap::kMaxGridRows) + 10;
    for (int item = 0; item < items; ++item) map.Add(item, 2004, item % 2 + 1, item);
    ASSERT_EQ(map.Count(), std::size_t(items));
    for (int item = 0; item < items; ++item) {
        EXPECT_EQ(map.Item(item, 2004, item % 2 + 1), item);
        EXPECT_FALSE(map.Exists(item, 2004, 2 - item % 2)) << item;
    }
}

}  // namespace
