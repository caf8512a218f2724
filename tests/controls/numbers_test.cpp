#include "platform/numbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using platform::FloatToStr;
using platform::FloatToStrF;
using platform::TFloatFormat;
using platform::TryStrToFloat;
using platform::TryStrToInt;

TEST(NumberText, GeneralFormIsTheShortestTextWithFifteenDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1, "0,1"},
        {1650, "1650"},
        {-40, "-40"},
        {0, "0"},
        {-0.0, "0"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3, "0,333333333333333"},
        {-2.0 / 3, "-0,666666666666667"},
        {123456789012345.6, "123456789012346"},
        {999999999999999, "999999999999999"},
        {1e15, "1E15"},
        {1e20, "1E20"},
        {-1.5e300, "-1,5E300"},
        {0.0001, "0,0001"},
        {0.00001, "1E-5"},
        {2.5e-7, "2,5E-7"},
        {1.005, "1,005"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {std::nan(""), "NAN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

TEST(NumberText, FixedFormRoundsHalfAwayFromZeroOnTheDecimalDigits) {
    const struct {
        double value;
        int precision;
        int digits;
        const char* text;
    } cases[] = {
        {1.5, 15, 2, "1,50"},         {2.5, 15, 0, "3"},           {0.125, 15, 2, "0,13"},
        {1.005, 15, 2, "1,01"},       {-1.005, 15, 2, "-1,01"},    {-0.0001, 15, 2, "0,00"},
        {0.0006, 15, 3, "0,001"},     {123.4567, 5, 3, "123,460"}, {99.9996, 15, 3, "100,000"},
        {12345678, 5, 2, "1,2346E7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.value, TFloatFormat::ffFixed, c.precision, c.digits), c.text)
            << c.value << " " << c.precision << " " << c.digits;
}

TEST(NumberText, ParsingTakesBackWhatTheFormattingWrites) {
    for (double v : {0.1, 1650.0, -40.0, 2.5e-7, 1e20, -1.5e300, 1.0 / 3, 0.0001, 1e15}) {
        double back = 0;
        ASSERT_TRUE(TryStrToFloat(FloatToStr(v), back)) << FloatToStr(v);
        EXPECT_EQ(FloatToStr(back), FloatToStr(v));
    }
    const struct {
        const char* text;
        double value;
    } accepted[] = {{"12,5", 12.5}, {"12,", 12}, {",5", 0.5},       {"-,5", -0.5},
                    {"007", 7},     {"-0", 0},   {"2,5E-7", 2.5e-7}};
    for (const auto& c : accepted) {
        double v = -99;
        EXPECT_TRUE(TryStrToFloat(c.text, v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    for (const char* text : {"", "-", ",", "12.5", "1,2,3", "1-", "--1", "+1", " 1", "1 ", "1E",
                             "1e5", "1E+5", "1.000,5", "abc", "1E400", "NAN", "INF"}) {
        double v = 7;
        EXPECT_FALSE(TryStrToFloat(text, v)) << text;
        EXPECT_EQ(v, 7) << "a refused text leaves the value: " << text;
    }
}

TEST(NumberText, IntegersAreDigitsWithAnOptionalMinusWithinRange) {
    int v = 0;
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_TRUE(TryStrToInt("0300", v));
    EXPECT_EQ(v, 300);
    for (const char* text : {"", "-", "2147483648", "12,5", "1E3", "+3", " 3", "3x"}) {
        v = 7;
        EXPECT_FALSE(TryStrToInt(text, v)) << text;
        EXPECT_EQ(v, 7) << text;
    }
}
