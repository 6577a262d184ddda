#include "entry/StatementData.h"

#include <map>

#include "core/CBaseData.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

std::vector<StatementLine> ReadStatementLines(platform::Connection& conn, int category) {
    std::vector<StatementLine> lines;
    platform::Recordset rs;
    rs.Open("select ItemId,ItemName,Category,Unit from baseItem where Category = ? order by ItemId",
            conn, {std::int64_t(category)});
    for (; !rs.Eof(); rs.MoveNext()) {
        lines.push_back(
            {CBaseData::N(static_cast<int>(rs.Fields(0).AsInt())), rs.Fields(1).AsText(),
             CBaseData::N(static_cast<int>(rs.Fields(2).AsInt())), rs.Fields(3).AsText()});
    }
    return lines;
}

std::vector<StatementAmount> ReadStatementAmounts(platform::Connection& conn, int category,
                                                  const PeriodRange& range,
                                                  const std::vector<PeriodRow>& periods,
                                                  int periodCount) {
    // From (fromYear, fromPeriod) to (toYear, toPeriod), both ends included; the year bounds
    // let the query seek the stored key instead of reading every year of the items.
    static const char* const kSql =
        "select ItemID,Year,Period,Data from baseData where PeriodType = ? and ItemID in "
        "(select ItemId from baseItem where Category = ?) and Year between ? and ? "
        "and (Year > ? or Period >= ?) and (Year < ? or Period <= ?)";
    const auto v = [](std::int16_t x) { return platform::DbValue(std::int64_t(x)); };
    platform::Recordset rs;
    rs.Open(kSql, conn,
            {v(range.PeriodType), std::int64_t(category), v(range.fromYear), v(range.toYear),
             v(range.fromYear), v(range.fromPeriod), v(range.toYear), v(range.toPeriod)});
    std::vector<StatementAmount> amounts;
    const CBaseData baseData;
    for (; !rs.Eof(); rs.MoveNext()) {
        const int position = baseData.getIndex(periods, periodCount, range.PeriodType,
                                               static_cast<std::int16_t>(rs.Fields(1).AsInt()),
                                               static_cast<std::int16_t>(rs.Fields(2).AsInt()));
        if (position > 0)
            amounts.push_back({rs.Fields(0).AsInt(), position, rs.Fields(3).AsDouble()});
    }
    return amounts;
}

void PlaceStatementAmounts(platform::FlexGrid& grid, int rows,
                           const std::vector<StatementAmount>& amounts) {
    std::map<std::int64_t, int> rowOf;
    for (int r = 1; r < rows; ++r) {
        const std::string id = platform::Trim(grid.TextMatrix(r, 0).toStdString());
        if (platform::IsNumeric(id)) rowOf[static_cast<std::int64_t>(platform::CDbl(id))] = r;
    }
    for (const StatementAmount& a : amounts) {
        const auto row = rowOf.find(a.ItemID);
        if (row != rowOf.end() && a.position + 3 < grid.Cols())
            grid.setTextMatrix(row->second, a.position + 3,
                               platform::Q(platform::NumToText(a.Data)));
    }
}
