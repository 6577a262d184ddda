// What the statement windows read of one statement (baseItem Category 1 to 4): its lines in
// ItemId order, and its stored amounts over a period range placed by period. Database errors
// reach the caller as platform::DbError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/CCalendar.h"
#include "entry/PeriodRangePanel.h"
#include "platform/storage/Database.h"
#include "platform/FlexGrid.h"

// One statement line as the grids show it; ItemId and Category are decimal texts with one
// leading blank (" 101").
struct StatementLine {
    std::string ItemId;
    std::string ItemName;
    std::string Category;
    std::string Unit;
};

std::vector<StatementLine> ReadStatementLines(platform::Connection& conn, int category);

// A stored amount and the 1-based position of its period among the range's periods.
struct StatementAmount {
    std::int64_t ItemID;
    int position;
    double Data;
};

// Every stored amount of the statement's lines over the range, read with one query; amounts
// whose period is not among the first periodCount rows of `periods` are left out.
std::vector<StatementAmount> ReadStatementAmounts(platform::Connection& conn, int category,
                                                  const PeriodRange& range,
                                                  const std::vector<PeriodRow>& periods,
                                                  int periodCount);

// Writes each amount into the grid row, among rows 1 to rows - 1, whose column 0 holds its
// item's id, in column 3 + its period's position; cells without an amount keep their text.
void PlaceStatementAmounts(platform::FlexGrid& grid, int rows,
                           const std::vector<StatementAmount>& amounts);
