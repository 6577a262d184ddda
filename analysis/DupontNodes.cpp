#include "analysis/DupontNodes.h"

#include <initializer_list>
#include <optional>

#include "core/BaseDataMap.h"
#include "core/CBaseAlgroithm.h"
#include "core/CCalendar.h"
#include "core/CConstants.h"
#include "platform/Runtime.h"

namespace {

// A quotient as a node shows it: "-" for a zero divisor or a result out of range.
std::string quotient(double dividend, double divisor) {
    return divisor == 0 ? "-" : platform::Format00(dividend / divisor);
}

// Reads the nodes' operands: amounts of the two periods and texts of earlier nodes.
class NodeReader {
  public:
    NodeReader(const BaseDataMap& map, int year, int period, int prevYear, int prevPeriod,
               const DupontNodes::Texts& texts)
        : map_(map),
          year_(year),
          period_(period),
          prevYear_(prevYear),
          prevPeriod_(prevPeriod),
          texts_(texts) {}

    const double* cur(int item) const { return map_.Find(item, year_, period_); }
    const double* prev(int item) const { return map_.Find(item, prevYear_, prevPeriod_); }

    static std::string amount(const double* value) {
        return value ? platform::Format00(*value) : std::string();
    }

    // The displayed values of earlier nodes; empty when one of them is not a number.
    std::optional<std::vector<double>> values(std::initializer_list<int> labels) const {
        std::vector<double> v;
        for (int label : labels) {
            const std::string& text = texts_[label];
            if (!platform::IsNumeric(text)) return std::nullopt;
            v.push_back(platform::CDbl(text));
        }
        return v;
    }

    // first + signs[0] × second + signs[1] × third ..., left to right, of displayed values.
    std::string sum(std::initializer_list<int> labels, std::initializer_list<int> signs) const {
        const auto v = values(labels);
        if (!v) return {};
        double total = (*v)[0];
        auto sign = signs.begin();
        for (std::size_t i = 1; i < v->size(); ++i, ++sign) total += *sign * (*v)[i];
        return platform::Format00(total);
    }

    std::string ratio(int dividendLabel, int divisorLabel) const {
        const auto v = values({dividendLabel, divisorLabel});
        return v ? quotient((*v)[0], (*v)[1]) : std::string();
    }

  private:
    const BaseDataMap& map_;
    int year_, period_, prevYear_, prevPeriod_;
    const DupontNodes::Texts& texts_;
};

// The period before (year, period): the last period of the previous year for period 1.
PeriodRow previousPeriod(std::int16_t periodType, std::int16_t year, std::int16_t period) {
    if (period != 1) return {year, static_cast<std::int16_t>(period - 1)};
    return {static_cast<std::int16_t>(year - 1),
            static_cast<std::int16_t>(CCalendar::PeriodsPerYear(periodType))};
}

}  // namespace

DupontNodes::Texts DupontNodes::Compute(std::int16_t periodType, std::int16_t year,
                                        std::int16_t period) {
    const auto [prevYear, prevPeriod] = previousPeriod(periodType, year, period);
    // One read serves the evaluator and the nodes: it holds both periods.
    CBaseAlgroithm algorithm;
    algorithm.setInitValue(periodType, prevYear, year, prevPeriod, period);
    Texts t;
    t[1] = algorithm.CalNetCapitalLucreRatio(year, period);
    const CConstants c;
    const NodeReader r(algorithm.BaseData(), year, period, prevYear, prevPeriod, t);

    // 权益乘数: the chosen period's amount stands in for a missing previous one.
    if (r.cur(c.CapitalAmount) && r.cur(c.NetCapital)) {
        auto both = [&r](int item) {
            return *r.cur(item) + *(r.prev(item) ? r.prev(item) : r.cur(item));
        };
        t[3] = quotient(both(c.CapitalAmount), both(c.NetCapital));
    }
    t[2] = r.ratio(1, 3);
    if (r.cur(c.RetainedProfit) && r.cur(c.SalesIncome))
        t[4] = quotient(*r.cur(c.RetainedProfit) * 100, *r.cur(c.SalesIncome));
    t[5] = r.ratio(2, 4);
    t[6] = r.amount(r.cur(c.RetainedProfit));
    t[7] = t[8] = t[11] = r.amount(r.cur(c.SalesIncome));
    t[9] = r.amount(r.prev(c.CapitalAmount));
    t[10] = r.amount(r.cur(c.CapitalAmount));
    t[19] = r.amount(r.cur(c.SalesCost));
    t[20] = r.amount(r.cur(c.SalesTaxAndAdrate));
    t[21] = r.amount(r.cur(c.ManagementFee));
    t[22] = r.amount(r.cur(c.SalesFee));
    t[23] = r.amount(r.cur(c.FinanceFee));
    t[12] = r.sum({19, 20, 21, 22, 23}, {1, 1, 1, 1});
    t[14] = r.amount(r.cur(c.IncomeTax));
    t[13] = r.sum({6, 12, 14, 11}, {1, 1, -1});
    t[15] = r.amount(r.prev(c.CurrentAsset));
    t[16] = r.amount(r.cur(c.CurrentAsset));
    t[17] = r.sum({9, 15}, {-1});
    t[18] = r.sum({10, 16}, {-1});
    auto cash = [&](const double* money, const double* investments) {
        return money && investments ? platform::Format00(*money + *investments) : std::string();
    };
    t[26] = cash(r.prev(c.CurrencyCapital), r.prev(c.ShortTermInvest));
    t[27] = cash(r.cur(c.CurrencyCapital), r.cur(c.ShortTermInvest));
    t[28] = r.amount(r.prev(c.NetReceivables));
    t[29] = r.amount(r.cur(c.NetReceivables));
    t[30] = r.amount(r.prev(c.NetInventoryCash));
    t[31] = r.amount(r.cur(c.NetInventoryCash));
    t[24] = r.sum({15, 26, 28, 30}, {-1, -1, -1});
    t[25] = r.sum({16, 27, 29, 31}, {-1, -1, -1});
    return t;
}
