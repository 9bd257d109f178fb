// Evaluation of a built tree: literals, words handed to the owner, and the
// operators of the operator table.
#include <cmath>
#include <limits>
#include <string>

#include "expression/TextHelpers.h"
#include "expression/Tree.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/ValueOps.h"

namespace ostrane {

namespace {

constexpr std::string_view SyntaxTreeFaultMessage = msg::SyntaxTreeFault;
constexpr std::string_view TooManyArgumentsMessage = msg::TooManyArguments;

// "+": when exactly one side is text, the two text forms are joined.
Value Plus(const Value& a, const Value& b) {
    if (a.IsText() != b.IsText()) {
        std::string text = a.ToText();
        b.AppendText(text);
        RequireBuiltTextLength(text.size());
        return Value::FromText(text);
    }
    return VarAdd(a, b);
}

Value Minus(const Value& a, const Value& b) {
    return VarSubtract(NumericOperand(a), NumericOperand(b));
}

Value Times(const Value& a, const Value& b) {
    return VarMultiply(NumericOperand(a), NumericOperand(b));
}

Value Divide(const Value& a, const Value& b) {
    return VarDivide(NumericOperand(a), NumericOperand(b));
}

Value Power(const Value& a, const Value& b) {
    const double base = NumericOperand(a).ToReal();
    const double exponent = NumericOperand(b).ToReal();
    return Value::FromDouble(PowerRule(base, exponent));
}

template <typename T> CompareResult Ordered(T a, T b) {
    if (a < b) return CompareResult::Less;
    if (b < a) return CompareResult::Greater;
    return CompareResult::Equal;
}

// Two byte texts (fields, words) or two doubles (numeric fields, literals)
// compare here without the operand classes, as VarCompare would compare
// them; every other pair, and NaN, goes to VarCompare.
CompareResult CompareValues(const Value& a, const Value& b) {
    if (a.Kind() == ValueKind::ByteText && b.Kind() == ValueKind::ByteText)
        return Ordered(std::string_view(a.TextPayload()).compare(b.TextPayload()), 0);
    if (a.Kind() == ValueKind::Double && b.Kind() == ValueKind::Double &&
        !std::isnan(a.DoublePayload()) && !std::isnan(b.DoublePayload()))
        return Ordered(a.DoublePayload(), b.DoublePayload());
    return VarCompare(a, b);
}

template <bool (*Holds)(CompareResult)> void Compare(const Value& a, const Value& b, Value& out) {
    out.SetBoolean(Holds(CompareValues(a, b)));
}

// AND and OR of two Booleans directly, other pairs by VarAnd / VarOr.
template <bool IsAnd> void Logic(const Value& a, const Value& b, Value& out) {
    if (a.IsBoolean() && b.IsBoolean()) {
        const bool x = a.BooleanPayload(), y = b.BooleanPayload();
        out.SetBoolean(IsAnd ? (x && y) : (x || y));
        return;
    }
    out = IsAnd ? VarAnd(a, b) : VarOr(a, b);
}

// A rule that returns its result, writing into the node's value.
template <Value (*Rule)(const Value&, const Value&)>
void Into(const Value& a, const Value& b, Value& out) {
    out = Rule(a, b);
}

constexpr bool IsEqual(CompareResult r) {
    return r == CompareResult::Equal;
}
constexpr bool IsLess(CompareResult r) {
    return r == CompareResult::Less;
}
constexpr bool IsGreater(CompareResult r) {
    return r == CompareResult::Greater;
}
constexpr bool IsNotGreater(CompareResult r) {
    return r != CompareResult::Greater;
}
constexpr bool IsNotLess(CompareResult r) {
    return r != CompareResult::Less;
}
constexpr bool IsUnequal(CompareResult r) {
    return r != CompareResult::Equal;
}

// "!": n * (n - 1) * ... * 2 in Value multiplication (integers, then reals
// once the product leaves 32 bits); 0! and 1! are 1, a negative operand is
// invalid.  The product overflows long before a large n is counted down.
Value Factorial(const Value& a) {
    const std::int32_t n = RoundToInteger(NumericOperand(a).ToReal());
    if (n < 0) throw EInvalidOp(std::string(msg::InvalidFloatOperation));
    Value product = Value::FromInteger(n > 1 ? n : 1);
    for (std::int32_t k = n - 1; k >= 2; --k) product = VarMultiply(product, Value::FromInteger(k));
    return product;
}

using BinaryRule = void (*)(const Value&, const Value&, Value&);
using UnaryRule = Value (*)(const Value&);

// Indexed by rank - 1; the unary operators have no binary rule and the
// binary ones no unary rule.
constexpr std::array<BinaryRule, OperatorTable.size()> BinaryRules{
    Into<Plus>,
    Into<Minus>,
    Into<Times>,
    Into<Divide>,
    Into<Power>,
    nullptr, // "!"
    Compare<IsEqual>,
    Compare<IsLess>,
    Compare<IsGreater>,
    Compare<IsNotGreater>,
    Compare<IsNotLess>,
    Compare<IsUnequal>, // "<>"
    Compare<IsUnequal>, // "!="
    Logic<true>,
    Logic<false>,
    nullptr, // "NOT"
};
constexpr std::array<UnaryRule, OperatorTable.size()> UnaryRules{
    nullptr, nullptr, nullptr, nullptr, nullptr, Factorial, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,   nullptr, VarNot,
};

double CheckedLiteral(double x) {
    if (std::isinf(x)) throw EOverflow(std::string(msg::FloatOverflow));
    return x;
}

} // namespace

Value TExpNode::Evaluate() const {
    Value scratch;
    const Value& result = Evaluate(scratch);
    if (&result == &scratch) return scratch;
    return result;
}

const Value& TExpNode::Evaluate(Value& scratch) const {
    switch (action_) {
    case Action::Null: break;
    case Action::Number: scratch.SetDouble(CheckedLiteral(number_)); return scratch;
    case Action::Now: scratch.SetDateTime(CurrentDateTime()); return scratch;
    case Action::Word:
        if (builtIn_ == nullptr) return EvaluateWord(scratch);
        EvaluateBuiltIn(*builtIn_, *this, scratch);
        return scratch;
    case Action::Operator: return EvaluateOperator(scratch);
    case Action::Text: scratch.SetText(token_->Text); return scratch;
    }
    scratch.SetNull();
    return scratch;
}

const Value& TExpOwner::ResolveLeafWord(const TExpNode& word, Value& scratch) {
    static const ArgumentSlots noArguments{};
    scratch.SetText(word.Preset());
    ResolveWord(word.Token()->Text, noArguments, word.Parent() != nullptr, scratch);
    return scratch;
}

// The word's text without one leading "[" and one trailing "]" is the preset
// value; every argument is evaluated before the owner sees the word.  More
// arguments than the slots hold are refused (built-ins never get here).
const Value& TExpNode::EvaluateWord(Value& value) const {
    if (children_.empty()) {
        if (owner_ != nullptr) return owner_->ResolveLeafWord(*this, value);
        value.SetText(Preset());
        return value;
    }
    value.SetText(Preset());
    if (children_.size() > std::size_t(ArgumentSlotCount))
        throw EQzIParseException(std::string(TooManyArgumentsMessage));
    ArgumentSlots args;
    for (std::size_t i = 0; i < children_.size(); ++i) args[i] = children_[i]->Evaluate();
    if (owner_ != nullptr) owner_->ResolveWord(token_->Text, args, parent_ != nullptr, value);
    return value;
}

// Both operands are always evaluated, left first; AND and OR do not
// short-circuit.  An operator text that is not in the table (a run such as
// "=-" or "!!") is a fault whatever its children.
const Value& TExpNode::EvaluateOperator(Value& out) const {
    const int operands = rank_ > 0 ? OperandCount[rank_ - 1u] : 0;
    if (operands == 0 || operands != ChildCount())
        throw EQzIParseException(std::string(SyntaxTreeFaultMessage));
    Value leftScratch;
    const Value& left = children_[0]->Evaluate(leftScratch);
    if (operands == 1) {
        out = UnaryRules[rank_ - 1u](left);
        return out;
    }
    Value rightScratch;
    const Value& right = children_[1]->Evaluate(rightScratch);
    BinaryRules[rank_ - 1u](left, right, out);
    return out;
}

// Numbers reach "-", "*", "/" and "^" as the text of their digits: the text
// form with its number formatting stripped, or 0 when that is no number.
Value NumericOperand(const Value& v) {
    if (v.IsNullOrEmpty()) return Value::FromInteger(0);
    const std::string text = v.ToText();
    if (v.IsDateTime() && IsDateTimeText(text)) return v;
    std::string stripped = StripNumberFormatting(text);
    if (IsFloatText(stripped)) return Value::FromText(stripped);
    return Value::FromInteger(0);
}

// base ^ exponent in extended precision: whole exponents by repeated
// squaring (negative bases allowed), others through exp(e * ln b).
double PowerRule(double base, double exponent) {
    if (exponent == 0) return 1;
    if (base == 0 && exponent > 0) return 0;
    if (std::isnan(base) || std::isnan(exponent))
        throw EInvalidOp(std::string(msg::InvalidFloatOperation));
    long double result = 1;
    if (exponent == std::trunc(exponent) && std::fabs(exponent) <= 2147483647.0) {
        const auto n = static_cast<std::int64_t>(exponent);
        std::int64_t count = n < 0 ? -n : n;
        long double square = base;
        while (count != 0) {
            if (count % 2 != 0) {
                result *= square;
                --count;
            } else {
                count /= 2;
                square *= square;
            }
        }
        if (std::isinf(result)) throw EOverflow(std::string(msg::FloatOverflow));
        if (n < 0) {
            if (result == 0) throw EZeroDivide(std::string(msg::FloatDivisionByZero));
            result = 1 / result;
        }
    } else {
        if (base < 0) throw EInvalidOp(std::string(msg::InvalidFloatOperation));
        if (base == 0) throw EZeroDivide(std::string(msg::FloatDivisionByZero));
        result =
            std::exp(static_cast<long double>(exponent) * std::log(static_cast<long double>(base)));
    }
    if (std::isnan(result)) throw EInvalidOp(std::string(msg::InvalidFloatOperation));
    if (std::fabs(result) > static_cast<long double>(std::numeric_limits<double>::max()))
        throw EOverflow(std::string(msg::FloatOverflow));
    return static_cast<double>(result);
}

} // namespace ostrane
