#include "core/CConstants.h"

std::array<std::int16_t, 65> CConstants::AllIds() const {
    return {CurrencyCapital, ShortTermInvest, NetReceivables, NetInventoryCash, CurrentAsset,
            CapitalAssert, NetCapitalAssert, CapitalAmount, CurrentLiabilities,
            LiabilitiesAmount, PaiclUpCapital, NetCapital, SalesIncome, SalesCost,
            SalesTaxAndAdrate, SalesFee, ManagementFee, FinanceFee, ProfitAmount, IncomeTax,
            RetainedProfit, NetCashFlow, EmployeePayment, TaxPayment, NetCashAddition,
            IndustryAdditament, IndustryValueAmount, IndustrySalesValue, ProductQuantity,
            SalesQuantity, LaborageAmount, AccrualOutLay, ResearchFee, EmployeeAmount,
            NetCapitalLucreRatio, TotalCapitalRewardRatio, MainOperationProfitRatio,
            CapitalProfitRatio, MainOperationGrossProfitRatio, CostPorfitRatio,
            CapitalLiabilitiesRatio, LiquidityRatio, QuickAssetsRatio, CashLiabilitiesRatio,
            InventoryTurnoverRatio, ReceivablesTurnoverRatio, GainedAccrualMultiple,
            ProductSaledRateByGoods, ProductSaledRateByValue, SalesIncomeIncreaseRate,
            ProfitIncreaseRate, TotalCapitalIncreaseRate, NetCapitalIncreaseRate,
            CapitalAssetIncreaseRate, CapitalAssetNewBuildRate, CashFlowIncreaseRate,
            ReasearchFeeRate, SocialContribureRate, SocialAccumulateRate, ProductivityByGoods,
            ProductivityBySalesIncome, ProductivityByAdditamentValue, ProductivityByProfit,
            ProductivityByProfitTax, MeanIndividualIncome};
}
