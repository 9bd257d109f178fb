// Date encoding, decoding and formatting (platform-notes section 7).  Day
// numbers use Howard Hinnant's days_from_civil / civil_from_days.
#include "platform/DateTime.h"

#include <cmath>
#include <ctime>

#include "platform/Exceptions.h"
#include "platform/NumberFormat.h"

namespace ostrane {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kMinDay = -693593; // 0001-01-01
constexpr std::int64_t kMaxDay = 2958465; // 9999-12-31
constexpr std::int64_t kEpochShift = 25569; // 1970-01-01 as a day number

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFrom1970(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFrom1970(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

void SetTimeParts(DateParts& parts, std::int64_t msOfDay) {
    parts.Hour = static_cast<int>(msOfDay / 3600000);
    parts.Minute = static_cast<int>(msOfDay / 60000 % 60);
    parts.Second = static_cast<int>(msOfDay / 1000 % 60);
    parts.Millisecond = static_cast<int>(msOfDay % 1000);
}

// value (>= 0) with at least `width` digits.
void AppendPadded(std::string& out, int value, int width) {
    char buf[16];
    char* end = buf + sizeof buf;
    char* p = end;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (end - p < width) *--p = '0';
    out.append(p, end);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool StartsWithIgnoreCase(std::string_view text, size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[pos + i]) != word[i]) return false;
    }
    return true;
}

// Whether the pattern holds an AM/PM token (outside quotes): hours are then
// written on the 12-hour clock.
bool HasAmPm(std::string_view pattern) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '"' || c == '\'') {
            size_t close = pattern.find(c, i + 1);
            if (close == std::string_view::npos) return false;
            i = close;
        } else if (StartsWithIgnoreCase(pattern, i, "ampm") || StartsWithIgnoreCase(pattern, i, "am/pm") ||
                   StartsWithIgnoreCase(pattern, i, "a/p")) {
            return true;
        }
    }
    return false;
}

constexpr const char* kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

void FormatParts(std::string& out, std::string_view pattern, const DateParts& p, const FormatSettings& fs,
                 int depth) {
    const bool twelveHour = HasAmPm(pattern);
    const bool hasTime = p.Hour != 0 || p.Minute != 0 || p.Second != 0 || p.Millisecond != 0;
    size_t i = 0;
    const size_t n = pattern.size();
    while (i < n) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            size_t close = pattern.find(c, i + 1);
            if (close == std::string_view::npos) close = n;
            out.append(pattern.substr(i + 1, close - i - 1));
            i = close < n ? close + 1 : n;
            continue;
        }
        const char lc = Lower(c);
        size_t run = 1;
        while (i + run < n && Lower(pattern[i + run]) == lc) ++run;
        switch (lc) {
        case 'd':
            if (run <= 2) {
                AppendPadded(out, p.Day, static_cast<int>(run));
            } else if (run <= 4) {
                if (p.Year >= 1) {
                    std::int64_t days = DaysFrom1970(p.Year, static_cast<unsigned>(p.Month),
                                                     static_cast<unsigned>(p.Day));
                    int dow = static_cast<int>(((days + 4) % 7 + 7) % 7);
                    out.append(run == 3 ? kShortDayNames[dow] : kLongDayNames[dow]);
                }
            } else if (depth < 2) {
                FormatParts(out, fs.ShortDateFormat, p, fs, depth + 1);
            }
            i += run;
            continue;
        case 'm':
            if (run <= 2) {
                AppendPadded(out, p.Month, static_cast<int>(run));
            } else if (p.Month >= 1 && p.Month <= 12) {
                out.append(run == 3 ? fs.ShortMonthNames[p.Month - 1] : fs.LongMonthNames[p.Month - 1]);
            }
            i += run;
            continue;
        case 'y':
            if (run <= 2) {
                AppendPadded(out, p.Year % 100, 2);
            } else {
                AppendPadded(out, p.Year, 4);
            }
            i += run;
            continue;
        case 'h': {
            int hour = p.Hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0) hour = 12;
            }
            AppendPadded(out, hour, run >= 2 ? 2 : 1);
            i += run;
            continue;
        }
        case 'n':
            AppendPadded(out, p.Minute, run >= 2 ? 2 : 1);
            i += run;
            continue;
        case 's':
            AppendPadded(out, p.Second, run >= 2 ? 2 : 1);
            i += run;
            continue;
        case 'z':
            AppendPadded(out, p.Millisecond, run >= 2 ? 3 : 1);
            i += run;
            continue;
        case 't':
            if (depth < 2) FormatParts(out, fs.LongTimeFormat, p, fs, depth + 1);
            i += run;
            continue;
        case 'c':
            if (depth < 2) {
                FormatParts(out, fs.ShortDateFormat, p, fs, depth + 1);
                if (hasTime) {
                    out.push_back(' ');
                    FormatParts(out, fs.LongTimeFormat, p, fs, depth + 1);
                }
            }
            i += run;
            continue;
        case 'a':
            if (StartsWithIgnoreCase(pattern, i, "ampm")) {
                out.append(p.Hour < 12 ? fs.TimeAMString : fs.TimePMString);
                i += 4;
                continue;
            }
            if (StartsWithIgnoreCase(pattern, i, "am/pm")) {
                size_t at = p.Hour < 12 ? i : i + 3;
                out.append(pattern.substr(at, 2));
                i += 5;
                continue;
            }
            if (StartsWithIgnoreCase(pattern, i, "a/p")) {
                out.push_back(pattern[p.Hour < 12 ? i : i + 2]);
                i += 3;
                continue;
            }
            out.push_back(c);
            ++i;
            continue;
        case '/':
            out.push_back(fs.DateSeparator);
            ++i;
            continue;
        case ':':
            out.push_back(fs.TimeSeparator);
            ++i;
            continue;
        default:
            out.push_back(c);
            ++i;
            continue;
        }
    }
}

} // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return false;
    }
    result = static_cast<double>(DaysFrom1970(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                 kEpochShift);
    return true;
}

double EncodeDate(int year, int month, int day) {
    double result = 0;
    if (!TryEncodeDate(year, month, day, result)) throw EConvertError(std::string(msg::InvalidDateEncode));
    return result;
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
    return static_cast<double>(static_cast<std::int64_t>(hour) * 3600000 + minute * 60000 + second * 1000 +
                               millisecond) /
           static_cast<double>(kMsPerDay);
}

std::int64_t DaysFromCivil(int year, int month, int day) {
    return DaysFrom1970(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochShift + 693594;
}

bool DecodeDateTime(double value, DateParts& parts) {
    parts = DateParts{};
    if (!std::isfinite(value) || std::fabs(value) > 1e7) return false;
    const std::int64_t total = static_cast<std::int64_t>(std::nearbyint(value * static_cast<double>(kMsPerDay)));
    const std::int64_t magnitude = total < 0 ? -total : total;
    std::int64_t day = magnitude / kMsPerDay;
    if (total < 0) day = -day;
    SetTimeParts(parts, magnitude % kMsPerDay);
    if (day < kMinDay || day > kMaxDay) return false;
    CivilFrom1970(day - kEpochShift, parts.Year, parts.Month, parts.Day);
    return true;
}

void AppendFormattedDateTime(std::string& out, std::string_view pattern, double value,
                             const FormatSettings& settings) {
    DateParts parts;
    DecodeDateTime(value, parts); // outside years 1..9999 the date parts stay 0
    FormatParts(out, pattern, parts, settings, 0);
}

void AppendDateTimeText(std::string& out, double value, const FormatSettings& settings) {
    if (!std::isfinite(value) || std::fabs(value) > 1e7) {
        AppendGeneralFloat(out, value, 15, settings.DecimalSeparator);
        return;
    }
    const double whole = std::trunc(value);
    const std::int64_t ms = static_cast<std::int64_t>(std::nearbyint(std::fabs(value - whole) * kMsPerDay));
    std::int64_t seconds = ms / 1000 + (ms % 1000 >= 500 ? 1 : 0);
    std::int64_t day = static_cast<std::int64_t>(whole);
    const bool timeOnly = day == 0;
    if (seconds >= 86400) { // rounding rolled into the next day
        seconds -= 86400;
        ++day;
    }
    if (day < kMinDay || day > kMaxDay) {
        AppendGeneralFloat(out, value, 15, settings.DecimalSeparator);
        return;
    }
    DateParts parts;
    CivilFrom1970(day - kEpochShift, parts.Year, parts.Month, parts.Day);
    SetTimeParts(parts, seconds * 1000);
    if (timeOnly && day == 0) {
        FormatParts(out, settings.LongTimeFormat, parts, settings, 0);
        return;
    }
    FormatParts(out, settings.ShortDateFormat, parts, settings, 0);
    if (seconds != 0) {
        out.push_back(' ');
        FormatParts(out, settings.LongTimeFormat, parts, settings, 0);
    }
}

double CurrentDateTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm local{};
    time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &local);
    double date = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return date + EncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
}

int CurrentYear() {
    time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

} // namespace ostrane
