// The item IDs of the statement lines and indicators, as named constants, and the product title.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CConstants {
public:
    const std::string SystemTitle = "Pravelta";

    // Balance sheet
    const std::int16_t CurrencyCapital = 101;
    const std::int16_t ShortTermInvest = 102;
    const std::int16_t NetReceivables = 103;
    const std::int16_t NetInventoryCash = 104;
    const std::int16_t CurrentAsset = 105;
    const std::int16_t CapitalAssert = 106;
    const std::int16_t NetCapitalAssert = 107;
    const std::int16_t CapitalAmount = 108;
    const std::int16_t CurrentLiabilities = 109;
    const std::int16_t LiabilitiesAmount = 110;
    const std::int16_t PaiclUpCapital = 111;
    const std::int16_t NetCapital = 112;
    // Income statement
    const std::int16_t SalesIncome = 201;
    const std::int16_t SalesCost = 202;
    const std::int16_t SalesTaxAndAdrate = 203;
    const std::int16_t SalesFee = 204;
    const std::int16_t ManagementFee = 205;
    const std::int16_t FinanceFee = 206;
    const std::int16_t ProfitAmount = 207;
    const std::int16_t IncomeTax = 208;
    const std::int16_t RetainedProfit = 209;
    // Cash-flow statement
    const std::int16_t NetCashFlow = 301;
    const std::int16_t EmployeePayment = 302;
    const std::int16_t TaxPayment = 303;
    const std::int16_t NetCashAddition = 304;
    // Statistical report
    const std::int16_t IndustryAdditament = 401;
    const std::int16_t IndustryValueAmount = 402;
    const std::int16_t IndustrySalesValue = 403;
    const std::int16_t ProductQuantity = 404;
    const std::int16_t SalesQuantity = 405;
    const std::int16_t LaborageAmount = 406;
    const std::int16_t AccrualOutLay = 407;
    const std::int16_t ResearchFee = 408;
    const std::int16_t EmployeeAmount = 409;
    // Profitability
    const std::int16_t NetCapitalLucreRatio = 1001;
    const std::int16_t TotalCapitalRewardRatio = 1002;
    const std::int16_t MainOperationProfitRatio = 1003;
    const std::int16_t CapitalProfitRatio = 1004;
    const std::int16_t MainOperationGrossProfitRatio = 1005;
    const std::int16_t CostPorfitRatio = 1006;
    // Operation
    const std::int16_t CapitalLiabilitiesRatio = 2001;
    const std::int16_t LiquidityRatio = 2002;
    const std::int16_t QuickAssetsRatio = 2003;
    const std::int16_t CashLiabilitiesRatio = 2004;
    const std::int16_t InventoryTurnoverRatio = 2005;
    const std::int16_t ReceivablesTurnoverRatio = 2006;
    const std::int16_t GainedAccrualMultiple = 2007;
    const std::int16_t ProductSaledRateByGoods = 2008;
    const std::int16_t ProductSaledRateByValue = 2009;
    // Development
    const std::int16_t SalesIncomeIncreaseRate = 3001;
    const std::int16_t ProfitIncreaseRate = 3002;
    const std::int16_t TotalCapitalIncreaseRate = 3003;
    const std::int16_t NetCapitalIncreaseRate = 3004;
    const std::int16_t CapitalAssetIncreaseRate = 3005;
    const std::int16_t CapitalAssetNewBuildRate = 3006;
    const std::int16_t CashFlowIncreaseRate = 3007;
    const std::int16_t ReasearchFeeRate = 3008;
    // Contribution
    const std::int16_t SocialContribureRate = 4001;
    const std::int16_t SocialAccumulateRate = 4002;
    const std::int16_t ProductivityByGoods = 4003;
    const std::int16_t ProductivityBySalesIncome = 4004;
    const std::int16_t ProductivityByAdditamentValue = 4005;
    const std::int16_t ProductivityByProfit = 4006;
    const std::int16_t ProductivityByProfitTax = 4007;
    const std::int16_t MeanIndividualIncome = 4008;

    // All 65 IDs in member order.
    std::array<std::int16_t, 65> AllIds() const;
};
