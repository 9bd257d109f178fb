// Date encoding, decoding and formatting.  A date-time is a double counting
// days from 1899-12-30 00:00, its fraction the time of day (negative values
// keep the time's sign away from the epoch); years 1..9999.  Day numbers use Howard Hinnant's
// days_from_civil / civil_from_days.
#include "platform/DateTime.h"
#include "platform/AsciiCase.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/NumberFormat.h"

namespace ostrane {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kMinDay = -693593;   // 0001-01-01
constexpr std::int64_t kMaxDay = 2958465;   // 9999-12-31
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

// Days from 0000-03-01 to 1970-01-01.  Years that start in March put the
// leap day last, so the days before each month are the same every year.
constexpr std::int64_t kMarchZeroTo1970 = 719468;
// The first and last day of years 1..9999 counted from 0000-03-01.
constexpr std::int64_t kMarchZeroMin = kMinDay - kEpochShift + kMarchZeroTo1970;
constexpr std::int64_t kMarchZeroMax = kMaxDay - kEpochShift + kMarchZeroTo1970;

// DaysFrom1970 plus kMarchZeroTo1970 for a valid date of years 1..9999:
// never negative, so unsigned 32-bit arithmetic does.
std::uint32_t DayFromMarchZero(unsigned y, unsigned m, unsigned d) {
    static constexpr std::uint16_t kDaysBefore[] = {306, 337, 0,   31,  61,  92,
                                                    122, 153, 184, 214, 245, 275};
    const unsigned yy = y - (m <= 2); // January and February end the year before
    return 365 * yy + yy / 4 - yy / 100 + yy / 400 + kDaysBefore[m - 1] + d - 1;
}

// The date of day n counted from 0000-03-01, for the days of years 1..9999.
void CivilFromMarchZero(std::uint32_t n, int& year, int& month, int& day) {
    const unsigned era = n / 146097;
    const unsigned doe = n - era * 146097;
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(era * 400 + yoe + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

void CivilFrom1970(std::int64_t z, int& year, int& month, int& day) {
    z += kMarchZeroTo1970;
    if (z >= kMarchZeroMin && z <= kMarchZeroMax) {
        return CivilFromMarchZero(static_cast<std::uint32_t>(z), year, month, day);
    }
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

bool StartsWithIgnoreCase(std::string_view text, size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (LowerAscii(text[pos + i]) != word[i]) return false;
    }
    return true;
}

constexpr const char* kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

// A pattern is compiled once into tokens; the compiled forms are kept in a
// small cache keyed by the pattern text (the settings' two patterns and the
// few fixed patterns of the built-in functions).
enum class Tok : std::uint8_t {
    Literal,
    Day,
    Day2,
    WeekdayShort,
    WeekdayLong,
    ShortDate,
    Month,
    Month2,
    MonthShort,
    MonthLong,
    Year2,
    Year4,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    Milli,
    Milli3,
    LongTime,
    DateAndTime,
    AmPm,     // the settings' AM / PM strings
    AmPmText, // text holds the two spellings ("am" then "pm", as written)
    DateSep,
    TimeSep,
};

struct Token {
    Tok kind;
    std::string text;
};

struct CompiledPattern {
    std::string source;
    std::vector<Token> tokens;
    bool twelveHour = false;
};

void Compile(std::string_view pattern, CompiledPattern& c) {
    c.source.assign(pattern.data(), pattern.size());
    c.tokens.clear();
    c.twelveHour = false;
    auto add = [&](Tok kind) { c.tokens.push_back({kind, {}}); };
    auto literal = [&](std::string_view text) {
        if (!c.tokens.empty() && c.tokens.back().kind == Tok::Literal) {
            c.tokens.back().text.append(text);
        } else {
            c.tokens.push_back({Tok::Literal, std::string(text)});
        }
    };
    const size_t n = pattern.size();
    size_t i = 0;
    while (i < n) {
        const char ch = pattern[i];
        if (ch == '"' || ch == '\'') {
            size_t close = pattern.find(ch, i + 1);
            if (close == std::string_view::npos) close = n;
            literal(pattern.substr(i + 1, close - i - 1));
            i = close < n ? close + 1 : n;
            continue;
        }
        const char lc = LowerAscii(ch);
        size_t run = 1;
        while (i + run < n && LowerAscii(pattern[i + run]) == lc) ++run;
        switch (lc) {
        case 'd':
            add(run == 1   ? Tok::Day
                : run == 2 ? Tok::Day2
                : run == 3 ? Tok::WeekdayShort
                : run == 4 ? Tok::WeekdayLong
                           : Tok::ShortDate);
            break;
        case 'm':
            add(run == 1   ? Tok::Month
                : run == 2 ? Tok::Month2
                : run == 3 ? Tok::MonthShort
                           : Tok::MonthLong);
            break;
        case 'y': add(run <= 2 ? Tok::Year2 : Tok::Year4); break;
        case 'h': add(run == 1 ? Tok::Hour : Tok::Hour2); break;
        case 'n': add(run == 1 ? Tok::Minute : Tok::Minute2); break;
        case 's': add(run == 1 ? Tok::Second : Tok::Second2); break;
        case 'z': add(run == 1 ? Tok::Milli : Tok::Milli3); break;
        case 't': add(Tok::LongTime); break;
        case 'c': add(Tok::DateAndTime); break;
        case 'a':
            if (StartsWithIgnoreCase(pattern, i, "ampm")) {
                add(Tok::AmPm);
                c.twelveHour = true;
                run = 4;
            } else if (StartsWithIgnoreCase(pattern, i, "am/pm")) {
                c.tokens.push_back({Tok::AmPmText, std::string(pattern.substr(i, 2)) +
                                                       std::string(pattern.substr(i + 3, 2))});
                c.twelveHour = true;
                run = 5;
            } else if (StartsWithIgnoreCase(pattern, i, "a/p")) {
                c.tokens.push_back(
                    {Tok::AmPmText, std::string(1, pattern[i]) + std::string(1, pattern[i + 2])});
                c.twelveHour = true;
                run = 3;
            } else {
                literal(pattern.substr(i, 1));
                run = 1;
            }
            break;
        case '/':
            add(Tok::DateSep);
            run = 1;
            break;
        case ':':
            add(Tok::TimeSep);
            run = 1;
            break;
        default:
            literal(pattern.substr(i, 1));
            run = 1;
            break;
        }
        i += run;
    }
}

const CompiledPattern& CompiledFor(std::string_view pattern, bool mayEvict) {
    static auto* cache = new std::vector<std::unique_ptr<CompiledPattern>>();
    for (const auto& c : *cache) {
        if (c->source.size() == pattern.size() &&
            std::memcmp(c->source.data(), pattern.data(), pattern.size()) == 0) {
            return *c;
        }
    }
    if (mayEvict && cache->size() >= 32) cache->clear(); // only at the outer level: no token in use
    cache->push_back(std::make_unique<CompiledPattern>());
    Compile(pattern, *cache->back());
    return *cache->back();
}

// Collects the text in a local buffer and appends it in blocks.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    ~Writer() { Flush(); }
    void Flush() {
        out_.append(buf_, fill_);
        fill_ = 0;
    }
    void Text(std::string_view text) {
        if (fill_ + text.size() > sizeof buf_) {
            Flush();
            out_.append(text);
            return;
        }
        std::size_t f = fill_;   // a local index: stores through char* would reload the member
        if (text.size() <= 16) { // short pieces: a byte loop beats a memcpy call
            for (char c : text) buf_[f++] = c;
        } else {
            std::memcpy(buf_ + f, text.data(), text.size());
            f += text.size();
        }
        fill_ = f;
    }
    // value (>= 0) with at least `width` digits.
    void Number(int value, int width) {
        if (fill_ + 16 > sizeof buf_) Flush();
        std::size_t f = fill_;
        unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
        if (v < 100 && width <= 2) { // day, month, hour, minute, second
            if (v >= 10 || width == 2) buf_[f++] = static_cast<char>('0' + v / 10);
            buf_[f++] = static_cast<char>('0' + v % 10);
        } else if (v < 10000 && width == 4) { // the year
            buf_[f] = static_cast<char>('0' + v / 1000);
            buf_[f + 1] = static_cast<char>('0' + v / 100 % 10);
            buf_[f + 2] = static_cast<char>('0' + v / 10 % 10);
            buf_[f + 3] = static_cast<char>('0' + v % 10);
            f += 4;
        } else {
            char digits[16];
            char* end = digits + sizeof digits;
            char* p = end;
            do {
                *--p = static_cast<char>('0' + v % 10);
                v /= 10;
            } while (v != 0);
            while (end - p < width) *--p = '0';
            while (p != end) buf_[f++] = *p++;
        }
        fill_ = f;
    }
    void Char(char c) {
        if (fill_ == sizeof buf_) Flush();
        buf_[fill_++] = c;
    }

private:
    std::string& out_;
    char buf_[128];
    size_t fill_ = 0;
};

void FormatParts(Writer& w, std::string_view pattern, const DateParts& p, const FormatSettings& fs,
                 int depth) {
    const CompiledPattern& compiled = CompiledFor(pattern, depth == 0);
    for (const Token& t : compiled.tokens) {
        switch (t.kind) {
        case Tok::Literal: w.Text(t.text); break;
        case Tok::Day: w.Number(p.Day, 1); break;
        case Tok::Day2: w.Number(p.Day, 2); break;
        case Tok::WeekdayShort:
        case Tok::WeekdayLong:
            if (p.Year >= 1) {
                std::int64_t days = DaysFrom1970(p.Year, static_cast<unsigned>(p.Month),
                                                 static_cast<unsigned>(p.Day));
                int dow = static_cast<int>(((days + 4) % 7 + 7) % 7);
                w.Text(t.kind == Tok::WeekdayShort ? kShortDayNames[dow] : kLongDayNames[dow]);
            }
            break;
        case Tok::ShortDate:
            if (depth < 2) FormatParts(w, fs.ShortDateFormat, p, fs, depth + 1);
            break;
        case Tok::Month: w.Number(p.Month, 1); break;
        case Tok::Month2: w.Number(p.Month, 2); break;
        case Tok::MonthShort:
        case Tok::MonthLong:
            if (p.Month >= 1 && p.Month <= 12) {
                w.Text(t.kind == Tok::MonthShort ? fs.ShortMonthNames[p.Month - 1]
                                                 : fs.LongMonthNames[p.Month - 1]);
            }
            break;
        case Tok::Year2: w.Number(p.Year % 100, 2); break;
        case Tok::Year4: w.Number(p.Year, 4); break;
        case Tok::Hour:
        case Tok::Hour2: {
            int hour = p.Hour;
            if (compiled.twelveHour) {
                hour %= 12;
                if (hour == 0) hour = 12;
            }
            w.Number(hour, t.kind == Tok::Hour ? 1 : 2);
            break;
        }
        case Tok::Minute: w.Number(p.Minute, 1); break;
        case Tok::Minute2: w.Number(p.Minute, 2); break;
        case Tok::Second: w.Number(p.Second, 1); break;
        case Tok::Second2: w.Number(p.Second, 2); break;
        case Tok::Milli: w.Number(p.Millisecond, 1); break;
        case Tok::Milli3: w.Number(p.Millisecond, 3); break;
        case Tok::LongTime:
            if (depth < 2) FormatParts(w, fs.LongTimeFormat, p, fs, depth + 1);
            break;
        case Tok::DateAndTime:
            if (depth < 2) {
                FormatParts(w, fs.ShortDateFormat, p, fs, depth + 1);
                if (p.Hour != 0 || p.Minute != 0 || p.Second != 0 || p.Millisecond != 0) {
                    w.Char(' ');
                    FormatParts(w, fs.LongTimeFormat, p, fs, depth + 1);
                }
            }
            break;
        case Tok::AmPm: w.Text(p.Hour < 12 ? fs.TimeAMString : fs.TimePMString); break;
        case Tok::AmPmText: {
            std::string_view both = t.text;
            size_t half = both.size() / 2;
            w.Text(p.Hour < 12 ? both.substr(0, half) : both.substr(half));
            break;
        }
        case Tok::DateSep: w.Char(fs.DateSeparator); break;
        case Tok::TimeSep: w.Char(fs.TimeSeparator); break;
        }
    }
}

// A short-date pattern made only of day, month and year numbers and fixed
// texts, compiled once for the pattern and date separator in force: the
// date-only values that make up most date fields are written from it digit
// by digit, with the same text as FormatParts.
class NumericDatePlan {
public:
    // The plan for the settings; Simple() is false when the pattern holds
    // anything else (names, times, nested patterns).
    static const NumericDatePlan& For(const FormatSettings& fs) {
        static NumericDatePlan plan;
        if (plan.separator_ != fs.DateSeparator || plan.source_ != fs.ShortDateFormat)
            plan.Rebuild(fs);
        return plan;
    }

    bool Simple() const { return simple_; }

    // Appends the date: year 1..9999, month 1..12, day 1..31.
    void Append(std::string& out, int year, int month, int day) const {
        if (fixedWidth_) {
            AppendFixedWidth(out, year, month, day);
        } else {
            AppendByStep(out, year, month, day);
        }
    }

private:
    // Four digits at most per step keep every date below this length.
    static constexpr std::size_t kMaxLength = 64;

    struct Step {
        Tok kind;
        std::string text;   // Literal: the text
        std::size_t At = 0; // numbers: their place in template_
    };

    // Every number has its fixed width: the template holds the whole text,
    // and the digits go into their places.
    void AppendFixedWidth(std::string& out, int year, int month, int day) const {
        const std::size_t start = out.size();
        out += template_;
        char* p = out.data() + start;
        for (const Step& step : numbers_) {
            switch (step.kind) {
            case Tok::Year4:
                WriteTwoDigits(p + step.At, static_cast<unsigned>(year / 100));
                WriteTwoDigits(p + step.At + 2, static_cast<unsigned>(year % 100));
                break;
            case Tok::Year2: WriteTwoDigits(p + step.At, static_cast<unsigned>(year % 100)); break;
            case Tok::Month2: WriteTwoDigits(p + step.At, static_cast<unsigned>(month)); break;
            default: WriteTwoDigits(p + step.At, static_cast<unsigned>(day)); break; // Day2
            }
        }
    }

    // "m" or "d": one digit below 10, so the text is built step by step.
    void AppendByStep(std::string& out, int year, int month, int day) const {
        char buf[kMaxLength];
        char* p = buf;
        for (const Step& step : steps_) {
            switch (step.kind) {
            case Tok::Year4: p = FourDigits(p, year); break;
            case Tok::Year2: p = TwoDigits(p, year % 100); break;
            case Tok::Month: p = OneOrTwoDigits(p, month); break;
            case Tok::Month2: p = TwoDigits(p, month); break;
            case Tok::Day: p = OneOrTwoDigits(p, day); break;
            case Tok::Day2: p = TwoDigits(p, day); break;
            default: // a fixed text, the date separator included
                std::memcpy(p, step.text.data(), step.text.size());
                p += step.text.size();
                break;
            }
        }
        out.append(buf, static_cast<std::size_t>(p - buf));
    }

    static char* TwoDigits(char* p, int v) {
        WriteTwoDigits(p, static_cast<unsigned>(v));
        return p + 2;
    }
    static char* OneOrTwoDigits(char* p, int v) {
        if (v < 10) {
            *p = static_cast<char>('0' + v);
            return p + 1;
        }
        return TwoDigits(p, v);
    }
    static char* FourDigits(char* p, int v) { return TwoDigits(TwoDigits(p, v / 100), v % 100); }

    static std::size_t Width(Tok kind) {
        switch (kind) {
        case Tok::Year4: return 4;
        case Tok::Year2:
        case Tok::Month2:
        case Tok::Day2: return 2;
        default: return 0; // one or two digits
        }
    }

    void Rebuild(const FormatSettings& fs) {
        source_ = fs.ShortDateFormat;
        separator_ = fs.DateSeparator;
        CompiledPattern compiled;
        Compile(source_, compiled);
        steps_.clear();
        numbers_.clear();
        template_.clear();
        simple_ = true;
        fixedWidth_ = true;
        std::size_t length = 0;
        for (const Token& t : compiled.tokens) {
            switch (t.kind) {
            case Tok::Year4:
            case Tok::Year2:
            case Tok::Month:
            case Tok::Month2:
            case Tok::Day:
            case Tok::Day2: {
                const std::size_t width = Width(t.kind);
                fixedWidth_ = fixedWidth_ && width != 0;
                steps_.push_back({t.kind, {}, template_.size()});
                numbers_.push_back(steps_.back());
                template_.append(width, '0');
                length += 4;
                break;
            }
            case Tok::Literal:
                steps_.push_back({Tok::Literal, t.text});
                template_ += t.text;
                length += t.text.size();
                break;
            case Tok::DateSep:
                steps_.push_back({Tok::Literal, std::string(1, separator_)});
                template_ += separator_;
                length += 1;
                break;
            default: simple_ = false; break;
            }
        }
        if (length > kMaxLength) simple_ = false;
    }

    std::string source_;
    char separator_ = 0;
    bool simple_ = false;
    bool fixedWidth_ = false;
    std::vector<Step> steps_;   // the whole pattern
    std::vector<Step> numbers_; // its numbers only
    std::string template_;      // fixed widths: the text with zeros for the numbers
};

// A whole day number other than day zero within years 1..9999: the text is
// the short date alone.  False when the plan cannot write it.
bool TryAppendWholeDate(std::string& out, double value, const FormatSettings& settings) {
    if (!(value >= kMinDay && value <= kMaxDay)) return false; // NaN too
    const auto day = static_cast<std::int64_t>(value);
    if (static_cast<double>(day) != value) return false;
    const NumericDatePlan& plan = NumericDatePlan::For(settings);
    if (!plan.Simple()) return false;
    int year = 0, month = 0, dayOfMonth = 0;
    CivilFrom1970(day - kEpochShift, year, month, dayOfMonth);
    plan.Append(out, year, month, dayOfMonth);
    return true;
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return false;
    }
    const std::int64_t fromMarchZero = DayFromMarchZero(
        static_cast<unsigned>(year), static_cast<unsigned>(month), static_cast<unsigned>(day));
    result = static_cast<double>(fromMarchZero - kMarchZeroTo1970 + kEpochShift);
    return true;
}

double EncodeDate(int year, int month, int day) {
    double result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError(std::string(msg::InvalidDateEncode));
    return result;
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
    return static_cast<double>(static_cast<std::int64_t>(hour) * 3600000 + minute * 60000 +
                               second * 1000 + millisecond) /
           static_cast<double>(kMsPerDay);
}

std::int64_t DaysFromCivil(int year, int month, int day) {
    return DaysFrom1970(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
           kEpochShift + 693594;
}

bool DecodeDateTime(double value, DateParts& parts) {
    parts = DateParts{};
    if (!std::isfinite(value) || std::fabs(value) > 1e7) return false;
    const std::int64_t total =
        static_cast<std::int64_t>(std::nearbyint(value * static_cast<double>(kMsPerDay)));
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
    Writer w(out);
    FormatParts(w, pattern, parts, settings, 0);
}

namespace {

// A date-time as its day number and the seconds of its time of day, rounded
// to whole seconds (half a second up); a rounding into the next day moves
// the day.  For finite values up to 1e7 days.
struct WholeSeconds {
    std::int64_t Day = 0;
    std::int64_t Seconds = 0;
};

WholeSeconds SplitIntoWholeSeconds(double value) {
    const double whole = std::trunc(value);
    const std::int64_t ms =
        static_cast<std::int64_t>(std::nearbyint(std::fabs(value - whole) * kMsPerDay));
    WholeSeconds split{static_cast<std::int64_t>(whole), ms / 1000 + (ms % 1000 >= 500 ? 1 : 0)};
    if (split.Seconds >= 86400) { // rounding rolled into the next day
        split.Seconds -= 86400;
        ++split.Day;
    }
    return split;
}

// DecodeDateTimeToSeconds, also giving the split.
bool DecodeWholeSeconds(double value, WholeSeconds& split, DateParts& parts) {
    parts = DateParts{};
    if (!std::isfinite(value) || std::fabs(value) > 1e7) return false;
    split = SplitIntoWholeSeconds(value);
    if (split.Day < kMinDay || split.Day > kMaxDay) return false;
    CivilFrom1970(split.Day - kEpochShift, parts.Year, parts.Month, parts.Day);
    SetTimeParts(parts, split.Seconds * 1000);
    return true;
}

} // namespace

bool DecodeDateTimeToSeconds(double value, DateParts& parts) {
    WholeSeconds split;
    return DecodeWholeSeconds(value, split, parts);
}

void AppendDateTimeText(std::string& out, double value, const FormatSettings& settings) {
    if (TryAppendWholeDate(out, value, settings)) return;
    // Day zero with a time of day is a time alone; the value 0 itself is
    // the date 1899-12-30, which real D fields hold.
    const bool timeOnly = std::trunc(value) == 0 && value != 0;
    WholeSeconds split;
    DateParts parts;
    if (!DecodeWholeSeconds(value, split, parts)) {
        AppendGeneralFloat(out, value, 15, settings.DecimalSeparator);
        return;
    }
    Writer w(out);
    if (timeOnly && split.Day == 0) {
        FormatParts(w, settings.LongTimeFormat, parts, settings, 0);
        return;
    }
    FormatParts(w, settings.ShortDateFormat, parts, settings, 0);
    if (split.Seconds != 0) {
        w.Char(' ');
        FormatParts(w, settings.LongTimeFormat, parts, settings, 0);
    }
}

void AppendDateText(std::string& out, int year, int month, int day,
                    const FormatSettings& settings) {
    const NumericDatePlan& plan = NumericDatePlan::For(settings);
    if (plan.Simple()) return plan.Append(out, year, month, day);
    AppendDateTimeText(out, EncodeDate(year, month, day), settings);
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
    return date +
           EncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
}

int CurrentYear() {
    time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

} // namespace ostrane
