// What a computation gives: a value, or the class and message of the error
// it raised; with shorthands for the values that tables of cases use.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/Value.h"

namespace ostrane::test {

struct Outcome {
    Value value;
    std::string error; // class name; empty when a value came out
    std::string message;
};

inline Outcome Ok(Value v) {
    return {std::move(v), "", ""};
}
inline Outcome Fails(std::string cls, std::string message) {
    return {Value(), std::move(cls), std::move(message)};
}

inline const Outcome InvalidOperation = Fails("EVariantError", "Invalid variant operation");
inline const Outcome BadConversion = Fails("EVariantError", "Invalid variant type conversion");
inline const Outcome DivByZero = Fails("EDivByZero", "Division by zero");
inline const Outcome ZeroDivide = Fails("EZeroDivide", "Floating point division by zero");
inline const Outcome InvalidFloat = Fails("EInvalidOp", "Invalid floating point operation");
inline const Outcome Overflow = Fails("EOverflow", "Floating point overflow");

inline Outcome Attempt(const std::function<Value()>& f) {
    try {
        return Ok(f());
    } catch (const Exception& e) {
        return Fails(e.ClassName(), e.Message());
    }
}

inline std::string Describe(const Outcome& o) {
    if (!o.error.empty()) return o.error + ": " + o.message;
    return "kind " + std::to_string(int(o.value.Kind())) + " \"" + o.value.ToText() + "\"";
}

// The same value of the same kind, or the same error.
inline void ExpectOutcome(const Outcome& actual, const Outcome& expected, const std::string& what) {
    const bool same = expected.error.empty()
                          ? actual.error.empty() && actual.value.SameAs(expected.value)
                          : actual.error == expected.error && actual.message == expected.message;
    EXPECT_TRUE(same) << what << ": got " << Describe(actual) << ", expected "
                      << Describe(expected);
}

inline Value I(std::int32_t x) {
    return Value::FromInteger(x);
}
inline Value R(double x) {
    return Value::FromDouble(x);
}
inline Value T(std::string_view s) {
    return Value::FromText(s);
}
inline Value B(bool b) {
    return Value::FromBoolean(b);
}
inline Value Cy(std::int64_t units) {
    return Value::FromCurrencyUnits(units);
}
inline Value Dt(double x) {
    return Value::FromDateTime(x);
}
inline Value Nul() {
    return Value::MakeNull();
}

} // namespace ostrane::test
