// SQL text for the base data table (select, insert, delete over a period range) and the place
// of a stored period in CCalendar's period table. Every spliced number carries one leading
// blank in its sign position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/CCalendar.h"

class CBaseData {
public:
    std::string getBaseDataSelectSql(std::int16_t ItemID, std::int16_t PeriodType,
                                     std::int16_t fromYear, std::int16_t toYear,
                                     std::int16_t fromPeriod, std::int16_t toPeriod) const;
    // Data is spliced unquoted: callers pass only text that passed the strict number check.
    std::string getBaseDataInsertSql(std::int16_t ItemID, std::int16_t PeriodType,
                                     std::int16_t Year, std::int16_t Period,
                                     const std::string& Data) const;
    std::string getBaseDataDeleteSql(std::int16_t Category, std::int16_t PeriodType,
                                     std::int16_t fromYear, std::int16_t toYear,
                                     std::int16_t fromPeriod, std::int16_t toPeriod) const;
    // The 1-based position of the last of the first `amount` rows equal to (Year, Period);
    // -1 when none is.
    int getIndex(const std::vector<PeriodRow>& periods, int amount, std::int16_t PeriodType,
                 std::int16_t Year, std::int16_t Period) const;

    // The range condition shared by select and delete.
    static std::string rangeClause(int fromYear, int toYear, int fromPeriod, int toPeriod);
    // A number with one leading blank in its sign position (" 2003", "-5").
    static std::string N(int value);
};
