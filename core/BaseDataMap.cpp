#include "core/BaseDataMap.h"

std::string BaseDataMap::baseDataKey(int itemId, int year, int period) {
    return std::to_string(itemId) + std::to_string(year) + std::to_string(period);
}

void BaseDataMap::Add(int itemId, int year, int period, double value) {
    auto [it, inserted] = values_.insert_or_assign(pack(itemId, year, period), value);
    if (inserted) order_.push_back(it->first);
}

std::vector<std::string> BaseDataMap::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(order_.size());
    for (std::uint64_t k : order_)
        keys.push_back(baseDataKey(std::int32_t(std::uint32_t(k >> 32)),
                                   std::int16_t(std::uint16_t(k >> 16)),
                                   std::int16_t(std::uint16_t(k))));
    return keys;
}
