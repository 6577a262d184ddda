#include "core/BaseDataMap.h"

#include <algorithm>

std::string BaseDataMap::baseDataKey(int itemId, int year, int period) {
    return std::to_string(itemId) + std::to_string(year) + std::to_string(period);
}

void BaseDataMap::Add(int itemId, int year, int period, double value) {
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
}

void BaseDataMap::Reserve(std::size_t n) {
    entries_.reserve(n);
    std::size_t slots = 16;
    while (slots < 2 * n) slots *= 2;
    if (slots > slots_.size()) rehash(slots);
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
    keys.reserve(entries_.size());
    for (const Entry& e : entries_)
        keys.push_back(baseDataKey(std::int32_t(std::uint32_t(e.key >> 32)),
                                   std::int16_t(std::uint16_t(e.key >> 16)),
                                   std::int16_t(std::uint16_t(e.key))));
    return keys;
}
