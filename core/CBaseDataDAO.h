// Data access for the computations and views: base data of a period range, indicator
// definitions, benchmark levels with weights, the company name. Each object holds its own
// connection to <program folder>/db/db.mdb for as long as it lives. Database errors are not
// handled here: they reach the caller as platform::DbError.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/BaseDataMap.h"
#include "core/IndicatorItem.h"
#include "platform/storage/Database.h"

// Indicator ID -> "<level>/<weight>" (a NULL level gives " ", a NULL weight nothing after "/").
using WeightMap = std::map<std::int16_t, std::string>;

class CBaseDataDAO {
  public:
    CBaseDataDAO();

    BaseDataMap getBaseData(std::int16_t PeriodType, std::int16_t fromYear, std::int16_t toYear,
                            std::int16_t fromPeriod, std::int16_t toPeriod);
    // Positions 0..n-1 hold the group's indicators in ItemID order; position n is empty.
    std::vector<std::optional<IndicatorItem>> getIndicatorItem(std::int16_t category);
    WeightMap getItemWeightMap(std::int16_t category, std::int16_t level);
    bool HasLevelWeight(std::int16_t category, std::int16_t level);
    std::int16_t getIndicatorItemCount(std::int16_t category);
    std::string getCompanyName();

    // The benchmark column a level code reads; codes outside 1-6 read StandardLevel.
    static std::string levelColumn(std::int16_t level);

  private:
    // A group's (ItemID, level, Weight) rows; the group is bound as the one parameter.
    static std::string levelWeightSql(std::int16_t level);

    platform::Connection conn;
};
