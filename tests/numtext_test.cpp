#include "text/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace velta::text;

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(NumTextShort, blankOrMinusAndNoZeroBeforeThePoint) {
    EXPECT_EQ(shortNumber(0.5), " .5");
    EXPECT_EQ(shortNumber(-0.5), "-.5");
    EXPECT_EQ(shortNumber(0.0), " 0");
    EXPECT_EQ(shortNumber(-0.0), " 0");
    EXPECT_EQ(shortNumber(640.0), " 640");
    EXPECT_EQ(shortNumber(-12.0), "-12");
    EXPECT_EQ(shortNumber(100.0), " 100");
    EXPECT_EQ(shortNumber(0.25), " .25");
    EXPECT_EQ(shortNumber(0.001), " .001");
    EXPECT_EQ(shortNumber(-250.125), "-250.125");
}

TEST(NumTextShort, roundsRepresentationResidueAwayAt15Digits) {
    EXPECT_EQ(shortNumber(1.2000000000000002), " 1.2");
    EXPECT_EQ(shortNumber(-45.00000000000004), "-45");
    EXPECT_EQ(shortNumber(0.1), " .1");
    EXPECT_EQ(shortNumber(1.0 / 3), " .333333333333333");
    EXPECT_EQ(shortNumber(2.0 / 3), " .666666666666667");
    // The measurement shows the first six characters of the short form.
    EXPECT_EQ(shortNumber(123.456789).substr(0, 6), " 123.4");
}

TEST(NumTextShort, fifteenSignificantDigitsRoundedAtTheSixteenth) {
    EXPECT_EQ(shortNumber(123456789012345.0), " 123456789012345");
    EXPECT_EQ(shortNumber(1.234567890123456), " 1.23456789012346");
    EXPECT_EQ(shortNumber(1.234567890123441), " 1.23456789012344");
    EXPECT_EQ(shortNumber(-0.1234567890123454), "-.123456789012345");
    // Rounding that carries into a new leading digit.
    EXPECT_EQ(shortNumber(0.99999999999999989), " 1");
    EXPECT_EQ(shortNumber(9.9999999999999982), " 10");
}

TEST(NumTextShort, exponentFormOutsideThePositionalRange) {
    EXPECT_EQ(shortNumber(999999999999999.0), " 999999999999999");
    EXPECT_EQ(shortNumber(1e15), " 1E+15");
    EXPECT_EQ(shortNumber(999999999999999.9), " 1E+15");  // rounds up into exponent form
    EXPECT_EQ(shortNumber(1e16), " 1E+16");
    EXPECT_EQ(shortNumber(-2.5e300), "-2.5E+300");
    EXPECT_EQ(shortNumber(1e-5), " .00001");
    EXPECT_EQ(shortNumber(1.5e-5), " .000015");
    EXPECT_EQ(shortNumber(9.9999e-6), " 9.9999E-06");
    EXPECT_EQ(shortNumber(-1.5e-6), "-1.5E-06");
    EXPECT_EQ(shortNumber(std::numeric_limits<double>::max()), " 1.79769313486232E+308");
    EXPECT_EQ(shortNumber(std::numeric_limits<double>::denorm_min()), " 4.94065645841247E-324");
}

TEST(NumTextShort, nonFiniteValuesGiveAText) {
    EXPECT_EQ(shortNumber(notANumber), " NaN");
    EXPECT_EQ(shortNumber(inf), " inf");
    EXPECT_EQ(shortNumber(-inf), "-inf");
    EXPECT_EQ(shortNumber(std::numeric_limits<float>::quiet_NaN()), " NaN");
    EXPECT_EQ(shortNumber(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(NumTextShortFloat, sevenDigitsOfTheFloatItself) {
    EXPECT_EQ(shortNumber(0.1f), " .1");
    EXPECT_EQ(shortNumber(320.5f), " 320.5");
    EXPECT_EQ(shortNumber(-320.5f), "-320.5");
    EXPECT_EQ(shortNumber(0.0f), " 0");
    EXPECT_EQ(shortNumber(-0.0f), " 0");
    EXPECT_EQ(shortNumber(1.0f / 3), " .3333333");
    EXPECT_EQ(shortNumber(2.0f / 3), " .6666667");
    EXPECT_EQ(shortNumber(1234567.0f), " 1234567");
    EXPECT_EQ(shortNumber(1.2345675f), " 1.234568");  // stored just above the half
    // The same value widened to double shows its binary residue at 15 digits.
    EXPECT_EQ(shortNumber(static_cast<double>(0.1f)), " .100000001490116");
}

TEST(NumTextShortFloat, exponentThresholds) {
    EXPECT_EQ(shortNumber(9999999.0f), " 9999999");
    EXPECT_EQ(shortNumber(1e7f), " 1E+07");
    EXPECT_EQ(shortNumber(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(shortNumber(1e-5f), " .00001");
    EXPECT_EQ(shortNumber(1e-6f), " 1E-06");
    EXPECT_EQ(shortNumber(-2.5e-7f), "-2.5E-07");
}

TEST(NumTextLocale, separatorAndZeroBeforeItKept) {
    EXPECT_EQ(localeNumber(0.5, ','), "0,5");
    EXPECT_EQ(localeNumber(0.5, '.'), "0.5");
    EXPECT_EQ(localeNumber(-0.5, ','), "-0,5");
    EXPECT_EQ(localeNumber(0.00012, ','), "0,00012");
    EXPECT_EQ(localeNumber(640.0, ','), "640");
    EXPECT_EQ(localeNumber(0.0, ','), "0");
    EXPECT_EQ(localeNumber(-0.0, ','), "0");
    EXPECT_EQ(localeNumber(-45.00000000000004, ','), "-45");
    EXPECT_EQ(localeNumber(1.5e-6, ','), "1,5E-06");
    EXPECT_EQ(localeNumber(2.5e20, ','), "2,5E+20");
    EXPECT_EQ(localeNumber(notANumber, ','), "NaN");
    EXPECT_EQ(localeNumber(inf, ','), "inf");
    EXPECT_EQ(localeNumber(-inf, ','), "-inf");
}

TEST(NumTextLocale, coordinatesSevenDigitsAnglesFifteen) {
    EXPECT_EQ(localeNumber(320.5f, ','), "320,5");
    EXPECT_EQ(localeNumber(0.1f, ','), "0,1");
    EXPECT_EQ(localeNumber(1.0f / 3, '.'), "0.3333333");
    EXPECT_EQ(localeNumber(1.0 / 3, '.'), "0.333333333333333");
    // The angle of a vertical line whose slope is held as 90.
    const double angle = std::atan(90.0) * 180 / 3.14159265358979;
    EXPECT_EQ(localeNumber(angle, ','), "89,3634064240366");
    EXPECT_EQ(localeNumber(angle, '.'), "89.3634064240366");
}

TEST(NumTextLocale, pixelStepsFromRepeatedAdditionShowOneDecimal) {
    const char* const expected[] = {"1,1", "1,2", "1,3", "1,4", "1,5", "1,6", "1,7", "1,8", "1,9"};
    double step = 1.0;
    for (const char* text : expected) {
        step = step + 0.1;
        EXPECT_EQ(localeNumber(step, ','), text);
        EXPECT_EQ(shortNumber(step), " " + std::string(text).replace(1, 1, "."));
    }
    EXPECT_EQ(step, 1.9000000000000008);
    EXPECT_EQ(localeNumber(step + 0.1, ','), "2");  // 2.000000000000001
    EXPECT_EQ(localeNumber(1.0, ','), "1");
}

TEST(NumTextWhole, blankOrMinusThenAllDigits) {
    EXPECT_EQ(wholeNumberText(640), " 640");
    EXPECT_EQ(wholeNumberText(-12), "-12");
    EXPECT_EQ(wholeNumberText(0), " 0");
    EXPECT_EQ(wholeNumberText(-0.0), " 0");
    EXPECT_EQ(wholeNumberText(Int(-45.00000000000004)), "-46");
    EXPECT_EQ(wholeNumberText(1e20), " 100000000000000000000");
    const std::string biggest = wholeNumberText(-std::numeric_limits<double>::max());
    EXPECT_EQ(biggest.size(), 310u);
    EXPECT_EQ(biggest.substr(0, 6), "-17976");
    // Values that are not whole are rounded, halves to even.
    EXPECT_EQ(wholeNumberText(2.5), " 2");
    EXPECT_EQ(wholeNumberText(-0.4), " 0");
    EXPECT_EQ(wholeNumberText(notANumber), " NaN");
    EXPECT_EQ(wholeNumberText(inf), " inf");
    EXPECT_EQ(wholeNumberText(-inf), "-inf");
}

TEST(NumTextRounding, intIsFloor) {
    EXPECT_EQ(Int(2.9), 2);
    EXPECT_EQ(Int(-0.5), -1);
    EXPECT_EQ(Int(-3.0), -3);
    EXPECT_EQ(Int(1e300), 1e300);
}

TEST(NumTextRounding, halvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(0.49999999999999994), 0);
    EXPECT_EQ(roundHalfEven(2.5000000000000004), 3);
    EXPECT_EQ(roundHalfEven(-2.4999999999999996), -2);
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497.0);
    EXPECT_TRUE(std::isnan(roundHalfEven(notANumber)));
}

TEST(NumTextRounding, toInt16RefusesWhatDoesNotFit) {
    EXPECT_EQ(toInt16(32767.4), std::optional<std::int16_t>(32767));
    EXPECT_EQ(toInt16(32767.5), std::nullopt);  // even neighbour 32768 is out of range
    EXPECT_EQ(toInt16(32766.5), std::optional<std::int16_t>(32766));
    EXPECT_EQ(toInt16(-32768.5), std::optional<std::int16_t>(-32768));
    EXPECT_EQ(toInt16(-32768.6), std::nullopt);
    EXPECT_EQ(toInt16(-0.5), std::optional<std::int16_t>(0));
    EXPECT_EQ(toInt16(1e300), std::nullopt);
    EXPECT_EQ(toInt16(notANumber), std::nullopt);
    EXPECT_EQ(toInt16(-inf), std::nullopt);
}

TEST(NumTextRounding, toInt32RefusesWhatDoesNotFit) {
    EXPECT_EQ(toInt32(2147483647.4), std::optional<std::int32_t>(2147483647));
    EXPECT_EQ(toInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(toInt32(-2147483648.5), std::optional<std::int32_t>(-2147483647 - 1));
    EXPECT_EQ(toInt32(-2147483649.0), std::nullopt);
    EXPECT_EQ(toInt32(40000.5), std::optional<std::int32_t>(40000));
    EXPECT_EQ(toInt32(inf), std::nullopt);
    EXPECT_EQ(toInt32(notANumber), std::nullopt);
}

TEST(NumTextParse, acceptsEitherSeparatorBlanksAndSign) {
    EXPECT_EQ(parseDecimal("1.250"), 1.25);
    EXPECT_EQ(parseDecimal("1,250"), 1.25);
    EXPECT_EQ(parseDecimal(" 50 "), 50.0);
    EXPECT_EQ(parseDecimal("\t7\t"), 7.0);
    EXPECT_EQ(parseDecimal("-3"), -3.0);
    EXPECT_EQ(parseDecimal("+2,5"), 2.5);
    EXPECT_EQ(parseDecimal(",5"), 0.5);
    EXPECT_EQ(parseDecimal("5."), 5.0);
    EXPECT_EQ(parseDecimal("0,1"), 0.1);
    EXPECT_EQ(parseDecimal("123.456789"), 123.456789);
    EXPECT_EQ(parseDecimal("0"), 0.0);
}

TEST(NumTextParse, refusesEmptyPartlyNumericAndOutOfRangeText) {
    for (const char* bad : {"", "   ", "abc", "12abc", "abc12", "1.2.3", "1,2.3", "1 000", "1.000,5",
                            "1e5", "-", "+", ".", ",", "+-1", "--1", "- 1", "0x10", "nan", "inf"}) {
        EXPECT_EQ(parseDecimal(bad), std::nullopt) << '"' << bad << '"';
    }
    EXPECT_EQ(parseDecimal(std::string(400, '9')), std::nullopt);
    EXPECT_EQ(parseDecimal("0." + std::string(400, '0') + "1"), std::nullopt);
    EXPECT_EQ(parseDecimal(std::string_view("1\0" "2", 3)), std::nullopt);
}
