// Locale-aware reading of a text as a date-time: numbers joined by time
// separators are the time, the other numbers (and a month name) the date.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/DateTime.h"
#include "platform/TextToValue.h"

namespace ostrane {

namespace {

// Either: the locale uses one character for both separators (18.00.00).
enum class PieceKind { Number, Month, Am, Pm, TimeSep, DateSep, Either };

struct Piece {
    PieceKind Kind;
    int Number = 0; // the number, or the month 1..12
};

constexpr std::array<std::string_view, 12> EnglishShortMonths{
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> EnglishLongMonths{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 14> EnglishWeekdays{
    "Sun",    "Mon",    "Tue",     "Wed",       "Thu",      "Fri",    "Sat",
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIgnored(char c) {
    return c == ',' || static_cast<unsigned char>(c) <= 32;
}

// Splits a text into pieces; anything that is not a number, a separator, a
// month or weekday name or an AM/PM designator rejects the text.
class DateTextScanner {
public:
    DateTextScanner(std::string_view text, const FormatSettings& fs) : text_(text), fs_(fs) {}

    bool Scan(std::vector<Piece>& pieces) {
        pieces_ = &pieces;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (IsIgnored(c)) {
                ++pos_;
            } else if (IsDigit(c)) {
                ReadNumber();
            } else if (ReadDesignator()) {
            } else if (IsSeparator(c)) {
                pieces.push_back({SeparatorKind(c)});
                ++pos_;
            } else if (!ReadWord()) {
                return false;
            }
        }
        return true;
    }

private:
    bool IsSeparator(char c) const {
        return c == fs_.DateSeparator || c == fs_.TimeSeparator || c == ':' || c == '.' ||
               c == '/' || c == '-';
    }
    // The locale's date separator is a date separator even where it is "."
    // (05.01.2024); otherwise ":" and "." separate times.
    PieceKind SeparatorKind(char c) const {
        if (c == fs_.DateSeparator && c == fs_.TimeSeparator) return PieceKind::Either;
        if (c == fs_.DateSeparator) return PieceKind::DateSep;
        if (c == fs_.TimeSeparator || c == ':' || c == '.') return PieceKind::TimeSep;
        return PieceKind::DateSep;
    }

    void ReadNumber() {
        long long value = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            if (value < 1000000) value = value * 10 + (text_[pos_] - '0');
            ++pos_;
        }
        pieces_->push_back({PieceKind::Number, int(value)});
    }

    // The locale's designators, matched where they stand (they may hold
    // dots or blanks).
    bool ReadDesignator() {
        const std::string_view rest = text_.substr(pos_);
        const std::string* longest = nullptr;
        PieceKind kind = PieceKind::Am;
        for (auto [s, k] : {std::pair{&fs_.TimeAMString, PieceKind::Am},
                            std::pair{&fs_.TimePMString, PieceKind::Pm}}) {
            // An empty designator matches nothing.
            if (!s->empty() && StartsWithIgnoreCaseAscii(rest, *s) &&
                (!longest || s->size() > longest->size())) {
                longest = s;
                kind = k;
            }
        }
        if (!longest || (longest->size() < rest.size() && IsWordChar(rest[longest->size()])))
            return false;
        pieces_->push_back({kind});
        pos_ += longest->size();
        return true;
    }

    static bool IsWordChar(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
    }

    bool ReadWord() {
        std::size_t end = pos_;
        while (end < text_.size() && !IsDigit(text_[end]) && !IsIgnored(text_[end]) &&
               !IsSeparator(text_[end]))
            ++end;
        if (end == pos_) return false;
        const std::string_view word = text_.substr(pos_, end - pos_);
        // A locale month name may end in a dot ("janv.").
        if (end < text_.size() && text_[end] == '.') {
            const std::string_view dotted = text_.substr(pos_, end - pos_ + 1);
            if (const int month = LocaleMonth(dotted)) {
                pieces_->push_back({PieceKind::Month, month});
                pos_ = end + 1;
                return true;
            }
        }
        pos_ = end;
        return ClassifyWord(word);
    }

    bool ClassifyWord(std::string_view word) {
        if (const int month = Month(word)) {
            pieces_->push_back({PieceKind::Month, month});
            return true;
        }
        for (std::string_view day : EnglishWeekdays) {
            if (EqualsIgnoreCaseAscii(word, day)) return true; // weekday names carry nothing
        }
        const bool afterNumber = !pieces_->empty() && pieces_->back().Kind == PieceKind::Number;
        if (EqualsIgnoreCaseAscii(word, "AM") ||
            (afterNumber && EqualsIgnoreCaseAscii(word, "A"))) {
            pieces_->push_back({PieceKind::Am});
            return true;
        }
        if (EqualsIgnoreCaseAscii(word, "PM") ||
            (afterNumber && EqualsIgnoreCaseAscii(word, "P"))) {
            pieces_->push_back({PieceKind::Pm});
            return true;
        }
        return false;
    }

    int LocaleMonth(std::string_view word) const {
        for (std::size_t m = 0; m < 12; ++m) {
            if (EqualsIgnoreCaseAscii(word, fs_.LongMonthNames[m]) ||
                EqualsIgnoreCaseAscii(word, fs_.ShortMonthNames[m]))
                return int(m) + 1;
        }
        return 0;
    }

    int Month(std::string_view word) const {
        if (const int month = LocaleMonth(word)) return month;
        for (std::size_t m = 0; m < 12; ++m) {
            if (EqualsIgnoreCaseAscii(word, EnglishLongMonths[m]) ||
                EqualsIgnoreCaseAscii(word, EnglishShortMonths[m]))
                return int(m) + 1;
        }
        return 0;
    }

    std::string_view text_;
    const FormatSettings& fs_;
    std::size_t pos_ = 0;
    std::vector<Piece>* pieces_ = nullptr;
};

// The pieces sorted into date and time.
struct DateTimeReading {
    std::vector<int> DateNumbers;
    int Month = 0; // from a month name
    std::vector<int> TimeNumbers;
    int DateSeparators = 0;
    bool Am = false, Pm = false;
};

bool IsNumberAt(const std::vector<Piece>& p, std::size_t i) {
    return i < p.size() && p[i].Kind == PieceKind::Number;
}

bool IsTimeSepAt(const std::vector<Piece>& p, std::size_t i) {
    return i < p.size() && p[i].Kind == PieceKind::TimeSep;
}

bool Sort(const std::vector<Piece>& p, DateTimeReading& r) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        switch (p[i].Kind) {
        case PieceKind::Number:
            if (IsTimeSepAt(p, i + 1) && IsNumberAt(p, i + 2)) {
                if (!r.TimeNumbers.empty()) return false; // a second time
                r.TimeNumbers.push_back(p[i].Number);
                while (IsTimeSepAt(p, i + 1) && IsNumberAt(p, i + 2)) {
                    r.TimeNumbers.push_back(p[i + 2].Number);
                    i += 2;
                }
                if (r.TimeNumbers.size() > 3) return false;
            } else {
                r.DateNumbers.push_back(p[i].Number);
            }
            break;
        case PieceKind::Month:
            if (r.Month != 0) return false;
            r.Month = p[i].Number;
            break;
        case PieceKind::Am:
        case PieceKind::Pm:
            if (r.Am || r.Pm) return false;
            (p[i].Kind == PieceKind::Am ? r.Am : r.Pm) = true;
            // "5 PM": a lone number before the designator is the hour.
            if (r.TimeNumbers.empty() && i > 0 && p[i - 1].Kind == PieceKind::Number) {
                r.TimeNumbers.push_back(r.DateNumbers.back());
                r.DateNumbers.pop_back();
            }
            break;
        case PieceKind::TimeSep:
        case PieceKind::Either: return false; // not between two numbers
        case PieceKind::DateSep: ++r.DateSeparators; break;
        }
    }
    return true;
}

int FullYear(int year) {
    if (year < 30) return year + 2000;
    if (year < 100) return year + 1900;
    return year;
}

std::optional<double> MakeDate(int year, int month, int day) {
    year = FullYear(year);
    double result = 0;
    if (year < 100 || year > 9999 || !TryEncodeDate(year, month, day, result)) return std::nullopt;
    return result;
}

std::optional<double> DateInOrder(const std::vector<int>& n, DateOrder order) {
    switch (order) {
    case DateOrder::MDY: return MakeDate(n[2], n[0], n[1]);
    case DateOrder::DMY: return MakeDate(n[2], n[1], n[0]);
    case DateOrder::YMD: return MakeDate(n[0], n[1], n[2]);
    }
    return std::nullopt;
}

// Three numbers: the locale's order first, then the others.
std::optional<double> DateOfThree(const std::vector<int>& n, DateOrder localeOrder) {
    if (auto d = DateInOrder(n, localeOrder)) return d;
    for (DateOrder order : {DateOrder::MDY, DateOrder::DMY, DateOrder::YMD}) {
        if (order == localeOrder) continue;
        if (auto d = DateInOrder(n, order)) return d;
    }
    return std::nullopt;
}

// Two numbers: day and month of the current year, else month and year.
std::optional<double> DateOfTwo(const std::vector<int>& n, DateOrder order) {
    const bool dayFirst = order == DateOrder::DMY;
    const int month = dayFirst ? n[1] : n[0];
    const int day = dayFirst ? n[0] : n[1];
    if (auto d = MakeDate(CurrentYear(), month, day)) return d;
    if (order == DateOrder::YMD) return MakeDate(n[0], n[1], 1);
    return MakeDate(n[1], n[0], 1);
}

// A month name with one number (day of the current year, else the year) or
// two numbers (day and year, in the locale's order first).
std::optional<double> DateWithMonthName(const std::vector<int>& n, int month, DateOrder order) {
    if (n.size() == 1) {
        if (auto d = MakeDate(CurrentYear(), month, n[0])) return d;
        return MakeDate(n[0], month, 1);
    }
    if (n.size() != 2) return std::nullopt;
    const bool yearFirst = order == DateOrder::YMD;
    if (auto d = MakeDate(yearFirst ? n[0] : n[1], month, yearFirst ? n[1] : n[0])) return d;
    return MakeDate(yearFirst ? n[1] : n[0], month, yearFirst ? n[0] : n[1]);
}

std::optional<double> DateOf(const DateTimeReading& r, const FormatSettings& fs) {
    const std::size_t count = r.DateNumbers.size();
    const std::size_t allowedSeparators = count > 2 ? count : 2;
    if (std::size_t(r.DateSeparators) > allowedSeparators) return std::nullopt;
    if (r.Month != 0) return DateWithMonthName(r.DateNumbers, r.Month, fs.Order);
    if (r.DateSeparators > 0 && count == 0) return std::nullopt;
    switch (count) {
    case 0: return 0.0;
    case 2: return DateOfTwo(r.DateNumbers, fs.Order);
    case 3: return DateOfThree(r.DateNumbers, fs.Order);
    default: return std::nullopt; // a lone number is not a date
    }
}

std::optional<double> TimeOf(const DateTimeReading& r) {
    if (r.TimeNumbers.empty()) return (r.Am || r.Pm) ? std::nullopt : std::optional<double>(0.0);
    int hour = r.TimeNumbers[0];
    const int minute = r.TimeNumbers.size() > 1 ? r.TimeNumbers[1] : 0;
    const int second = r.TimeNumbers.size() > 2 ? r.TimeNumbers[2] : 0;
    if (r.Am || r.Pm) {
        if (hour > 12) return std::nullopt;
        if (r.Pm && hour < 12)
            hour += 12;
        else if (r.Am && hour == 12)
            hour = 0;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return EncodeTime(hour, minute, second, 0);
}

bool ReadPieces(const std::vector<Piece>& pieces, const FormatSettings& fs, double& result) {
    DateTimeReading reading;
    if (!Sort(pieces, reading)) return false;
    if (reading.DateNumbers.empty() && reading.Month == 0 && reading.TimeNumbers.empty())
        return false;
    const std::optional<double> date = DateOf(reading, fs);
    const std::optional<double> time = TimeOf(reading);
    if (!date || !time) return false;
    // A day before 1899-12-30 carries its time of day as a magnitude.
    result = *date < 0 ? *date - *time : *date + *time;
    return true;
}

// Numbers joined by an ambiguous separator form a group; gives each such
// separator its group number (0, 1, ...) and returns the number of groups.
int GroupAmbiguousSeparators(const std::vector<Piece>& p, std::vector<int>& group) {
    group.assign(p.size(), -1);
    int groups = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i].Kind != PieceKind::Either) continue;
        const bool continues =
            i >= 2 && p[i - 1].Kind == PieceKind::Number && p[i - 2].Kind == PieceKind::Either;
        group[i] = continues ? group[i - 2] : groups++;
    }
    return groups;
}

// Where one character separates both dates and times, each group of numbers
// it joins is tried as a date or as a time: the first group as the date and
// the rest as times first, then every other assignment.
bool ReadAmbiguous(std::vector<Piece> pieces, const FormatSettings& fs, double& result) {
    std::vector<int> group;
    const int groups = GroupAmbiguousSeparators(pieces, group);
    if (groups > 3) return false;
    const std::vector<Piece> original = pieces;
    const unsigned all = (1u << groups) - 1;
    const unsigned preferred = all & ~1u; // bit set: the group is a time
    for (unsigned n = 0; n <= all; ++n) {
        const unsigned mask = n == 0 ? preferred : (n == preferred ? 0 : n);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (group[i] >= 0)
                pieces[i].Kind = (mask >> group[i]) & 1u ? PieceKind::TimeSep : PieceKind::DateSep;
        }
        if (ReadPieces(pieces, fs, result)) return true;
        pieces = original;
    }
    return false;
}

} // namespace

bool TryVariantTextToDateTime(std::string_view text, const FormatSettings& fs, double& result) {
    std::vector<Piece> pieces;
    if (!DateTextScanner(text, fs).Scan(pieces)) return false;
    return fs.DateSeparator == fs.TimeSeparator ? ReadAmbiguous(std::move(pieces), fs, result)
                                                : ReadPieces(pieces, fs, result);
}

} // namespace ostrane
