#include "expression/TextHelpers.h"

#include <array>
#include <cwctype>
#include <iconv.h>
#include <locale.h>

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/TextToValue.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

// ---------------------------------------------------------------------------
// Locale upper case of the ANSI set.  ASCII letters always; in an 8-bit set
// also the bytes whose upper-case letter exists in the set.  In UTF-8 only
// ASCII changes, so a text never changes its length.

using ByteTable = std::array<unsigned char, 256>;

bool IsUtf8Name(std::string_view name) {
    return EqualsIgnoreCaseAscii(name, "UTF-8") || EqualsIgnoreCaseAscii(name, "UTF8");
}

// Owns an iconv descriptor.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts a whole buffer; false when iconv refuses any of it.
    bool Convert(const char* in, std::size_t inSize, char* out, std::size_t& outSize) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        std::size_t srcLeft = inSize;
        std::size_t dstLeft = outSize;
        char* dst = out;
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == std::size_t(-1) || srcLeft != 0)
            return false;
        outSize -= dstLeft;
        return true;
    }

private:
    iconv_t cd_;
};

// Owns a locale handle.
class LocaleHandle {
public:
    explicit LocaleHandle(const char* name) : loc_(newlocale(LC_CTYPE_MASK, name, locale_t(0))) {}
    ~LocaleHandle() {
        if (loc_ != locale_t(0)) freelocale(loc_);
    }
    LocaleHandle(const LocaleHandle&) = delete;
    LocaleHandle& operator=(const LocaleHandle&) = delete;
    locale_t Get() const { return loc_; }

private:
    locale_t loc_;
};

void AddEightBitUpperCase(ByteTable& table, const std::string& charset) {
    IconvHandle decode("WCHAR_T", charset.c_str());
    IconvHandle encode(charset.c_str(), "WCHAR_T");
    LocaleHandle unicode("C.UTF-8");
    if (!decode.Valid() || !encode.Valid() || unicode.Get() == locale_t(0)) return;
    for (int b = 0x80; b < 0x100; ++b) {
        const char in = char(b);
        wchar_t wide = 0;
        std::size_t wideSize = sizeof wide;
        if (!decode.Convert(&in, 1, reinterpret_cast<char*>(&wide), wideSize) ||
            wideSize != sizeof wide)
            continue;
        const wchar_t upper = wchar_t(towupper_l(wint_t(wide), unicode.Get()));
        if (upper == wide) continue;
        char out[8];
        std::size_t outSize = sizeof out;
        if (encode.Convert(reinterpret_cast<const char*>(&upper), sizeof upper, out, outSize) &&
            outSize == 1)
            table[std::size_t(b)] = static_cast<unsigned char>(out[0]);
    }
}

ByteTable BuildUpperTable(const std::string& charset) {
    ByteTable table{};
    for (int b = 0; b < 256; ++b) table[std::size_t(b)] = static_cast<unsigned char>(b);
    for (int b = 'a'; b <= 'z'; ++b)
        table[std::size_t(b)] = static_cast<unsigned char>(b - 'a' + 'A');
    if (!IsUtf8Name(charset)) AddEightBitUpperCase(table, charset);
    return table;
}

// The table of the ANSI set in force, rebuilt only when the set changes.
const ByteTable& AnsiUpperTable() {
    static std::string builtFor;
    static ByteTable table = BuildUpperTable(builtFor = AnsiCharset());
    if (builtFor != AnsiCharset()) table = BuildUpperTable(builtFor = AnsiCharset());
    return table;
}

std::string AnsiUpperCase(std::string_view s) {
    const ByteTable& table = AnsiUpperTable();
    std::string result(s);
    for (char& c : result) c = char(table[static_cast<unsigned char>(c)]);
    return result;
}

// ---------------------------------------------------------------------------
// DateTimeFromString

int overriddenYear = 0;

bool IsDateTimeSeparator(char c, char dateSep, char timeSep) {
    return c == '/' || c == ':' || c == ' ' || c == '.' || c == dateSep || c == timeSep;
}

// The fields collected from the text, by format letter.
struct DateTimeFields {
    std::string Day, Month, Year, Hour, Minute, Second, Millisecond;

    std::string* For(char formatLetter) {
        switch (formatLetter) {
        case 'D': return &Day;
        case 'M': return &Month;
        case 'Y': return &Year;
        case 'H': return &Hour;
        case 'N': return &Minute;
        case 'S': return &Second;
        case 'Z': return &Millisecond;
        default: return nullptr;
        }
    }
};

constexpr std::array<std::string_view, 12> EnglishShortMonths{
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<std::string_view, 12> EnglishLongMonths{
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

// 1..12 for a month name (English or the locale's), 0 when none matches.
int MonthFromName(std::string_view field, const FormatSettings& fs) {
    const std::string name = AnsiUpperCase(field);
    for (std::size_t m = 0; m < 12; ++m) {
        if (name == EnglishShortMonths[m] || name == EnglishLongMonths[m] ||
            name == AnsiUpperCase(fs.ShortMonthNames[m]) ||
            name == AnsiUpperCase(fs.LongMonthNames[m]))
            return int(m) + 1;
    }
    return 0;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Drops the date half of the format ("DD/MM/YYYY HH:NN" -> "HH:NN") when
// the text holds no date separator.
void DropDateFormat(std::string& format, std::string_view text, char dateSep) {
    if (Contains(text, std::string_view(&dateSep, 1))) return;
    const std::size_t space = format.find(' ');
    if (space != std::string::npos && space >= 1) format.erase(0, space + 1);
}

// Deletes, at each position where `master` holds a separator and `other`
// does not, the character of `other` (the scan goes on after the deletion).
void AlignTo(std::string_view master, std::string& other, char dateSep, char timeSep) {
    const std::size_t count = master.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (IsDateTimeSeparator(master[i], dateSep, timeSep) && i < other.size() &&
            !IsDateTimeSeparator(other[i], dateSep, timeSep))
            other.erase(i, 1);
    }
}

double DatePart(const DateTimeFields& f, const FormatSettings& fs) {
    if (f.Day.empty() || f.Month.empty() || f.Year.empty()) return 0;
    const int day = StrToInt(f.Day);
    const int month = f.Month.size() <= 2 ? StrToInt(f.Month) : MonthFromName(f.Month, fs);
    int year = StrToInt(f.Year);
    if (day < 1 || day > 31 || month < 1 || month > 12) return 0;
    if (year < 100) {
        const int windowStart = CurrentYearForWindow() - 50;
        year += windowStart / 100 * 100;
        if (year < windowStart) year += 100;
    }
    return EncodeDate(year, month, day);
}

double TimePart(const DateTimeFields& f, bool pm, bool am) {
    if (f.Hour.empty() || f.Minute.empty()) return 0;
    int hour = StrToInt(f.Hour);
    const int minute = StrToInt(f.Minute);
    const int second = f.Second.empty() ? 0 : StrToInt(f.Second);
    const int ms = (f.Millisecond.empty() || f.Millisecond == "Z") ? 0 : StrToInt(f.Millisecond);
    if (pm && hour < 12)
        hour += 12;
    else if (am && hour == 12)
        hour = 0;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || ms < 0 ||
        ms > 999)
        return 0;
    return EncodeTime(hour, minute, second, ms);
}

bool HasPmDesignator(std::string_view text, const FormatSettings& fs) {
    if (!fs.TimePMString.empty())
        return Contains(AnsiUpperCase(text), AnsiUpperCase(fs.TimePMString));
    return Contains(text, "PM") || Contains(text, "pm");
}

bool HasAmDesignator(std::string_view text, const FormatSettings& fs) {
    const std::string am = fs.TimeAMString.empty() ? "AM" : AnsiUpperCase(fs.TimeAMString);
    return Contains(AnsiUpperCase(text), am);
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimControls(std::string_view s) {
    while (!s.empty() && IsControlOrBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsControlOrBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Consumes a run of digits; returns whether there was at least one.
bool SkipDigits(std::string_view s, std::size_t& i) {
    const std::size_t start = i;
    while (i < s.size() && IsAsciiDigit(s[i])) ++i;
    return i > start;
}

void EraseAll(std::string& s, std::string_view part) {
    if (part.empty()) return;
    for (std::size_t at = s.find(part); at != std::string::npos; at = s.find(part, at))
        s.erase(at, part.size());
}

} // namespace

int CurrentYearForWindow() {
    return overriddenYear != 0 ? overriddenYear : CurrentYear();
}

void SetCurrentYearForTests(int year) {
    overriddenYear = year;
}

double DateTimeFromString(std::string_view text, std::string_view format, char dateSep,
                          char timeSep) {
    const FormatSettings& fs = CurrentFormatSettings();
    std::string fmt = UpperCaseAscii(format);
    std::string txt(text);
    DropDateFormat(fmt, txt, dateSep);
    const bool pm = HasPmDesignator(txt, fs);
    const bool am = HasAmDesignator(txt, fs);
    AlignTo(txt, fmt, dateSep, timeSep);
    AlignTo(fmt, txt, dateSep, timeSep);

    DateTimeFields fields;
    const std::size_t count = std::min(txt.size(), fmt.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (IsDateTimeSeparator(txt[i], dateSep, timeSep)) continue;
        if (std::string* field = fields.For(fmt[i])) field->push_back(txt[i]);
    }
    const double date = DatePart(fields, fs);
    return date + TimePart(fields, pm, am);
}

bool IsFloatText(std::string_view text) {
    std::string s(text);
    const char decimal = CurrentFormatSettings().DecimalSeparator;
    if (decimal != '.') {
        const std::size_t at = s.find(decimal);
        if (at != std::string::npos) s[at] = '.';
    }
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i == s.size()) return false; // at least one character after the sign
    SkipDigits(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        SkipDigits(s, i);
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (!SkipDigits(s, i)) return false;
    }
    return i == s.size();
}

bool IsNumericText(std::string_view text) {
    const std::string_view s = TrimControls(text);
    const char decimal = CurrentFormatSettings().DecimalSeparator;
    bool decimalSeen = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (IsAsciiDigit(c) || (i == 0 && (c == '+' || c == '-'))) continue;
        if (c == decimal && !decimalSeen) {
            decimalSeen = true;
            continue;
        }
        return false;
    }
    return true;
}

bool IsAlphaText(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsAnsiLetter(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool IsDateTimeText(std::string_view text) {
    const FormatSettings& fs = CurrentFormatSettings();
    if (text.find(fs.DateSeparator) == std::string_view::npos &&
        text.find(fs.TimeSeparator) == std::string_view::npos)
        return false;
    double ignored = 0;
    try {
        return TryVariantTextToDateTime(text, fs, ignored);
    } catch (const Exception&) {
        return false;
    }
}

std::string StripNumberFormatting(std::string_view text) {
    const FormatSettings& fs = CurrentFormatSettings();
    std::string s(text);
    // The decimal separator stays, so that a number written in the locale's
    // format reads back as the same number ("0,5" is not 5 under a ","
    // locale); thousands separators go.
    if (fs.DecimalSeparator != ',') EraseAll(s, ",");
    EraseAll(s, fs.ThousandSeparator); // an empty separator removes nothing
    std::size_t at = fs.CurrencyString.empty() ? std::string::npos : s.find(fs.CurrencyString);
    if (at != std::string::npos) {
        s.erase(at, fs.CurrencyString.size());
    } else if ((at = s.find('$')) != std::string::npos) {
        s.erase(at, 1);
    }
    return s;
}

std::string ReplaceSubstring(std::string_view s, std::string_view oldPattern,
                             std::string_view newPattern, bool ignoreCase, bool replaceAll) {
    // The upper-case forms keep the length, so positions found in them hold
    // in the original texts.
    const std::string search = ignoreCase ? AnsiUpperCase(s) : std::string(s);
    const std::string pattern = ignoreCase ? AnsiUpperCase(oldPattern) : std::string(oldPattern);
    std::string result;
    std::size_t from = 0; // start of the rest, in s and in search alike
    while (from < search.size()) {
        const std::size_t at = pattern.empty() ? std::string::npos : search.find(pattern, from);
        if (at == std::string::npos) break;
        result.append(s.substr(from, at - from));
        RequireBuiltTextLength(result.size() + newPattern.size());
        result.append(newPattern);
        from = at + oldPattern.size();
        if (!replaceAll) break;
    }
    if (from < s.size()) result.append(s.substr(from));
    return result;
}

std::string NextToken(char separator, std::string& source) {
    const std::size_t at = source.find(separator);
    std::string token = source.substr(0, at);
    source.erase(0, at == std::string::npos ? std::string::npos : at + 1);
    while (!token.empty() && IsControlOrBlank(token.back())) token.pop_back();
    return token;
}

} // namespace ostrane
