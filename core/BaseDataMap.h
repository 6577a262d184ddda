// Base-data amounts keyed by (item, year, period). The key behaves like the text key of the
// original design (item, year and period digits joined) but is a packed number: faster to
// build and look up, and free of the collisions joined digits can have.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class BaseDataMap {
public:
    // The text form of a key: "101" "2003" "1" joined gives "10120031".
    static std::string baseDataKey(int itemId, int year, int period);

    // Adds or replaces an amount.
    void Add(int itemId, int year, int period, double value);
    bool Exists(int itemId, int year, int period) const {
        return values_.find(pack(itemId, year, period)) != values_.end();
    }
    // The stored amount; throws std::out_of_range when absent.
    double Item(int itemId, int year, int period) const {
        return values_.at(pack(itemId, year, period));
    }
    // The amount, or nullptr when absent.
    const double* Find(int itemId, int year, int period) const {
        auto it = values_.find(pack(itemId, year, period));
        return it == values_.end() ? nullptr : &it->second;
    }
    std::size_t Count() const { return values_.size(); }
    // Text keys in the order the amounts were added.
    std::vector<std::string> Keys() const;
    void Reserve(std::size_t n) { values_.reserve(n); }

private:
    static std::uint64_t pack(int itemId, int year, int period) {
        return (std::uint64_t(std::uint32_t(itemId)) << 32) |
               (std::uint64_t(std::uint16_t(year)) << 16) | std::uint16_t(period);
    }

    std::unordered_map<std::uint64_t, double> values_;
    std::vector<std::uint64_t> order_;
};
