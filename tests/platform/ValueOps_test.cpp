// The Value operators: class table, arithmetic, logic, comparison and the
// conversions to integer and real.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/ValueOps.h"
#include "support/Outcome.h"

namespace ostrane {
namespace {

using namespace test;

using BinaryOp = Value (*)(const Value&, const Value&);

struct BinaryCase {
    const char* what;
    BinaryOp op;
    Value a, b;
    Outcome expected;
};

void RunTable(const std::vector<BinaryCase>& cases) {
    for (const auto& c : cases)
        ExpectOutcome(Attempt([&] { return c.op(c.a, c.b); }), c.expected, c.what);
}

class ValueOpsTest : public ::testing::Test {
protected:
    ScopedFormatSettings guard_{CLocaleProfile()};
};

TEST_F(ValueOpsTest, ClassTableDecidesTheResultKind) {
    RunTable({
        {"int + int", VarAdd, I(2), I(3), Ok(I(5))},
        {"int overflow redone in reals", VarAdd, I(2147483647), I(1), Ok(R(2147483648.0))},
        {"int * int overflow", VarMultiply, I(65536), I(65536), Ok(R(4294967296.0))},
        {"int - int", VarSubtract, I(-2147483647 - 1), I(1), Ok(R(-2147483649.0))},
        {"int / int is real", VarDivide, I(7), I(2), Ok(R(3.5))},
        {"True + int stays integer", VarAdd, B(true), I(1), Ok(I(0))},
        {"True + real", VarAdd, B(true), R(1), Ok(R(0))},
        {"True + True in reals", VarAdd, B(true), B(true), Ok(R(-2))},
        {"text + text joins", VarAdd, T("ab"), T("c"), Ok(T("abc"))},
        {"text - text in reals", VarSubtract, T("1"), T("2"), Ok(R(-1))},
        {"text + real", VarAdd, T("1"), R(2), Ok(R(3))},
        {"text + int is real", VarAdd, T("1"), I(2), Ok(R(3))},
        {"Null propagates", VarAdd, Nul(), I(1), Ok(Nul())},
        {"Null with text", VarSubtract, T("x"), Nul(), Ok(Nul())},
        {"Empty is an error", VarAdd, Value(), I(1), InvalidOperation},
        {"Null with Empty is an error", VarAdd, Nul(), Value(), InvalidOperation},
        {"byte is outside the classes", VarAdd, Value::FromByte(1), I(1), InvalidOperation},
        {"text not a number", VarSubtract, T("abc"), R(1), BadConversion},
        {"small integer", VarAdd, Value::FromSmallInt(3), I(4), Ok(I(7))},
        {"single is real", VarAdd, Value::FromSingle(0.5f), I(1), Ok(R(1.5))},
    });
}

TEST_F(ValueOpsTest, FloatingPointErrorsAreChecked) {
    RunTable({
        {"1 / 0", VarDivide, R(1), R(0), ZeroDivide},
        {"0 / 0", VarDivide, R(0), R(0), InvalidFloat},
        {"int 1 / 0", VarDivide, I(1), I(0), ZeroDivide},
        {"overflow", VarMultiply, R(1e300), R(1e300), Overflow},
        {"infinity operand", VarAdd, R(HUGE_VAL), R(1), Overflow},
        {"NaN operand", VarAdd, R(std::nan("")), R(1), InvalidFloat},
    });
    EXPECT_THROW(CheckedFloat(HUGE_VAL), EOverflow);
    EXPECT_THROW(CheckedDivide(-1, 0), EZeroDivide);
    EXPECT_EQ(CheckedDivide(1, 4), 0.25);
}

TEST_F(ValueOpsTest, CurrencyIsScaledFixedPoint) {
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    RunTable({
        {"add", VarAdd, Cy(12345), I(1), Ok(Cy(22345))},
        {"real rounds to four decimals", VarAdd, Cy(0), R(1.23456), Ok(Cy(12346))},
        {"mul rounds half even", VarMultiply, Cy(10001), Cy(10001), Ok(Cy(10002))},
        {"div by non-currency", VarDivide, Cy(100000), I(3), Ok(Cy(33333))},
        {"div tie to even", VarDivide, Cy(3), I(2), Ok(Cy(2))},
        {"div tie to even, down", VarDivide, Cy(1), I(2), Ok(Cy(0))},
        {"div by currency is real", VarDivide, Cy(10000), Cy(40000), Ok(R(0.25))},
        {"text joins currency class", VarAdd, T("1.5"), Cy(10000), Ok(Cy(25000))},
        {"overflow", VarAdd, Cy(max), Cy(1), InvalidFloat},
        {"div by zero", VarDivide, Cy(1), I(0), ZeroDivide},
        {"Boolean is -1", VarAdd, B(true), Cy(0), Ok(Cy(-10000))},
    });
    EXPECT_EQ(VarCompare(Cy(10000), R(1.00001)), CompareResult::Equal);
}

TEST_F(ValueOpsTest, DatesComputeInDays) {
    RunTable({
        {"date + int", VarAdd, Dt(45296), I(1), Ok(Dt(45297))},
        {"int + date", VarAdd, I(1), Dt(45296.5), Ok(Dt(45297.5))},
        {"date - number text", VarSubtract, Dt(45296), T("1.5"), Ok(Dt(45294.5))},
        {"date - date is days", VarSubtract, Dt(45296), Dt(45290), Ok(R(6))},
        {"date * 2 is real", VarMultiply, Dt(2), I(2), Ok(R(4))},
        {"date / date is real", VarDivide, Dt(3), Dt(2), Ok(R(1.5))},
        {"date and Null", VarAdd, Dt(1), Nul(), Ok(Nul())},
        {"date - bad text", VarSubtract, Dt(1), T("x"), BadConversion},
    });
}

TEST_F(ValueOpsTest, IntegerDivisionAndRemainder) {
    RunTable({
        {"7 div 2", VarIntDivide, I(7), I(2), Ok(I(3))},
        {"-7 div 2 truncates", VarIntDivide, I(-7), I(2), Ok(I(-3))},
        {"-7 mod 2 keeps sign", VarModulo, I(-7), I(2), Ok(I(-1))},
        {"7 mod -2", VarModulo, I(7), I(-2), Ok(I(1))},
        {"reals rounded first", VarIntDivide, R(7.5), R(2), Ok(I(4))},
        {"texts as integers", VarModulo, T("17"), T("5"), Ok(I(2))},
        {"div by zero", VarIntDivide, I(1), I(0), DivByZero},
        {"mod by zero", VarModulo, R(1), R(0.4), DivByZero},
        {"INT_MIN div -1 leaves 32 bits", VarIntDivide, I(-2147483647 - 1), I(-1),
         Ok(R(2147483648.0))},
        {"INT_MIN mod -1", VarModulo, I(-2147483647 - 1), I(-1), Ok(I(0))},
        {"Null", VarIntDivide, Nul(), I(0), Ok(Nul())},
        {"Empty", VarModulo, I(1), Value(), InvalidOperation},
        {"real outside 32 bits", VarIntDivide, R(3e9), I(2), InvalidFloat},
    });
}

TEST_F(ValueOpsTest, AndOrAreBitwiseExceptForBooleans) {
    RunTable({
        {"3 and 5", VarAnd, R(3), R(5), Ok(I(1))},
        {"texts or", VarOr, T("6"), T("1"), Ok(I(7))},
        {"2.5 rounds to 2", VarAnd, R(2.5), I(3), Ok(I(2))},
        {"Booleans", VarAnd, B(true), B(false), Ok(B(false))},
        {"Boolean or text", VarOr, B(false), T("true"), Ok(B(true))},
        {"Boolean with real", VarAnd, B(true), R(6), Ok(I(6))},
        {"Null", VarOr, Nul(), B(true), Ok(Nul())},
        {"Empty", VarAnd, Value(), B(true), InvalidOperation},
        {"date and int", VarAnd, Dt(7.4), I(3), Ok(I(3))},
    });
    ExpectOutcome(Attempt([] { return VarNot(B(true)); }), Ok(B(false)), "not True");
    ExpectOutcome(Attempt([] { return VarNot(I(5)); }), Ok(I(-6)), "not 5");
    ExpectOutcome(Attempt([] { return VarNot(Nul()); }), Ok(Nul()), "not Null");
    ExpectOutcome(Attempt([] { return VarNot(T("x")); }), BadConversion, "not text");
}

TEST_F(ValueOpsTest, Comparison) {
    struct Case {
        const char* what;
        Value a, b;
        CompareResult expected;
    };
    using CR = CompareResult;
    const std::vector<Case> cases{
        {"Null = Null", Nul(), Nul(), CR::Equal},
        {"Null < 1", Nul(), R(1), CR::Less},
        {"1 > Null", I(1), Nul(), CR::Greater},
        {"Null < text", Nul(), T(""), CR::Less},
        {"abc < abd", T("abc"), T("abd"), CR::Less},
        {"ABC < abc", T("ABC"), T("abc"), CR::Less},
        {"prefix is less", T("ab"), T("abc"), CR::Less},
        {"byte codes, high bytes last", T("\xe9"), T("z"), CR::Greater},
        {"text 9 > text 10", T("9"), T("10"), CR::Greater},
        {"10 > text 9", R(10), T("9"), CR::Greater},
        {"True < 0", B(true), R(0), CR::Less},
        {"True = text 1", B(true), T("1"), CR::Equal}, // compared as Booleans
        {"True = text true", B(true), T("true"), CR::Equal},
        {"False < True", B(false), B(true), CR::Less},
        {"ints", I(-3), I(2), CR::Less},
        {"date and real", Dt(45296), R(45296), CR::Equal},
        {"date and number text", Dt(45296), T("45297"), CR::Less},
    };
    for (const auto& c : cases) EXPECT_EQ(VarCompare(c.a, c.b), c.expected) << c.what;

    auto compare = [](Value a, Value b) {
        return Attempt([&] {
            VarCompare(a, b);
            return Value();
        });
    };
    ExpectOutcome(compare(T("abc"), R(1)), BadConversion, "text against number");
    ExpectOutcome(compare(T(""), R(0)), BadConversion, "empty text against number");
    ExpectOutcome(compare(B(true), T("yes")), BadConversion, "yes is no Boolean");
    ExpectOutcome(compare(Value(), I(1)), InvalidOperation, "Empty");
    ExpectOutcome(compare(R(std::nan("")), R(1)), InvalidFloat, "NaN");
}

TEST_F(ValueOpsTest, ConversionToInteger) {
    struct Case {
        const char* what;
        Value v;
        Outcome expected;
    };
    const std::vector<Case> cases{
        {"2.5 to even", R(2.5), Ok(I(2))},
        {"3.5 to even", R(3.5), Ok(I(4))},
        {"-2.5 to even", R(-2.5), Ok(I(-2))},
        {"-2.7", R(-2.7), Ok(I(-3))},
        {"upper limit", R(2147483647.5), InvalidFloat},
        {"lower limit", R(-2147483648.5), Ok(I(-2147483647 - 1))},
        {"NaN", R(std::nan("")), InvalidFloat},
        {"currency 2.5", Cy(25000), Ok(I(2))},
        {"currency 3.5", Cy(35000), Ok(I(4))},
        {"currency -2.5", Cy(-25000), Ok(I(-2))},
        {"True", B(true), Ok(I(-1))},
        {"text", T(" 12 "), Ok(I(12))},
        {"text 2.5", T("2.5"), Ok(I(2))},
        {"bad text", T("12abc"), BadConversion},
        {"Null", Nul(), BadConversion},
        {"Empty", Value(), Ok(I(0))},
        {"date", Dt(1.75), Ok(I(2))},
    };
    for (const auto& c : cases)
        ExpectOutcome(Attempt([&] { return I(c.v.ToInteger()); }), c.expected, c.what);
    EXPECT_EQ(RoundToInteger(0.5), 0);
    EXPECT_EQ(RoundToInteger(1.5), 2);
}

TEST_F(ValueOpsTest, ConversionToReal) {
    struct Case {
        const char* what;
        Value v;
        Outcome expected;
    };
    const std::vector<Case> cases{
        {"currency", Cy(15000), Ok(R(1.5))}, {"True", B(true), Ok(R(-1))},
        {"date", Dt(2.25), Ok(R(2.25))},     {"text", T("1,234.5"), Ok(R(1234.5))},
        {"bad text", T("x"), BadConversion}, {"Null", Nul(), BadConversion},
        {"integer", I(-4), Ok(R(-4))},
    };
    for (const auto& c : cases)
        ExpectOutcome(Attempt([&] { return R(c.v.ToReal()); }), c.expected, c.what);
}

TEST_F(ValueOpsTest, TextsFollowTheLocale) {
    FormatSettings comma = CLocaleProfile();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = ".";
    ScopedFormatSettings guard(comma);
    EXPECT_EQ(T("2.5").ToReal(), 25);
    EXPECT_EQ(T("2,5").ToReal(), 2.5);
    EXPECT_EQ(T("2,5").ToInteger(), 2);
    ExpectOutcome(Attempt([] { return VarSubtract(T("2.5"), T("0")); }), Ok(R(25)), "2.5 - 0");
}

} // namespace
} // namespace ostrane
