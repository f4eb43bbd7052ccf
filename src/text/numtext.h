#pragma once
// Number texts: how the program writes figures into its text boxes, how it rounds reals to
// integers, and how it reads a typed length. Everything here is locale-independent: the
// decimal separator of the locale form is an argument, so any locale can be tested.
//
// Digits. A double is written with at most 15 significant digits, a float with at most 7,
// rounded correctly from the exact binary value (so the float 0.1f gives ".1", not the digits
// of its double expansion). Trailing zeros of the fraction and a trailing point are dropped.
//
// Exponent form. Let e be the decimal exponent of the value after rounding to 15 (7) digits,
// so that 10^e <= |rounded value| < 10^(e+1). The value is written in positional form when
// -5 <= e < 15 for doubles and -5 <= e < 7 for floats, that is for magnitudes from 1e-5 up to
// (but not including) 1e15, respectively 1e7; zero is always " 0". Outside that range it is
// written as mantissa, "E", sign and at least two exponent digits: " 1E+16", " 1.5E-06",
// "-2.5E+300". (So 1.5e-5 is still positional: " .000015".)
//
// Non-finite values never fail: NaN gives " NaN" (short form) or "NaN" (locale form), the
// infinities " inf" / "-inf" (short) or "inf" / "-inf" (locale). Negative zero is written as zero.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velta::text {

/// Short-number form of a double: blank or minus, up to 15 significant digits, "." as the point, no zero before it (0.5 -> " .5").
std::string shortNumber(double v);

/// Short-number form of a float: as the double form but with up to 7 significant digits of the float's own value.
std::string shortNumber(float v);

/// Locale form of a double: minus only for negatives, up to 15 significant digits, the given separator, zero before it kept ("0,5").
std::string localeNumber(double v, char decimalSeparator);

/// Locale form of a float: as the double form but with up to 7 significant digits.
std::string localeNumber(float v, char decimalSeparator);

/// Number text of a whole number: a blank (zero or positive) or a minus, then every integer digit (" 640", "-12").
/// A value that is not whole is rounded to the nearest whole number, halves to even, before it is written;
/// large values are written with all their integer digits, never in exponent form.
std::string wholeNumberText(double v);

/// Int(x): the largest whole number not above x.
double Int(double x);

/// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double x);

/// Rounds half to even and converts to a 16-bit integer; nullopt when not finite or out of range.
std::optional<std::int16_t> toInt16(double x);

/// Rounds half to even and converts to a 32-bit integer; nullopt when not finite or out of range.
std::optional<std::int32_t> toInt32(double x);

/// Reads a typed decimal number ("1,250", " 50 ", "-3"): optional blanks, sign, digits and one ',' or '.' separator.
/// Returns nullopt for empty, non-numeric or partly numeric text, and for values a double cannot hold
/// (overflow, or a non-zero value that underflows); "-0" reads as negative zero.
std::optional<double> parseDecimal(std::string_view text);

}  // namespace velta::text
