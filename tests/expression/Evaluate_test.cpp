// Evaluating trees: literals, words handed to the owner, every operator.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "expression/Tokenizer.h"
#include "expression/Tree.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/ValueOps.h"
#include "support/Outcome.h"

namespace ostrane {
namespace {

using namespace test;

// Resolves a few words and records what it was asked.
class TestOwner : public TExpOwner {
public:
    void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                     Value& value) override {
        calls.push_back({name, args, isChild, value});
        if (name == "a") value.SetNull();
        if (name == "e") value.SetEmpty();
        if (name == "t1") value.SetText("1");
        if (name == "t2") value.SetText("2");
        if (name == "ab") value.SetText("ab");
        if (name == "one") value.SetInteger(1);
    }
    struct Call {
        std::string name;
        ArgumentSlots args;
        bool isChild;
        Value preset;
    };
    std::vector<Call> calls;
};

struct Parsed {
    TExpParser parser;
    std::unique_ptr<TExpNode> root;
};

std::unique_ptr<Parsed> Parse(std::string_view text, TExpOwner* owner) {
    auto parsed = std::make_unique<Parsed>();
    TokenizeAll(parsed->parser, text);
    std::vector<TExpToken*> tokens;
    for (const auto& t : parsed->parser.Tokens()) tokens.push_back(t.get());
    parsed->root = std::make_unique<TExpNode>(owner, std::move(tokens), nullptr);
    parsed->root->Build();
    return parsed;
}

Outcome Calculate(std::string_view text, TExpOwner* owner) {
    try {
        return Ok(Parse(text, owner)->root->Evaluate());
    } catch (const Exception& e) {
        return Fails(e.ClassName(), e.Message());
    }
}

const Outcome TreeFault = Fails("EQzIParseException", "Calculate error: syntax tree fault.");
const Outcome TooManyArguments =
    Fails("EQzIParseException", "Function parse error: too many arguments.");

struct Case {
    std::string text;
    Outcome expected;
};

class EvaluateTest : public ::testing::Test {
protected:
    ScopedFormatSettings guard_{CLocaleProfile()};
    TestOwner owner_;

    void ExpectValues(const std::vector<Case>& cases) {
        for (const auto& c : cases) {
            ExpectOutcome(Calculate(c.text, &owner_), c.expected, c.text);
        }
    }
};

TEST_F(EvaluateTest, LiteralsAndTreeOrder) {
    ExpectValues({
        {"", Ok(Nul())},
        {"1 + 2", Ok(R(3))},
        {"1.5", Ok(R(1.5))},
        {"1.2.3", Ok(R(1.2))}, // the number as far as it is well formed
        {"-5", Ok(R(-5))},
        {"+5", Ok(Nul())},
        {"*5", Ok(R(0))},
        {"10 - 4 - 3", Ok(R(9))},
        {"2 + 1 = 3", Ok(R(2))},
        {"(2 + 1) = 3", Ok(B(true))},
        {"(1 = 1) AND (2 = 2)", Ok(B(true))},
        {"x=-1", TreeFault},
        {"(+)", TreeFault},
    });
}

TEST_F(EvaluateTest, ArithmeticAndPower) {
    ExpectValues({
        {"7 / 2", Ok(R(3.5))},       {"1 / 0", ZeroDivide},
        {"0 / 0", InvalidFloat},     {"2 * 3", Ok(R(6))},
        {"2^10", Ok(R(1024))},       {"(0-8)^3", Ok(R(-512))},
        {"(0-8)^0.5", InvalidFloat}, {"0^(0-1)", ZeroDivide},
        {"5^0", Ok(R(1))},           {"0^2", Ok(R(0))},
        {"2^(0-2)", Ok(R(0.25))},    {"4^0.5", Ok(R(2))},
        {"10^400", Overflow},        {"t1 + t2", Ok(T("12"))},
        {"t1 - t2", Ok(R(-1))},      {"ab + 1", Ok(T("ab1"))},
        {"ab - 1", Ok(R(-1))},       {"1 + ab", Ok(T("1ab"))},
        {"one + 1", Ok(R(2))},       {"one - one", Ok(R(0))},
        {"a - a", Ok(I(0))}, // both operands fell to the integer 0
    });
}

TEST_F(EvaluateTest, ComparisonsAndLogic) {
    ExpectValues({
        {"a = a", Ok(B(true))},
        {"a < 1", Ok(B(true))},
        {"1 > a", Ok(B(true))},
        {"a + 1", Ok(Nul())},
        {"a - 1", Ok(R(-1))},
        {"[abc] < [abd]", Ok(B(true))},
        {"[ABC] = [abc]", Ok(B(false))},
        {"[ABC] <> [abc]", Ok(B(true))},
        {"[ABC] != [abc]", Ok(B(true))},
        {"[abc] != [abc]", Ok(B(false))},
        {"t1 <= 1", Ok(B(true))},
        {"t2 >= 3", Ok(B(false))},
        {"ab = 1", BadConversion},
        {"e = 1", Fails("EVariantError", "Invalid variant operation")},
        {"3 AND (5)", Ok(I(1))},
        {"(1=1) and (1=2)", Ok(B(false))},
        {"(1=1) Or (1=2)", Ok(B(true))},
        {"(1=2) OR (a)", Ok(Nul())},
    });
}

TEST_F(EvaluateTest, NotAndFactorial) {
    ExpectValues({
        {"NOT (1=2)", Ok(B(true))},
        {"not (5)", Ok(I(-6))},
        {"NOT (a)", Ok(Nul())},
        {"(1=1) AND (NOT (1=2))", Ok(B(true))},
        {"NOT (1=1) OR (1=1)", Ok(B(true))},
        {"5!", Ok(I(120))},
        {"(2.5)!", Ok(I(2))}, // rounded to even first
        {"(0)!", Ok(I(1))},
        {"(1)!", Ok(I(1))},
        {"3! + 1", Ok(R(7))},
        {"13!", Ok(R(6227020800.0))},
        {"(0-1)!", InvalidFloat},
        {"200!", Overflow},
        {"(2147483647)!", Overflow},
        {"5!!", TreeFault}, // "!!" is no operator of the table
    });
}

TEST_F(EvaluateTest, TheDeepestTreeEvaluates) {
    std::string text = "1=1";
    for (int i = 0; i < 255; ++i) text = "NOT(" + text + ")"; // 256 levels with the "="
    ExpectValues({
        {text, Ok(B(false))},
        {"NOT(" + text + ")",
         Fails("EQzIParseException", "Compile error: expression too deeply nested.")},
    });
}

TEST_F(EvaluateTest, DecimalCommaLocale) {
    FormatSettings comma = CLocaleProfile();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = ".";
    ScopedFormatSettings guard(comma);
    // Numbers keep their value when they travel as text: "2,5" reads back as 2.5.
    ExpectValues({
        {"2.5 - 0", Ok(R(2.5))},
        {"2.5 + 0", Ok(R(2.5))},
        {"2.5", Ok(R(2.5))},
        {"(0 - 0.5) = (0 - 5)", Ok(B(false))},
        {"1.5 * 2", Ok(R(3))},
        {"(0 - 1234.5) * 2", Ok(R(-2469))},
    });
}

TEST_F(EvaluateTest, WordsGoToTheOwner) {
    ExpectValues({
        {"[abc]", Ok(T("abc"))},
        {"[abc", Ok(T("abc"))},
        {"abc]", Ok(T("abc"))},
        {"'abc'", Ok(T("'abc'"))},
        {"[]", Ok(T(""))},
    });

    owner_.calls.clear();
    ExpectValues({{"f(1, t1)", Ok(T("f"))}});
    ASSERT_EQ(owner_.calls.size(), 2u); // the argument t1, then f
    const auto& call = owner_.calls[1];
    EXPECT_EQ(call.name, "f");
    EXPECT_FALSE(call.isChild);
    EXPECT_TRUE(call.args[0].SameAs(R(1)));
    EXPECT_TRUE(call.args[1].SameAs(T("1")));
    for (int i = 2; i < ArgumentSlotCount; ++i) EXPECT_TRUE(call.args[std::size_t(i)].IsEmpty());
    EXPECT_TRUE(owner_.calls[0].isChild);

    owner_.calls.clear();
    ExpectValues({{"[x] = [y]", Ok(B(false))}});
    ASSERT_EQ(owner_.calls.size(), 2u);
    EXPECT_EQ(owner_.calls[0].name, "[x]");
    EXPECT_TRUE(owner_.calls[0].preset.SameAs(T("x")));
    EXPECT_TRUE(owner_.calls[0].isChild);

    // Without an owner the preset text stays.
    const Outcome alone = Calculate("[abc]", nullptr);
    EXPECT_TRUE(alone.value.SameAs(T("abc")));
}

TEST_F(EvaluateTest, AtMostElevenArgumentsReachTheOwner) {
    ExpectValues({
        {"f(1,2,3,4,5,6,7,8,9,10,11)", Ok(T("f"))},
        {"f(1,2,3,4,5,6,7,8,9,10,11,12)", TooManyArguments},
        {"MAX(1,2,3,4,5,6,7,8,9,10,11,12)", Ok(R(12))}, // built-ins have no limit
    });
}

TEST_F(EvaluateTest, CurrentTime) {
    for (const char* text : {"NOW", "getdate", "Now(1)"}) {
        const double before = CurrentDateTime();
        const Outcome o = Calculate(text, &owner_);
        ASSERT_TRUE(o.error.empty()) << text;
        EXPECT_TRUE(o.value.IsDateTime()) << text;
        EXPECT_NEAR(o.value.DoublePayload(), before, 1.0 / 86400);
    }
}

TEST_F(EvaluateTest, TheSameTreeEvaluatesAgain) {
    const auto parsed = Parse("(t1 + t2) - (2.5 * 2) + [x]", &owner_);
    const Value first = parsed->root->Evaluate();
    const Value second = parsed->root->Evaluate();
    EXPECT_TRUE(first.SameAs(T("7x")));
    EXPECT_TRUE(second.SameAs(first));
}

TEST_F(EvaluateTest, PowerRule) {
    EXPECT_EQ(PowerRule(2, 10), 1024);
    EXPECT_EQ(PowerRule(-2, 3), -8);
    EXPECT_EQ(PowerRule(0, 0), 1);
    EXPECT_EQ(PowerRule(10, -400), 0); // underflow is silent
    EXPECT_THROW(PowerRule(0, -0.5), EZeroDivide);
    EXPECT_THROW(PowerRule(-1, 0.5), EInvalidOp);
    EXPECT_DOUBLE_EQ(PowerRule(2, 0.5), std::sqrt(2.0));
}

// Gives the words x and y the values under test.
class PairOwner : public TExpOwner {
public:
    Value x, y;
    void ResolveWord(const std::string& name, const ArgumentSlots&, bool, Value& value) override {
        value = name == "x" ? x : y;
    }
};

// The comparisons and AND / OR take two byte texts, two doubles or two
// Booleans directly: every pair of a table of values gives what the value
// operators give.
TEST_F(EvaluateTest, ComparisonsAndLogicMatchTheValueOperators) {
    const Value values[] = {
        T(""),
        T("a"),
        T("ab"),
        T("b"),
        T(std::string("a\0", 2)),
        T("\xe9"),
        T("10"),
        T("9"),
        R(9),
        R(10),
        R(-0.0),
        R(0),
        R(std::nan("")),
        R(INFINITY),
        I(9),
        B(true),
        B(false),
        Nul(),
        Value(),
        Value::FromWideText(u"a"),
        Value::FromDateTime(10),
        Value::FromCurrencyUnits(90000),
    };
    using Expected = std::function<Value(const Value&, const Value&)>;
    const auto holds = [](bool (*test)(CompareResult)) -> Expected {
        return [test](const Value& a, const Value& b) {
            return Value::FromBoolean(test(VarCompare(a, b)));
        };
    };
    const std::vector<std::pair<std::string, Expected>> operators{
        {"x = y", holds([](CompareResult r) { return r == CompareResult::Equal; })},
        {"x <> y", holds([](CompareResult r) { return r != CompareResult::Equal; })},
        {"x != y", holds([](CompareResult r) { return r != CompareResult::Equal; })},
        {"x < y", holds([](CompareResult r) { return r == CompareResult::Less; })},
        {"x > y", holds([](CompareResult r) { return r == CompareResult::Greater; })},
        {"x <= y", holds([](CompareResult r) { return r != CompareResult::Greater; })},
        {"x >= y", holds([](CompareResult r) { return r != CompareResult::Less; })},
        {"(x) AND (y)", VarAnd},
        {"(x) OR (y)", VarOr},
    };
    PairOwner owner;
    for (const auto& [text, expected] : operators) {
        const auto parsed = Parse(text, &owner);
        for (const Value& a : values) {
            for (const Value& b : values) {
                owner.x = a;
                owner.y = b;
                ExpectOutcome(Attempt([&] { return parsed->root->Evaluate(); }),
                              Attempt([&] { return expected(a, b); }),
                              text + " with " + a.ToText() + ", " + b.ToText());
            }
        }
    }
}

TEST_F(EvaluateTest, NumericOperand) {
    EXPECT_TRUE(NumericOperand(Nul()).SameAs(I(0)));
    EXPECT_TRUE(NumericOperand(Value()).SameAs(I(0)));
    EXPECT_TRUE(NumericOperand(R(0.1 + 0.2)).SameAs(T("0.3")));
    EXPECT_TRUE(NumericOperand(T("$1,234.50")).SameAs(T("1234.50")));
    EXPECT_TRUE(NumericOperand(T("ab")).SameAs(I(0)));
    EXPECT_TRUE(NumericOperand(B(true)).SameAs(I(0)));
    const Value date = Value::FromDateTime(45296.5);
    EXPECT_TRUE(NumericOperand(date).SameAs(date));
}

} // namespace
} // namespace ostrane
