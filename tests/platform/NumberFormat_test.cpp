#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

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

// Values around the shortcuts of the general format: whole numbers, amounts
// with up to six decimals, their neighbouring doubles, decimals whose 16th
// digit is a 5 (ties of the 15-digit rounding), the limits 1e-4 and 1e15,
// and doubles from random bits.
class GeneralFloatSamples {
public:
    explicit GeneralFloatSamples(std::uint64_t seed) : rng_(seed) {}

    double Next() {
        double v = 0;
        switch (rng_() % 8) {
        case 0: v = double(rng_() % 2000000000000000ull); break;
        case 1: v = Decimal(rng_() % 1000000000000000ull, int(rng_() % 7)); break;
        case 2: v = Decimal(rng_() % 100000000ull, int(rng_() % 7)); break;
        case 3: { // a neighbour of an amount
            const double a = Decimal(rng_() % 10000000000ull, int(rng_() % 5));
            v = std::nextafter(a, rng_() % 2 ? 1e300 : 0.0);
            break;
        }
        case 4: // 16 significant digits ending in 5
            v = Decimal((rng_() % 100000000000000ull) * 10 + 5 + 1000000000000000ull,
                        int(rng_() % 20));
            break;
        case 5: { // near the limits
            const double limits[] = {1e-4, 1e-5, 1e15, 1e14, 1e7, 1e6, 9007199254740992.0};
            v = limits[rng_() % 7];
            for (int n = int(rng_() % 4); n > 0; --n)
                v = std::nextafter(v, rng_() % 2 ? 1e300 : 0.0);
            break;
        }
        case 6: v = Decimal(rng_() % 100000, int(rng_() % 10)); break;
        default: {
            const std::uint64_t bits = rng_();
            std::memcpy(&v, &bits, sizeof v);
            break;
        }
        }
        return rng_() % 2 ? -v : v;
    }

private:
    static double Decimal(std::uint64_t m, int k) { return double(m) / std::pow(10.0, k); }
    std::mt19937_64 rng_;
};

void ExpectSameAsDigitsRoute(double v, int precision) {
    std::string fast;
    AppendGeneralFloat(fast, v, precision, ',');
    std::string general;
    AppendGeneralFloatByDigits(general, v, precision, ',');
    EXPECT_EQ(fast, general) << std::hexfloat << v << " precision " << precision;
}

TEST(NumberFormat, GeneralShortcutsMatchDigitsRoute) {
    const double cases[] = {620384.67,
                            942650.9,
                            0.1,
                            0.0001,
                            0.00015,
                            1e-5,
                            999999999999999.0,
                            1e15,
                            123456789012345.6,
                            99999999999999.99,
                            0.30000000000000004,
                            2.675,
                            1.005,
                            4503599627370495.5,
                            0.5,
                            1.5,
                            2.5};
    for (double v : cases) {
        for (int precision : {15, 7}) {
            ExpectSameAsDigitsRoute(v, precision);
            ExpectSameAsDigitsRoute(-v, precision);
        }
    }
}

TEST(NumberFormat, GeneralShortcutsMatchDigitsRouteOnManyValues) {
    GeneralFloatSamples samples(15);
    for (int i = 0; i < 1000000 && !HasFailure(); ++i) {
        const double v = samples.Next();
        ExpectSameAsDigitsRoute(v, 15);
        ExpectSameAsDigitsRoute(double(float(v)), 7); // a Single field's value
    }
}

} // namespace
} // namespace ostrane
