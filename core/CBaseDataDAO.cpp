#include "core/CBaseDataDAO.h"

#include <cmath>
#include <limits>

#include "core/CCalendar.h"
#include "platform/Runtime.h"

namespace {

// A stored amount as a number; NaN for anything that does not read as one, so that every
// formula using it gives "-" instead of a wrong value.
double amountOf(const platform::Recordset& rs, int index) {
    try {
        return rs.AsDouble(index);
    } catch (const platform::RuntimeError&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace

CBaseDataDAO::CBaseDataDAO() {
    platform::OpenProgramDatabase(conn);
}

std::string CBaseDataDAO::levelColumn(std::int16_t level) {
    switch (level) {
        case 1:
            return "HistoryBestLevel";
        case 3:
            return "IndustryMeanLevel";
        case 4:
            return "IndustryLeadLevel";
        case 5:
            return "NationalStandardLevel";
        case 6:
            return "InternationalLevel";
        default:
            return "StandardLevel";
    }
}

BaseDataMap CBaseDataDAO::getBaseData(std::int16_t PeriodType, std::int16_t fromYear,
                                      std::int16_t toYear, std::int16_t fromPeriod,
                                      std::int16_t toPeriod) {
    // Bound values; the year bounds let the (PeriodType, Year, Period) index narrow the scan.
    static const std::string sql =
        "select B.ItemID, B.Year, B.Period, B.Data From baseData B"
        " where B.PeriodType = ? and B.Year between ? and ?"
        " and (B.Year > ? or (B.Year = ? and B.Period >= ?))"
        " and (B.Year < ? or (B.Year = ? and B.Period <= ?))"
        " order by B.Year, B.Period, B.ItemID";
    const auto i = [](std::int16_t v) { return std::int64_t(v); };
    const platform::DbParams params = {i(PeriodType), i(fromYear), i(toYear),
                                       i(fromYear),   i(fromYear), i(fromPeriod),
                                       i(toYear),     i(toYear),   i(toPeriod)};
    BaseDataMap map(CCalendar::PeriodsPerYear(PeriodType), fromYear, fromPeriod, toYear, toPeriod);
    platform::Recordset rs;
    rs.Open(sql, conn, params);
    for (; !rs.Eof(); rs.MoveNext())
        map.Add(static_cast<int>(rs.AsInt(0)), static_cast<int>(rs.AsInt(1)),
                static_cast<int>(rs.AsInt(2)), amountOf(rs, 3));
    return map;
}

std::vector<std::optional<IndicatorItem>> CBaseDataDAO::getIndicatorItem(std::int16_t category) {
    const int n = getIndicatorItemCount(category);
    std::vector<std::optional<IndicatorItem>> items(static_cast<std::size_t>(n) + 1);
    platform::Recordset rs;
    rs.Open("select ItemID, ItemName, Unit from indicatorItem where Category = ? order by ItemID",
            conn, {std::int64_t(category)});
    for (int k = 0; !rs.Eof() && k < n; rs.MoveNext(), ++k) {
        IndicatorItem item;
        item.setItemID(platform::ToInt16(rs.Fields("ItemID").AsInt()));
        item.setItemName(rs.Fields("ItemName").AsText());
        const platform::Field unit = rs.Fields("Unit");
        if (!unit.IsNull()) item.setUnit(unit.AsText());
        items[k] = std::move(item);
    }
    return items;
}

std::string CBaseDataDAO::levelWeightSql(std::int16_t level) {
    return "select ItemID," + levelColumn(level) +
           ",Weight from indicatorItem where Category = ? order by ItemID";
}

WeightMap CBaseDataDAO::getItemWeightMap(std::int16_t category, std::int16_t level) {
    WeightMap map;
    platform::Recordset rs;
    rs.Open(levelWeightSql(level), conn, {std::int64_t(category)});
    for (; !rs.Eof(); rs.MoveNext()) {
        const platform::Field lv = rs.Fields(1);
        const platform::Field w = rs.Fields("Weight");
        const std::string levelText = lv.IsNull() ? " " : platform::NumToText(lv.AsDouble());
        const std::string weightText = w.IsNull() ? "" : platform::NumToText(w.AsDouble());
        map[platform::ToInt16(rs.Fields("ItemID").AsInt())] = levelText + "/" + weightText;
    }
    return map;
}

bool CBaseDataDAO::HasLevelWeight(std::int16_t category, std::int16_t level) {
    platform::Recordset rs;
    rs.Open(levelWeightSql(level), conn, {std::int64_t(category)});
    for (; !rs.Eof(); rs.MoveNext()) {
        const platform::Field lv = rs.Fields(1);
        const platform::Field w = rs.Fields("Weight");
        if (w.IsNull()) return false;
        if (w.AsDouble() != 0 && (lv.IsNull() || lv.AsDouble() == 0)) return false;
    }
    return true;
}

std::int16_t CBaseDataDAO::getIndicatorItemCount(std::int16_t category) {
    platform::Recordset rs;
    rs.Open("select count(*) from indicatorItem where Category = ?", conn,
            {std::int64_t(category)});
    std::int64_t count = 0;
    for (; !rs.Eof(); rs.MoveNext()) count = rs.Fields(0).AsInt();
    return platform::ToInt16(count);
}

std::string CBaseDataDAO::getCompanyName() {
    platform::Recordset rs;
    rs.Open("select valueFrom from defaultParameter where paramCd = 'cpyName'", conn);
    std::string name;
    for (; !rs.Eof(); rs.MoveNext()) name = rs.Fields("valueFrom").AsText();
    return name;
}
