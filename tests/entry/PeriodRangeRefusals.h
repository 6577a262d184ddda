// The refusals of the period range check, in chain order, for every window that runs it: each
// row passes every step before its own. The last rows exceed the window's period limit.
#pragma once

#include <string>
#include <vector>

struct RangeRefusal {
    std::string what;
    int type;  // cbSerial position, -1 for none
    std::string from, to;
    int fromPeriod, toPeriod;  // list positions, -1 for none
    std::string message;
    std::string focus;  // "" = the focus stays where it was
};

inline std::vector<RangeRefusal> RangeRefusals(int limit) {
    const std::string tooMany = "选择周期不能大于" + std::to_string(limit) + "，否则数据量太大";
    const std::string later = std::to_string(2003 + limit / 12);  // limit + 1 months from 2003
    const std::string yearsLater = std::to_string(2003 + limit);  // limit + 1 years
    return {
        {"no type", -1, "2003", "2004", 0, 0, "请选择周期", "cbSerial"},
        {"empty start year", 0, "  ", "2004", 0, 0, "请输入时间年", "txtFromYear"},
        {"five-digit start year", 0, "20031", "2004", 0, 0, "时间年不能大于四位数", "txtFromYear"},
        {"letters in start year", 0, "20a3", "2004", 0, 0, "时间年必须为数字", "txtFromYear"},
        {"exponent start year", 0, "1e3", "2004", 0, 0, "时间年必须为数字", "txtFromYear"},
        {"overflowing start year", 0, "9e99", "2004", 0, 0, "时间年必须为数字", "txtFromYear"},
        {"decimal start year", 0, "20.5", "2004", 0, 0, "时间年必须为数字", "txtFromYear"},
        {"sign alone", 0, "-", "2004", 0, 0, "时间年必须为数字", "txtFromYear"},
        {"empty end year", 0, "2003", "", 0, 0, "请选择时间年", "txtToYear"},
        {"five-digit end year", 0, "2003", "20041", 0, 0, "时间年不能大于四位数", "txtToYear"},
        {"exponent end year", 0, "2003", "1e5", 0, 0, "时间年必须为数字", "txtToYear"},
        {"end before start", 0, "2005", "2003", 0, 0, "起始年大于截至年", "txtFromYear"},
        {"no start half-year", 1, "2003", "2004", -1, 0, "请选择起始半年", "cbFromHalfYear"},
        {"no end half-year", 1, "2003", "2004", 0, -1, "请选择截至半年", "cbToHalfYear"},
        {"no start quarter", 2, "2003", "2004", -1, 0, "请选择起始季度", "cbFromQuartor"},
        {"no end quarter", 2, "2003", "2004", 0, -1, "请选择截至季度", "cbToQuartor"},
        {"no start month", 3, "2003", "2004", -1, 0, "请选择起始月", "cbFromMonth"},
        {"no end month", 3, "2003", "2003", 0, -1, "请选择截至月", "cbToMonth"},
        {"one month too many", 3, "2003", later, 0, 0, tooMany, ""},
        {"one year too many", 0, "2003", yearsLater, 0, 0, tooMany, ""},
        {"a count past 16 bits", 3, "-999", "9999", 0, 11, tooMany, ""},
    };
}
