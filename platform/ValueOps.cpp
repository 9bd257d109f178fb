#include "platform/ValueOps.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/TextToValue.h"

namespace ostrane {

namespace {

using Int128 = __int128;
constexpr std::int64_t CurrencyScale = 10000;

// ---- Errors ---------------------------------------------------------------

[[noreturn]] void RaiseInvalidOperation() {
    throw EVariantError(std::string(msg::InvalidVariantOperation));
}
[[noreturn]] void RaiseConversion() {
    throw EVariantError(std::string(msg::InvalidVariantTypeConversion));
}
[[noreturn]] void RaiseDivByZero() {
    throw EDivByZero(std::string(msg::DivisionByZero));
}
[[noreturn]] void RaiseZeroDivide() {
    throw EZeroDivide(std::string(msg::FloatDivisionByZero));
}
[[noreturn]] void RaiseInvalidFloat() {
    throw EInvalidOp(std::string(msg::InvalidFloatOperation));
}
[[noreturn]] void RaiseOverflow() {
    throw EOverflow(std::string(msg::FloatOverflow));
}

// ---- Operand classes ------------------------------------------------------

enum OpClass : std::uint8_t { Empty, Null, Integer, Real, Currency, Text, Boolean, Date };
constexpr int ClassCount = 8;

// Class of an operation, by the class of the left operand (row) and of the
// right operand (column).
constexpr OpClass E = Empty, N = Null, I = Integer, R = Real, C = Currency, T = Text, B = Boolean,
                  D = Date;
constexpr std::array<std::array<OpClass, ClassCount>, ClassCount> ClassTable{{
    //  Empty Null Int Real Curr Text Bool Date
    {{E, E, E, E, E, E, E, E}}, // Empty
    {{E, N, N, N, N, N, N, N}}, // Null
    {{E, N, I, R, C, R, I, D}}, // integer
    {{E, N, R, R, C, R, R, D}}, // real
    {{E, N, C, C, C, C, C, D}}, // currency
    {{E, N, R, R, C, T, B, D}}, // text
    {{E, N, I, R, C, B, B, D}}, // Boolean
    {{E, N, D, D, D, D, D, D}}, // date
}};

OpClass ClassOf(ValueKind kind) {
    switch (kind) {
    case ValueKind::Null: return Null;
    case ValueKind::SmallInt:
    case ValueKind::Integer: return Integer;
    case ValueKind::Single:
    case ValueKind::Double: return Real;
    case ValueKind::Currency: return Currency;
    case ValueKind::WideText:
    case ValueKind::ByteText: return Text;
    case ValueKind::Boolean: return Boolean;
    case ValueKind::DateTime: return Date;
    default: // Empty and the kinds outside the classes (byte)
        return Empty;
    }
}

OpClass ClassOf(const Value& a, const Value& b) {
    return ClassTable[ClassOf(a.Kind())][ClassOf(b.Kind())];
}

// ---- Integer helpers ------------------------------------------------------

bool FitsInt32(std::int64_t x) {
    return x >= std::numeric_limits<std::int32_t>::min() &&
           x <= std::numeric_limits<std::int32_t>::max();
}

bool FitsInt64(Int128 x) {
    return x >= std::numeric_limits<std::int64_t>::min() &&
           x <= std::numeric_limits<std::int64_t>::max();
}

// num / den rounded to nearest, ties to even.
Int128 DivideHalfEven(Int128 num, Int128 den) {
    Int128 quotient = num / den;
    const Int128 remainder = num % den;
    if (remainder != 0) {
        const Int128 twice = remainder < 0 ? -2 * remainder : 2 * remainder;
        const Int128 size = den < 0 ? -den : den;
        const Int128 step = ((num < 0) != (den < 0)) ? -1 : 1;
        if (twice > size || (twice == size && quotient % 2 != 0)) quotient += step;
    }
    return quotient;
}

// ---- Conversions inside operations ---------------------------------------

std::int64_t RealToCurrencyUnits(double x) {
    if (std::isnan(x)) RaiseInvalidFloat();
    const double scaled = std::nearbyint(x * double(CurrencyScale));
    if (std::fabs(scaled) >= 9223372036854775808.0) RaiseOverflow();
    return static_cast<std::int64_t>(scaled);
}

std::int64_t CurrencyUnitsOf(const Value& v) {
    switch (v.Kind()) {
    case ValueKind::Currency: return v.CurrencyUnits();
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: return std::int64_t(v.IntegerPayload()) * CurrencyScale;
    case ValueKind::Boolean: return v.BooleanPayload() ? -CurrencyScale : 0;
    case ValueKind::ByteText:
    case ValueKind::WideText: {
        std::int64_t units = 0;
        const std::string text = v.Kind() == ValueKind::ByteText ? v.TextPayload() : v.ToText();
        if (!TryVariantTextToCurrency(text, CurrentFormatSettings(), units)) RaiseConversion();
        return units;
    }
    default: return RealToCurrencyUnits(v.ToReal());
    }
}

std::string_view TextOf(const Value& v, std::string& scratch) {
    if (v.Kind() == ValueKind::ByteText) return v.TextPayload();
    scratch = v.ToText();
    return scratch;
}

// A text among dates in arithmetic: the operand texts of "-", "*" and "/"
// are numbers, so a number is tried first, then a date.
double DateArithmeticOperand(const Value& v) {
    if (v.IsDateTime()) return v.DoublePayload();
    if (!v.IsText()) return v.ToReal();
    std::string scratch;
    const std::string_view text = TextOf(v, scratch);
    double x = 0;
    if (TryVariantTextToReal(text, CurrentFormatSettings(), x)) return x;
    if (TryVariantTextToDateTime(text, CurrentFormatSettings(), x)) return x;
    RaiseConversion();
}

// A text compared with a date is read as a date first, then as a number.
double DateComparisonOperand(const Value& v) {
    if (v.IsDateTime()) return v.DoublePayload();
    if (!v.IsText()) return v.ToReal();
    std::string scratch;
    const std::string_view text = TextOf(v, scratch);
    double x = 0;
    if (TryVariantTextToDateTime(text, CurrentFormatSettings(), x)) return x;
    if (TryVariantTextToReal(text, CurrentFormatSettings(), x)) return x;
    RaiseConversion();
}

// ---- Arithmetic -----------------------------------------------------------

enum class Arith { Add, Subtract, Multiply, Divide };

double RealArith(Arith op, double a, double b) {
    switch (op) {
    case Arith::Add: return CheckedFloat(a + b);
    case Arith::Subtract: return CheckedFloat(a - b);
    case Arith::Multiply: return CheckedFloat(a * b);
    case Arith::Divide: return CheckedDivide(a, b);
    }
    return 0;
}

// 32-bit arithmetic, redone in reals when the result leaves 32 bits; the
// division is always real.
Value IntegerArith(Arith op, std::int32_t a, std::int32_t b) {
    std::int64_t result = 0;
    switch (op) {
    case Arith::Add: result = std::int64_t(a) + b; break;
    case Arith::Subtract: result = std::int64_t(a) - b; break;
    case Arith::Multiply: result = std::int64_t(a) * b; break;
    case Arith::Divide: return Value::FromDouble(CheckedDivide(a, b));
    }
    if (FitsInt32(result)) return Value::FromInteger(std::int32_t(result));
    return Value::FromDouble(RealArith(op, a, b));
}

Value CurrencyFromUnits(Int128 units) {
    if (!FitsInt64(units)) RaiseInvalidFloat();
    return Value::FromCurrencyUnits(std::int64_t(units));
}

// Fixed point with four decimals; a currency divisor gives a real quotient.
Value CurrencyArith(Arith op, const Value& a, const Value& b) {
    if (op == Arith::Divide && b.Kind() == ValueKind::Currency)
        return Value::FromDouble(CheckedDivide(a.ToReal(), b.ToReal()));
    const Int128 x = CurrencyUnitsOf(a);
    const Int128 y = CurrencyUnitsOf(b);
    switch (op) {
    case Arith::Add: return CurrencyFromUnits(x + y);
    case Arith::Subtract: return CurrencyFromUnits(x - y);
    case Arith::Multiply: return CurrencyFromUnits(DivideHalfEven(x * y, CurrencyScale));
    case Arith::Divide:
        if (y == 0) x == 0 ? RaiseInvalidFloat() : RaiseZeroDivide();
        return CurrencyFromUnits(DivideHalfEven(x * CurrencyScale, y));
    }
    return Value();
}

// Day numbers computed in reals; "+" and "-" give date-times except a
// difference of two date-times, which is a count of days.
Value DateArith(Arith op, const Value& a, const Value& b) {
    const double x = DateArithmeticOperand(a);
    const double y = DateArithmeticOperand(b);
    const double result = RealArith(op, x, y);
    const bool twoDates = a.IsDateTime() && b.IsDateTime();
    if (op == Arith::Add || (op == Arith::Subtract && !twoDates))
        return Value::FromDateTime(result);
    return Value::FromDouble(result);
}

Value JoinTexts(const Value& a, const Value& b) {
    std::string text = a.ToText();
    b.AppendText(text);
    RequireBuiltTextLength(text.size());
    return Value::FromText(text);
}

Value Arithmetic(Arith op, const Value& a, const Value& b) {
    switch (ClassOf(a, b)) {
    case Empty: RaiseInvalidOperation();
    case Null: return Value::MakeNull();
    case Integer: return IntegerArith(op, a.ToInteger(), b.ToInteger());
    case Currency: return CurrencyArith(op, a, b);
    case Text:
        if (op == Arith::Add) return JoinTexts(a, b);
        return Value::FromDouble(RealArith(op, a.ToReal(), b.ToReal()));
    case Date: return DateArith(op, a, b);
    case Real:
    case Boolean: break;
    }
    return Value::FromDouble(RealArith(op, a.ToReal(), b.ToReal()));
}

// ---- Integer division, logic ---------------------------------------------

// Operands of DIV, MOD, and the bitwise and/or: both as 32-bit integers, or
// Null / error by class.
bool IntegerOperands(const Value& a, const Value& b, std::int32_t& x, std::int32_t& y) {
    const OpClass cls = ClassOf(a, b);
    if (cls == Empty) RaiseInvalidOperation();
    if (cls == Null) return false;
    x = a.ToInteger();
    y = b.ToInteger();
    return true;
}

enum class Logic { And, Or };

Value Logical(Logic op, const Value& a, const Value& b) {
    const OpClass cls = ClassOf(a, b);
    if (cls == Empty) RaiseInvalidOperation();
    if (cls == Null) return Value::MakeNull();
    if (cls == Boolean) {
        const bool x = a.ToBoolean();
        const bool y = b.ToBoolean();
        return Value::FromBoolean(op == Logic::And ? (x && y) : (x || y));
    }
    const std::int32_t x = a.ToInteger();
    const std::int32_t y = b.ToInteger();
    return Value::FromInteger(op == Logic::And ? (x & y) : (x | y));
}

// ---- Comparison -----------------------------------------------------------

template <typename T> CompareResult CompareOrdered(T a, T b) {
    if (a < b) return CompareResult::Less;
    if (b < a) return CompareResult::Greater;
    return CompareResult::Equal;
}

CompareResult CompareReals(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) RaiseInvalidFloat();
    return CompareOrdered(a, b);
}

// Character code by character code; a text that begins the other is less.
CompareResult CompareTexts(const Value& a, const Value& b) {
    if (a.Kind() == ValueKind::WideText && b.Kind() == ValueKind::WideText)
        return CompareOrdered(a.WidePayload().compare(b.WidePayload()), 0);
    std::string scratchA, scratchB;
    return CompareOrdered(TextOf(a, scratchA).compare(TextOf(b, scratchB)), 0);
}

} // namespace

// ---- Public operations ----------------------------------------------------

Value VarAdd(const Value& a, const Value& b) {
    return Arithmetic(Arith::Add, a, b);
}
Value VarSubtract(const Value& a, const Value& b) {
    return Arithmetic(Arith::Subtract, a, b);
}
Value VarMultiply(const Value& a, const Value& b) {
    return Arithmetic(Arith::Multiply, a, b);
}
Value VarDivide(const Value& a, const Value& b) {
    return Arithmetic(Arith::Divide, a, b);
}

// Truncating quotient; the one quotient beyond 32 bits (-2147483648 DIV -1)
// is given in reals, as other integer results that leave 32 bits are.
Value VarIntDivide(const Value& a, const Value& b) {
    std::int32_t x = 0, y = 0;
    if (!IntegerOperands(a, b, x, y)) return Value::MakeNull();
    if (y == 0) RaiseDivByZero();
    const std::int64_t quotient = std::int64_t(x) / y;
    if (FitsInt32(quotient)) return Value::FromInteger(std::int32_t(quotient));
    return Value::FromDouble(double(quotient));
}

// Remainder with the sign of the dividend.
Value VarModulo(const Value& a, const Value& b) {
    std::int32_t x = 0, y = 0;
    if (!IntegerOperands(a, b, x, y)) return Value::MakeNull();
    if (y == 0) RaiseDivByZero();
    return Value::FromInteger(std::int32_t(std::int64_t(x) % y));
}

Value VarAnd(const Value& a, const Value& b) {
    return Logical(Logic::And, a, b);
}
Value VarOr(const Value& a, const Value& b) {
    return Logical(Logic::Or, a, b);
}

// Logical not of a Boolean, Null for Null, else the bitwise not of the
// value as an integer.
Value VarNot(const Value& a) {
    if (a.IsNull()) return Value::MakeNull();
    if (a.IsBoolean()) return Value::FromBoolean(!a.BooleanPayload());
    return Value::FromInteger(~a.ToInteger());
}

CompareResult VarCompare(const Value& a, const Value& b) {
    switch (ClassOf(a, b)) {
    case Empty: RaiseInvalidOperation();
    case Null:
        if (a.IsNull() && b.IsNull()) return CompareResult::Equal;
        return a.IsNull() ? CompareResult::Less : CompareResult::Greater;
    case Integer: return CompareOrdered(a.ToInteger(), b.ToInteger());
    case Real: return CompareReals(a.ToReal(), b.ToReal());
    case Currency: return CompareOrdered(CurrencyUnitsOf(a), CurrencyUnitsOf(b));
    case Text: return CompareTexts(a, b);
    case Boolean: return CompareOrdered(a.ToBoolean(), b.ToBoolean());
    case Date: return CompareReals(DateComparisonOperand(a), DateComparisonOperand(b));
    }
    RaiseInvalidOperation();
}

double CheckedFloat(double result) {
    if (std::isnan(result)) RaiseInvalidFloat();
    if (std::isinf(result)) RaiseOverflow();
    return result;
}

double CheckedDivide(double a, double b) {
    if (b == 0) {
        if (a == 0 || std::isnan(a)) RaiseInvalidFloat();
        RaiseZeroDivide();
    }
    return CheckedFloat(a / b);
}

std::int32_t RoundToInteger(double x) {
    if (std::isnan(x)) RaiseInvalidFloat();
    const double r = std::nearbyint(x);
    if (r < -2147483648.0 || r > 2147483647.0) RaiseInvalidFloat();
    return std::int32_t(r);
}

// ---- Value conversions ----------------------------------------------------

std::int32_t Value::ToInteger() const {
    switch (kind_) {
    case ValueKind::Empty: return 0;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: return num_.i32;
    case ValueKind::Single: return RoundToInteger(num_.f32);
    case ValueKind::Double:
    case ValueKind::DateTime: return RoundToInteger(num_.f64);
    case ValueKind::Currency: {
        const Int128 whole = DivideHalfEven(num_.i64, CurrencyScale);
        if (!FitsInt32(std::int64_t(whole))) RaiseInvalidFloat();
        return std::int32_t(whole);
    }
    case ValueKind::Boolean: return num_.b ? -1 : 0;
    case ValueKind::ByteText:
    case ValueKind::WideText: {
        std::int32_t result = 0;
        std::string scratch;
        if (!TryVariantTextToInteger(TextOf(*this, scratch), CurrentFormatSettings(), result))
            RaiseConversion();
        return result;
    }
    case ValueKind::Null: break;
    }
    RaiseConversion();
}

double Value::ToReal() const {
    switch (kind_) {
    case ValueKind::Empty: return 0;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: return num_.i32;
    case ValueKind::Single: return num_.f32;
    case ValueKind::Double:
    case ValueKind::DateTime: return num_.f64;
    case ValueKind::Currency: return double(num_.i64) / double(CurrencyScale);
    case ValueKind::Boolean: return num_.b ? -1 : 0;
    case ValueKind::ByteText:
    case ValueKind::WideText: {
        double result = 0;
        std::string scratch;
        if (!TryVariantTextToReal(TextOf(*this, scratch), CurrentFormatSettings(), result))
            RaiseConversion();
        return result;
    }
    case ValueKind::Null: break;
    }
    RaiseConversion();
}

} // namespace ostrane
