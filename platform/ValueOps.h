// The operators of Value: arithmetic, logic and comparison by operand class,
// with the platform's errors.
//
// The class of an operation comes from the classes of its two operands
// (Empty, Null, integer, real, currency, text, Boolean, date); Empty and the
// kinds outside these classes make every operation fail with
// EVariantError "Invalid variant operation", a Null gives Null.
#pragma once

#include "platform/Value.h"

namespace ostrane {

Value VarAdd(const Value& a, const Value& b); // "+" of two values (texts join)
Value VarSubtract(const Value& a, const Value& b);
Value VarMultiply(const Value& a, const Value& b);
Value VarDivide(const Value& a, const Value& b);    // real division
Value VarIntDivide(const Value& a, const Value& b); // DIV
Value VarModulo(const Value& a, const Value& b);    // MOD
Value VarAnd(const Value& a, const Value& b);
Value VarOr(const Value& a, const Value& b);
Value VarNot(const Value& a);

enum class CompareResult { Less, Equal, Greater };
// Null equals Null and is less than any other value.
CompareResult VarCompare(const Value& a, const Value& b);

// Floating-point checks that raise the platform's errors.
double CheckedFloat(double result);       // EInvalidOp for NaN, EOverflow for infinities
double CheckedDivide(double a, double b); // EZeroDivide for x / 0, EInvalidOp for 0 / 0
std::int32_t RoundToInteger(double x);    // ties to even; EInvalidOp outside 32 bits

} // namespace ostrane
