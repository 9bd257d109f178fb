#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Exceptions.h"

namespace ostrane {
namespace {

TEST(DateTime, EncodeKnownDays) {
    struct Case {
        int y, m, d;
        double serial;
    } cases[] = {{1, 1, 1, -693593},  {100, 1, 1, -657434}, {1899, 12, 30, 0},
                 {1900, 1, 1, 2},     {1970, 1, 1, 25569},  {2000, 1, 1, 36526},
                 {2024, 1, 5, 45296}, {2000, 2, 29, 36585}, {9999, 12, 31, 2958465}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(DaysFromCivil(c.y, c.m, c.d), static_cast<std::int64_t>(c.serial) + 693594);
    }
    EXPECT_EQ(DaysFromCivil(1, 1, 1), 1);
}

TEST(DateTime, EncodeErrors) {
    const int bad[][3] = {{0, 1, 1},    {10000, 1, 1}, {2024, 0, 1},  {2024, 13, 1},
                          {2024, 1, 0}, {2024, 4, 31}, {2023, 2, 29}, {1900, 2, 29}};
    for (const auto& b : bad) {
        double r = 0;
        EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], r));
        try {
            EncodeDate(b[0], b[1], b[2]);
            ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument to date encode");
        }
    }
}

TEST(DateTime, LeapYears) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 4), 30);
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
}

TEST(DateTime, EncodeTime) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(EncodeTime(14, 3, 9, 0), (14 * 3600 + 3 * 60 + 9) / 86400.0);
}

TEST(DateTime, Decode) {
    DateParts p;
    ASSERT_TRUE(DecodeDateTime(45296.585520833333, p));
    EXPECT_EQ(p.Year, 2024);
    EXPECT_EQ(p.Month, 1);
    EXPECT_EQ(p.Day, 5);
    EXPECT_EQ(p.Hour, 14);
    EXPECT_EQ(p.Minute, 3);
    EXPECT_EQ(p.Second, 9);
    EXPECT_EQ(p.Millisecond, 0);

    ASSERT_TRUE(DecodeDateTime(-1.25, p)); // day keeps its sign, time from the magnitude
    EXPECT_EQ(p.Year, 1899);
    EXPECT_EQ(p.Month, 12);
    EXPECT_EQ(p.Day, 29);
    EXPECT_EQ(p.Hour, 6);

    ASSERT_TRUE(DecodeDateTime(-0.5, p));
    EXPECT_EQ(p.Day, 30);
    EXPECT_EQ(p.Hour, 12);

    ASSERT_TRUE(DecodeDateTime(0.999999999, p)); // milliseconds rounded into the next day
    EXPECT_EQ(p.Day, 31);
    EXPECT_EQ(p.Hour, 0);
    EXPECT_EQ(p.Millisecond, 0);

    ASSERT_TRUE(DecodeDateTime(36585, p));
    EXPECT_EQ(p.Month, 2);
    EXPECT_EQ(p.Day, 29);

    EXPECT_FALSE(DecodeDateTime(2958466, p));
    EXPECT_EQ(p.Year, 0);
    EXPECT_FALSE(DecodeDateTime(-693594, p));
    EXPECT_FALSE(DecodeDateTime(std::numeric_limits<double>::quiet_NaN(), p));
    EXPECT_FALSE(DecodeDateTime(std::numeric_limits<double>::infinity(), p));
    EXPECT_TRUE(DecodeDateTime(2958465.99999, p));
    EXPECT_EQ(p.Year, 9999);
}

std::string Format(std::string_view pattern, double value,
                   const FormatSettings& fs = FormatSettings{}) {
    std::string out;
    AppendFormattedDateTime(out, pattern, value, fs);
    return out;
}

TEST(DateTime, FormatPatterns) {
    const double v = 45296.585520833333; // 2024-01-05 14:03:09
    struct Case {
        const char* pattern;
        const char* text;
    } cases[] = {
        {"yyyy", "2024"},
        {"yy", "24"},
        {"m", "1"},
        {"mm", "01"},
        {"mmm", "Jan"},
        {"mmmm", "January"},
        {"d", "5"},
        {"dd", "05"},
        {"h", "14"},
        {"hh", "14"},
        {"n", "3"},
        {"nn", "03"},
        {"s", "9"},
        {"ss", "09"},
        {"yyyy/mm/dd", "2024-01-05"},
        {"hh:nn:ss", "14:03:09"},
        {"h:nn:ss ampm", "2:03:09 PM"},
        {"hh:nn AM/PM", "02:03 PM"},
        {"h a/p", "2 p"},
        {"dd mmm yyyy", "05 Jan 2024"},
        {"\"day\" d 'of' mmmm", "day 5 of January"},
        {"ddd dddd", "Fri Friday"},
        {"YYYY-MM-DD", "2024-01-05"},
        {"c", "2024-01-05 14:03:09"},
        {"zzz", "000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format(c.pattern, v), c.text) << c.pattern;
    EXPECT_EQ(Format("h ampm", 0), "12 AM");
    EXPECT_EQ(Format("h ampm", 0.5), "12 PM");
    EXPECT_EQ(Format("yyyy", EncodeDate(24, 3, 1)), "0024");
    EXPECT_EQ(Format("yyyy m d", 3e6), "0000 0 0"); // outside the calendar: parts 0
}

TEST(DateTime, FormatUsesSettings) {
    FormatSettings fs;
    fs.DateSeparator = '.';
    fs.TimeSeparator = '.';
    fs.ShortMonthNames[0] = "Jan.";
    fs.TimePMString = "pm";
    EXPECT_EQ(Format("dd/mm/yyyy hh:nn", 45296.585520833333, fs), "05.01.2024 14.03");
    EXPECT_EQ(Format("mmm h ampm", 45296.585520833333, fs), "Jan. 2 pm");
}

TEST(DateTime, DateTimeText) {
    FormatSettings fs;
    auto text = [&](double v) {
        std::string out;
        AppendDateTimeText(out, v, fs);
        return out;
    };
    EXPECT_EQ(text(45296), "2024-01-05");
    EXPECT_EQ(text(0.5), "12:00:00");
    EXPECT_EQ(text(45296.75), "2024-01-05 18:00:00");
    EXPECT_EQ(text(45296.5 + 0.4 / 86400), "2024-01-05 12:00:00");
    EXPECT_EQ(text(45296.5 + 0.6 / 86400), "2024-01-05 12:00:01");
    EXPECT_EQ(text(-3000000), "-3000000");
    EXPECT_EQ(text(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

// The parts the text shows: seconds rounded half up, a rounding into the
// next day moving the date; no date outside years 1..9999.
TEST(DateTime, DecodeToWholeSeconds) {
    struct Case {
        double Value;
        bool InRange;
        DateParts Parts;
    };
    const double second = 1.0 / 86400;
    const Case cases[] = {
        {45296, true, {2024, 1, 5, 0, 0, 0, 0}},
        {45296.75, true, {2024, 1, 5, 18, 0, 0, 0}},
        {45296.5 + 0.4 * second, true, {2024, 1, 5, 12, 0, 0, 0}},
        {45296.5 + 0.6 * second, true, {2024, 1, 5, 12, 0, 1, 0}},
        {45296 + 86399.7 * second, true, {2024, 1, 6, 0, 0, 0, 0}},
        {0, true, {1899, 12, 30, 0, 0, 0, 0}},
        {0.5, true, {1899, 12, 30, 12, 0, 0, 0}},
        {-693593, true, {1, 1, 1, 0, 0, 0, 0}},
        {-693594, false, {}},
        {2958466, false, {}},
        {-3000000, false, {}},
        {std::numeric_limits<double>::quiet_NaN(), false, {}},
        {std::numeric_limits<double>::infinity(), false, {}},
    };
    for (const Case& c : cases) {
        DateParts parts;
        EXPECT_EQ(DecodeDateTimeToSeconds(c.Value, parts), c.InRange) << c.Value;
        if (!c.InRange) continue;
        const int got[] = {parts.Year,   parts.Month,  parts.Day,        parts.Hour,
                           parts.Minute, parts.Second, parts.Millisecond};
        const int want[] = {c.Parts.Year,   c.Parts.Month,  c.Parts.Day,        c.Parts.Hour,
                            c.Parts.Minute, c.Parts.Second, c.Parts.Millisecond};
        EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want))) << c.Value;
    }
}

// The text of a whole day number must be the short date formatted by the
// general pattern writer, for numeric patterns (written by the shortcut) and
// all others alike.
TEST(DateTime, WholeDayTextMatchesGeneralPatternWriter) {
    const char* patterns[] = {
        "yyyy/mm/dd",
        "dd/mm/yyyy",
        "m/d/yyyy",
        "d.m.yy",
        "yyyymmdd",
        "yy",
        "d",
        "YYYY-M-D",
        "dd.MM.yyyy",
        "yyy/m/dd",
        "y/m/d",
        "'year' yyyy, d/m",
        "\"d\"d/m",
        "",
        "dd mmm yyyy",
        "ddd d/m/yyyy",
        "yyyy/mm/dd hh:nn",
        "ddddd",
        "c",
        "yyyy/mm/dd ampm",
        "mmmm d, yyyy",
        "a very long fixed text before the date that does not fit a short buffer yyyy",
    };
    const char separators[] = {'-', '/', '.', ' '};
    std::vector<double> days = {-693593, -693592, -1,    1,     2,     59,
                                60,      61,      25569, 36585, 45296, 2958465};
    for (double day = -693593; day <= 2958465; day += 997) days.push_back(day);
    for (const char* pattern : patterns) {
        for (char separator : separators) {
            FormatSettings fs;
            fs.ShortDateFormat = pattern;
            fs.DateSeparator = separator;
            for (double day : days) {
                std::string text;
                AppendDateTimeText(text, day, fs);
                std::string general;
                AppendFormattedDateTime(general, pattern, day, fs);
                ASSERT_EQ(text, general) << pattern << " " << separator << " " << day;
            }
        }
    }
}

// Values the shortcut leaves alone: day zero, times of day, outside the calendar.
TEST(DateTime, DateTimeTextBesideWholeDays) {
    FormatSettings fs;
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.DateSeparator = '.';
    auto text = [&fs](double v) {
        std::string out;
        AppendDateTimeText(out, v, fs);
        return out;
    };
    EXPECT_EQ(text(45296), "05.01.2024");
    // 0 is the date 1899-12-30 (D fields hold it), a time of that day a time.
    EXPECT_EQ(text(-0.0), "30.12.1899");
    EXPECT_EQ(text(0), "30.12.1899");
    EXPECT_EQ(text(0.25), "06:00:00");
    EXPECT_EQ(text(45296.5), "05.01.2024 12:00:00");
    EXPECT_EQ(text(-1.5), "29.12.1899 12:00:00");
    EXPECT_EQ(text(1 - 0.1 / 86400), "31.12.1899"); // rounds up to whole day 1
    EXPECT_EQ(text(2958466), "2958466");
    EXPECT_EQ(text(-693594), "-693594");
    EXPECT_EQ(text(std::numeric_limits<double>::infinity()), "INF");
    fs.ShortDateFormat = "yyyy mmm dd"; // a name: the general writer
    EXPECT_EQ(text(45296), "2024 Jan 05");
}

// Every day of years 1..9999 in calendar order: encoding gives consecutive
// day numbers (the same as the general day count), decoding gives the date
// back, and the text of the day is the date.
TEST(DateTime, EveryCalendarDayEncodesAndDecodes) {
    FormatSettings fs;
    fs.ShortDateFormat = "yyyy/mm/dd";
    fs.DateSeparator = '-';
    double serial = -693593; // 0001-01-01
    char expected[16];
    for (int year = 1; year <= 9999; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year, month); ++day, ++serial) {
                double encoded = 0;
                ASSERT_TRUE(TryEncodeDate(year, month, day, encoded));
                ASSERT_EQ(encoded, serial) << year << "-" << month << "-" << day;
                ASSERT_EQ(DaysFromCivil(year, month, day), std::int64_t(serial) + 693594);
                DateParts parts;
                ASSERT_TRUE(DecodeDateTime(serial, parts));
                ASSERT_EQ(parts.Year, year);
                ASSERT_EQ(parts.Month, month);
                ASSERT_EQ(parts.Day, day) << year << "-" << month;
                if (day == 1 || day == 28 || (month == 2 && day >= 28)) {
                    std::string text;
                    AppendDateTimeText(text, serial, fs);
                    std::snprintf(expected, sizeof expected, "%04d-%02d-%02d", year, month, day);
                    ASSERT_EQ(text, expected);
                }
            }
        }
    }
    EXPECT_EQ(serial, 2958466); // one past 9999-12-31
}

// A date's text from its parts is the text of its day number, for patterns
// written digit by digit and for the others.
TEST(DateTime, DateTextFromPartsMatchesDayNumberText) {
    struct Pattern {
        const char* Text;
        char Separator;
    } patterns[] = {{"yyyy/mm/dd", '-'}, {"dd/mm/yyyy", '.'},  {"m/d/yyyy", '/'},
                    {"d.m.yy", ' '},     {"dd mmm yyyy", '-'}, {"'year' yyyy, d/m", '/'}};
    for (const Pattern& pattern : patterns) {
        FormatSettings fs;
        fs.ShortDateFormat = pattern.Text;
        fs.DateSeparator = pattern.Separator;
        for (int year = 1; year <= 9999; ++year) {
            for (int month = 1; month <= 12; ++month) {
                for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                    std::string text = "|", expected = "|";
                    AppendDateText(text, year, month, day, fs);
                    AppendDateTimeText(expected, EncodeDate(year, month, day), fs);
                    ASSERT_EQ(text, expected) << pattern.Text << " " << year << "-" << month;
                }
            }
        }
    }
}

TEST(DateTime, Clock) {
    double now = CurrentDateTime();
    int year = CurrentYear();
    EXPECT_GT(now, 45000);
    EXPECT_GE(year, 2024);
    DateParts p;
    ASSERT_TRUE(DecodeDateTime(now, p));
    EXPECT_TRUE(p.Year == year || p.Year == year + 1);
}

} // namespace
} // namespace ostrane
