#include "core/Utils.h"

#include <array>

namespace Utils {
namespace {

template <std::size_t N>
std::string nameAt(const std::array<const char*, N>& names, int period) {
    return period >= 1 && period <= static_cast<int>(N) ? names[period - 1] : "";
}

// The name of a period number for types 2-4; empty for type 1 and any other type.
std::string periodName(int type, int period) {
    switch (type) {
        case 2: return GetHalfYearName(period);
        case 3: return GetQuarterName(period);
        case 4: return GetMonthName(period);
        default: return "";
    }
}

}  // namespace

std::string GetHalfYearName(int period) {
    static const std::array<const char*, 2> names{"上半年", "下半年"};
    return nameAt(names, period);
}

std::string GetQuarterName(int period) {
    static const std::array<const char*, 4> names{"一季度", "二季度", "三季度", "四季度"};
    return nameAt(names, period);
}

std::string GetMonthName(int period) {
    static const std::array<const char*, 12> names{"一月", "二月", "三月", "四月",
                                                   "五月", "六月", "七月", "八月",
                                                   "九月", "十月", "十一月", "十二月"};
    return nameAt(names, period);
}

std::string GetPeriodRangeString(int type, int fromYear, int toYear, int fromPeriod,
                                 int toPeriod) {
    if (type == 1)
        return "    " + std::to_string(fromYear) + "年  至  " + std::to_string(toYear) + "年  ";
    if (type < 2 || type > 4) return "";
    return "    " + std::to_string(fromYear) + "年" + periodName(type, fromPeriod) + "  至  " +
           std::to_string(toYear) + "年" + periodName(type, toPeriod) + "  ";
}

std::string GetPeriodString(int type, int year, int period) {
    if (type == 1) return std::to_string(year) + "年";
    if (type < 2 || type > 4) return "";
    return std::to_string(year) + "年" + periodName(type, period);
}

std::string GetCapabilityName(int category) {
    static const std::array<const char*, 4> names{"综合获利能力", "综合运营能力",
                                                  "综合发展能力", "综合贡献能力"};
    return nameAt(names, category);
}

}  // namespace Utils
