// The values of the DuPont tree for one period: the return on equity from the evaluator, every
// other node from the base data of the period and of the period before it, or from the texts
// of nodes computed before it (so that a quotient carries the rounding of what is displayed).
#pragma once

#include <array>
#include <cstdint>
#include <string>

class DupontNodes {
  public:
    static constexpr int kCount = 31;
    // Node texts by value-label number: Text(1) is lsValue1 (净资产收益率). Each is "0.00"
    // formatted, "-" when its divisor is 0 or the result is out of range (the return on equity
    // also when the evaluator cannot compute it), or empty when an operand is missing.
    using Texts = std::array<std::string, kCount + 1>;  // slot 0 unused

    // Reads the two periods and computes every node; periodType 1-4.
    static Texts Compute(std::int16_t periodType, std::int16_t year, std::int16_t period);
};
