// Building trees: precedence by table order, ties to the leftmost, calls,
// unary operators, syntax errors and the nesting limit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "expression/Tokenizer.h"
#include "expression/Tree.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

// A tokenizer and the tree built from its tokens (the tree goes first).
struct Parsed {
    TExpParser parser;
    std::unique_ptr<TExpNode> root;
};

std::unique_ptr<Parsed> Parse(std::string_view text) {
    auto parsed = std::make_unique<Parsed>();
    TokenizeAll(parsed->parser, text);
    std::vector<TExpToken*> tokens;
    for (const auto& t : parsed->parser.Tokens()) tokens.push_back(t.get());
    parsed->root = std::make_unique<TExpNode>(nullptr, std::move(tokens), nullptr);
    parsed->root->Build();
    return parsed;
}

// "_" empty, a leaf by its text, "(op left right)" or "(op operand)" for
// operators, "name[arg;arg]" for calls.
std::string Shape(const TExpNode& node) {
    if (node.Token() == nullptr) return "_";
    const std::string& text = node.Token()->Text;
    if (node.ChildCount() == 0) return text;
    std::string out;
    const bool call = node.Token()->Kind == tkWord;
    out += call ? text + "[" : "(" + text + " ";
    for (int i = 0; i < node.ChildCount(); ++i) {
        if (i > 0) out += call ? ";" : " ";
        out += Shape(*node.Child(i));
    }
    out += call ? "]" : ")";
    return out;
}

std::string ShapeOf(std::string_view text) {
    return Shape(*Parse(text)->root);
}

std::string ErrorOf(std::string_view text) {
    try {
        Parse(text);
    } catch (const EQzIParseException& e) {
        return e.Message();
    }
    return "no error";
}

struct Case {
    std::string text;
    std::string expected;
};

class TreeTest : public ::testing::Test {
protected:
    ScopedFormatSettings guard_{CLocaleProfile()};
    void ExpectShapes(const std::vector<Case>& cases) {
        for (const auto& c : cases) EXPECT_EQ(ShapeOf(c.text), c.expected) << c.text;
    }
    void ExpectErrors(const std::vector<Case>& cases) {
        for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.expected) << c.text;
    }
};

TEST_F(TreeTest, PrecedenceIsTableOrderWithTiesToTheLeftmost) {
    ExpectShapes({
        {"10 - 4 - 3", "(- 10 (- 4 3))"},
        {"2 + 1 = 3", "(+ 2 (= 1 3))"},
        {"(2 + 1) = 3", "(= (+ 2 1) 3)"},
        {"(a) AND (b) OR (c)", "(AND a (OR b c))"},
        {"x + y * z", "(+ x (* y z))"},
        {"x * y + z", "(+ (* x y) z)"},
        {"x - y + z", "(+ (- x y) z)"},
        {"x / y / z", "(/ x (/ y z))"},
        {"x ^ y ^ z", "(^ x (^ y z))"},
        {"x + y > 10", "(+ x (> y 10))"},
        {"(x + y) > 10", "(> (+ x y) 10)"},
        {"x=-1", "(=- x 1)"}, // rank 0 splits first
        {"a <= b", "(<= a b)"},
    });
}

TEST_F(TreeTest, ParenthesesLeavesAndEmptyOperands) {
    ExpectShapes({
        {"", "_"},
        {"x", "x"},
        {"(x)", "x"},
        {"((x))", "x"},
        {"()", "_"},
        {"(())", "_"},
        {"((a+b))", "(+ a b)"},
        {"(a)+(b)", "(+ a b)"},
        {"(()", "("}, // the first "(" never closes before the end
        {"-5", "(- _ 5)"},
        {"5-", "(- 5 _)"},
    });
}

TEST_F(TreeTest, FunctionCalls) {
    ExpectShapes({
        {"a = f(1, 2)", "(= a f[1;2])"},
        {"f((x), y)", "f[x;y]"},
        {"f(a, b + 1, g(c))", "f[a;(+ b 1);g[c]]"},
        {"f(a,)", "f[a]"},
        {"f(a, ,b)", "f[a;_;b]"},
        {"f(a,,b)", "f[a;b]"}, // ",," is one comma token
        {"f(,)", "f[_]"},
        {"f(x) + 1", "(+ f[x] 1)"},
    });
}

// The words without arguments, "index:preset" in the order they are numbered.
void ListWords(const TExpNode& node, std::vector<std::string>& out) {
    if (node.WordIndex() >= 0)
        out.push_back(std::to_string(node.WordIndex()) + ":" + std::string(node.Preset()));
    for (int i = 0; i < node.ChildCount(); ++i) ListWords(*node.Child(i), out);
}

TEST_F(TreeTest, WordsWithoutArgumentsAreNumberedAsWritten) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"[CITY]", {"0:CITY"}},
        {"TRIM([CITY]) = Paris", {"0:CITY", "1:Paris"}},
        {"(a) AND (b) OR ([c]] + NOW)", {"0:a", "1:b", "2:c]"}},
        {"f(x, g(y), 1) - [", {"0:x", "1:y", "2:"}},
        {"\"q\" + 'r' + 2", {"0:\"q\"", "1:'r'"}},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> words;
        ListWords(*Parse(text)->root, words);
        EXPECT_EQ(words, expected) << text;
    }
}

TEST_F(TreeTest, NotIsPrefixAndFactorialPostfix) {
    ExpectShapes({
        {"NOT (a)", "(NOT a)"},
        {"not(a)", "(not a)"},
        {"(a) AND (NOT (b))", "(AND a (NOT b))"},
        {"NOT (a) AND (b)", "(AND (NOT a) b)"},
        {"x = NOT(y)", "(= x (NOT y))"},
        {"NOT ()", "(NOT _)"},
        {"5!", "(! 5)"},
        {"5! + 1", "(+ (! 5) 1)"},
        {"1 + 5!", "(+ 1 (! 5))"},
        {"2 ^ 3!", "(^ 2 (! 3))"},
        {"(5!)!", "(! (! 5))"},
        {"(2 + 1)!", "(! (+ 2 1))"},
    });
}

TEST_F(TreeTest, SyntaxErrors) {
    const std::string syntax = "Compile error: syntax fault.";
    const std::string mismatch = "Compile error: parenthesis mismatch.";
    const std::string function = "Function parse error.";
    ExpectErrors({
        {"1 2", syntax},
        {"(a + b", syntax},
        {"f()", syntax},
        {"a) + (b", mismatch},
        {"f(a)(b)", function},
        {"(a) NOT (b)", syntax}, // NOT only as the first token
        {"!5", syntax},          // "!" only as the last token
        {"5 ! 3", syntax},
        {"f()(x) + (1 2)", syntax}, // the right operand is built first
        {"(1 2) + f()(x)", function},
    });
}

std::string Repeat(std::string_view s, int n) {
    std::string out;
    out.reserve(s.size() * std::size_t(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST_F(TreeTest, NestingIsLimitedTo256Levels) {
    const std::string tooDeep = "Compile error: expression too deeply nested.";
    const auto nots = [](int n) { return Repeat("NOT(", n) + "1" + Repeat(")", n); };
    const auto sums = [](int n) { return Repeat("1+", n) + "1"; };
    const auto calls = [](int n) { return Repeat("f(", n) + "1" + Repeat(")", n); };
    EXPECT_EQ(Parse(nots(256))->root->Child(0)->Depth(), 2);
    EXPECT_EQ(ErrorOf(nots(256)), "no error");
    EXPECT_EQ(ErrorOf(nots(257)), tooDeep);
    EXPECT_EQ(ErrorOf(sums(256)), "no error");
    EXPECT_EQ(ErrorOf(sums(257)), tooDeep);
    EXPECT_EQ(ErrorOf(calls(256)), "no error");
    EXPECT_EQ(ErrorOf(calls(257)), tooDeep);
    // Parentheses that are stripped add no level.
    EXPECT_EQ(ErrorOf("(((((" + sums(256) + ")))))"), "no error");
}

// Each level costs one pass over its tokens and there are at most 256 of
// them, so these finish in about a second.
TEST_F(TreeTest, HugeExpressionsAreHandledOrRejected) {
    const std::string tooDeep = "Compile error: expression too deeply nested.";
    // Plain parentheses strip in one pass.
    EXPECT_EQ(ShapeOf(Repeat("(", 100000) + "x" + Repeat(")", 100000)), "x");
    EXPECT_EQ(ShapeOf(Repeat("(", 100000) + "a+b" + Repeat(")", 100000)), "(+ a b)");
    // Operators nested 10,000 deep.
    EXPECT_EQ(ErrorOf(Repeat("(1+", 10000) + "1" + Repeat(")", 10000)), tooDeep);
    EXPECT_EQ(ErrorOf(Repeat("NOT(", 10000) + "1" + Repeat(")", 10000)), tooDeep);
    // About 1 MB of flat text.
    EXPECT_EQ(ErrorOf(Repeat("1+", 500000) + "1"), tooDeep);
    EXPECT_EQ(Parse("f(" + Repeat("1,", 300000) + "1)")->root->ChildCount(), 300001);
    EXPECT_EQ(ErrorOf(Repeat("(", 100000) + "x"), "Compile error: syntax fault.");
    EXPECT_EQ(ErrorOf("x" + Repeat(")", 100000)), "Compile error: parenthesis mismatch.");
}

} // namespace
} // namespace ostrane
