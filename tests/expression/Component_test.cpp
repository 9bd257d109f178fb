#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expression/QzIPars.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

// What the handler saw of one word.
struct Seen {
    std::string Eval;
    ArgumentSlots Args;
    std::int32_t ArgCount = 0;
    bool IsChild = false;
    Value Preset;
};

class ComponentTest : public ::testing::Test {
protected:
    ComponentTest() : guard_(CLocaleProfile()) {}

    // A handler that records each call, then answers `answer` with `done`
    // (or leaves Value untouched when `answer` is Empty).
    void Install(Value answer, bool done) {
        parser_.OnEvaluate = [this, answer, done](TQzIParser* sender, const std::string& eval,
                                                  const ArgumentSlots& args, std::int32_t count,
                                                  bool isChild, Value& value, bool& isDone) {
            EXPECT_EQ(sender, &parser_);
            EXPECT_FALSE(isDone);
            seen_.push_back({eval, args, count, isChild, value});
            if (!answer.IsEmpty()) value = answer;
            isDone = done;
        };
    }

    Value Evaluate(const std::string& text) {
        parser_.Text = text;
        return parser_.Evaluate();
    }

    TQzIParser parser_;
    std::vector<Seen> seen_;

private:
    ScopedFormatSettings guard_;
};

TEST_F(ComponentTest, ResolutionWithoutHandler) {
    struct Case {
        const char* text;
        Value expected;
    };
    const std::vector<Case> cases{
        {"PI", Value::FromDouble(3.14)},
        {"pi", Value::FromDouble(3.14)},
        {"[PI]", Value::FromText("[PI]")}, // brackets kept, no function of that name
        {"[abc]", Value::FromText("[abc]")},
        {"'abc'", Value::FromText("'abc'")},
        {"", Value::MakeNull()},
        {"   ", Value::MakeNull()},
        {"PI * 2", Value::FromDouble(6.28)},
    };
    for (const auto& c : cases) {
        const Value v = Evaluate(c.text);
        if (v.Kind() == ValueKind::Double && c.expected.Kind() == ValueKind::Double)
            EXPECT_DOUBLE_EQ(v.DoublePayload(), c.expected.DoublePayload()) << c.text;
        else
            EXPECT_TRUE(v.SameAs(c.expected)) << c.text << " gave " << v.ToText();
        EXPECT_TRUE(parser_.LastResult().SameAs(v)) << c.text;
    }
}

TEST_F(ComponentTest, HandlerDoneWinsOverUserFunction) {
    Install(Value::FromText("mine"), true);
    EXPECT_TRUE(Evaluate("PI").SameAs(Value::FromText("mine")));
}

TEST_F(ComponentTest, HandlerNotDoneYieldsToUserFunction) {
    Install(Value::FromText("mine"), false);
    EXPECT_DOUBLE_EQ(Evaluate("PI").DoublePayload(), 3.14);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_TRUE(seen_[0].Preset.SameAs(Value::FromText("PI")));
}

TEST_F(ComponentTest, HandlerSeesPresetWithoutBrackets) {
    Install(Value(), false); // leaves Value alone, Done false
    EXPECT_TRUE(Evaluate("[abc]").SameAs(Value::FromText("abc")));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].Eval, "[abc]");
    EXPECT_TRUE(seen_[0].Preset.SameAs(Value::FromText("abc")));
}

TEST_F(ComponentTest, ProcessBeforeEventTriesUserFunctionsFirst) {
    parser_.ProcessBeforeEvent = true;
    Install(Value::FromText("mine"), false);
    EXPECT_DOUBLE_EQ(Evaluate("PI").DoublePayload(), 3.14);
    EXPECT_TRUE(seen_.empty()); // a user function: the handler is not asked

    // Another word: the handler sees the raw word and wins whatever Done says.
    Install(Value(), false);
    EXPECT_TRUE(Evaluate("[abc]").SameAs(Value::FromText("[abc]")));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_TRUE(seen_[0].Preset.SameAs(Value::FromText("[abc]")));
    Install(Value::FromText("mine"), false);
    EXPECT_TRUE(Evaluate("x").SameAs(Value::FromText("mine")));
}

TEST_F(ComponentTest, HandlerArguments) {
    Install(Value::FromInteger(1), true);
    Evaluate("f(1, 2)");
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].Eval, "f");
    EXPECT_EQ(seen_[0].ArgCount, 11);
    EXPECT_FALSE(seen_[0].IsChild);
    EXPECT_TRUE(seen_[0].Args[0].SameAs(Value::FromDouble(1)));
    EXPECT_TRUE(seen_[0].Args[1].SameAs(Value::FromDouble(2)));
    for (std::size_t i = 2; i < seen_[0].Args.size(); ++i)
        EXPECT_TRUE(seen_[0].Args[i].IsEmpty()) << i;

    seen_.clear();
    Evaluate("x = 1");
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].Eval, "x");
    EXPECT_TRUE(seen_[0].IsChild);
    for (const Value& arg : seen_[0].Args) EXPECT_TRUE(arg.IsEmpty());
}

TEST_F(ComponentTest, ParsesOnceAndFollowsTextChanges) {
    Install(Value::FromDouble(2), true);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(Evaluate("x * 3").DoublePayload(), 6);
    EXPECT_DOUBLE_EQ(Evaluate("x * 4").DoublePayload(), 8);
    EXPECT_EQ(seen_.size(), 4u);
}

TEST_F(ComponentTest, ParseErrorsRepeatAndKeepLastResult) {
    EXPECT_DOUBLE_EQ(Evaluate("1 + 1").DoublePayload(), 2);
    for (int i = 0; i < 2; ++i) {
        try {
            Evaluate("(a + b");
            ADD_FAILURE() << "no error";
        } catch (const EQzIParseException& e) {
            EXPECT_EQ(e.Message(), "Compile error: syntax fault.");
        }
        EXPECT_DOUBLE_EQ(parser_.LastResult().DoublePayload(), 2);
    }
    EXPECT_THROW(Evaluate(std::string("a\0b", 3)), EQzIParseException);
}

TEST_F(ComponentTest, HandlerMayReevaluateDuringEvaluation) {
    parser_.OnEvaluate = [this](TQzIParser* sender, const std::string& eval, const ArgumentSlots&,
                                std::int32_t, bool, Value& value, bool& done) {
        done = true;
        if (eval == "outer") {
            sender->Text = "inner + 1";
            value = sender->Evaluate();
        } else {
            value = Value::FromDouble(41);
        }
    };
    EXPECT_DOUBLE_EQ(Evaluate("outer * 1").DoublePayload(), 42);
}

TEST_F(ComponentTest, UserFunctions) {
    TQzIParserFunctions& functions = GlobalFunctions();
    const std::int32_t before = functions.Count();
    functions.Add("SQ(x)=x*x");
    functions.Add("AVG2(a, b)=(a+b)/2");
    functions.Add("BAD(x)=(x");
    functions.Add("OTHER(x)=SQ(x)");

    EXPECT_DOUBLE_EQ(Evaluate("SQ(3)").DoublePayload(), 9);
    EXPECT_DOUBLE_EQ(Evaluate("sq(SQ(2))").DoublePayload(), 16);
    EXPECT_DOUBLE_EQ(Evaluate("SQ(2) + SQ(3)").DoublePayload(), 13);
    EXPECT_DOUBLE_EQ(Evaluate("AVG2(1, 4)").DoublePayload(), 2.5);
    for (int i = 0; i < 2; ++i) EXPECT_THROW(Evaluate("BAD(1)"), EQzIParseException);
    // Inside a body only parameters have values: SQ is not called there and
    // its word keeps its text.
    EXPECT_TRUE(Evaluate("OTHER(2)").SameAs(Value::FromText("SQ")));

    while (functions.Count() > before) functions.Delete(functions.Count() - 1);
}

TEST(UserFunction, GlobalPi) {
    TQzIParserFunction* pi = GlobalFunctions().FindByName("pi");
    ASSERT_NE(pi, nullptr);
    EXPECT_EQ(pi->Definition(), "PI=3.14");
    EXPECT_EQ(pi->Name(), "PI");
    EXPECT_EQ(pi->Body(), "3.14");
    EXPECT_EQ(pi->Description, "PI value");
    EXPECT_EQ(pi->Category, "Constants");
    EXPECT_EQ(pi->Group, "<All>");
    EXPECT_EQ(pi->ParamCount(), 0);
    EXPECT_EQ(GlobalFunctions().FindByName("[PI]"), nullptr);
}

TEST(UserFunction, AcceptedHeaders) {
    struct Case {
        const char* definition;
        const char* name;
        std::vector<std::string> params;
        const char* body;
    };
    const std::vector<Case> cases{
        {"PI=3.14", "PI", {}, "3.14"},
        {"SQ(x)=x*x", "SQ", {"x"}, "x*x"},
        {"AVG2(a, b)=(a+b)/2", "AVG2", {"a", "b"}, "(a+b)/2"},
        {"F(x y)=1", "F", {"xy"}, "1"},
        {"F(x)junk=1", "F", {"x"}, "1"}, // tokens after ")" are not read
        {"F()=1", "F", {}, "1"},
        {"F(,x)=1", "F", {"x"}, "1"},
        {"F=a=b", "F", {}, "a=b"},
        {"NoEquals", "", {}, ""},
    };
    for (const auto& c : cases) {
        TQzIParserFunction f;
        f.SetDefinition(c.definition);
        EXPECT_EQ(f.Definition(), c.definition);
        EXPECT_EQ(f.Name(), c.name) << c.definition;
        EXPECT_EQ(f.Params(), c.params) << c.definition;
        EXPECT_EQ(f.ParamCount(), std::int32_t(c.params.size())) << c.definition;
        EXPECT_EQ(f.Body(), c.body) << c.definition;
    }
}

TEST(UserFunction, RejectedHeaders) {
    struct Case {
        const char* definition;
        const char* message;
    };
    const std::vector<Case> cases{
        {"F(x+y)=1", "Function parse error: delimitor \",\" expected between arguments."},
        {"F(x=1", "Function header \"F(x\" is not valid."},
        {"F)x(=1", "Function header \"F)x(\" is not valid."},
        {"F((x)=1", "Function header \"F((x)\" is not valid."},
        {"=1", "Function \"=1\" is not valid."},
        {"1=1", "Function \"1=1\" is not valid."},
        {"F(a,b,c,d,e,f,g,h,i,j,k,l)=1", "Function parse error: too many arguments."},
    };
    for (const auto& c : cases) {
        TQzIParserFunctions list;
        try {
            list.Add(c.definition);
            ADD_FAILURE() << c.definition;
        } catch (const EQzIParseException& e) {
            EXPECT_EQ(e.Message(), c.message) << c.definition;
        }
        EXPECT_EQ(list.Count(), 0) << c.definition;
    }
}

TEST(UserFunction, ListOperations) {
    TQzIParserFunctions list;
    list.Add("A=1");
    list.Add("B=2");
    list.Add("a=3");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.FindByName("A"), list.Get(0));
    EXPECT_EQ(list.FindByName("b"), list.Get(1));
    EXPECT_EQ(list.Get(3), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    list.Delete(0);
    EXPECT_EQ(list.FindByName("A"), list.Get(1));
    EXPECT_THROW(list.Delete(5), EListError);
}

TEST(UserFunction, BodyFollowsRedefinition) {
    TQzIParserFunction f;
    f.SetDefinition("F(x)=x+1");
    f.SetArguments(ArgumentSlots{Value::FromDouble(1)});
    Value v;
    f.Evaluate(v);
    EXPECT_DOUBLE_EQ(v.DoublePayload(), 2);
    f.SetDefinition("F(x)=x*10");
    f.Evaluate(v);
    EXPECT_DOUBLE_EQ(v.DoublePayload(), 10);
}

} // namespace
} // namespace ostrane
