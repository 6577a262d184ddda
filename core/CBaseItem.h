// A statement line as stored in the base item table, and the statement codes.
#pragma once

#include <cstdint>
#include <string>

struct CBaseItem {
    std::int16_t ItemId = 0;
    std::string ItemName;
    std::int16_t Category = 0;
    std::string Unit;
};

struct CBaseItemCategory {
    const std::int16_t BalanceSheet = 1;
    const std::int16_t IncomeStatement = 2;
    const std::int16_t CashFlowStatement = 3;
    const std::int16_t StatisticalReport = 4;
};

// A (year, period number) pair. Periods travel as rows of CCalendar's table instead.
class CPeriodData {
public:
    void setYear(std::int16_t v) { Year = v; }
    std::int16_t getYear() const { return Year; }
    void setPeriod(std::int16_t v) { Period = v; }
    std::int16_t getPeriod() const { return Period; }

private:
    std::int16_t Year = 0;
    std::int16_t Period = 0;
};
