#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/TextToValue.h"

namespace ostrane {
namespace {

double Date(int y, int m, int d) {
    return EncodeDate(y, m, d);
}
double Time(int h, int n, int s = 0) {
    return EncodeTime(h, n, s, 0);
}

struct Case {
    const char* text;
    double expected;
};

void ExpectReadings(const std::vector<Case>& cases, const FormatSettings& fs) {
    for (const auto& c : cases) {
        double result = -1;
        EXPECT_TRUE(TryVariantTextToDateTime(c.text, fs, result)) << c.text;
        EXPECT_NEAR(result, c.expected, 1e-9) << c.text;
    }
}

void ExpectRejected(const std::vector<const char*>& texts, const FormatSettings& fs) {
    for (const char* text : texts) {
        double result = 0;
        EXPECT_FALSE(TryVariantTextToDateTime(text, fs, result)) << text;
    }
}

// An English profile with month-first dates and a 12-hour clock.
FormatSettings MonthFirstProfile() {
    FormatSettings fs = CLocaleProfile();
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "m/d/yyyy";
    fs.LongTimeFormat = "h:nn:ss ampm";
    fs.Order = DateOrder::MDY;
    return fs;
}

FormatSettings GermanProfile() {
    FormatSettings fs = CLocaleProfile();
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = ".";
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.TimeAMString.clear();
    fs.TimePMString.clear();
    fs.Order = DateOrder::DMY;
    fs.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                          "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    return fs;
}

TEST(TextToDate, CProfileReadsItsOwnTexts) {
    const FormatSettings fs = CLocaleProfile();
    ExpectReadings({{"2024-01-05", Date(2024, 1, 5)},
                    {"2024-01-05 18:00:00", Date(2024, 1, 5) + Time(18, 0)},
                    {"12:00:00", Time(12, 0)},
                    {"00:00:00", 0},
                    {"1899-12-29 06:00:00", -1.25},
                    {"9999-12-31", Date(9999, 12, 31)},
                    {"0100-01-01", Date(100, 1, 1)}},
                   fs);
}

TEST(TextToDate, EveryValueTextReadsBack) {
    const std::vector<double> values{45296, 45296.75, 0, 0.5, 365.25, 3.34, -1.25, 1.0 / 86400};
    for (const FormatSettings& fs : {CLocaleProfile(), MonthFirstProfile(), GermanProfile()}) {
        for (double v : values) {
            std::string text;
            AppendDateTimeText(text, v, fs);
            double result = 0;
            EXPECT_TRUE(TryVariantTextToDateTime(text, fs, result)) << text;
        }
    }
}

TEST(TextToDate, MonthFirstProfile) {
    const FormatSettings fs = MonthFirstProfile();
    ExpectReadings({{"1/5/2024", Date(2024, 1, 5)},
                    {"2024-01-05", Date(2024, 1, 5)},
                    {"Jan 5, 2024", Date(2024, 1, 5)},
                    {"5 January 2024", Date(2024, 1, 5)},
                    {"Friday, January 5, 2024", Date(2024, 1, 5)},
                    {"25/12/2003", Date(2003, 12, 25)},
                    {"12/25/03", Date(2003, 12, 25)},
                    {"1/5/2024 2:03:09 PM", Date(2024, 1, 5) + Time(14, 3, 9)},
                    {"1/5/2024 6:00:00 PM", Date(2024, 1, 5) + Time(18, 0)},
                    {"12:00:00 AM", 0},
                    {"12:00:00 PM", Time(12, 0)},
                    {"10:30", Time(10, 30)},
                    {"10:30 PM", Time(22, 30)},
                    {"10:30 p", Time(22, 30)},
                    {"5 PM", Time(17, 0)},
                    {"1/5/29", Date(2029, 1, 5)},
                    {"1/5/30", Date(1930, 1, 5)},
                    {"1/5", Date(CurrentYear(), 1, 5)}},
                   fs);
    ExpectRejected({"5", "36526", "24:00", "2/30/2024", "1/5/2024 x", "", "   ", "abc", "10:60",
                    "1:2:3:4", "13:00 PM", "PM", "1/2/3/4"},
                   fs);
}

TEST(TextToDate, DotAsDateSeparator) {
    const FormatSettings fs = GermanProfile();
    ExpectReadings({{"05.01.2024", Date(2024, 1, 5)},
                    {"05.01.2024 18:00:00", Date(2024, 1, 5) + Time(18, 0)},
                    {"18:00:00", Time(18, 0)},
                    {"5. Jan 2024", Date(2024, 1, 5)}},
                   fs);
}

TEST(TextToDate, OneSeparatorForDateAndTime) {
    FormatSettings fs = GermanProfile();
    fs.TimeSeparator = '.';
    ExpectReadings({{"05.01.2024 18.00.00", Date(2024, 1, 5) + Time(18, 0)},
                    {"18.30.00", Time(18, 30)},
                    {"05.01.2024", Date(2024, 1, 5)}},
                   fs);
}

} // namespace
} // namespace ostrane
