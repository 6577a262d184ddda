// The period model: validates a period range, counts its periods and lists them in calendar
// order as captions and (year, period number) rows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct PeriodRow {
    std::int16_t Year = 0;
    std::int16_t Period = 0;
    bool operator==(const PeriodRow&) const = default;
};

class CCalendar {
public:
    // Captions and rows are always returned with this many positions; the periods of the
    // range fill the first GetAmount() of them.
    static constexpr int kCapacity = 201;

    CCalendar();

    // Stores the range when fromYear <= toYear and, within one year, fromPeriod <= toPeriod.
    // Otherwise shows "无效参数: " with the five values and keeps the stored range.
    bool SetCalendar(std::int16_t PeriodType, std::int16_t fromYear, std::int16_t toYear,
                     std::int16_t fromPeriod, std::int16_t toPeriod);
    void Init();
    std::vector<std::string> GetLabelString() const;
    std::vector<PeriodRow> GetPeriodData() const;
    // The number of periods; 32 bits so that a range over thousands of years cannot wrap.
    int GetAmount() const;

    std::int16_t getPeriodType() const { return PeriodType; }
    std::int16_t getFromYear() const { return fromYear; }
    std::int16_t getToYear() const { return toYear; }
    std::int16_t getFromPeriod() const { return fromPeriod; }
    std::int16_t getToPeriod() const { return toPeriod; }

    // Periods per year of a period type: 1, 2, 4, 12; 0 for any other type.
    static int PeriodsPerYear(int periodType);

private:
    // Walks the periods of the range in calendar order, at most kCapacity of them.
    template <typename Visit>
    void enumerate(Visit visit) const;
    std::string periodName(int period) const;

    std::int16_t PeriodType = 0;
    std::int16_t fromYear = 0;
    std::int16_t toYear = 0;
    std::int16_t fromPeriod = 0;
    std::int16_t toPeriod = 0;
    std::array<std::string, 2> halfYearNames;
    std::array<std::string, 4> quarterNames;
    std::array<std::string, 12> monthNames;
};
