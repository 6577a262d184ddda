// Derives the rows of longer periods from the stored rows of shorter ones, over every year in
// the database: months to quarters, half-years and years; quarters to half-years and years;
// half-years to years.
//
// Period-end items (the balance sheet and item 409, 职工人数) take the amount of the last source
// period inside the target period. Flow items (all other catalogue items) take the sum of the
// source periods, and only when every one of them is stored for that item and year. Items
// missing from baseItem are never converted. An existing target row is updated, a missing one
// inserted; nothing is deleted, so target rows without complete sources keep their values.
#pragma once

#include "platform/storage/Database.h"

class PeriodConversion {
  public:
    // Period types: 1 year, 2 half-year, 3 quarter, 4 month; the source type is the shorter.
    PeriodConversion(int sourceType, int targetType);

    int SourceType() const { return sourceType_; }
    int TargetType() const { return targetType_; }

    // Reads the source type in one query and writes each derived row with one statement, all
    // in one transaction: on failure nothing is written. Returns the number of rows written.
    int Run(platform::Connection& conn) const;

  private:
    int sourceType_;
    int targetType_;
};
