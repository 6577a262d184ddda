#include "core/CCalendar.h"

#include "core/Utils.h"
#include "platform/MsgBox.h"

CCalendar::CCalendar() { Init(); }

void CCalendar::Init() {
    for (int i = 0; i < 2; ++i) halfYearNames[i] = Utils::GetHalfYearName(i + 1);
    for (int i = 0; i < 4; ++i) quarterNames[i] = Utils::GetQuarterName(i + 1);
    for (int i = 0; i < 12; ++i) monthNames[i] = Utils::GetMonthName(i + 1);
}

int CCalendar::PeriodsPerYear(int periodType) {
    switch (periodType) {
        case 1: return 1;
        case 2: return 2;
        case 3: return 4;
        case 4: return 12;
        default: return 0;
    }
}

bool CCalendar::SetCalendar(std::int16_t type, std::int16_t from, std::int16_t to,
                            std::int16_t fromP, std::int16_t toP) {
    if (from > to || (from == to && fromP > toP)) {
        platform::MsgBox("无效参数: " + std::to_string(type) + " " + std::to_string(from) + " " +
                         std::to_string(to) + " " + std::to_string(fromP) + " " +
                         std::to_string(toP));
        return false;
    }
    PeriodType = type;
    fromYear = from;
    toYear = to;
    fromPeriod = fromP;
    toPeriod = toP;
    return true;
}

int CCalendar::GetAmount() const {
    const int P = PeriodsPerYear(PeriodType);
    if (P == 0) return 0;
    if (PeriodType == 1) return toYear - fromYear + 1;
    if (fromYear == toYear) return toPeriod - fromPeriod + 1;
    return (P - fromPeriod + 1) + (toYear - fromYear - 1) * P + toPeriod;
}

template <typename Visit>
void CCalendar::enumerate(Visit visit) const {
    const int P = PeriodsPerYear(PeriodType);
    if (P == 0) return;
    int position = 0;
    auto emit = [&](int year, int period) {
        if (position >= kCapacity) return false;
        visit(position++, year, period);
        return true;
    };
    if (PeriodType == 1) {
        for (int y = fromYear; y <= toYear; ++y)
            if (!emit(y, 1)) return;
        return;
    }
    if (fromYear == toYear) {
        for (int p = fromPeriod; p <= toPeriod; ++p)
            if (!emit(fromYear, p)) return;
        return;
    }
    for (int p = fromPeriod; p <= P; ++p)
        if (!emit(fromYear, p)) return;
    for (int y = fromYear + 1; y < toYear; ++y)
        for (int p = 1; p <= P; ++p)
            if (!emit(y, p)) return;
    for (int p = 1; p <= toPeriod; ++p)
        if (!emit(toYear, p)) return;
}

std::string CCalendar::periodName(int period) const {
    auto pick = [period](const auto& names) {
        return period >= 1 && period <= static_cast<int>(names.size()) ? names[period - 1]
                                                                        : std::string();
    };
    switch (PeriodType) {
        case 2: return pick(halfYearNames);
        case 3: return pick(quarterNames);
        case 4: return pick(monthNames);
        default: return std::string();
    }
}

std::vector<std::string> CCalendar::GetLabelString() const {
    std::vector<std::string> labels(kCapacity);
    enumerate([&](int i, int year, int period) {
        labels[i] = std::to_string(year) + (PeriodType == 1 ? "年" : periodName(period));
    });
    return labels;
}

std::vector<PeriodRow> CCalendar::GetPeriodData() const {
    std::vector<PeriodRow> rows(kCapacity);
    enumerate([&](int i, int year, int period) {
        rows[i] = PeriodRow{static_cast<std::int16_t>(year), static_cast<std::int16_t>(period)};
    });
    return rows;
}
