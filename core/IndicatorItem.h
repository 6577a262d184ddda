// One indicator's definition as the views list it. The level and weight fields are never
// filled: levels and weights reach the scoring through the weight map.
#pragma once

#include <cstdint>
#include <string>

class IndicatorItem {
public:
    void setItemID(std::int16_t v) { ItemID = v; }
    std::int16_t getItemID() const { return ItemID; }
    void setItemName(const std::string& v) { ItemName = v; }
    const std::string& getItemName() const { return ItemName; }
    void setUnit(const std::string& v) { Unit = v; }
    const std::string& getUnit() const { return Unit; }
    void setHistoryBestLevel(double v) { HistoryBestLevel = v; }
    double getHistoryBestLevel() const { return HistoryBestLevel; }
    void setStandardLevel(double v) { StandardLevel = v; }
    double getStandardLevel() const { return StandardLevel; }
    void setIndustryMeanLevel(double v) { IndustryMeanLevel = v; }
    double getIndustryMeanLevel() const { return IndustryMeanLevel; }
    void setIndustryLeadLevel(double v) { IndustryLeadLevel = v; }
    double getIndustryLeadLevel() const { return IndustryLeadLevel; }
    void setNationalStandardLevel(double v) { NationalStandardLevel = v; }
    double getNationalStandardLevel() const { return NationalStandardLevel; }
    void setInternationalLevel(double v) { InternationalLevel = v; }
    double getInternationalLevel() const { return InternationalLevel; }
    void setSingleWeight(double v) { SingleWeight = v; }
    double getSingleWeight() const { return SingleWeight; }

private:
    std::int16_t ItemID = 0;
    std::string ItemName;
    std::string Unit;
    double HistoryBestLevel = 0;
    double StandardLevel = 0;
    double IndustryMeanLevel = 0;
    double IndustryLeadLevel = 0;
    double NationalStandardLevel = 0;
    double InternationalLevel = 0;
    double SingleWeight = 0;
};
