#include "platform/Runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/CommaDecimalLocale.h"

using namespace platform;

TEST(Format00, TwoDecimalsHalfAwayFromZero) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {12.5, "12.50"},      {0.25, "0.25"},     {-3.1, "-3.10"},     {100, "100.00"},
        {0, "0.00"},          {0.125, "0.13"},    {-0.125, "-0.13"},   {2.675, "2.68"},
        {1.005, "1.01"},      {0.005, "0.01"},    {0.0049, "0.00"},    {99.995, "100.00"},
        {-99.995, "-100.00"}, {0.994, "0.99"},    {-0.001, "0.00"},    {1e-300, "0.00"},
        {1e20, "100000000000000000000.00"},       {123456789.125, "123456789.13"},
        {0.1 + 0.2, "0.30"},  {1.0 / 3, "0.33"},  {-2.0 / 3, "-0.67"}, {9.999, "10.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format00(c.value), c.text) << c.value;
}

TEST(Format00, NonFiniteIsNotANumberText) {
    EXPECT_EQ(Format00(std::numeric_limits<double>::infinity()), "-");
    EXPECT_EQ(Format00(-std::numeric_limits<double>::infinity()), "-");
    EXPECT_EQ(Format00(std::nan("")), "-");
}

TEST(NumToText, FifteenSignificantDigitsNoTrailingZeros) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1 + 0.2, "0.3"},
        {20, "20"},
        {2.5, "2.5"},
        {-2.5, "-2.5"},
        {0, "0"},
        {15, "15"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {1e15, "1E+15"},
        {1e20, "1E+20"},
        {-1.5e16, "-1.5E+16"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {12345.678, "12345.678"},
        {100.1 - 0.1, "100"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumToText(c.value), c.text) << c.value;
}

TEST(Round15, SumsReadAsTheUserWouldTypeThem) {
    EXPECT_EQ(Round15(0.1 + 0.2 + 0.3), 0.6);
    EXPECT_NE(0.1 + 0.2 + 0.3, 0.6);  // the reason Round15 exists
    EXPECT_EQ(Round15(1234.5), 1234.5);
    EXPECT_EQ(Round15(-0.7 - 0.1), -0.8);
}

TEST(Trim, BlanksOnly) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\tx\t"), "\tx\t");
    EXPECT_EQ(LTrim("  x  "), "x  ");
    EXPECT_EQ(RTrim("  x  "), "  x");
    EXPECT_EQ(Trim(" 公司 "), "公司");
}

TEST(IsNumeric, WholeTrimmedTextIsADecimalNumber) {
    const struct {
        const char* text;
        bool numeric;
    } cases[] = {
        {"2003", true},   {" 2003 ", true}, {"-5", true},     {"+5", true},    {"1.5", true},
        {".5", true},     {"5.", true},     {"1e5", true},    {"1E+5", true},  {"2.5e-3", true},
        {"9e99", true},   {"", false},      {"   ", false},   {".", false},    {"-", false},
        {"1e", false},    {"e5", false},    {"1,000", false}, {"12a", false},  {"a12", false},
        {"1 2", false},   {"--1", false},   {"0x10", false},  {"$12", false},  {"1.2.3", false},
        {"二〇〇三", false}, {"'", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNumeric(c.text), c.numeric) << c.text;
}

// The conversions every amount goes through, as one table so that it can run in any locale.
void ExpectConversionsReadThePointAsDecimalPoint() {
    const struct {
        const char* text;
        double value;
    } reads[] = {
        {" 12.5 ", 12.5},    {"-1e3", -1000},
        {"+7.", 7},          {".25", 0.25},
        {"2.5e-3", 0.0025},  {"1e-400", 0},
        {"-1e-400", 0},      {"4e-320", 4e-320},
        {"0.00001e-320", 0}, {"1e-99999999999999999999", 0},
    };
    for (const auto& c : reads) EXPECT_EQ(CDbl(c.text), c.value) << c.text;
    const std::string tooLarge[] = {"1e999", "-1.8e308", "1" + std::string(400, '0'), "0.01e311",
                                    "1e99999999999999999999"};
    for (const std::string& text : tooLarge) EXPECT_THROW(CDbl(text), RuntimeError) << text;
    EXPECT_THROW(CDbl("12,5"), RuntimeError);
    EXPECT_THROW(CDbl(""), RuntimeError);
    EXPECT_EQ(Round15(0.1 + 0.2 + 0.3), 0.6);
    EXPECT_EQ(Round15(-1.0 / 3), -0.333333333333333);
    EXPECT_EQ(Round15(std::numeric_limits<double>::max()), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumToText(-1.5e16), "-1.5E+16");
    EXPECT_EQ(NumToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(Format00(2.675), "2.68");
}

TEST(CDbl, ConvertsWithThePointAndRefusesOtherText) {
    ExpectConversionsReadThePointAsDecimalPoint();
}

// A library that switches the process to a comma-decimal locale changes nothing.
TEST(CDbl, AmountsReadTheSameInACommaDecimalLocale) {
    CommaDecimalLocale comma;
    if (!comma.failure().empty()) GTEST_SKIP() << comma.failure();
    ExpectConversionsReadThePointAsDecimalPoint();
}

TEST(CInt, NearestWithHalvesToEvenAndRangeChecks) {
    const struct {
        double value;
        int expected;
    } cases[] = {{2.5, 2},      {3.5, 4},        {-2.5, -2},       {2.4, 2},
                 {2.6, 3},      {32767.4, 32767}, {-32768.5, -32768}, {2003, 2003}};
    for (const auto& c : cases) EXPECT_EQ(CInt(c.value), c.expected) << c.value;
    EXPECT_THROW(CInt(32767.5), RuntimeError);
    EXPECT_THROW(CInt(-32769.0), RuntimeError);
    EXPECT_THROW(CInt(1e5), RuntimeError);
    EXPECT_THROW(CInt(std::nan("")), RuntimeError);
    EXPECT_THROW(CInt("9e99"), RuntimeError);
    EXPECT_THROW(CInt("abc"), RuntimeError);
    EXPECT_EQ(CInt(" 2004 "), 2004);
    std::int16_t out = 7;
    EXPECT_FALSE(TryCInt(70000, out));
    EXPECT_EQ(out, 7);
    EXPECT_EQ(ToInt16(-32768), -32768);
    EXPECT_THROW(ToInt16(32768), RuntimeError);
}
