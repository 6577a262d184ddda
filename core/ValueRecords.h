// Value holders of the four statements and the four indicator groups. CBaseAlgroithm owns one
// of each statement kind; no computation reads them (the formulas read the base-data map).
#pragma once

#include <cstdint>

struct CCapitalTable {
    std::int16_t CurrencyCapital = 0, ShortTermInvest = 0, NetReceivables = 0,
                 NetInventoryCash = 0, CurrentAsset = 0, CapitalAssert = 0, NetCapitalAssert = 0,
                 CapitalAmount = 0, CurrentLiabilities = 0, LiabilitiesAmount = 0,
                 PaiclUpCapital = 0;
};

struct CInterestTable {
    std::int16_t SalesIncome = 0, SalesCost = 0, SalesTaxAndAdrate = 0, SalesFee = 0,
                 ManagementFee = 0, FourSmallTax = 0, FinanceFee = 0, ProfitAmount = 0,
                 IncomeTax = 0, RetainedProfit = 0;
};

struct CCashFlowTable {
    std::int16_t NetCashFlow = 0, NetCashAddition = 0;
};

struct CStatisticTable {
    std::int16_t IndustryAdditament = 0, IndustryValueAmount = 0, IndustrySalesValue = 0,
                 ProductQuantity = 0, SalesQuantity = 0, LaborageAmount = 0, SocialWelfare = 0,
                 AccrualOutLay = 0, TaxAmount = 0, EmployeeAmount = 0, ResearchFee = 0;
};

struct CProfitIndicator {
    double NetCapitalLucreRatio = 0, TotalCapitalRewardRatio = 0, ProductSaleProfitRatio = 0,
           IncomePerShare = 0, SalesGrossProfitRatio = 0, CostPorfitRatio = 0;
};

struct COperationIndicator {
    double CapitalLiabilitiesRatio = 0, LiquidityRatio = 0, QuickAssetsRatio = 0, CashRatio = 0,
           InventoryTurnoverDays = 0, ReceivablesTurnoverDays = 0, GainedAccrualMultiple = 0,
           ProductSaledRateByGoods = 0, ProductSaledRateByValue = 0;
};

struct CDevelopIndicator {
    double SalesIncomeIncreaseRate = 0, ProfitIncreaseRate = 0, TotalCapitalIncreaseRate = 0,
           NetCapitalIncreaseRate = 0, TotalCashIncreaseRate = 0, CashFlowIncreaseRate = 0,
           CapitalAssetIncreaseRate = 0, CapitalAssetNewBuildRate = 0, ReasearchFeeRate = 0;
};

struct CContributeIndicator {
    double SocialContribureRate = 0, SocialAccumulateRate = 0, ProductivityByGoods = 0,
           ProductivityByAdditamentValue = 0, ProductivityByProfit = 0,
           ProductivityByProfitTax = 0, MeanIndividualIncome = 0;
};
