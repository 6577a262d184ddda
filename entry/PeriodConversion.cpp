#include "entry/PeriodConversion.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/CCalendar.h"
#include "platform/Runtime.h"

namespace {

// Every stored row of the source type with its kind; a row whose item is not in the catalogue
// drops out of the join.
const char* const kSourceSql =
    "select d.ItemID, d.Year, d.Period, d.Data, (i.Category = 1 or d.ItemID = 409) "
    "from baseData d join baseItem i on i.ItemId = d.ItemID "
    "where d.PeriodType = ? order by d.Year, d.ItemID, d.Period";

const char* const kWriteSql =
    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,?,?,?,?) "
    "on conflict(ItemID,PeriodType,Year,Period) do update set Data = excluded.Data";

struct SourceRow {
    std::int64_t period;
    double amount;
};

struct TargetRow {
    std::int64_t item, year, period;
    double amount;
};

}  // namespace

PeriodConversion::PeriodConversion(int sourceType, int targetType)
    : sourceType_(sourceType), targetType_(targetType) {
    const int from = CCalendar::PeriodsPerYear(sourceType);
    const int to = CCalendar::PeriodsPerYear(targetType);
    if (from == 0 || to == 0 || from <= to || from % to != 0)
        throw std::invalid_argument("no conversion between these period types");
}

int PeriodConversion::Run(platform::Connection& conn) const {
    const int targets = CCalendar::PeriodsPerYear(targetType_);
    const int perTarget = CCalendar::PeriodsPerYear(sourceType_) / targets;

    // The target rows of one item and year. A year counts and sums every source row of the
    // item and year; a shorter target only the source periods inside it.
    std::vector<TargetRow> derived;
    auto derive = [&](std::int64_t item, std::int64_t year, bool periodEnd,
                      const std::vector<SourceRow>& rows) {
        for (int t = 1; t <= targets; ++t) {
            const std::int64_t first = (t - 1) * perTarget + 1, last = t * perTarget;
            int count = 0;
            double sum = 0;
            for (const SourceRow& row : rows) {
                if (periodEnd) {
                    if (row.period == last)
                        derived.push_back({item, year, t, platform::Round15(row.amount)});
                } else if (targets == 1 || (row.period >= first && row.period <= last)) {
                    ++count;
                    sum += row.amount;
                }
            }
            if (!periodEnd && count == perTarget)
                derived.push_back({item, year, t, platform::Round15(sum)});
        }
    };

    platform::Transaction transaction(conn);
    {
        platform::Recordset rs;
        rs.Open(kSourceSql, conn, {std::int64_t(sourceType_)});
        std::vector<SourceRow> rows;
        std::int64_t item = 0, year = 0;
        bool periodEnd = false;
        for (; !rs.Eof(); rs.MoveNext()) {
            const std::int64_t rowItem = rs.Fields(0).AsInt(), rowYear = rs.Fields(1).AsInt();
            if (!rows.empty() && (rowItem != item || rowYear != year)) {
                derive(item, year, periodEnd, rows);
                rows.clear();
            }
            item = rowItem;
            year = rowYear;
            periodEnd = rs.Fields(4).AsInt() != 0;
            rows.push_back({rs.Fields(2).AsInt(), rs.Fields(3).AsDouble()});
        }
        if (!rows.empty()) derive(item, year, periodEnd, rows);
    }
    for (const TargetRow& row : derived)
        conn.Execute(kWriteSql,
                     {row.item, std::int64_t(targetType_), row.year, row.period, row.amount});
    transaction.Commit();
    return static_cast<int>(derived.size());
}
