// Base-data amounts keyed by (item, year, period). The key is a packed number rather than the
// joined digits of item, year and period (baseDataKey still gives that text): faster to build
// and look up, and free of the collisions joined digits can have.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class BaseDataMap {
  public:
    // The text form of a key: "101" "2003" "1" joined gives "10120031".
    static std::string baseDataKey(int itemId, int year, int period);

    // Adds or replaces an amount.
    void Add(int itemId, int year, int period, double value);
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
        if (slots_.empty()) return nullptr;
        const std::uint64_t key = pack(itemId, year, period);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = slotOf(key) & mask;; i = (i + 1) & mask) {
            const std::uint32_t s = slots_[i];
            if (s == 0) return nullptr;
            if (entries_[s - 1].key == key) return &entries_[s - 1].value;
        }
    }
    std::size_t Count() const { return entries_.size(); }
    // Text keys in the order the amounts were added.
    std::vector<std::string> Keys() const;
    void Reserve(std::size_t n);

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
    void rehash(std::size_t slotCount);

    // Amounts in the order they were added, and an open-addressing index over them (a power
    // of two of slots holding entry position + 1, 0 for a free slot, at most half full).
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;
};
