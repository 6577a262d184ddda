#include "core/CBaseData.h"

#include <algorithm>

std::string CBaseData::N(int value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string CBaseData::rangeClause(int fromYear, int toYear, int fromPeriod, int toPeriod) {
    if (fromYear == toYear)
        return " and Year = " + N(fromYear) + " and Period >= " + N(fromPeriod) +
               " and Period <= " + N(toPeriod);
    std::string sql = " and ((Year = " + N(fromYear) + " and Period >= " + N(fromPeriod) + ")";
    for (int y = fromYear + 1; y <= toYear - 1; ++y) sql += " or year = " + N(y);
    return sql + " or (Year = " + N(toYear) + " and Period <= " + N(toPeriod) + "))";
}

std::string CBaseData::getBaseDataSelectSql(std::int16_t ItemID, std::int16_t PeriodType,
                                            std::int16_t fromYear, std::int16_t toYear,
                                            std::int16_t fromPeriod,
                                            std::int16_t toPeriod) const {
    return "select ItemID,PeriodType,Year,Period,Data from baseData where ItemID = " + N(ItemID) +
           " and PeriodType = " + N(PeriodType) +
           rangeClause(fromYear, toYear, fromPeriod, toPeriod) + " order by Year,Period";
}

std::string CBaseData::getBaseDataInsertSql(std::int16_t ItemID, std::int16_t PeriodType,
                                            std::int16_t Year, std::int16_t Period,
                                            const std::string& Data) const {
    return "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(" + N(ItemID) + "," +
           N(PeriodType) + "," + N(Year) + "," + N(Period) + "," + Data + ")";
}

std::string CBaseData::getBaseDataDeleteSql(std::int16_t Category, std::int16_t PeriodType,
                                            std::int16_t fromYear, std::int16_t toYear,
                                            std::int16_t fromPeriod,
                                            std::int16_t toPeriod) const {
    return "delete from baseData where ItemID in (select ItemID from baseItem where Category = " +
           N(Category) + ") " + " and PeriodType = " + N(PeriodType) +
           rangeClause(fromYear, toYear, fromPeriod, toPeriod);
}

int CBaseData::getIndex(const std::vector<PeriodRow>& periods, int amount,
                        std::int16_t /*PeriodType*/, std::int16_t Year,
                        std::int16_t Period) const {
    const int n = std::min<int>(amount, static_cast<int>(periods.size()));
    int found = -1;
    for (int i = 0; i < n; ++i)
        if (periods[i].Year == Year && periods[i].Period == Period) found = i + 1;
    return found;
}
