// Number and text rules the forms and the core share: fixed "0.00" formatting, the
// 15-significant-digit number text, the numeric test, conversions and Trim. The point is the
// decimal point whatever the process locale: no setlocale (by a plugin or an input method) may
// change how an amount is read or written.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// A run-time error of the program's own arithmetic and conversions: "溢出" (overflow) or
// "类型不匹配" (a text that is not the number or type expected).
class RuntimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Two decimals, at least one digit before the point, leading "-" when negative, no
// separators. The value is first taken to 15 significant digits, as the user reads it; halfway
// values then round away from zero (2.675 gives 2.68).
// A non-finite value gives "-", the text of a value that cannot be computed.
std::string Format00(double value);

// The number as text with at most 15 significant digits and no trailing zeros
// (0.1 + 0.2 gives "0.3", 20 gives "20", 2.5 gives "2.5"); exponent form "1E+20" from 1e15 on
// and below 1e-4. Non-finite values give "".
std::string NumToText(double value);

// Rounds a double to 15 significant digits (what NumToText shows), so sums such as
// 0.1 + 0.2 + 0.3 store exactly what the user would read: 0.6.
double Round15(double value);

// Blanks (spaces) removed at both ends / the left / the right; other characters stay.
std::string Trim(const std::string& s);
std::string LTrim(const std::string& s);
std::string RTrim(const std::string& s);

// True when the whole text, blanks trimmed, reads as a decimal number: an optional sign,
// digits with an optional decimal point (or a point and digits), an optional exponent.
bool IsNumeric(const std::string& text);
// A year as the windows take it: digits with at most a sign in front, nothing else (no point,
// no exponent, no blanks). Its length is the caller's check.
bool IsYearText(const std::string& s);

// The value of a numeric text (IsNumeric); throws RuntimeError("类型不匹配") otherwise and
// RuntimeError("溢出") when the value does not fit a double.
double CDbl(const std::string& text);

// Nearest 16-bit integer, a value exactly halfway going to the even neighbour; throws
// RuntimeError("溢出") outside -32768..32767 or for a non-finite value.
std::int16_t CInt(double value);
std::int16_t CInt(const std::string& text);

// Like CInt but reports failure instead of throwing.
bool TryCInt(double value, std::int16_t& out);

// Checked narrowing of an integer to 16 bits; throws RuntimeError("溢出").
std::int16_t ToInt16(long long value);

}  // namespace platform
