#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "platform/NumberFormat.h"

namespace ostrane {
namespace {

std::string General(double v, int precision = 15, char sep = '.') {
    std::string out;
    AppendGeneralFloat(out, v, precision, sep);
    return out;
}

std::string Currency(std::int64_t units, char sep = '.') {
    std::string out;
    AppendCurrency(out, units, sep);
    return out;
}

TEST(NumberFormat, Integers) {
    struct Case {
        std::int64_t value;
        const char* text;
    } cases[] = {{0, "0"},
                 {7, "7"},
                 {-42, "-42"},
                 {2147483647, "2147483647"},
                 {INT64_MIN, "-9223372036854775808"},
                 {INT64_MAX, "9223372036854775807"}};
    for (const auto& c : cases) {
        std::string out = "x";
        AppendInteger(out, c.value);
        EXPECT_EQ(out, std::string("x") + c.text) << c.value;
    }
}

TEST(NumberFormat, GeneralDouble) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {42.0, "42"},
        {3.1, "3.1"},
        {1e20, "1E+20"},
        {1e100, "1E+100"},
        {1e15, "1E+15"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-2.5e-7, "-2.5E-7"},
        {1.5e-7, "1.5E-7"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.1 + 0.2, "0.3"},
        {-0.0, "0"},
        {0.0, "0"},
        {-42.5, "-42.5"},
        {4.066348491848645, "4.06634849184865"}, // decimal tie at digit 16 rounds up
        {999999999999999.9, "1E+15"},            // rounding carries into a new digit
        {0.1, "0.1"},
        {123.456, "123.456"},
        {1e-300, "1E-300"},
        {std::numeric_limits<double>::max(), "1.79769313486232E+308"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const auto& c : cases) EXPECT_EQ(General(c.value), c.text) << c.text;
}

TEST(NumberFormat, GeneralSingle) {
    EXPECT_EQ(General(0.1f, 7), "0.1");
    EXPECT_EQ(General(3.14159265f, 7), "3.141593");
    EXPECT_EQ(General(1e7f, 7), "1E+7");
    EXPECT_EQ(General(654322.25f, 7), "654322.3"); // decimal-string rounding, half up
    EXPECT_EQ(General(1234567.0f, 7), "1234567");
    EXPECT_EQ(General(-2.5f, 7), "-2.5");
}

TEST(NumberFormat, GeneralDecimalSeparator) {
    EXPECT_EQ(General(3.1, 15, ','), "3,1");
    EXPECT_EQ(General(1.5e-7, 15, ','), "1,5E-7");
}

TEST(NumberFormat, Currency) {
    EXPECT_EQ(Currency(125000), "12.5");
    EXPECT_EQ(Currency(1000000), "100");
    EXPECT_EQ(Currency(9), "0.0009");
    EXPECT_EQ(Currency(-15000), "-1.5");
    EXPECT_EQ(Currency(0), "0");
    EXPECT_EQ(Currency(-1), "-0.0001");
    EXPECT_EQ(Currency(INT64_MAX), "922337203685477.5807");
    EXPECT_EQ(Currency(INT64_MIN), "-922337203685477.5808");
    EXPECT_EQ(Currency(125000, ','), "12,5");
}

} // namespace
} // namespace ostrane
