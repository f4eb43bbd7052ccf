#include "text/numtext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velta::text {
namespace {

// The rounded decimal digits of a magnitude: digits[0] is the leading one (non-zero unless the
// value is zero), no trailing zeros; the value is 0.d1d2d3... x 10^(exponent + 1).
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// How a figure is laid out around its digits.
struct Layout {
    bool blankBeforePositive;  // short form: " 5"; locale form: "5"
    bool zeroBeforePoint;      // locale form keeps "0,5"; short form writes " .5"
    char separator;
    int fixedUpperExponent;    // positional form while exponent < this
};

constexpr int fixedLowerExponent = -5;  // positional form while exponent >= this

// Rounds |v| to `significant` digits with the locale-free std::to_chars and splits the result.
template <typename Real>
Decimal decompose(Real magnitude, int significant) {
    Decimal d;
    if (magnitude == Real(0)) {
        d.digits = "0";
        return d;
    }
    // Scientific form "d.ddd...e+XX": at most 1 + 1 + 16 + 1 + 1 + 3 characters for a double.
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                   std::chars_format::scientific, significant - 1);
    const char* p = buf.data();
    const char* end = res.ptr;
    while (p != end && *p != 'e') {
        if (*p != '.') d.digits.push_back(*p);
        ++p;
    }
    if (p != end) ++p;  // skip 'e'
    bool negativeExponent = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negativeExponent = (*p == '-');
        ++p;
    }
    int e = 0;
    std::from_chars(p, end, e);
    d.exponent = negativeExponent ? -e : e;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Writes the exponent as a sign and at least two digits ("E+16", "E-05", "E+308").
void appendExponent(std::string& out, int exponent) {
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out.push_back('0');
    out += std::to_string(magnitude);
}

// Lays out the rounded digits of a finite value in positional or exponent form.
std::string layOut(const Decimal& d, bool negative, const Layout& layout) {
    std::string out;
    if (negative)
        out.push_back('-');
    else if (layout.blankBeforePositive)
        out.push_back(' ');

    const auto count = static_cast<std::ptrdiff_t>(d.digits.size());
    const bool isZero = d.digits == "0";
    if (!isZero && (d.exponent >= layout.fixedUpperExponent || d.exponent < fixedLowerExponent)) {
        out.push_back(d.digits[0]);
        if (count > 1) {
            out.push_back(layout.separator);
            out.append(d.digits, 1, std::string::npos);
        }
        appendExponent(out, d.exponent);
        return out;
    }

    if (d.exponent >= 0) {
        // Integer part: the first exponent + 1 digits, padded with zeros when fewer are left.
        const std::ptrdiff_t intDigits = d.exponent + 1;
        if (count <= intDigits) {
            out += d.digits;
            out.append(static_cast<std::size_t>(intDigits - count), '0');
        } else {
            out.append(d.digits, 0, static_cast<std::size_t>(intDigits));
            out.push_back(layout.separator);
            out.append(d.digits, static_cast<std::size_t>(intDigits), std::string::npos);
        }
        return out;
    }
    // Below 1: the point, the zeros after it, then the digits.
    if (layout.zeroBeforePoint) out.push_back('0');
    out.push_back(layout.separator);
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += d.digits;
    return out;
}

// Text of a NaN or an infinity in the given layout.
std::string nonFinite(bool isNan, bool negative, bool blankBeforePositive) {
    if (isNan) return blankBeforePositive ? " NaN" : "NaN";
    if (negative) return "-inf";
    return blankBeforePositive ? " inf" : "inf";
}

template <typename Real>
std::string format(Real v, int significant, const Layout& layout) {
    const bool negative = std::signbit(v) && v != Real(0);  // negative zero reads as zero
    if (!std::isfinite(v)) return nonFinite(std::isnan(v), negative, layout.blankBeforePositive);
    return layOut(decompose(std::fabs(v), significant), negative, layout);
}

constexpr int doubleDigits = 15;
constexpr int floatDigits = 7;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string shortNumber(double v) {
    return format(v, doubleDigits, Layout{true, false, '.', doubleDigits});
}

std::string shortNumber(float v) {
    return format(v, floatDigits, Layout{true, false, '.', floatDigits});
}

std::string localeNumber(double v, char decimalSeparator) {
    return format(v, doubleDigits, Layout{false, true, decimalSeparator, doubleDigits});
}

std::string localeNumber(float v, char decimalSeparator) {
    return format(v, floatDigits, Layout{false, true, decimalSeparator, floatDigits});
}

std::string wholeNumberText(double v) {
    if (!std::isfinite(v)) return nonFinite(std::isnan(v), v < 0, true);
    const double whole = roundHalfEven(v);
    if (whole == 0) return " 0";  // also -0 and small negatives rounded to zero
    // DBL_MAX has 309 integer digits; fixed form with no fraction fits easily.
    std::array<char, 400> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(whole),
                                   std::chars_format::fixed, 0);
    std::string out(whole < 0 ? "-" : " ");
    out.append(buf.data(), res.ptr);
    return out;
}

double Int(double x) { return std::floor(x); }

double roundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    // x - trunc(x) is exact, so a half is recognised exactly; std::round is independent of
    // the floating-point rounding mode and handles everything that is not a half.
    const double t = std::trunc(x);
    const double frac = x - t;
    if (std::fabs(frac) != 0.5) return std::round(x);
    if (std::fmod(t, 2.0) == 0) return t;
    return t + (x < 0 ? -1.0 : 1.0);
}

std::optional<std::int16_t> toInt16(double x) {
    if (!std::isfinite(x)) return std::nullopt;
    const double r = roundHalfEven(x);
    if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> toInt32(double x) {
    if (!std::isfinite(x)) return std::nullopt;
    const double r = roundHalfEven(x);
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<double> parseDecimal(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;

    bool negative = false;
    if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
        negative = (text[begin] == '-');
        ++begin;
    }

    // Rebuild the number as "<int>.<frac>" so that std::from_chars sees one fixed layout.
    std::string normal;
    bool seenSeparator = false;
    bool seenDigit = false;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            seenDigit = true;
            normal.push_back(c);
        } else if ((c == '.' || c == ',') && !seenSeparator) {
            seenSeparator = true;
            normal.push_back('.');
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) return std::nullopt;
    if (normal.front() == '.') normal.insert(normal.begin(), '0');
    if (normal.back() == '.') normal.push_back('0');

    double value = 0;
    const char* first = normal.data();
    const char* last = first + normal.size();
    const auto res = std::from_chars(first, last, value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace velta::text
