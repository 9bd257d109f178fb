// The user's locale settings: separators, currency, date and time patterns,
// AM/PM and month names, converted into the output character set.  Read
// through newlocale + nl_langinfo_l: the process locale is never changed, so
// strtod and friends keep reading "." whatever the user's locale.
#include "platform/FormatSettings.h"
#include "platform/AsciiCase.h"

#include <langinfo.h>
#include <locale.h>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace ostrane {

namespace {

FormatSettings& Current() {
    static FormatSettings* settings = new FormatSettings(CLocaleProfile());
    return *settings;
}

bool IsCLocaleName(const char* name) {
    if (name == nullptr) return true;
    std::string_view n(name);
    if (n.empty() || n == "C" || n == "POSIX") return true;
    return n.size() > 2 && n[0] == 'C' && n[1] == '.'; // C.UTF-8, C.utf8
}

struct PatternItem {
    bool field;       // a pattern token (dd, yyyy, ampm, ...) or a literal byte
    std::string text; // the token, or the literal byte
    bool date;        // a date field (d, m, y)
};

void ExpandStrftime(std::string_view format, std::string_view ampmFormat,
                    std::vector<PatternItem>& items, int depth) {
    auto field = [&](const char* token, bool date) { items.push_back({true, token, date}); };
    auto literal = [&](char c) { items.push_back({false, std::string(1, c), false}); };
    auto expand = [&](std::string_view sub) {
        if (depth < 4) ExpandStrftime(sub, ampmFormat, items, depth + 1);
    };
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            literal(c);
            continue;
        }
        bool noPad = false;
        ++i;
        while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                                     format[i] == '^' || format[i] == '#')) {
            if (format[i] == '-') noPad = true;
            ++i;
        }
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
        if (i >= format.size()) break;
        switch (format[i]) {
        case 'd': field(noPad ? "d" : "dd", true); break;
        case 'e': field("d", true); break;
        case 'm': field(noPad ? "m" : "mm", true); break;
        case 'Y':
        case 'G':
        case 'y': // two-digit years are promoted: a converter must not drop the century
        case 'g': field("yyyy", true); break;
        case 'b':
        case 'h': field("mmm", true); break;
        case 'B': field("mmmm", true); break;
        case 'H':
        case 'I': field(noPad ? "h" : "hh", false); break;
        case 'k':
        case 'l': field("h", false); break;
        case 'M': field(noPad ? "n" : "nn", false); break;
        case 'S': field(noPad ? "s" : "ss", false); break;
        case 'p':
        case 'P': field("ampm", false); break;
        case 'T': expand("%H:%M:%S"); break;
        case 'R': expand("%H:%M"); break;
        case 'D': expand("%m/%d/%y"); break;
        case 'F': expand("%Y-%m-%d"); break;
        case 'x': expand("%m/%d/%y"); break;
        case 'X': expand("%H:%M:%S"); break;
        case 'r': expand(ampmFormat.empty() ? std::string_view("%I:%M:%S %p") : ampmFormat); break;
        case 'n':
        case 't': literal(' '); break;
        case '%': literal('%'); break;
        default: break; // weekday names, zones, week numbers: dropped
        }
    }
}

} // namespace

std::string PatternFromStrftime(std::string_view format, std::string_view ampmFormat,
                                bool datePattern, char& separator) {
    std::vector<PatternItem> items;
    ExpandStrftime(format, ampmFormat, items, 0);
    // Blanks left at either end by dropped items (%a, %Z) go.
    while (!items.empty() && !items.front().field && items.front().text == " ")
        items.erase(items.begin());
    while (!items.empty() && !items.back().field && items.back().text == " ") items.pop_back();
    // The separator: the first literal after the first field of the kind.
    bool sepFound = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].field && items[i].date == datePattern) {
            if (i + 1 < items.size() && !items[i + 1].field &&
                static_cast<unsigned char>(items[i + 1].text[0]) < 0x80) {
                separator = items[i + 1].text[0];
                sepFound = true;
            }
            break;
        }
    }
    const char separatorToken = datePattern ? '/' : ':';
    std::string pattern;
    for (const PatternItem& item : items) {
        if (item.field) {
            pattern += item.text;
            continue;
        }
        char c = item.text[0];
        if (sepFound && c == separator) {
            pattern.push_back(separatorToken);
        } else if (IsAsciiLetter(c) || c == '/' || c == ':' || c == '\'') {
            pattern += '"';
            pattern.push_back(c);
            pattern += '"';
        } else if (c == '"') {
            pattern += "'\"'";
        } else {
            pattern.push_back(c);
        }
    }
    return pattern;
}

DateOrder DateOrderOfPattern(std::string_view pattern) {
    size_t d = std::string_view::npos, m = d, y = d;
    bool quoted = false;
    char quote = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (quoted) {
            if (c == quote) quoted = false;
            continue;
        }
        if (c == '"' || c == '\'') {
            quoted = true;
            quote = c;
        } else if ((c == 'd' || c == 'D') && d == std::string_view::npos) {
            d = i;
        } else if ((c == 'm' || c == 'M') && m == std::string_view::npos) {
            m = i;
        } else if ((c == 'y' || c == 'Y') && y == std::string_view::npos) {
            y = i;
        }
    }
    if (d == std::string_view::npos || m == std::string_view::npos || y == std::string_view::npos) {
        return DateOrder::MDY;
    }
    if (y < m && y < d) return DateOrder::YMD;
    if (d < m) return DateOrder::DMY;
    return DateOrder::MDY;
}

FormatSettings CLocaleProfile() {
    return FormatSettings{};
}

FormatSettings LoadFormatSettingsFromLocale() {
    FormatSettings fs = CLocaleProfile();
    locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return fs;
    const char* codeset = nl_langinfo_l(CODESET, loc);
    auto ansi = [&](nl_item item) {
        std::string result;
        const char* text = nl_langinfo_l(item, loc);
        CharsetToAnsi(text == nullptr ? "" : text, codeset, result);
        return result;
    };
    auto isC = [&](int category) {
        return IsCLocaleName(nl_langinfo_l(_NL_LOCALE_NAME(category), loc));
    };

    if (!isC(LC_NUMERIC)) {
        std::string radix = ansi(RADIXCHAR);
        if (radix.size() == 1) fs.DecimalSeparator = radix[0];
        std::string thousands = ansi(THOUSEP);
        if (thousands == "?") { // the ANSI set lacks it (U+202F): a no-break space, else none
            CharsetToAnsi("\xC2\xA0", "UTF-8", thousands);
            if (thousands == "?") thousands.clear();
        }
        if (thousands.size() == 1 && thousands[0] == fs.DecimalSeparator) thousands.clear();
        fs.ThousandSeparator = thousands;
    }
    if (!isC(LC_MONETARY)) {
        std::string currency = ansi(CRNCYSTR);
        if (!currency.empty() && (currency[0] == '-' || currency[0] == '+' || currency[0] == '.')) {
            currency.erase(0, 1); // position mark
        }
        fs.CurrencyString = currency.empty() ? "$" : currency;
    }
    if (!isC(LC_TIME)) {
        const char* dateFormat = nl_langinfo_l(D_FMT, loc);
        const char* timeFormat = nl_langinfo_l(T_FMT, loc);
        const char* ampmFormat = nl_langinfo_l(T_FMT_AMPM, loc);
        std::string_view ampm = ampmFormat == nullptr ? "" : ampmFormat;
        char dateSep = fs.DateSeparator;
        std::string datePattern =
            PatternFromStrftime(dateFormat == nullptr ? "" : dateFormat, ampm, true, dateSep);
        if (!datePattern.empty()) {
            fs.ShortDateFormat = datePattern;
            fs.DateSeparator = dateSep;
            fs.Order = DateOrderOfPattern(datePattern);
        }
        char timeSep = fs.TimeSeparator;
        std::string timePattern =
            PatternFromStrftime(timeFormat == nullptr ? "" : timeFormat, ampm, false, timeSep);
        if (!timePattern.empty()) {
            fs.LongTimeFormat = timePattern;
            fs.TimeSeparator = timeSep;
        }
        fs.TimeAMString = ansi(AM_STR);
        fs.TimePMString = ansi(PM_STR);
        for (int i = 0; i < 12; ++i) {
            std::string longName = ansi(static_cast<nl_item>(ALTMON_1 + i));
            if (longName.empty()) longName = ansi(static_cast<nl_item>(MON_1 + i));
            std::string shortName = ansi(static_cast<nl_item>(_NL_ABALTMON_1 + i));
            if (shortName.empty()) shortName = ansi(static_cast<nl_item>(ABMON_1 + i));
            if (!longName.empty()) fs.LongMonthNames[i] = longName;
            if (!shortName.empty()) fs.ShortMonthNames[i] = shortName;
        }
    }
    freelocale(loc);
    return fs;
}

const FormatSettings& CurrentFormatSettings() {
    return Current();
}

void SetFormatSettings(const FormatSettings& settings) {
    Current() = settings;
}

ScopedFormatSettings::ScopedFormatSettings(const FormatSettings& settings) : saved_(Current()) {
    Current() = settings;
}

ScopedFormatSettings::~ScopedFormatSettings() {
    Current() = saved_;
}

} // namespace ostrane
