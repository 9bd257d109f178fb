#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "expression/QzIPars.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

const double Day = EncodeDate(2024, 1, 5);
const double DayAndTime = Day + EncodeTime(18, 30, 15, 0);

// The words the tests use; a word in apostrophes is the text between them.
void Words(TQzIParser*, const std::string& eval, const ArgumentSlots&, std::int32_t, bool,
           Value& value, bool& done) {
    static const std::map<std::string, Value> words{
        {"N", Value::MakeNull()},
        {"EMP", Value()},
        {"E", Value::FromText("")},
        {"T1", Value::FromText("1")},
        {"T2", Value::FromText("2")},
        {"TAB", Value::FromText("\t x \n")},
        {"D", Value::FromDateTime(DayAndTime)},
    };
    if (eval.size() >= 2 && eval.front() == '\'' && eval.back() == '\'') {
        value = Value::FromText(eval.substr(1, eval.size() - 2));
        done = true;
    } else if (auto found = words.find(eval); found != words.end()) {
        value = found->second;
        done = true;
    }
}

Value Eval(const std::string& text) {
    TQzIParser parser;
    parser.Text = text;
    parser.OnEvaluate = Words;
    return parser.Evaluate();
}

struct ValueCase {
    const char* expression;
    Value expected;
};

struct ErrorCase {
    const char* expression;
    const char* className;
    const char* message;
};

class FunctionsTest : public ::testing::Test {
protected:
    FunctionsTest() : guard_(CLocaleProfile()) { SetCurrentYearForTests(2025); }
    ~FunctionsTest() override { SetCurrentYearForTests(0); }

    static void ExpectValues(const std::vector<ValueCase>& cases) {
        for (const auto& c : cases) {
            Value actual;
            try {
                actual = Eval(c.expression);
            } catch (const Exception& e) {
                ADD_FAILURE() << c.expression << " raised " << e.ClassName() << ": " << e.Message();
                continue;
            }
            if (actual.Kind() == ValueKind::Double && c.expected.Kind() == ValueKind::Double) {
                EXPECT_NEAR(actual.DoublePayload(), c.expected.DoublePayload(),
                            1e-12 * std::fabs(c.expected.DoublePayload()))
                    << c.expression;
            } else {
                EXPECT_TRUE(actual.SameAs(c.expected))
                    << c.expression << " gave kind " << int(actual.Kind()) << " \""
                    << actual.ToText() << "\", expected kind " << int(c.expected.Kind()) << " \""
                    << c.expected.ToText() << '"';
            }
        }
    }

    static void ExpectErrors(const std::vector<ErrorCase>& cases) {
        for (const auto& c : cases) {
            try {
                Eval(c.expression);
                ADD_FAILURE() << c.expression << " raised nothing";
            } catch (const Exception& e) {
                EXPECT_STREQ(e.ClassName(), c.className) << c.expression;
                EXPECT_EQ(e.Message(), c.message) << c.expression;
            }
        }
    }

private:
    ScopedFormatSettings guard_;
};

Value Txt(const char* s) {
    return Value::FromText(s);
}
Value Int(std::int32_t i) {
    return Value::FromInteger(i);
}
Value Dbl(double d) {
    return Value::FromDouble(d);
}
Value Bool(bool b) {
    return Value::FromBoolean(b);
}
Value Dt(double d) {
    return Value::FromDateTime(d);
}

TEST_F(FunctionsTest, Text) {
    ExpectValues({
        {"SUBSTR('abcdef', 2, 3)", Txt("bcd")},
        {"substr('abcdef', 2, 3)", Txt("bcd")},
        {"SubStr('abcdef', 2, 3)", Txt("bcd")},
        {"SUBSTRING('abcdef', 2, 3)", Txt("bcd")},
        {"COPY('abcdef', 2, 3)", Txt("bcd")},
        {"SUBSTR('abcdef', 0, 2)", Txt("ab")},
        {"SUBSTR('abcdef', 7, 1)", Txt("")},
        {"SUBSTR('abcdef', 2, -1)", Txt("")},
        {"SUBSTR('abcdef', 5, 100)", Txt("ef")},
        {"PADL('abc', 5)", Txt("  abc")},
        {"PADR('abc', 5, 'x')", Txt("abcxx")},
        {"PADR('abc', 5, 'xyz')", Txt("abcxx")},
        {"PADL('abcdef', 3)", Txt("abc")},
        {"PADR('abcdef', 3)", Txt("abc")},
        {"PADL('abc', 0)", Txt("")},
        {"PADL('abc', -2)", Txt("")},
        {"PADL('abc', 5, E)", Txt("  abc")}, // an empty pad text pads with spaces
        {"CHR(65)", Txt("A")},
        {"CHR(321)", Txt("A")},
        {"ORD('A')", Int(65)},
        {"ORD(E)", Int(0)}, // an empty text gives 0
        {"UPPER('aBc-z1')", Txt("ABC-Z1")},
        {"LOWER('AbC-Z1')", Txt("abc-z1")},
        {"TRIM(TAB)", Txt("x")},
        {"TRIMLEFT(TAB)", Txt("x \n")},
        {"TRIMRIGHT(TAB)", Txt("\t x")},
        {"POS('c', 'abcabc')", Int(3)},
        {"POS(E, 'abc')", Int(0)},
        {"POS('z', 'abc')", Int(0)},
        {"LENGTH('abcd')", Int(4)},
        {"REPLACESTR('aaa', 'aa', 'b', 1=0, 1=1)", Txt("ba")},
        {"REPLACESTR('abcABC', 'b', 'X', 1=1, 1=0)", Txt("aXcABC")},
        {"REPLACESTR('abcABC', 'b', 'X', 1=1, 1=1)", Txt("aXcAXC")},
    });
}

TEST_F(FunctionsTest, Conversion) {
    ExpectValues({
        {"STRTOINT('$1F')", Int(31)},
        {"STRTOINT('  42')", Int(42)},
        {"STRTOINT('-7')", Int(-7)},
        {"STRTOFLOAT('1.5')", Dbl(1.5)},
        {"VARTOSTR(1.5)", Txt("1.5")},
        {"VARTOSTR(N)", Txt("")},
        {"INTTOSTR(2.5)", Txt("2")},
        {"INTTOSTR(-12)", Txt("-12")},
        {"FLOATTOSTR(POWER(10, 20))", Txt("1E+20")},
        {"FLOATTOSTR(0.00001)", Txt("1E-5")},
        {"FLOATTOSTR(1 / 4)", Txt("0.25")},
        {"FLOATTOSTR(1 / 3)", Txt("0.333333333333333")},
    });
    ExpectErrors({
        {"STRTOINT('42 ')", "EConvertError", "'42 ' is not a valid integer value"},
        {"STRTOINT('-$10')", "EConvertError", "'-$10' is not a valid integer value"},
        {"STRTOINT(E)", "EConvertError", "'' is not a valid integer value"},
        {"STRTOFLOAT('x')", "EConvertError", "'x' is not a valid floating point value"},
    });
}

TEST_F(FunctionsTest, Aggregates) {
    ExpectValues({
        {"MAX(3, 5)", Dbl(5)},
        {"MAX(-5, -3)", Int(0)}, // starts from the integer 0
        {"MIN(3, 5)", Dbl(3)},
        {"MIN(3, N, 5)", Dbl(5)},
        {"MIN(3, 5, N)", Value::MakeNull()},
        {"SUM(T1, T2)", Dbl(3)},
        {"SUM(1, 2)", Dbl(3)},
        {"AVG(1, 2)", Dbl(1.5)},
        {"COUNT(1, 2, 3)", Int(2)},
        {"COUNT(SUBSTR('a'), 2)", Int(1)}, // arguments are not evaluated
        {"COALESCE(N, E, 7)", Dbl(7)},
        {"COALESCE(N, N)", Value::MakeNull()},
        {"COALESCE('a', SUBSTR('a'))", Txt("a")},
    });
    ExpectErrors({
        {"MAX(3, 'abc')", "EVariantError", "Invalid variant type conversion"},
        {"SUM(1, EMP)", "EVariantError", "Invalid variant operation"},
    });
}

TEST_F(FunctionsTest, Numbers) {
    ExpectValues({
        {"ROUND(2.5)", Int(2)},
        {"ROUND(3.5)", Int(4)},
        {"ROUND(-2.5)", Int(-2)},
        {"ROUND(2.5, SUBSTR('a'))", Int(2)}, // a second argument is never evaluated
        {"INT(-2.7)", Dbl(-2)},
        {"FRAC(-2.5)", Dbl(-0.5)},
        {"DIV(7, 2)", Int(3)},
        {"DIV(7.5, 2)", Int(4)},
        {"MOD(-7, 2)", Int(-1)},
        {"DIV(N, 2)", Value::MakeNull()},
        {"PERCENT(200, 15)", Dbl(30)},
        {"ABS(-3)", Dbl(3)},
        {"POWER(2, 10)", Dbl(1024)},
        {"POWER(-8, 3)", Dbl(-512)},
        {"EXP(0)", Dbl(1)},
        {"LN(EXP(1))", Dbl(1)},
        {"LOG(1000)", Dbl(3)},
        {"SQR(3)", Dbl(9)},
        {"SQRT(9)", Dbl(3)},
    });
    ExpectErrors({
        {"ROUND(POWER(10, 10))", "EInvalidOp", "Invalid floating point operation"},
        {"DIV(7, 0)", "EDivByZero", "Division by zero"},
        {"MOD(7, 0)", "EDivByZero", "Division by zero"},
        {"POWER(-8, 0.5)", "EInvalidOp", "Invalid floating point operation"},
        {"POWER(0, -1)", "EZeroDivide", "Floating point division by zero"},
        {"LN(0)", "EZeroDivide", "Floating point division by zero"},
        {"LOG(0)", "EZeroDivide", "Floating point division by zero"},
        {"LN(-1)", "EInvalidOp", "Invalid floating point operation"},
        {"SQRT(-1)", "EInvalidOp", "Invalid floating point operation"},
        {"EXP(1000)", "EOverflow", "Floating point overflow"},
        {"SQR(POWER(10, 200))", "EOverflow", "Floating point overflow"},
        {"ABS('abc')", "EVariantError", "Invalid variant type conversion"},
    });
}

TEST_F(FunctionsTest, ConditionsAndTests) {
    ExpectValues({
        {"IIF(1=1, 'a')", Txt("a")}, // the third argument is not needed
        {"IIF(1=0, 'a', 'b')", Txt("b")},
        {"ISNULL(N)", Bool(true)},
        {"ISNULL(E)", Bool(true)},
        {"ISNULL('x')", Bool(false)},
        {"ISNUMERIC(E)", Bool(true)},
        {"ISNUMERIC('-12.5')", Bool(true)},
        {"ISNUMERIC('1e5')", Bool(false)},
        {"ISALPHA(E)", Bool(false)},
        {"ISALPHA('abc')", Bool(true)},
        {"ISCONTAIN(E, 'abc')", Bool(false)},
        {"ISCONTAIN('b', 'abc')", Bool(true)},
        {"ISSTARTSWITH('he', 'hello')", Bool(true)},
        {"ISSTARTSWITH('HE', 'hello')", Bool(false)},
        {"ISSTARTSWITH(E, 'hello')", Bool(true)},
        {"ISENDSWITH('lo', 'hello')", Bool(true)},
        {"ISENDSWITH('ll', 'hello')", Bool(false)},
        {"ISENDSWITH(E, 'hello')", Bool(true)},
        {"ISENDSWITH('xhello', 'hello')", Bool(false)},
    });
    ExpectErrors({
        {"IIF(N, 1, 2)", "EVariantError", "Invalid variant type conversion"},
    });
}

TEST_F(FunctionsTest, MissingArguments) {
    ExpectErrors({
        {"SUBSTR('abc', 1)", "EListError", "List index out of bounds (2)"},
        {"SUBSTR('abc')", "EListError", "List index out of bounds (2)"},
        {"REPLACESTR('a', 'b', 'c')", "EListError", "List index out of bounds (3)"},
        {"REPLACESTR('a', 'b', 'c', 1=1)", "EListError", "List index out of bounds (4)"},
        {"PADL('abc')", "EListError", "List index out of bounds (1)"},
        {"POS('a')", "EListError", "List index out of bounds (1)"},
        {"ISCONTAIN('a')", "EListError", "List index out of bounds (1)"},
        {"ISSTARTSWITH('a')", "EListError", "List index out of bounds (1)"},
        {"IIF(1=0, 'a')", "EListError", "List index out of bounds (2)"},
        {"POWER(2)", "EListError", "List index out of bounds (1)"},
        {"DIV(2)", "EListError", "List index out of bounds (1)"},
        {"DATETIMEFROMSTRING('a', 'b', 'c')", "EListError", "List index out of bounds (3)"},
    });
}

TEST_F(FunctionsTest, Dates) {
    ExpectValues({
        {"YEAR(D)", Int(2024)},
        {"MONTH(D)", Int(1)},
        {"DAY(D)", Int(5)},
        {"HOUR(D)", Int(18)},
        {"MINUTE(D)", Int(30)},
        {"SECOND(D)", Int(15)},
        {"HOUR('2024-01-05')", Int(0)},
        {"YEAR('2024-01-05')", Int(2024)},
        {"YEAR(45296)", Int(2024)},
        {"YEAR(-700000)", Int(0)}, // before year 1: the date parts read as 0
        {"HOUR(-700000.25)", Int(6)},
        {"DATEPART(D)", Dbl(Day)},
        {"TIMEPART(D)", Dbl(DayAndTime - Day)},
        {"DATETOSTR(D)", Txt("2024-01-05")},
        {"DATETOSTR(0)", Txt("1899-12-30")},
        {"STRTODATE('2024-01-05')", Dt(Day)},
        {"STRTODATE(' 2024 - 1 - 5 ')", Dt(Day)},
        {"STRTODATE('2024-01-05-')", Dt(Day)},
        {"STRTODATE('24-01-05')", Dt(Day)},
        {"STRTODATE('74-01-05')", Dt(EncodeDate(2074, 1, 5))},
        {"STRTODATE('75-01-05')", Dt(EncodeDate(1975, 1, 5))},
        {"STRTODATE('0024-01-05')", Dt(EncodeDate(24, 1, 5))},
        {"STRTODATE('01-05')", Dt(EncodeDate(2025, 1, 5))},
        {"DATETIMEFROMSTRING('25/12/2003', 'DD/MM/YYYY', '/', ':')", Dt(EncodeDate(2003, 12, 25))},
        {"DATETIMEFROMSTRING('5.3.03 10-30', 'D.M.YY HH-NN', '.', '-')",
         Dt(EncodeDate(2003, 3, 5) + EncodeTime(10, 30, 0, 0))},
    });
    ExpectErrors({
        {"HOUR('2024-01-05 10:00:00')", "EConvertError",
         "'2024-01-05 10:00:00' is not a valid date"},
        {"STRTODATE('2024/01/05')", "EConvertError", "'2024/01/05' is not a valid date"},
        {"STRTODATE('2024-02-30')", "EConvertError", "'2024-02-30' is not a valid date"},
        {"STRTODATE('2024-01-05 10:00')", "EConvertError",
         "'2024-01-05 10:00' is not a valid date"},
        {"STRTODATE('12024-01-05')", "EConvertError", "'12024-01-05' is not a valid date"},
        {"STRTODATE(E)", "EConvertError", "'' is not a valid date"},
        {"DATETIMEFROMSTRING('31/04/2003', 'DD/MM/YYYY', '/', ':')", "EConvertError",
         "Invalid argument to date encode"},
    });
}

TEST_F(FunctionsTest, DatesInADayMonthYearLocale) {
    FormatSettings fs = CLocaleProfile();
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.Order = DateOrder::DMY;
    ScopedFormatSettings guard(fs);
    ExpectValues({
        {"STRTODATE('5/1/2024')", Dt(Day)},
        {"STRTODATE('5/1')", Dt(EncodeDate(2025, 1, 5))},
        {"DATETOSTR(D)", Txt("05/01/2024")},
    });
}

TEST_F(FunctionsTest, CurrentTime) {
    EXPECT_EQ(Eval("GETDATE(1)").Kind(), ValueKind::DateTime);
    EXPECT_EQ(Eval("NOW").Kind(), ValueKind::DateTime);
}

TEST_F(FunctionsTest, RandomSequence) {
    ResetRandomSeed();
    const std::vector<std::int32_t> expected{0, 3, 86, 20, 27, 67};
    for (std::int32_t r : expected) EXPECT_TRUE(Eval("RANDOM(100)").SameAs(Int(r)));
    EXPECT_TRUE(Eval("RANDOM(0)").SameAs(Int(0)));
    // A negative bound mirrors the range: the result lies in (bound, 0].
    for (int i = 0; i < 20; ++i) {
        const std::int32_t r = Eval("RANDOM(-10)").IntegerPayload();
        EXPECT_LE(r, 0);
        EXPECT_GT(r, -10);
    }
    ResetRandomSeed();
}

TEST(CharArgument, FirstCharacterOrSpace) {
    EXPECT_EQ(CharArgument(Value::FromText("xyz")), 'x');
    EXPECT_EQ(CharArgument(Value::FromText("")), ' ');
    EXPECT_EQ(CharArgument(Value::FromDouble(5)), ' ');
    EXPECT_EQ(CharArgument(Value::MakeNull()), ' ');
}

} // namespace
} // namespace ostrane
