#include "platform/Runtime.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace platform {
namespace {

const char* const kTypeMismatch = "类型不匹配";
const char* const kOverflow = "溢出";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Moves `i` past a sign, if one stands there.
void skipSign(const std::string& s, std::size_t& i) {
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
}

// Moves `i` past a run of digits; returns how many there were.
std::size_t skipDigits(const std::string& s, std::size_t& i) {
    const std::size_t from = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    return i - from;
}

// Decimal digits and exponent of |value| rounded to 15 significant digits:
// value = 0.d1d2...d15 * 10^exp10 (digits without trailing zeros).
struct Decimal {
    std::string digits;
    int exp10 = 0;
};

Decimal toDecimal15(double value) {
    char buf[64];
    // Same digits as printf's "%.14e" (both round the exact binary value), several times faster.
    *std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 14)
         .ptr = '\0';
    // buf: d.dddddddddddddde[+-]xx
    Decimal d;
    d.digits.push_back(buf[0]);
    const char* p = buf + 2;
    while (isDigit(*p)) d.digits.push_back(*p++);
    int e = std::atoi(p + 1);
    d.exp10 = e + 1;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits == "0") d.exp10 = 1;
    return d;
}

// Adds one unit at the last position of a digit string ("199" -> "200", "99" -> "100").
// Returns true when the string grew by one digit.
bool incrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// |value| × 100 rounded half away from zero, when the double product lies clearly away from a
// halfway point. Below 1e9 the product is off by less than 1e-5 and rounding to 15 significant
// digits moves the value by less than 1e-4 hundredths, so the result is the exact path's.
bool fastHundredths(double value, std::int64_t& hundredths) {
    const double t = std::fabs(value) * 100;
    if (!(t < 1e11)) return false;
    const double whole = std::floor(t);
    const double fraction = t - whole;
    if (std::fabs(fraction - 0.5) < 1e-3) return false;
    hundredths = static_cast<std::int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    return true;
}

// A decimal text too far from zero for a double, read by the C library in the C locale
// whatever the process locale: an infinity above the range, zero below it.
double readOutOfRange(std::string_view s) {
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return ::strtod_l(std::string(s).c_str(), nullptr, cLocale);
}

// The value of a decimal text (IsNumeric form, trimmed) read without the process locale, so
// that the point is the decimal point whatever setlocale has made of LC_NUMERIC. A value
// beyond a double gives an infinity; one too small for it gives zero.
double readDecimal(std::string_view s) {
    const bool negative = s.front() == '-';
    if (negative || s.front() == '+') s.remove_prefix(1);
    double v = 0;
    if (std::from_chars(s.data(), s.data() + s.size(), v).ec == std::errc::result_out_of_range)
        v = readOutOfRange(s);
    return negative ? -v : v;
}

}  // namespace

std::string Format00(double value) {
    if (!std::isfinite(value)) return "-";
    if (std::int64_t h; fastHundredths(value, h)) {
        char buf[32];
        char* p = buf;
        if (value < 0 && h != 0) *p++ = '-';
        p = std::to_chars(p, buf + sizeof buf, h / 100).ptr;
        *p++ = '.';
        *p++ = char('0' + h % 100 / 10);
        *p++ = char('0' + h % 10);
        return std::string(buf, p);
    }
    const Decimal d = toDecimal15(value);
    const int n = static_cast<int>(d.digits.size());
    auto digitAt = [&](int i) { return i < n ? d.digits[i] : '0'; };
    // |value| * 100 truncated, as digits, and the digit after it that decides the rounding.
    const int k = d.exp10 + 2;
    std::string scaled;
    char next = '0';
    if (k > 0) {
        for (int i = 0; i < k; ++i) scaled.push_back(digitAt(i));
        next = digitAt(k);
    } else {
        scaled = "0";
        next = k == 0 ? d.digits[0] : '0';
    }
    if (next >= '5') incrementDigits(scaled);
    if (scaled.size() < 3) scaled.insert(0, 3 - scaled.size(), '0');
    std::string intPart = scaled.substr(0, scaled.size() - 2);
    const std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    const bool isZero = scaled.find_first_not_of('0') == std::string::npos;
    return (value < 0 && !isZero ? "-" : "") + intPart + "." + scaled.substr(scaled.size() - 2);
}

std::string NumToText(double value) {
    if (!std::isfinite(value)) return "";
    if (value == 0) return "0";
    Decimal d = toDecimal15(value);
    std::string out = value < 0 ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    const int e = d.exp10;  // value = 0.digits * 10^e
    if (e > 15 || e < -3) {
        // d.ddd E+xx
        out += d.digits[0];
        if (n > 1) out += "." + d.digits.substr(1);
        int shown = e - 1;
        char buf[16];
        std::snprintf(buf, sizeof buf, "E%c%02d", shown < 0 ? '-' : '+', std::abs(shown));
        return out + buf;
    }
    if (e <= 0) return out + "0." + std::string(-e, '0') + d.digits;
    if (n <= e) return out + d.digits + std::string(e - n, '0');
    return out + d.digits.substr(0, e) + "." + d.digits.substr(e);
}

double Round15(double value) {
    if (!std::isfinite(value) || value == 0) return value;
    char buf[64];
    const char* end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    return readDecimal(std::string_view(buf, static_cast<std::size_t>(end - buf)));
}

std::string LTrim(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

std::string RTrim(const std::string& s) {
    std::size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string Trim(const std::string& s) {
    return LTrim(RTrim(s));
}

bool IsYearText(const std::string& s) {
    std::size_t i = 0;
    skipSign(s, i);
    return skipDigits(s, i) > 0 && i == s.size();
}

bool IsNumeric(const std::string& text) {
    const std::string s = Trim(text);
    const std::size_t n = s.size();
    std::size_t i = 0;
    skipSign(s, i);
    std::size_t digits = skipDigits(s, i);
    if (i < n && s[i] == '.') digits += skipDigits(s, ++i);
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        skipSign(s, ++i);
        if (skipDigits(s, i) == 0) return false;
    }
    return i == n;
}

double CDbl(const std::string& text) {
    if (!IsNumeric(text)) throw RuntimeError(kTypeMismatch);
    const double v = readDecimal(Trim(text));
    if (!std::isfinite(v)) throw RuntimeError(kOverflow);
    return v;
}

bool TryCInt(double value, std::int16_t& out) {
    if (!std::isfinite(value)) return false;
    double r = std::nearbyint(value);  // default rounding mode: halfway to even
    if (r < -32768.0 || r > 32767.0) return false;
    out = static_cast<std::int16_t>(r);
    return true;
}

std::int16_t CInt(double value) {
    std::int16_t out;
    if (!TryCInt(value, out)) throw RuntimeError(kOverflow);
    return out;
}

std::int16_t CInt(const std::string& text) {
    return CInt(CDbl(text));
}

std::int16_t ToInt16(long long value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(kOverflow);
    return static_cast<std::int16_t>(value);
}

}  // namespace platform
