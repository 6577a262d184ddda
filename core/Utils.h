// Captions of periods, ranges and composite scores as titles and messages show them
// ("2003年上半年"); CCalendar's column captions join year and name without "年".
#pragma once

#include <string>

namespace Utils {

std::string GetPeriodRangeString(int PeriodType, int fromYear, int toYear, int fromPeriod,
                                 int toPeriod);
std::string GetHalfYearName(int period);
std::string GetQuarterName(int period);
std::string GetMonthName(int period);
std::string GetPeriodString(int PeriodType, int year, int period);
std::string GetCapabilityName(int category);

}  // namespace Utils
