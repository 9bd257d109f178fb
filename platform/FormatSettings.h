// The user's locale settings that number and date texts follow.  One
// process-wide instance, filled once at start from the POSIX locale; tests
// install their own.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ostrane {

enum class DateOrder { MDY, DMY, YMD };

struct FormatSettings {
    char DecimalSeparator = '.';
    std::string ThousandSeparator = ","; // may be empty (none)
    std::string CurrencyString = "$";
    char DateSeparator = '-';
    char TimeSeparator = ':';
    // Patterns: d dd m mm mmm mmmm yy yyyy h hh n nn s ss ampm; in a pattern
    // "/" stands for DateSeparator and ":" for TimeSeparator.
    std::string ShortDateFormat = "yyyy/mm/dd";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    DateOrder Order = DateOrder::YMD; // order of d, m and y in ShortDateFormat
};

// The fixed profile of the C, POSIX and C.UTF-8 locales.
FormatSettings CLocaleProfile();
// Reads the settings of the user's locale (LANG / LC_*) without changing the
// process locale; the C locales give CLocaleProfile().
FormatSettings LoadFormatSettingsFromLocale();

// Converts a strftime date or time format of the locale into a pattern
// (day/month/year order and separators as the locale writes them): %y is
// promoted to yyyy so that no century is lost, %r expands to ampmFormat
// ("%I:%M:%S %p" when empty), weekday names and zones are dropped, the first
// literal after the first date (or time) field becomes `separator` and is
// written as "/" (or ":"); other literal letters are quoted.  `separator` is
// left unchanged when there is no such literal.
std::string PatternFromStrftime(std::string_view format, std::string_view ampmFormat,
                                bool datePattern, char& separator);
// Order of the first d, m and y letters of a pattern (MDY when one is missing).
DateOrder DateOrderOfPattern(std::string_view pattern);

// The settings in force.  Starts as CLocaleProfile(); main installs the
// user's settings once at start.
const FormatSettings& CurrentFormatSettings();
void SetFormatSettings(const FormatSettings& settings);

// Installs settings for the lifetime of the object and restores the previous
// ones afterwards (tests).
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const FormatSettings& settings);
    ~ScopedFormatSettings();
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    FormatSettings saved_;
};

} // namespace ostrane
