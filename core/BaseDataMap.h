// Base-data amounts keyed by (item, year, period); baseDataKey gives a key's text, the digits of
// item, year and period joined.
//
// A map made for a period range keeps the amounts of that range on a grid: one row per item,
// one column per period of the range, so that the load stores each row it reads at a computed
// position instead of hashing it. Keys off the grid (periods outside the range or not numbered
// 1..periods per year, item IDs outside 0..kGridItems-1, items past the first kMaxGridRows) go to
// a packed-key hash index, as all keys do in a map made without a range.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class BaseDataMap {
  public:
    // Item IDs from 0 up to this bound get a grid row, the first kMaxGridRows of them to come.
    static constexpr int kGridItems = 4096;
    static constexpr std::size_t kMaxGridRows = 256;
    // A range of more periods than this is not laid out on a grid.
    static constexpr std::int64_t kMaxGridPeriods = 12 * 1000;

    // The text form of a key: "101" "2003" "1" joined gives "10120031".
    static std::string baseDataKey(int itemId, int year, int period);

    BaseDataMap() = default;
    // A map for the periods from (firstYear, firstPeriod) to (lastYear, lastPeriod), numbered
    // 1..perYear within a year; perYear 0 or an empty range gives a map without a grid.
    BaseDataMap(int perYear, int firstYear, int firstPeriod, int lastYear, int lastPeriod);

    // Adds or replaces an amount.
    void Add(int itemId, int year, int period, double value) {
        const std::int64_t column = columnOf(year, period);
        const std::int32_t row = column < 0 ? 0 : gridRowOf(itemId);
        if (row == 0) {
            addToIndex(itemId, year, period, value);
            return;
        }
        const std::size_t at = cellOf(row, column);
        if (!present_[at]) {
            present_[at] = 1;
            order_.push_back(pack(itemId, year, period));
        }
        values_[at] = value;
    }
    bool Exists(int itemId, int year, int period) const {
        return Find(itemId, year, period) != nullptr;
    }
    // The stored amount; throws std::out_of_range when absent.
    double Item(int itemId, int year, int period) const {
        const double* value = Find(itemId, year, period);
        if (!value) throw std::out_of_range("no amount under " + baseDataKey(itemId, year, period));
        return *value;
    }
    // The amount, or nullptr when absent.
    const double* Find(int itemId, int year, int period) const {
        const std::int64_t column = columnOf(year, period);
        const std::int32_t row = column < 0 ? 0 : existingGridRow(itemId);
        if (row == 0) return findInIndex(itemId, year, period);
        const std::size_t at = cellOf(row, column);
        return present_[at] ? &values_[at] : nullptr;
    }
    std::size_t Count() const { return order_.size(); }
    // Text keys in the order the amounts were first added.
    std::vector<std::string> Keys() const;

  private:
    struct Entry {
        std::uint64_t key;
        double value;
    };

    static std::uint64_t pack(int itemId, int year, int period) {
        return (std::uint64_t(std::uint32_t(itemId)) << 32) |
               (std::uint64_t(std::uint16_t(year)) << 16) | std::uint16_t(period);
    }
    static std::size_t slotOf(std::uint64_t key) {
        return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 32);
    }
    // The grid column of a period; -1 off the grid.
    std::int64_t columnOf(int year, int period) const {
        if (period < 1 || period > perYear_) return -1;
        const std::int64_t column =
            (std::int64_t(year) - firstYear_) * perYear_ + (period - firstPeriod_);
        return column >= 0 && column < periodCount_ ? column : -1;
    }
    static constexpr std::size_t kRoomForItems = 64;
    // The position on the grid of grid row + 1 `row` and `column`.
    std::size_t cellOf(std::int32_t row, std::int64_t column) const {
        return std::size_t(row - 1) * std::size_t(periodCount_) + std::size_t(column);
    }

    // The item's grid row + 1; 0 when it has none.
    std::int32_t existingGridRow(int itemId) const {
        return itemId >= 0 && std::size_t(itemId) < gridRow_.size() ? gridRow_[itemId] : 0;
    }
    // The same, made (all absent) on the item's first amount; 0 for an item kept off the grid.
    std::int32_t gridRowOf(int itemId) {
        const std::int32_t row = existingGridRow(itemId);
        return row != 0 ? row : newGridRow(itemId);
    }
    std::int32_t newGridRow(int itemId);
    void addToIndex(int itemId, int year, int period, double value);
    const double* findInIndex(int itemId, int year, int period) const;
    void rehash(std::size_t slotCount);

    // The grid: row r + 1 in gridRow_[item]; amounts and their presence at
    // r * periodCount_ + column.
    int perYear_ = 0;
    int firstYear_ = 0;
    int firstPeriod_ = 0;
    std::int64_t periodCount_ = 0;
    std::vector<std::int32_t> gridRow_;
    std::vector<double> values_;
    std::vector<std::uint8_t> present_;
    // Every key, in the order it was first added.
    std::vector<std::uint64_t> order_;
    // The keys off the grid and an open-addressing index over them (a power of two of slots
    // holding entry position + 1, 0 for a free slot, at most half full).
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;
};
