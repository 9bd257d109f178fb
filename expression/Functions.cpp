// The built-in function library: one table from upper-case name to
// implementation.  Each implementation evaluates the arguments it needs, in
// its own order, at the moment it needs them.
#include "expression/Functions.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

#include "expression/TextHelpers.h"
#include "expression/Tree.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/TextToValue.h"
#include "platform/ValueOps.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

std::uint32_t randomSeed = 0;

// The arguments of one call, evaluated on request.
class CallArgs {
public:
    explicit CallArgs(const TExpNode& node) : node_(node) {}

    int Count() const { return node_.ChildCount(); }
    bool Has(int i) const { return i < Count(); }

    // A missing argument raises the list error with its position.
    Value Get(int i) const {
        if (!Has(i)) throw EListError(FormatMessage(msg::ListIndexOutOfBounds, std::to_string(i)));
        return node_.Child(i)->Evaluate();
    }
    std::string Text(int i) const { return Get(i).ToText(); }
    // The same, filling scratch or referring to a value the owner keeps.
    const Value& Get(int i, Value& scratch) const {
        if (!Has(i)) throw EListError(FormatMessage(msg::ListIndexOutOfBounds, std::to_string(i)));
        return node_.Child(i)->Evaluate(scratch);
    }
    std::int32_t Integer(int i) const { return Get(i).ToInteger(); }
    double Real(int i) const { return Get(i).ToReal(); }
    bool Boolean(int i) const { return Get(i).ToBoolean(); }

private:
    const TExpNode& node_;
};

// The text of one evaluated argument: a view of the value's own bytes when it
// is a byte text (a field, a word), else of its converted text.  A field is
// read where the owner keeps it, so trimming or measuring it copies nothing.
class TextArgument {
public:
    TextArgument(const CallArgs& a, int i) : value_(a.Get(i, scratch_)) {
        if (value_.Kind() != ValueKind::ByteText) converted_ = value_.ToText();
    }
    TextArgument(const TextArgument&) = delete;
    TextArgument& operator=(const TextArgument&) = delete;
    std::string_view View() const {
        return value_.Kind() == ValueKind::ByteText ? std::string_view(value_.TextPayload())
                                                    : std::string_view(converted_);
    }

private:
    Value scratch_; // declared before value_, which may refer to it
    const Value& value_;
    std::string converted_;
};

using BuiltIn = Value (*)(const CallArgs&);

} // namespace

// An entry of the table; a call node keeps a pointer to it.
struct BuiltInFunction {
    BuiltInFunction(BuiltIn f) : compute(f) {} // NOLINT: the table lists bare functions
    BuiltIn compute;
};

namespace {

Value Text(std::string_view s) {
    Value v;
    v.SetText(s);
    return v;
}

bool IsControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimLeftControls(std::string_view s) {
    while (!s.empty() && IsControlOrBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRightControls(std::string_view s) {
    while (!s.empty() && IsControlOrBlank(s.back())) s.remove_suffix(1);
    return s;
}

// 1-based position of sub in s; 0 when absent or sub is empty.
std::int32_t Position(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    const std::size_t at = s.find(sub);
    return at == std::string_view::npos ? 0 : std::int32_t(at + 1);
}

// --- Date and time ---------------------------------------------------------

Value Now(const CallArgs&) {
    return Value::FromDateTime(CurrentDateTime());
}

Value StrToDateFn(const CallArgs& a) {
    return Value::FromDateTime(StrToDate(a.Text(0)));
}

Value DateTimeFromStringFn(const CallArgs& a) {
    const char timeSep = CharArgument(a.Get(3));
    const char dateSep = CharArgument(a.Get(2));
    const std::string format = a.Text(1);
    const std::string text = a.Text(0);
    return Value::FromDateTime(DateTimeFromString(text, format, dateSep, timeSep));
}

Value DateToStr(const CallArgs& a) {
    const double x = a.Real(0);
    const FormatSettings& fs = CurrentFormatSettings();
    std::string out;
    AppendFormattedDateTime(out, fs.ShortDateFormat, x, fs);
    return Text(std::move(out));
}

Value DatePartFn(const CallArgs& a) {
    return Value::FromDouble(std::trunc(a.Real(0)));
}

Value TimePartFn(const CallArgs& a) {
    const double x = a.Real(0);
    return Value::FromDouble(x - std::trunc(x));
}

template <const char* Pattern> Value Component(const CallArgs& a) {
    return Value::FromInteger(DateComponent(Pattern, a.Get(0)));
}
constexpr char YearPattern[] = "yyyy";
constexpr char MonthPattern[] = "m";
constexpr char DayPattern[] = "d";
constexpr char HourPattern[] = "h";
constexpr char MinutePattern[] = "n";
constexpr char SecondPattern[] = "s";

// --- Text ------------------------------------------------------------------

Value SubStr(const CallArgs& a) {
    const std::int32_t count = a.Integer(2);
    std::int32_t start = a.Integer(1);
    const std::string s = a.Text(0);
    if (start < 1) start = 1;
    if (count < 0 || std::size_t(start) > s.size()) return Text({});
    return Text(s.substr(std::size_t(start) - 1, std::size_t(count)));
}

Value ReplaceStr(const CallArgs& a) {
    const bool ignoreCase = a.Boolean(3);
    const bool replaceAll = a.Boolean(4);
    const std::string newPattern = a.Text(2);
    const std::string oldPattern = a.Text(1);
    const std::string s = a.Text(0);
    return Text(ReplaceSubstring(s, oldPattern, newPattern, ignoreCase, replaceAll));
}

// The padding character: a third argument's first character.  An empty
// third argument pads with a space, as when none is given.
char PadCharacter(const CallArgs& a) {
    if (!a.Has(2)) return ' ';
    const std::string c = a.Text(2);
    return c.empty() ? ' ' : c[0];
}

Value PadL(const CallArgs& a) {
    const char pad = PadCharacter(a);
    const std::int32_t n = a.Integer(1);
    RequireBuiltTextLength(std::size_t(std::max(n, 0)));
    return Text(PadLeft(a.Text(0), n, pad));
}

Value PadR(const CallArgs& a) {
    const char pad = PadCharacter(a);
    const std::int32_t n = a.Integer(1);
    RequireBuiltTextLength(std::size_t(std::max(n, 0)));
    return Text(PadRight(a.Text(0), n, pad));
}

Value Chr(const CallArgs& a) {
    return Text(std::string(1, char(a.Integer(0) & 0xFF)));
}
Value Upper(const CallArgs& a) {
    return Text(UpperCaseAscii(a.Text(0)));
}
Value Lower(const CallArgs& a) {
    return Text(LowerCaseAscii(a.Text(0)));
}
Value Trim(const CallArgs& a) {
    const TextArgument s(a, 0);
    return Text(TrimRightControls(TrimLeftControls(s.View())));
}
Value TrimLeft(const CallArgs& a) {
    const TextArgument s(a, 0);
    return Text(TrimLeftControls(s.View()));
}
Value TrimRight(const CallArgs& a) {
    const TextArgument s(a, 0);
    return Text(TrimRightControls(s.View()));
}

Value Pos(const CallArgs& a) {
    const std::string s = a.Text(1);
    return Value::FromInteger(Position(a.Text(0), s));
}

Value Length(const CallArgs& a) {
    const TextArgument s(a, 0);
    return Value::FromInteger(std::int32_t(s.View().size()));
}

// The code of the first character; an empty text gives 0.
Value Ord(const CallArgs& a) {
    const std::string s = a.Text(0);
    return Value::FromInteger(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

// --- Conversion ------------------------------------------------------------

Value StrToFloatFn(const CallArgs& a) {
    return Value::FromDouble(StrToFloat(a.Text(0), CurrentFormatSettings()));
}
Value StrToIntFn(const CallArgs& a) {
    return Value::FromInteger(StrToInt(a.Text(0)));
}
Value VarToStr(const CallArgs& a) {
    return Text(a.Text(0));
}

Value IntToStr(const CallArgs& a) {
    std::string out;
    AppendInteger(out, a.Integer(0));
    return Text(std::move(out));
}

Value FloatToStr(const CallArgs& a) {
    const double x = a.Real(0);
    std::string out;
    AppendGeneralFloat(out, x, 15, CurrentFormatSettings().DecimalSeparator);
    return Text(std::move(out));
}

// --- Aggregates ------------------------------------------------------------

Value Coalesce(const CallArgs& a) {
    for (int i = 0; i < a.Count(); ++i) {
        Value v = a.Get(i);
        if (!v.IsNullOrEmpty() && !v.ToText().empty()) return v;
    }
    return Value::MakeNull();
}

Value Max(const CallArgs& a) {
    Value current = Value::FromInteger(0);
    for (int i = 0; i < a.Count(); ++i) {
        Value v = a.Get(i);
        if (VarCompare(current, v) == CompareResult::Less) current = std::move(v);
    }
    return current;
}

Value Min(const CallArgs& a) {
    Value current = Value::MakeNull();
    for (int i = 0; i < a.Count(); ++i) {
        Value v = a.Get(i);
        if (current.IsNull() || VarCompare(current, v) == CompareResult::Greater)
            current = std::move(v);
    }
    return current;
}

Value SumOf(const CallArgs& a) {
    Value sum = Value::FromInteger(0);
    for (int i = 0; i < a.Count(); ++i) sum = VarAdd(sum, a.Get(i));
    return sum;
}

Value Sum(const CallArgs& a) {
    return SumOf(a);
}
Value Avg(const CallArgs& a) {
    return VarDivide(SumOf(a), Value::FromInteger(a.Count()));
}
Value Count(const CallArgs& a) {
    return Value::FromInteger(a.Count() - 1);
}

// --- Numbers ---------------------------------------------------------------

Value Frac(const CallArgs& a) {
    const double x = a.Real(0);
    return Value::FromDouble(x - std::trunc(x));
}
Value Int(const CallArgs& a) {
    return Value::FromDouble(std::trunc(a.Real(0)));
}
Value Round(const CallArgs& a) {
    return Value::FromInteger(RoundToInteger(a.Real(0)));
}

Value Div(const CallArgs& a) {
    const Value x = a.Get(0);
    return VarIntDivide(x, a.Get(1));
}

Value Mod(const CallArgs& a) {
    const Value x = a.Get(0);
    return VarModulo(x, a.Get(1));
}

Value Random(const CallArgs& a) {
    return Value::FromInteger(NextRandom(a.Integer(0)));
}
Value Abs(const CallArgs& a) {
    return Value::FromDouble(std::fabs(a.Real(0)));
}

Value Power(const CallArgs& a) {
    const double base = a.Real(0);
    return Value::FromDouble(PowerRule(base, a.Real(1)));
}

Value Exp(const CallArgs& a) {
    return Value::FromDouble(CheckedFloat(std::exp(a.Real(0))));
}

double NaturalLog(double x) {
    if (x == 0) throw EZeroDivide(std::string(msg::FloatDivisionByZero));
    if (x < 0) throw EInvalidOp(std::string(msg::InvalidFloatOperation));
    return CheckedFloat(std::log(x));
}

Value Ln(const CallArgs& a) {
    return Value::FromDouble(NaturalLog(a.Real(0)));
}
Value Log(const CallArgs& a) {
    return Value::FromDouble(NaturalLog(a.Real(0)) / std::log(10.0));
}

Value Sqr(const CallArgs& a) {
    const double x = a.Real(0);
    return Value::FromDouble(CheckedFloat(x * x));
}

Value Sqrt(const CallArgs& a) {
    const double x = a.Real(0);
    if (x < 0) throw EInvalidOp(std::string(msg::InvalidFloatOperation));
    return Value::FromDouble(CheckedFloat(std::sqrt(x)));
}

Value Percent(const CallArgs& a) {
    const Value x = a.Get(0);
    const Value product = VarMultiply(x, a.Get(1));
    return VarDivide(product, Value::FromInteger(100));
}

// --- Conditions and tests --------------------------------------------------

Value Iif(const CallArgs& a) {
    return a.Get(a.Boolean(0) ? 1 : 2);
}

Value IsNull(const CallArgs& a) {
    const Value v = a.Get(0);
    return Value::FromBoolean(v.IsNullOrEmpty() || v.ToText().empty());
}

Value IsNumeric(const CallArgs& a) {
    return Value::FromBoolean(IsNumericText(a.Text(0)));
}
Value IsAlpha(const CallArgs& a) {
    return Value::FromBoolean(IsAlphaText(a.Text(0)));
}

Value IsContain(const CallArgs& a) {
    const std::string s = a.Text(1);
    return Value::FromBoolean(Position(a.Text(0), s) > 0);
}

Value IsStartsWith(const CallArgs& a) {
    const std::string prefix = a.Text(0);
    return Value::FromBoolean(a.Text(1).starts_with(prefix));
}

Value IsEndsWith(const CallArgs& a) {
    const std::string suffix = a.Text(0);
    return Value::FromBoolean(a.Text(1).ends_with(suffix));
}

// --- The table -------------------------------------------------------------

using BuiltInTable = std::unordered_map<std::string_view, BuiltInFunction>;

const BuiltInTable& Table() {
    static const BuiltInTable table{
        {"GETDATE", Now},
        {"NOW", Now},
        {"STRTODATE", StrToDateFn},
        {"DATETIMEFROMSTRING", DateTimeFromStringFn},
        {"DATETOSTR", DateToStr},
        {"DATEPART", DatePartFn},
        {"TIMEPART", TimePartFn},
        {"YEAR", Component<YearPattern>},
        {"MONTH", Component<MonthPattern>},
        {"DAY", Component<DayPattern>},
        {"HOUR", Component<HourPattern>},
        {"MINUTE", Component<MinutePattern>},
        {"SECOND", Component<SecondPattern>},
        {"SUBSTR", SubStr},
        {"SUBSTRING", SubStr},
        {"COPY", SubStr},
        {"REPLACESTR", ReplaceStr},
        {"PADL", PadL},
        {"PADR", PadR},
        {"CHR", Chr},
        {"UPPER", Upper},
        {"LOWER", Lower},
        {"TRIM", Trim},
        {"TRIMLEFT", TrimLeft},
        {"TRIMRIGHT", TrimRight},
        {"POS", Pos},
        {"LENGTH", Length},
        {"ORD", Ord},
        {"STRTOFLOAT", StrToFloatFn},
        {"STRTOINT", StrToIntFn},
        {"VARTOSTR", VarToStr},
        {"INTTOSTR", IntToStr},
        {"FLOATTOSTR", FloatToStr},
        {"COALESCE", Coalesce},
        {"MAX", Max},
        {"MIN", Min},
        {"SUM", Sum},
        {"AVG", Avg},
        {"COUNT", Count},
        {"FRAC", Frac},
        {"INT", Int},
        {"ROUND", Round},
        {"DIV", Div},
        {"MOD", Mod},
        {"RANDOM", Random},
        {"ABS", Abs},
        {"POWER", Power},
        {"EXP", Exp},
        {"LN", Ln},
        {"LOG", Log},
        {"SQR", Sqr},
        {"SQRT", Sqrt},
        {"PERCENT", Percent},
        {"IIF", Iif},
        {"ISNULL", IsNull},
        {"ISNUMERIC", IsNumeric},
        {"ISALPHA", IsAlpha},
        {"ISCONTAIN", IsContain},
        {"ISSTARTSWITH", IsStartsWith},
        {"ISENDSWITH", IsEndsWith},
    };
    return table;
}

// Longest name in the table; longer words are no built-ins.
constexpr std::size_t MaxNameLength = 20;

// --- Dates read by STRTODATE -------------------------------------------------

// Scans "number sep number [sep number] [sep]" with blanks before each part.
class ShortDateScanner {
public:
    explicit ShortDateScanner(std::string_view text) : text_(text) {}

    // Reads digits while the value stays below 1000 (at most 4 digits).
    bool Number(int& value, int& digits) {
        SkipBlanks();
        const std::size_t start = pos_;
        value = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9' && value < 1000)
            value = value * 10 + (text_[pos_++] - '0');
        digits = int(pos_ - start);
        return digits > 0;
    }
    bool Separator(char sep) {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == sep) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// A year written with one or two digits moves into the window of the 100
// years that start 50 years before the current year.
int WindowYear(int year) {
    const int start = CurrentYearForWindow() - 50;
    year += start / 100 * 100;
    return year < start ? year + 100 : year;
}

bool TryStrToDate(std::string_view text, double& result) {
    const FormatSettings& fs = CurrentFormatSettings();
    ShortDateScanner scan(text);
    int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
    if (!scan.Number(n1, l1) || !scan.Separator(fs.DateSeparator) || !scan.Number(n2, l2))
        return false;
    int year = 0, month = 0, day = 0;
    if (scan.Separator(fs.DateSeparator)) {
        if (!scan.Number(n3, l3)) return false;
        int yearDigits = l3;
        switch (fs.Order) {
        case DateOrder::MDY: year = n3, month = n1, day = n2; break;
        case DateOrder::DMY: year = n3, month = n2, day = n1; break;
        case DateOrder::YMD: year = n1, month = n2, day = n3, yearDigits = l1; break;
        }
        if (yearDigits <= 2) year = WindowYear(year);
    } else {
        year = CurrentYearForWindow();
        month = fs.Order == DateOrder::DMY ? n2 : n1;
        day = fs.Order == DateOrder::DMY ? n1 : n2;
    }
    scan.Separator(fs.DateSeparator);
    return scan.AtEnd() && TryEncodeDate(year, month, day, result);
}

} // namespace

char CharArgument(const Value& v) {
    if (!v.IsText()) return ' ';
    const std::string s = v.ToText();
    return s.empty() ? ' ' : s[0];
}

double StrToDate(std::string_view text) {
    double result = 0;
    if (!TryStrToDate(text, result)) throw EConvertError(FormatMessage(msg::NotADate, text));
    return result;
}

// Outside years 1..9999 the year, month and day read as 0, as the date
// formatting writes them; the time of day still counts.
std::int32_t DateComponent(std::string_view pattern, const Value& v) {
    const double x = v.IsText() ? StrToDate(v.ToText()) : v.ToReal();
    DateParts p;
    DecodeDateTime(x, p);
    if (pattern == "yyyy") return p.Year;
    if (pattern == "m") return p.Month;
    if (pattern == "d") return p.Day;
    if (pattern == "h") return p.Hour;
    if (pattern == "n") return p.Minute;
    if (pattern == "s") return p.Second;
    return 0;
}

void ResetRandomSeed(std::uint32_t seed) {
    randomSeed = seed;
}

// A negative bound mirrors the range: the result lies in (bound, 0].
std::int32_t NextRandom(std::int32_t bound) {
    randomSeed = randomSeed * 134775813u + 1u;
    const std::uint64_t magnitude =
        bound < 0 ? std::uint64_t(-std::int64_t(bound)) : std::uint64_t(bound);
    const auto r = std::int32_t((std::uint64_t(randomSeed) * magnitude) >> 32);
    return bound < 0 ? -r : r;
}

const BuiltInFunction* FindBuiltIn(std::string_view name) {
    if (name.size() > MaxNameLength) return nullptr;
    char upper[MaxNameLength];
    for (std::size_t i = 0; i < name.size(); ++i) upper[i] = UpperAscii(name[i]);
    const BuiltInTable& table = Table();
    const auto found = table.find(std::string_view(upper, name.size()));
    return found == table.end() ? nullptr : &found->second;
}

void EvaluateBuiltIn(const BuiltInFunction& function, const TExpNode& node, Value& result) {
    result = function.compute(CallArgs(node));
}

} // namespace ostrane
