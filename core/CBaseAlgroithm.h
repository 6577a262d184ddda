// The evaluator: loads the base data of one period range (plus the period before it) in a
// single read and answers the 31 indicator formulas and the composite capability scores of the
// four groups from memory. Every result is text: "0.00"-formatted, "-" when an operand is
// missing or the arithmetic fails, "" in unfilled slots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BaseDataMap.h"
#include "core/CBaseDataDAO.h"
#include "core/CCalendar.h"
#include "core/ValueRecords.h"

class CBaseAlgroithm {
  public:
    // The formula and capability-group tables, defined beside the code that reads them.
    struct Formula;
    struct Group;

    // Sets the range and loads its base data, widened by the period before it.
    void setInitValue(std::int16_t PeriodType, std::int16_t fromYear, std::int16_t toYear,
                      std::int16_t fromPeriod, std::int16_t toPeriod);

    // The base data setInitValue loaded: the range and the period before it.
    const BaseDataMap& BaseData() const { return baseDataMap; }

    // Write-only replacements of the statement value holders; no formula reads them.
    void CapitalTable(const CCapitalTable& table) { capitalTable = table; }
    void CashFlowTable(const CCashFlowTable& table) { cashFlowTable = table; }
    void InterestTable(const CInterestTable& table) { interestTable = table; }
    void StatisticTable(const CStatisticTable& table) { statisticTable = table; }

    std::string CalSocialContribureRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalSocialAccumulateRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductivityByGoods(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductivityBySalesIncome(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductivityByAdditamentValue(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductivityByProfit(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductivityByProfitTax(std::int16_t Year, std::int16_t Period) const;
    std::string CalMeanIndividualIncome(std::int16_t Year, std::int16_t Period) const;
    std::string CalSalesIncomeIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalProfitIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalTotalCapitalIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalNetCapitalIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalCapitalAssetIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalCapitalAssetNewBuildRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalCashFlowIncreaseRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalReasearchFeeRate(std::int16_t Year, std::int16_t Period) const;
    std::string CalCapitalLiabilitiesRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalLiquidityRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalQuickAssetsRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalCashLiabilitiesRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalInventoryTurnoverRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalReceivablesTurnoverRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalGainedAccrualMultiple(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductSaledRateByGoods(std::int16_t Year, std::int16_t Period) const;
    std::string CalProductSaledRateByValue(std::int16_t Year, std::int16_t Period) const;
    std::string CalNetCapitalLucreRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalTotalCapitalRewardRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalMainOperationProfitRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalCapitalProfitRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalMainOperationGrossProfitRatio(std::int16_t Year, std::int16_t Period) const;
    std::string CalCostPorfitRatio(std::int16_t Year, std::int16_t Period) const;

    // One text per period of the range plus an empty last slot. The ID is compared by numeric
    // value (1001 and 1001.0 select the same formula); an unknown ID leaves every slot empty.
    std::vector<std::string> getIndicators(double ItemID) const;

    // The composite score of a capability group (1-4) per period against a benchmark level,
    // plus an empty last slot; any other group gives no elements. May ask the missing-data
    // question and, for the operation group, report a calculation error.
    std::vector<std::string> CalIntegrationCapability(std::int16_t group, std::int16_t level);

  private:
    // Periods are stepped in int so that a range reaching the end of the 16-bit years cannot
    // wrap around.
    struct PeriodKey {
        int Year;
        int Period;
    };

    PeriodKey getPrevPeriodKey(int Year, int Period) const;
    static PeriodKey prevPeriodKey(int Year, int Period, int perYear);
    PeriodKey nextPeriod(PeriodKey p) const;
    int periodCount() const;
    std::string evaluate(const Formula& f, int Year, int Period) const;
    // The formula's value for one period; false when an operand is missing or the arithmetic
    // fails.
    bool compute(const Formula& f, int Year, int Period, double& result) const;

    std::vector<std::string> CalProfitCapability(std::int16_t level);
    std::vector<std::string> CalOperationCapability(std::int16_t level);
    std::vector<std::string> CalDevelopCapability(std::int16_t level);
    std::vector<std::string> CalContributeCapability(std::int16_t level);
    std::vector<std::string> scoreGroup(const Group& group, std::int16_t level);
    // One indicator's benchmark value and weight, read from its weight-map text once per
    // scoring call. A part that does not read as a number keeps its error until it is used.
    struct Mark {
        double value = 0;
        std::string error;
        double get() const;
    };
    struct Benchmark {
        Mark base, weight;
    };
    // Scores one period; throws platform::RuntimeError on an arithmetic fault. False when the
    // user chose to leave the period out.
    bool scorePeriod(const Group& group, const std::vector<Benchmark>& marks, PeriodKey p,
                     double& sum) const;
    static double CalIndicatorScore(double value, const Benchmark& mark, double upper,
                                    double lower);
    static double CalInverseScore(double value, const Benchmark& mark);
    bool ConfirmMissingData(const Benchmark& mark, int year, int period, const std::string& name,
                            int group) const;
    static double getBaseValue(const std::string& weightText);
    static double getWeightValue(const std::string& weightText);
    static double ClampValue(double x, double upper, double lower);

    CCapitalTable capitalTable;
    CCashFlowTable cashFlowTable;
    CInterestTable interestTable;
    CStatisticTable statisticTable;
    BaseDataMap baseDataMap;
    WeightMap weightMap;
    CCalendar calendar;
    std::int16_t PeriodType = 0;
    std::int16_t fromYear = 0;
    std::int16_t toYear = 0;
    std::int16_t fromPeriod = 0;
    std::int16_t toPeriod = 0;
    std::int16_t periodsPerYear = 0;
};
