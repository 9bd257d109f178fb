#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>

#include "platform/Exceptions.h"
#include "platform/TextToValue.h"

namespace ostrane {
namespace {

FormatSettings UsLike() {
    FormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ",";
    fs.CurrencyString = "$";
    return fs;
}

FormatSettings GermanLike() {
    FormatSettings fs;
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = ".";
    fs.CurrencyString = "EUR";
    return fs;
}

std::optional<double> Real(std::string_view text, const FormatSettings& fs = UsLike()) {
    double v = 0;
    if (!TryVariantTextToReal(text, fs, v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> Integer(std::string_view text, const FormatSettings& fs = UsLike()) {
    std::int32_t v = 0;
    if (!TryVariantTextToInteger(text, fs, v)) return std::nullopt;
    return v;
}

std::optional<bool> Boolean(std::string_view text, const FormatSettings& fs = UsLike()) {
    bool v = false;
    if (!TryVariantTextToBoolean(text, fs, v)) return std::nullopt;
    return v;
}

std::optional<std::int64_t> Currency(std::string_view text, const FormatSettings& fs = UsLike()) {
    std::int64_t v = 0;
    if (!TryVariantTextToCurrency(text, fs, v)) return std::nullopt;
    return v;
}

// The lenient number syntax: what reads as a number, and what does not.
TEST(VariantText, Numbers) {
    struct Case {
        const char* text;
        double real;
        std::int32_t integer;
    } cases[] = {
        {"12", 12, 12},
        {" 12 ", 12, 12},
        {"+12", 12, 12},
        {"1,234.5", 1234.5, 1234},
        {"2.5", 2.5, 2},
        {"3.5", 3.5, 4},
        {"-2.5", -2.5, -2},
        {".5", 0.5, 0},
        {"12-", -12, -12},
        {"(12)", -12, -12},
        {"$12", 12, 12},
        {"12$", 12, 12},
        {"$ 12", 12, 12},
        {"1e3", 1000, 1000},
        {"1E+3", 1000, 1000},
        {"1.5e-2", 0.015, 0},
        {"&H1F", 31, 31},
        {"&O17", 15, 15},
        {"&hff", 255, 255},
        {"0", 0, 0},
        {"0.0", 0, 0},
        {"-0", 0, 0},
        {"1,2,3", 123, 123},
        {"\t7\n", 7, 7},
        {"0.5000001", 0.5000001, 1},
        {"-1.5", -1.5, -2},
        {"2147483647", 2147483647, 2147483647},
        {"-2147483648", -2147483648.0, INT32_MIN},
        {"&HFFFFFFFF", 0, -1},
    };
    for (const auto& c : cases) {
        auto r = Real(c.text);
        if (std::string_view(c.text) != "&HFFFFFFFF") {
            ASSERT_TRUE(r.has_value()) << c.text;
            EXPECT_DOUBLE_EQ(*r, c.real) << c.text;
        }
        auto i = Integer(c.text);
        ASSERT_TRUE(i.has_value()) << c.text;
        EXPECT_EQ(*i, c.integer) << c.text;
    }
    EXPECT_EQ(Real("2147483648"), 2147483648.0);
    EXPECT_FALSE(Integer("2147483648"));
    EXPECT_FALSE(Integer("2147483647.5")); // rounds to even 2147483648
    EXPECT_EQ(Integer("2147483646.5"), 2147483646);
    EXPECT_EQ(Real("&H80000000"), -2147483648.0);
    EXPECT_FALSE(Real("&H80000001"));
    EXPECT_FALSE(Real("&H100000000"));
    EXPECT_FALSE(Real("1e400"));
    EXPECT_EQ(Real("1e-400"), 0.0);
    EXPECT_EQ(Real("0.1"), 0.1);
    EXPECT_EQ(Real("123456789012345678901234567890"), 1.2345678901234568e29);
}

TEST(VariantText, Rejected) {
    const char* rejected[] = {"",      "  ",   "-",    ".",     "e5",  "1e",  ",5",  "1.2.3",
                              "12abc", "$1e3", "True", "(12",   "12)", "--1", "&H",  "&O8",
                              "1 2",   "$$1",  "++1",  "&H1.5", "1e+", "abc", "12 x"};
    for (const char* text : rejected) {
        EXPECT_FALSE(Real(text)) << text;
        EXPECT_FALSE(Integer(text)) << text;
        EXPECT_FALSE(Currency(text)) << text;
    }
}

TEST(VariantText, GermanLike) {
    EXPECT_EQ(Real("1.234,5", GermanLike()), 1234.5);
    EXPECT_EQ(Real("2.5", GermanLike()), 25);
    EXPECT_EQ(Real("2,5", GermanLike()), 2.5);
    EXPECT_EQ(Integer("1.234,5", GermanLike()), 1234);
    EXPECT_EQ(Integer("2,5", GermanLike()), 2);
    EXPECT_EQ(Real("12 EUR", GermanLike()), 12);
    EXPECT_EQ(Real("EUR12", GermanLike()), 12);
    EXPECT_FALSE(Real("$12", GermanLike()));
}

TEST(VariantText, Currency) {
    EXPECT_EQ(Currency("12.5"), 125000);
    EXPECT_EQ(Currency("0.00005"), 0); // half to even
    EXPECT_EQ(Currency("0.00015"), 2); // half to even
    EXPECT_EQ(Currency("0.000151"), 2);
    EXPECT_EQ(Currency("-1.5"), -15000);
    EXPECT_EQ(Currency("922337203685477.5807"), INT64_MAX);
    EXPECT_EQ(Currency("-922337203685477.5808"), INT64_MIN);
    EXPECT_FALSE(Currency("922337203685477.5808"));
    EXPECT_EQ(Currency("&H10"), 160000);
}

// "True"/"False" in any letter case, "#TRUE#"/"#FALSE#", else a number.
TEST(VariantText, Booleans) {
    struct Case {
        const char* text;
        bool value;
    } cases[] = {{"True", true},     {"TRUE", true},    {"false", false}, {"#TRUE#", true},
                 {"#FALSE#", false}, {"12", true},      {"0", false},     {"0.0", false},
                 {"-0", false},      {"1,234.5", true}, {"$12", true}};
    for (const auto& c : cases) EXPECT_EQ(Boolean(c.text), c.value) << c.text;
    for (const char* text : {"Yes", "On", " true", "true ", "#true#", "", "abc", "T"}) {
        EXPECT_FALSE(Boolean(text)) << text;
    }
}

// The strict reader: blanks first, a sign and decimal digits or "$" and hex
// digits, nothing after, within 32 bits.
TEST(StrToInt, Table) {
    struct Case {
        const char* text;
        std::int32_t value;
    } ok[] = {{"$1F", 31},
              {"  42", 42},
              {"+7", 7},
              {"007", 7},
              {"-5", -5},
              {"$ff", 255},
              {"$FFFFFFFF", -1},
              {"$80000000", INT32_MIN},
              {"$000000001", 1},
              {"2147483647", 2147483647},
              {"-2147483648", INT32_MIN},
              {"0", 0}};
    for (const auto& c : ok) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    const char* bad[] = {"42 ",  "",     " ",   "2147483648", "-2147483649", "0x1F",
                         "-$10", "+$10", "$",   "$100000000", "1.5",         "\t1",
                         "+",    "-",    "1e3", "$G"};
    for (const char* text : bad) {
        std::int32_t v = 0;
        EXPECT_FALSE(TryStrToInt(text, v)) << text;
        try {
            StrToInt(text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(StrToFloat, Table) {
    EXPECT_EQ(StrToFloat("3.25", UsLike()), 3.25);
    EXPECT_EQ(StrToFloat(" -1.5e3 ", UsLike()), -1500);
    EXPECT_EQ(StrToFloat("1.", UsLike()), 1);
    EXPECT_EQ(StrToFloat(".5", UsLike()), 0.5);
    EXPECT_EQ(StrToFloat("+2", UsLike()), 2);
    EXPECT_EQ(StrToFloat("2,5", GermanLike()), 2.5);
    const char* bad[] = {"", "abc", "1,5", "1e", "INF", "NAN", "1e400", "$1", "1.2.3", "-", "."};
    for (const char* text : bad) {
        try {
            StrToFloat(text, UsLike());
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
    EXPECT_THROW(StrToFloat("2.5", GermanLike()), EConvertError);
}

TEST(ValPrefix, Table) {
    struct Case {
        std::string_view text;
        double value;
    } cases[] = {
        {" 12.50", 12.5},
        {"2.5", 2.5},
        {"-3e2", -300},
        {std::string_view("1234\0\0", 6), 1234},
        {"garbage", 0},
        {"", 0},
        {"   ", 0},
        {"-", 0},
        {".", 0},
        {".5", 0.5},
        {"1.", 1},
        {"12abc", 12},
        {"1e", 1},
        {"1e+", 1},
        {"1.5E-2x", 0.015},
        {"+7", 7},
        {"0.1", 0.1},
        {"  -0.0001", -0.0001},
        {"123456789012345678901234", 1.2345678901234568e23},
        {"0.30000000000000004", 0.30000000000000004},
        {"1e400", HUGE_VAL},
        {"1e-400", 0},
        {"inf", 0},
        {"nan", 0},
        {"0x1A", 0},
        {"1,5", 1},
        {std::string_view("12\0"
                          "34",
                          5),
         12},
    };
    for (const auto& c : cases) EXPECT_EQ(ValPrefix(c.text), c.value) << c.text;
}

// Bit for bit, so that -0 and 0 differ.
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameAsGeneral(std::string_view text) {
    const double fast = ValPrefix(text);
    const double general = ValPrefixGeneral(text);
    EXPECT_TRUE(SameBits(fast, general))
        << '"' << std::string(text) << "\": " << fast << " vs " << general;
}

TEST(ValPrefix, ShortcutBoundariesMatchGeneralReading) {
    const std::string_view cases[] = {
        "9007199254740991",     // 2^53 - 1: the largest exact integer
        "9007199254740992",     // 2^53: left to the general reading
        "9007199254740993",     // rounds to even
        "-9007199254740991.0",  // the zero after the point counts as a digit
        "900719925474099.1",    //
        "0.9007199254740991",   //
        "1234567890123456789",  // 19 digits
        "12345678901234567890", // 20 digits
        "0000000000000000000000012.5",
        "0.0000000000000000000001",  // 10^-22
        "0.00000000000000000000001", // 10^-23: general
        "0.1234567890123456789012",  // 22 decimals
        "1.00000000000000000000000", // 23 decimals, all zeros
        "-0",
        "-0.000",
        "+0.0",
        "-.5",
        "-.",
        "+",
        ".e5",
        "0.e5",
        "5.e-1",
        "5e",
        "5e+",
        "5E-x",
        "1e400",
        "-1e400",
        "1e-400",
        "          1",
        "         -1",
        "        - 1",
        "1 2",
        std::string_view("\0\0 1", 4),
        std::string_view("  12\0"
                         "5",
                         6),
        "\t1",
        "0.30000000000000004",
        "2.2250738585072011e-308",
        "4503599627370495.5", // a tie between two doubles: general
        "4503599627370497.5",
    };
    for (std::string_view text : cases) ExpectSameAsGeneral(text);
}

// Random field texts: blanks, a sign, integer and fraction digits with
// leading zeros, and sometimes an exponent or a stray byte behind.
std::string RandomNumberText(std::mt19937_64& rng) {
    auto below = [&rng](unsigned n) { return unsigned(rng() % n); };
    std::string text(below(12), ' ');
    const unsigned sign = below(6);
    if (sign == 0) text += '-';
    if (sign == 1) text += '+';
    const unsigned zeros = below(4) == 0 ? below(5) : 0;
    text.append(zeros, '0');
    const unsigned intDigits = below(4) == 0 ? below(24) : below(17);
    for (unsigned i = 0; i < intDigits; ++i) text += char('0' + below(10));
    if (below(3) != 0) {
        text += '.';
        if (below(4) == 0) text.append(below(8), '0');
        const unsigned fraction = below(4) == 0 ? below(26) : below(6);
        for (unsigned i = 0; i < fraction; ++i) text += char('0' + below(10));
    }
    switch (below(12)) {
    case 0: text += "e" + std::to_string(int(below(700)) - 350); break;
    case 1: text += 'E'; break;
    case 2: text += "e-"; break;
    case 3: text += ' '; break;
    case 4: text += '\0'; break;
    case 5: text += "x9"; break;
    case 6: text += '.'; break;
    default: break;
    }
    return text;
}

TEST(ValPrefix, ShortcutMatchesGeneralReadingOnRandomTexts) {
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 400000; ++i) {
        const std::string text = RandomNumberText(rng);
        ExpectSameAsGeneral(text);
        if (HasFailure()) break;
    }
}

// Every integer below 2^53 with up to 22 decimals is read exactly by the
// shortcut; integers around 2^53 and many decimals must round alike.
TEST(ValPrefix, ShortcutMatchesGeneralReadingNearTheLimits) {
    std::mt19937_64 rng(53);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t m = (1ull << 53) - 5000 + rng() % 10000;
        std::string digits = std::to_string(m);
        const std::size_t point = rng() % (digits.size() + 1);
        if (point < digits.size()) digits.insert(point, ".");
        ExpectSameAsGeneral((rng() % 2 ? "-" : "") + digits);
        if (HasFailure()) break;
    }
}

} // namespace
} // namespace ostrane
