#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expression/TextHelpers.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "util/QzIUtils.h"

namespace ostrane {
namespace {

// Pins the locale and the year of the two-digit window.
class TextHelpersTest : public ::testing::Test {
protected:
    TextHelpersTest() : guard_(CLocaleProfile()) { SetCurrentYearForTests(2025); }
    ~TextHelpersTest() override { SetCurrentYearForTests(0); }

private:
    ScopedFormatSettings guard_;
};

double Date(int y, int m, int d) {
    return EncodeDate(y, m, d);
}
double Time(int h, int n, int s = 0, int ms = 0) {
    return EncodeTime(h, n, s, ms);
}

struct DateTimeCase {
    const char* text;
    const char* format;
    char dateSep;
    double expected;
};

TEST_F(TextHelpersTest, DateTimeFromString) {
    const std::vector<DateTimeCase> cases{
        {"25/12/2003", "DD/MM/YYYY", '/', Date(2003, 12, 25)},
        {"5/3/03 10:30 PM", "D/M/YY HH:NN", '/', Date(2003, 3, 5) + Time(22, 30)},
        {"Dec 25, 2003", "MMM DD, YYYY", ' ', Date(2003, 12, 25)},
        {"10:30", "DD/MM/YYYY HH:NN", '/', Time(10, 30)},
        {"25/12/2003", "dd/mm/yyyy", '/', Date(2003, 12, 25)},
        {"2003-12-25", "YYYY-MM-DD", '-', Date(2003, 12, 25)},
        {"25/03/2003", "DD/MMM/YYYY", '/', Date(2003, 3, 25)},  // "03" by number
        {"25/Mar/2003", "DD/MMM/YYYY", '/', Date(2003, 3, 25)}, // by name
        {"25/MARCH/2003", "DD/MMMMM/YYYY", '/', Date(2003, 3, 25)},
        {"25/003/2003", "DD/MMM/YYYY", '/', 0},      // no such month
        {"1/1/75", "D/M/YY", '/', Date(1975, 1, 1)}, // window of 2025
        {"1/1/74", "D/M/YY", '/', Date(2074, 1, 1)},
        {"1/1/5", "D/M/Y", '/', Date(2005, 1, 1)},
        {"12:15 AM", "HH:NN", '/', Time(0, 15)},
        {"12:15 PM", "HH:NN", '/', Time(12, 15)},
        {"1:15 pm", "H:NN", '/', Time(13, 15)},
        {"24:00", "HH:NN", '/', 0}, // skipped
        {"10:30:45.5", "HH:NN:SS.Z", '/', Time(10, 30, 45, 5)},
        {"32/12/2003", "DD/MM/YYYY", '/', 0}, // day out of range
        {"", "DD/MM/YYYY", '/', 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(DateTimeFromString(c.text, c.format, c.dateSep, ':'), c.expected)
            << c.text << " / " << c.format;
    }
}

TEST_F(TextHelpersTest, DateTimeFromStringErrors) {
    struct ErrorCase {
        const char* text;
        const char* format;
        const char* message;
    };
    const std::vector<ErrorCase> cases{
        {"31/04/2003", "DD/MM/YYYY", "Invalid argument to date encode"},
        {"29/02/2003", "DD/MM/YYYY", "Invalid argument to date encode"},
        {"x5/12/2003", "DD/MM/YYYY", "'x5' is not a valid integer value"},
        {"10:3x", "HH:NN", "'3x' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        try {
            DateTimeFromString(c.text, c.format, '/', ':');
            ADD_FAILURE() << c.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
}

TEST_F(TextHelpersTest, IsFloatText) {
    const std::vector<std::pair<const char*, bool>> cases{
        {".", true},    {"1.", true},         {".5", true},  {"+.", true},  {"e5", true},
        {"1e-3", true}, {"  -1.5E+10", true}, {"12", true},  {"", false},   {" ", false},
        {"+", false},   {"1e", false},        {"1 ", false}, {"1x", false}, {"1.2.3", false},
        {"1,5", false}, {"--1", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(IsFloatText(text), expected) << '"' << text << '"';
}

TEST_F(TextHelpersTest, IsFloatTextWithCommaDecimal) {
    FormatSettings fs = CLocaleProfile();
    fs.DecimalSeparator = ',';
    ScopedFormatSettings guard(fs);
    EXPECT_TRUE(IsFloatText("1,5"));
    EXPECT_TRUE(IsFloatText(","));
    EXPECT_TRUE(IsFloatText("1.5")); // "." still reads as the point
    EXPECT_FALSE(IsFloatText("1,5,"));
}

TEST_F(TextHelpersTest, IsNumericText) {
    const std::vector<std::pair<const char*, bool>> cases{
        {"", true},        {"   ", true},  {"-", true},    {"+12", true},
        {" 12.5\t", true}, {"1.", true},   {"1e5", false}, {"1.2.3", false},
        {"1-", false},     {"1 2", false}, {"abc", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(IsNumericText(text), expected) << '"' << text << '"';
}

TEST_F(TextHelpersTest, IsAlphaText) {
    const std::vector<std::pair<const char*, bool>> cases{
        {"", false}, {"abc", true}, {"ABCxyz", true}, {"ab c", false}, {"ab1", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(IsAlphaText(text), expected) << '"' << text << '"';
}

TEST_F(TextHelpersTest, IsDateTimeText) {
    const std::vector<std::pair<const char*, bool>> cases{
        {"2024-01-05", true}, {"2024-01-05 18:00:00", true},
        {"12:00:00", true},   {"1/5/2024", false}, // no "-" or ":" of the locale
        {"10:30", true},      {"24:00", false},
        {"abc", false},       {"2024-13-45", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(IsDateTimeText(text), expected) << '"' << text << '"';
}

TEST_F(TextHelpersTest, StripNumberFormatting) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"$1,234.50", "1234.50"}, {"1,2,3", "123"}, {"$$5", "$5"}, {"12", "12"}, {"", ""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(StripNumberFormatting(text), expected) << text;
}

TEST_F(TextHelpersTest, StripNumberFormattingWithLocaleSymbols) {
    FormatSettings fs = CLocaleProfile();
    fs.ThousandSeparator = ".";
    fs.CurrencyString = "EUR";
    ScopedFormatSettings guard(fs);
    EXPECT_EQ(StripNumberFormatting("EUR1.234,5"), "12345");
    EXPECT_EQ(StripNumberFormatting("$1.234"), "1234");
    fs.DecimalSeparator = ','; // the decimal separator stays
    ScopedFormatSettings decimalComma(fs);
    EXPECT_EQ(StripNumberFormatting("EUR1.234,5"), "1234,5");
    fs.ThousandSeparator.clear(); // no separator: nothing to remove, no endless loop
    ScopedFormatSettings noSeparator(fs);
    EXPECT_EQ(StripNumberFormatting("1.234"), "1.234");
}

TEST_F(TextHelpersTest, ReplaceSubstring) {
    struct Case {
        const char* s;
        const char* oldPattern;
        const char* newPattern;
        bool ignoreCase, replaceAll;
        const char* expected;
    };
    const std::vector<Case> cases{
        {"aaa", "aa", "b", false, true, "ba"},
        {"abcabc", "b", "X", false, false, "aXcabc"},
        {"abcabc", "b", "X", false, true, "aXcaXc"},
        {"abcABC", "b", "X", true, true, "aXcAXC"},
        {"abcABC", "b", "X", false, true, "aXcABC"},
        {"abc", "", "X", false, true, "abc"},
        {"", "a", "X", false, true, ""},
        {"abc", "c", "", false, true, "ab"},
        {"abc", "abcd", "X", false, true, "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceSubstring(c.s, c.oldPattern, c.newPattern, c.ignoreCase, c.replaceAll),
                  c.expected)
            << c.s << " " << c.oldPattern;
    }
}

TEST_F(TextHelpersTest, ReplaceSubstringIgnoresCaseOfTheAnsiSet) {
    const std::string saved = AnsiCharset();
    EXPECT_EQ(ReplaceSubstring("\xE9t\xE9", "\xC9", "E", true, true),
              "\xE9t\xE9"); // UTF-8: ASCII only
    SetAnsiCharset("CP1252");
    EXPECT_EQ(ReplaceSubstring("\xE9t\xE9", "\xC9", "E", true, true), "EtE");
    EXPECT_EQ(ReplaceSubstring("\x9Cuvre", "\x8C", "OE", true, true), "OEuvre");
    EXPECT_EQ(ReplaceSubstring("\xDF", "SS", "x", true, true), "\xDF"); // no one-byte upper case
    SetAnsiCharset(saved);
}

TEST_F(TextHelpersTest, NextToken) {
    struct Case {
        const char* source;
        std::vector<std::string> tokens;
    };
    const std::vector<Case> cases{
        {"M;F", {"M", "F"}},
        {"a;;b", {"a", "", "b"}},
        {" x \t; y", {" x", " y"}},
    };
    for (const auto& c : cases) {
        std::string source = c.source;
        for (const auto& expected : c.tokens)
            EXPECT_EQ(NextToken(';', source), expected) << c.source;
        EXPECT_EQ(source, "") << c.source;
    }
    std::string empty;
    EXPECT_EQ(NextToken(';', empty), "");
    EXPECT_EQ(empty, "");
}

TEST(Padding, PadAndRepeat) {
    EXPECT_EQ(RepeatChar('x', 3), "xxx");
    EXPECT_EQ(RepeatChar('x', 0), "");
    EXPECT_EQ(RepeatChar('x', -2), "");
    EXPECT_EQ(PadLeft("abc", 5, ' '), "  abc");
    EXPECT_EQ(PadRight("abc", 5, 'x'), "abcxx");
    EXPECT_EQ(PadLeft("abcdef", 3, ' '), "abc");
    EXPECT_EQ(PadRight("abcdef", 3, ' '), "abc");
    EXPECT_EQ(PadLeft("abc", 0, ' '), "");
    EXPECT_EQ(PadRight("abc", -1, ' '), "");
}

} // namespace
} // namespace ostrane
