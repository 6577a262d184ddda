#include "core/BaseDataMap.h"

#include <algorithm>

std::string BaseDataMap::baseDataKey(int itemId, int year, int period) {
    return std::to_string(itemId) + std::to_string(year) + std::to_string(period);
}

BaseDataMap::BaseDataMap(int perYear, int firstYear, int firstPeriod, int lastYear,
                         int lastPeriod) {
    if (perYear <= 0) return;
    const std::int64_t count = (std::int64_t(lastYear) - firstYear) * perYear +
                               (std::int64_t(lastPeriod) - firstPeriod) + 1;
    if (count <= 0 || count > kMaxGridPeriods) return;
    perYear_ = perYear;
    firstYear_ = firstYear;
    firstPeriod_ = firstPeriod;
    periodCount_ = count;
}

std::int32_t BaseDataMap::newGridRow(int itemId) {
    const std::size_t rows = values_.size() / std::size_t(periodCount_);
    if (itemId < 0 || itemId >= kGridItems || rows >= kMaxGridRows) return 0;
    if (values_.empty()) {
        // Room for the items of a statement (34) and more without moving the grid or the key
        // order while the rows come in.
        const std::size_t room = kRoomForItems * std::size_t(periodCount_);
        values_.reserve(room);
        present_.reserve(room);
        order_.reserve(order_.size() + room);
    }
    if (std::size_t(itemId) >= gridRow_.size())
        gridRow_.resize(std::max<std::size_t>(std::size_t(itemId) + 1, 2 * gridRow_.size()), 0);
    gridRow_[itemId] = static_cast<std::int32_t>(rows) + 1;
    values_.resize(values_.size() + std::size_t(periodCount_));
    present_.resize(present_.size() + std::size_t(periodCount_), 0);
    return gridRow_[itemId];
}

void BaseDataMap::addToIndex(int itemId, int year, int period, double value) {
    const std::uint64_t key = pack(itemId, year, period);
    if (2 * (entries_.size() + 1) > slots_.size())
        rehash(std::max<std::size_t>(16, 2 * slots_.size()));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(key) & mask;
    for (; slots_[i] != 0; i = (i + 1) & mask) {
        Entry& e = entries_[slots_[i] - 1];
        if (e.key == key) {
            e.value = value;
            return;
        }
    }
    entries_.push_back({key, value});
    slots_[i] = static_cast<std::uint32_t>(entries_.size());
    order_.push_back(key);
}

const double* BaseDataMap::findInIndex(int itemId, int year, int period) const {
    if (slots_.empty()) return nullptr;
    const std::uint64_t key = pack(itemId, year, period);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(key) & mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0) return nullptr;
        if (entries_[s - 1].key == key) return &entries_[s - 1].value;
    }
}

void BaseDataMap::rehash(std::size_t slotCount) {
    slots_.assign(slotCount, 0);
    const std::size_t mask = slotCount - 1;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        std::size_t i = slotOf(entries_[k].key) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = static_cast<std::uint32_t>(k + 1);
    }
}

std::vector<std::string> BaseDataMap::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(order_.size());
    for (const std::uint64_t key : order_)
        keys.push_back(baseDataKey(std::int32_t(std::uint32_t(key >> 32)),
                                   std::int16_t(std::uint16_t(key >> 16)),
                                   std::int16_t(std::uint16_t(key))));
    return keys;
}
