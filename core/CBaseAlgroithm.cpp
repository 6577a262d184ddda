#include "core/CBaseAlgroithm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "core/CConstants.h"
#include "core/Utils.h"
#include "platform/MsgBox.h"
#include "platform/Runtime.h"

namespace {

// How a formula reads an item: the requested period's amount, the previous period's amount
// (required, for growth rates), or the average stock of both periods (the previous amount
// falls back to the current one when it is missing).
enum class Kind : std::uint8_t { Current, Previous, Average };

struct Term {
    std::int16_t item = 0;
    Kind kind = Kind::Current;
    double sign = 1;
};

Term cur(std::int16_t item) {
    return {item, Kind::Current, 1};
}
Term prev(std::int16_t item) {
    return {item, Kind::Previous, 1};
}
Term avg(std::int16_t item) {
    return {item, Kind::Average, 1};
}
Term minus(Term t) {
    t.sign = -1;
    return t;
}

// A sum of up to four terms, added left to right in the order written.
struct Sum {
    std::array<Term, 4> terms{};
    int count = 0;
    Sum(std::initializer_list<Term> list) {
        for (const Term& t : list) terms[count++] = t;
    }
};

bool inInt16(int v) {
    return v >= std::numeric_limits<std::int16_t>::min() &&
           v <= std::numeric_limits<std::int16_t>::max();
}

const CConstants& ids() {
    static const CConstants c;
    return c;
}

// Arithmetic faults of the scoring are run-time errors, caught where a period is scored, so
// that no infinity or NaN ever reaches a sum or a text.
double checked(double x) {
    if (!std::isfinite(x)) throw platform::RuntimeError("溢出");
    return x;
}

double divide(double a, double b) {
    if (b == 0) throw platform::RuntimeError("除数为零");
    return checked(a / b);
}

// The number a "0.00" text reads as, without the general parser: hundredths below 2^53
// divided by 100 round exactly as reading the decimal text does.
double textValue(const std::string& text) {
    std::int64_t hundredths = 0;
    int digits = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') continue;
        if (++digits > 15) return platform::CDbl(text);
        hundredths = hundredths * 10 + (ch - '0');
    }
    return (text[0] == '-' ? -hundredths : hundredths) / 100.0;
}

const char* const kOperationError =
    "数字计算错误！请检查运营能力的基准设置！基准的“资产负债率”不能为 100！";

}  // namespace

// value = numerator / denominator × scale
struct CBaseAlgroithm::Formula {
    std::int16_t id;
    Sum numerator;
    Sum denominator;
    double scale;
};

namespace {

using Formula = CBaseAlgroithm::Formula;

// The 31 indicators in ID order.
const std::array<Formula, 31>& formulas() {
    static const std::array<Formula, 31> table = [] {
        const CConstants& c = ids();
        const auto socialContribution = Sum{cur(c.TaxPayment), cur(c.EmployeePayment),
                                            cur(c.AccrualOutLay), cur(c.RetainedProfit)};
        const auto growth = [](std::int16_t id, std::int16_t item) {
            return Formula{id, {cur(item), minus(prev(item))}, {prev(item)}, 100};
        };
        const auto perEmployee = [&c](std::int16_t id, Sum numerator) {
            return Formula{id, numerator, {avg(c.EmployeeAmount)}, 1};
        };
        return std::array<Formula, 31>{{
            {c.NetCapitalLucreRatio, {cur(c.RetainedProfit)}, {avg(c.NetCapital)}, 100},
            {c.TotalCapitalRewardRatio,
             {cur(c.AccrualOutLay), cur(c.ProfitAmount)},
             {avg(c.CapitalAmount)},
             100},
            {c.MainOperationProfitRatio, {cur(c.ProfitAmount)}, {cur(c.SalesIncome)}, 100},
            {c.CapitalProfitRatio, {cur(c.RetainedProfit)}, {avg(c.PaiclUpCapital)}, 100},
            {c.MainOperationGrossProfitRatio,
             {cur(c.SalesIncome), minus(cur(c.SalesCost))},
             {cur(c.SalesIncome)},
             100},
            {c.CostPorfitRatio,
             {cur(c.ProfitAmount)},
             {cur(c.SalesFee), cur(c.SalesCost), cur(c.ManagementFee), cur(c.FinanceFee)},
             100},
            {c.CapitalLiabilitiesRatio, {cur(c.LiabilitiesAmount)}, {cur(c.CapitalAmount)}, 100},
            {c.LiquidityRatio, {cur(c.CurrentAsset)}, {cur(c.CurrentLiabilities)}, 1},
            {c.QuickAssetsRatio,
             {cur(c.CurrentAsset), minus(cur(c.NetInventoryCash))},
             {cur(c.CurrentLiabilities)},
             1},
            {c.CashLiabilitiesRatio, {cur(c.NetCashFlow)}, {cur(c.CurrentLiabilities)}, 1},
            {c.InventoryTurnoverRatio, {cur(c.SalesCost)}, {avg(c.NetInventoryCash)}, 1},
            {c.ReceivablesTurnoverRatio, {cur(c.SalesIncome)}, {avg(c.NetReceivables)}, 1},
            {c.GainedAccrualMultiple,
             {cur(c.AccrualOutLay), cur(c.ProfitAmount)},
             {cur(c.AccrualOutLay)},
             1},
            {c.ProductSaledRateByGoods, {cur(c.SalesQuantity)}, {cur(c.ProductQuantity)}, 100},
            {c.ProductSaledRateByValue,
             {cur(c.IndustrySalesValue)},
             {cur(c.IndustryValueAmount)},
             100},
            growth(c.SalesIncomeIncreaseRate, c.SalesIncome),
            growth(c.ProfitIncreaseRate, c.ProfitAmount),
            growth(c.TotalCapitalIncreaseRate, c.CapitalAmount),
            {c.NetCapitalIncreaseRate, {cur(c.NetCapital)}, {prev(c.NetCapital)}, 100},
            growth(c.CapitalAssetIncreaseRate, c.CapitalAssert),
            {c.CapitalAssetNewBuildRate, {cur(c.NetCapitalAssert)}, {cur(c.CapitalAssert)}, 100},
            growth(c.CashFlowIncreaseRate, c.NetCashFlow),
            {c.ReasearchFeeRate, {cur(c.ResearchFee)}, {cur(c.SalesIncome)}, 100},
            {c.SocialContribureRate, socialContribution, {avg(c.CapitalAmount)}, 100},
            {c.SocialAccumulateRate, {cur(c.TaxPayment)}, socialContribution, 100},
            perEmployee(c.ProductivityByGoods, {cur(c.ProductQuantity)}),
            perEmployee(c.ProductivityBySalesIncome, {cur(c.SalesIncome)}),
            perEmployee(c.ProductivityByAdditamentValue, {cur(c.IndustryAdditament)}),
            perEmployee(c.ProductivityByProfit, {cur(c.ProfitAmount)}),
            perEmployee(c.ProductivityByProfitTax, {cur(c.TaxPayment), cur(c.RetainedProfit)}),
            perEmployee(c.MeanIndividualIncome, {cur(c.LaborageAmount)}),
        }};
    }();
    return table;
}

// The formula of an indicator ID compared by numeric value; nullptr for none of the 31.
const Formula* findFormula(double id) {
    const auto& table = formulas();
    auto it = std::lower_bound(table.begin(), table.end(), id,
                               [](const Formula& f, double v) { return f.id < v; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

const Formula& formulaOf(std::int16_t id) {
    return *findFormula(id);
}

}  // namespace

// A capability group: its indicators in scoring order and the lower bound of their band as a
// multiple of the weight (the upper bound is always 1.5 × weight).
struct CBaseAlgroithm::Group {
    struct Indicator {
        std::int16_t id;
        const char* name;
    };
    std::int16_t code;
    double lowerFactor;
    std::vector<Indicator> indicators;
    bool trapsErrors;  // the operation group reports a calculation error and stops
};

namespace {

using Group = CBaseAlgroithm::Group;

// The four groups by code 1-4, indicators in the order they are computed, scored and asked
// about.
const Group& groupOf(int code) {
    static const std::array<Group, 4> groups = [] {
        const CConstants& c = ids();
        return std::array<Group, 4>{{
            {1,
             0,
             {{c.NetCapitalLucreRatio, "净资产收益率"},
              {c.TotalCapitalRewardRatio, "总资产报酬率"},
              {c.MainOperationProfitRatio, "主营业务利润率"},
              {c.CapitalProfitRatio, "资本收益率"},
              {c.MainOperationGrossProfitRatio, "主营业务毛利率"},
              {c.CostPorfitRatio, "成本费用利润率"}},
             false},
            {2,
             0.5,
             {{c.CapitalLiabilitiesRatio, "资产负债率"},
              {c.LiquidityRatio, "流动比率"},
              {c.QuickAssetsRatio, "速动比率"},
              {c.CashLiabilitiesRatio, "现金流动负债比率"},
              {c.InventoryTurnoverRatio, "存货周转率"},
              {c.ReceivablesTurnoverRatio, "应收帐款周转率"},
              {c.GainedAccrualMultiple, "已获利息倍数"},
              {c.ProductSaledRateByGoods, "产品销售率（实物）"},
              {c.ProductSaledRateByValue, "产品销售率（产值）"}},
             true},
            {3,
             -0.5,
             {{c.SalesIncomeIncreaseRate, "销售收入增长率"},
              {c.ProfitIncreaseRate, "利润增长率"},
              {c.TotalCapitalIncreaseRate, "总资产增长率"},
              {c.NetCapitalIncreaseRate, "资本保值增长率"},
              {c.CapitalAssetIncreaseRate, "固定资产增长率"},
              {c.CapitalAssetNewBuildRate, "固定资产成新率"},
              {c.CashFlowIncreaseRate, "经营活动产生的现金净流量增长率"},
              {c.ReasearchFeeRate, "研发费用率"}},
             false},
            {4,
             -0.5,
             {{c.SocialContribureRate, "社会贡献率"},
              {c.SocialAccumulateRate, "社会积累率"},
              {c.ProductivityByGoods, "劳动生产率（实物）"},
              {c.ProductivityBySalesIncome, "劳动生产率（销售收入）"},
              {c.ProductivityByAdditamentValue, "劳动生产率（增加值）"},
              {c.ProductivityByProfit, "劳动生产率（利润）"},
              {c.ProductivityByProfitTax, "劳动生产率（利税）"},
              {c.MeanIndividualIncome, "人均收入"}},
             false},
        }};
    }();
    return groups[code - 1];
}

}  // namespace

void CBaseAlgroithm::setInitValue(std::int16_t PeriodType_, std::int16_t fromYear_,
                                  std::int16_t toYear_, std::int16_t fromPeriod_,
                                  std::int16_t toPeriod_) {
    // A range the calendar refuses, or a failed read, keeps the previous range and its data.
    CCalendar next = calendar;
    if (!next.SetCalendar(PeriodType_, fromYear_, toYear_, fromPeriod_, toPeriod_)) return;
    const int P = CCalendar::PeriodsPerYear(PeriodType_);
    const std::int16_t perYear = P ? std::int16_t(P) : periodsPerYear;

    // One read for the whole range and the period before it, which the averages and growth
    // rates of the range's first period need.
    PeriodKey first = prevPeriodKey(fromYear_, fromPeriod_, perYear);
    if (!inInt16(first.Year)) first = {fromYear_, fromPeriod_};
    CBaseDataDAO dao;
    BaseDataMap data = dao.getBaseData(PeriodType_, std::int16_t(first.Year), toYear_,
                                       std::int16_t(first.Period), toPeriod_);

    calendar = next;
    baseDataMap = std::move(data);
    PeriodType = PeriodType_;
    fromYear = fromYear_;
    toYear = toYear_;
    fromPeriod = fromPeriod_;
    toPeriod = toPeriod_;
    periodsPerYear = perYear;
}

CBaseAlgroithm::PeriodKey CBaseAlgroithm::getPrevPeriodKey(int Year, int Period) const {
    return prevPeriodKey(Year, Period, periodsPerYear);
}

CBaseAlgroithm::PeriodKey CBaseAlgroithm::prevPeriodKey(int Year, int Period, int perYear) {
    return Period == 1 ? PeriodKey{Year - 1, perYear} : PeriodKey{Year, Period - 1};
}

CBaseAlgroithm::PeriodKey CBaseAlgroithm::nextPeriod(PeriodKey p) const {
    return p.Period == periodsPerYear ? PeriodKey{p.Year + 1, 1} : PeriodKey{p.Year, p.Period + 1};
}

int CBaseAlgroithm::periodCount() const {
    return std::max(0, calendar.GetAmount());
}

bool CBaseAlgroithm::compute(const Formula& f, int Year, int Period, double& result) const {
    const PeriodKey before = getPrevPeriodKey(Year, Period);
    auto amount = [this](int item, int year, int period) -> const double* {
        return inInt16(year) && inInt16(period) ? baseDataMap.Find(item, year, period) : nullptr;
    };
    // A missing required operand or a non-finite amount fails the formula.
    auto termValue = [&](const Term& t, double& v) {
        const double* a = t.kind == Kind::Previous ? amount(t.item, before.Year, before.Period)
                                                   : amount(t.item, Year, Period);
        if (!a) return false;
        v = *a;
        if (t.kind == Kind::Average) {
            const double* p = amount(t.item, before.Year, before.Period);
            v = (v + (p ? *p : v)) / 2;
        }
        v *= t.sign;
        return std::isfinite(v);
    };
    auto sum = [&](const Sum& s, double& total) {
        total = 0;
        for (int i = 0; i < s.count; ++i) {
            double v;
            if (!termValue(s.terms[i], v)) return false;
            total += v;
        }
        return std::isfinite(total);
    };
    double numerator, denominator;
    if (!sum(f.numerator, numerator) || !sum(f.denominator, denominator) || denominator == 0)
        return false;
    result = numerator / denominator * f.scale;
    return std::isfinite(result);
}

std::string CBaseAlgroithm::evaluate(const Formula& f, int Year, int Period) const {
    double value;
    return compute(f, Year, Period, value) ? platform::Format00(value) : "-";
}

#define CAL_METHOD(Name)                                                                  \
    std::string CBaseAlgroithm::Cal##Name(std::int16_t Year, std::int16_t Period) const { \
        return evaluate(formulaOf(ids().Name), Year, Period);                             \
    }
CAL_METHOD(SocialContribureRate)
CAL_METHOD(SocialAccumulateRate)
CAL_METHOD(ProductivityByGoods)
CAL_METHOD(ProductivityBySalesIncome)
CAL_METHOD(ProductivityByAdditamentValue)
CAL_METHOD(ProductivityByProfit)
CAL_METHOD(ProductivityByProfitTax)
CAL_METHOD(MeanIndividualIncome)
CAL_METHOD(SalesIncomeIncreaseRate)
CAL_METHOD(ProfitIncreaseRate)
CAL_METHOD(TotalCapitalIncreaseRate)
CAL_METHOD(NetCapitalIncreaseRate)
CAL_METHOD(CapitalAssetIncreaseRate)
CAL_METHOD(CapitalAssetNewBuildRate)
CAL_METHOD(CashFlowIncreaseRate)
CAL_METHOD(ReasearchFeeRate)
CAL_METHOD(CapitalLiabilitiesRatio)
CAL_METHOD(LiquidityRatio)
CAL_METHOD(QuickAssetsRatio)
CAL_METHOD(CashLiabilitiesRatio)
CAL_METHOD(InventoryTurnoverRatio)
CAL_METHOD(ReceivablesTurnoverRatio)
CAL_METHOD(GainedAccrualMultiple)
CAL_METHOD(ProductSaledRateByGoods)
CAL_METHOD(ProductSaledRateByValue)
CAL_METHOD(NetCapitalLucreRatio)
CAL_METHOD(TotalCapitalRewardRatio)
CAL_METHOD(MainOperationProfitRatio)
CAL_METHOD(CapitalProfitRatio)
CAL_METHOD(MainOperationGrossProfitRatio)
CAL_METHOD(CostPorfitRatio)
#undef CAL_METHOD

std::vector<std::string> CBaseAlgroithm::getIndicators(double ItemID) const {
    const int n = periodCount();
    std::vector<std::string> texts(static_cast<std::size_t>(n) + 1);
    const Formula* f = findFormula(ItemID);
    if (!f) return texts;
    PeriodKey p{fromYear, fromPeriod};
    for (int i = 0; i < n; ++i, p = nextPeriod(p)) texts[i] = evaluate(*f, p.Year, p.Period);
    return texts;
}

std::vector<std::string> CBaseAlgroithm::CalIntegrationCapability(std::int16_t group,
                                                                  std::int16_t level) {
    switch (group) {
        case 1:
            return CalProfitCapability(level);
        case 2:
            return CalOperationCapability(level);
        case 3:
            return CalDevelopCapability(level);
        case 4:
            return CalContributeCapability(level);
        default:
            return {};
    }
}

std::vector<std::string> CBaseAlgroithm::CalProfitCapability(std::int16_t level) {
    return scoreGroup(groupOf(1), level);
}

std::vector<std::string> CBaseAlgroithm::CalOperationCapability(std::int16_t level) {
    return scoreGroup(groupOf(2), level);
}

std::vector<std::string> CBaseAlgroithm::CalDevelopCapability(std::int16_t level) {
    return scoreGroup(groupOf(3), level);
}

std::vector<std::string> CBaseAlgroithm::CalContributeCapability(std::int16_t level) {
    return scoreGroup(groupOf(4), level);
}

std::vector<std::string> CBaseAlgroithm::scoreGroup(const Group& group, std::int16_t level) {
    {
        CBaseDataDAO dao;
        weightMap = dao.getItemWeightMap(group.code, level);
    }
    auto readMark = [](double (*parse)(const std::string&), const std::string& text) {
        Mark mark;
        try {
            mark.value = parse(text);
        } catch (const platform::RuntimeError& e) {
            mark.error = e.what();
        }
        return mark;
    };
    std::vector<Benchmark> marks;
    for (const auto& indicator : group.indicators) {
        const auto entry = weightMap.find(indicator.id);
        const std::string text = entry != weightMap.end() ? entry->second : std::string();
        marks.push_back({readMark(getBaseValue, text), readMark(getWeightValue, text)});
    }

    const int n = periodCount();
    std::vector<std::string> texts(static_cast<std::size_t>(n) + 1);
    PeriodKey p{fromYear, fromPeriod};
    for (int i = 0; i < n; ++i, p = nextPeriod(p)) {
        try {
            double sum = 0;
            texts[i] = scorePeriod(group, marks, p, sum) ? platform::Format00(sum) : "-";
        } catch (const platform::RuntimeError&) {
            if (!group.trapsErrors) {
                // Only reachable past the benchmark checks (a benchmark of 0, numbers at the
                // limits of double precision): the period is left out silently.
                texts[i] = "-";
                continue;
            }
            platform::MsgBox(kOperationError);
            std::fill(texts.begin() + i, texts.begin() + n, "-");
            return texts;
        }
    }
    return texts;
}

bool CBaseAlgroithm::scorePeriod(const Group& group, const std::vector<Benchmark>& marks,
                                 PeriodKey p, double& sum) const {
    // Every value of the group first, then the scores in table order. A value is scored as the
    // two-decimal number its text shows.
    const std::size_t count = group.indicators.size();
    std::array<bool, 9> present{};
    std::array<double, 9> values{};
    for (std::size_t k = 0; k < count; ++k) {
        double raw;
        present[k] = compute(formulaOf(group.indicators[k].id), p.Year, p.Period, raw);
        if (present[k]) values[k] = textValue(platform::Format00(raw));
    }

    sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const auto& indicator = group.indicators[k];
        const Benchmark& mark = marks[k];
        const double w = mark.weight.get();
        double score = 0;
        if (present[k] && w != 0) {
            if (indicator.id == ids().CapitalLiabilitiesRatio)
                score = CalInverseScore(values[k], mark);
            else if (indicator.id == ids().SocialContribureRate)
                score = CalIndicatorScore(values[k], mark, 30, -10);
            else
                score = CalIndicatorScore(values[k], mark, checked(1.5 * w),
                                          checked(group.lowerFactor * w));
        } else if (!ConfirmMissingData(mark, p.Year, p.Period, indicator.name, group.code)) {
            return false;
        }
        sum = checked(sum + score);
    }
    return true;
}

double CBaseAlgroithm::Mark::get() const {
    if (!error.empty()) throw platform::RuntimeError(error);
    return value;
}

double CBaseAlgroithm::CalIndicatorScore(double value, const Benchmark& mark, double upper,
                                         double lower) {
    const double b = mark.base.get();
    const double w = mark.weight.get();
    return ClampValue(checked(w * divide(value, b)), upper, lower);
}

// A cost-type indicator: the lower the value against its benchmark, the higher the score.
double CBaseAlgroithm::CalInverseScore(double value, const Benchmark& mark) {
    const double b = mark.base.get();
    const double w = mark.weight.get();
    return ClampValue(checked(divide(100 - value, 100 - b) * w), checked(1.5 * w),
                      checked(0.5 * w));
}

bool CBaseAlgroithm::ConfirmMissingData(const Benchmark& mark, int year, int period,
                                        const std::string& name, int group) const {
    if (mark.weight.get() == 0) return true;
    const std::string prompt = "缺少计算" + Utils::GetPeriodString(PeriodType, year, period) +
                               name + "的基础数据，”OK“将忽略" + name +
                               "，”Cancel” 将不计算该期的" + Utils::GetCapabilityName(group) + ".";
    return platform::MsgBox(prompt, platform::MsgButtons::OKCancel, "提示") ==
           platform::MsgResult::OK;
}

double CBaseAlgroithm::getBaseValue(const std::string& weightText) {
    return platform::CDbl(platform::Trim(weightText.substr(0, weightText.find('/'))));
}

double CBaseAlgroithm::getWeightValue(const std::string& weightText) {
    const std::size_t slash = weightText.find('/');
    if (slash == std::string::npos) throw platform::RuntimeError("下标越界");
    return platform::CDbl(platform::Trim(weightText.substr(slash + 1)));
}

double CBaseAlgroithm::ClampValue(double x, double upper, double lower) {
    if (x > upper) return upper;
    if (x < lower) return lower;
    return x;
}
