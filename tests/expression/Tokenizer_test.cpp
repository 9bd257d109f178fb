// The tokenizer: character classes, word joining, quoted runs, operators.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "expression/Tokenizer.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

using Tok = std::pair<std::string, TExpTokenKind>;
using Toks = std::vector<Tok>;

Toks Tokenize(std::string_view text) {
    TExpParser parser;
    TokenizeAll(parser, text);
    Toks result;
    for (const auto& t : parser.Tokens()) result.emplace_back(t->Text, t->Kind);
    return result;
}

Tok W(std::string s) {
    return {std::move(s), tkWord};
}
Tok N(std::string s) {
    return {std::move(s), tkNumber};
}
Tok O(std::string s) {
    return {std::move(s), tkOperator};
}
Tok P(std::string s) {
    return {std::move(s), tkParen};
}
Tok C() {
    return {",", tkComma};
}

struct Case {
    std::string text;
    Toks expected;
};

void RunTable(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Tokenize(c.text), c.expected);
    }
}

class TokenizerTest : public ::testing::Test {
protected:
    ScopedFormatSettings guard_{CLocaleProfile()};
};

TEST_F(TokenizerTest, WordsJoinAcrossSpaces) {
    RunTable({
        {"x = 1 AND y = 2", {W("x"), O("="), N("1"), W("ANDy"), O("="), N("2")}},
        {"a b", {W("ab")}},
        {"NOT x", {W("NOTx")}},
        {"(x = 1) AND (y = 2)",
         {P("("), W("x"), O("="), N("1"), P(")"), O("AND"), P("("), W("y"), O("="), N("2"),
          P(")")}},
        {"(x)or(y)", {P("("), W("x"), P(")"), O("or"), P("("), W("y"), P(")")}},
        {"(x) AND", {P("("), W("x"), P(")"), W("AND")}}, // no lookup at the end
        {"  x  ", {W("x")}},
        {"a\tb", {W("a\tb")}},
        {"Field1", {W("Field1")}},
        {"T.Name", {W("T.Name")}},
        {"A1.5", {W("A1.5")}},
    });
}

TEST_F(TokenizerTest, NumbersAndOperators) {
    RunTable({
        {"1E5", {N("1"), W("E5")}},
        {"12AB", {N("12"), W("AB")}},
        {"1.2.3", {N("1.2.3")}},
        {"1,5", {N("1"), C(), N("5")}},
        {"a<=b", {W("a"), O("<="), W("b")}},
        {"x=-1", {W("x"), O("=-"), N("1")}},
        {"-1", {O("-"), N("1")}},
        {"1 - 2", {N("1"), O("-"), N("2")}},
        {"((", {P("("), P("(")}},
        {"f(a,b)", {W("f"), P("("), W("a"), C(), W("b"), P(")")}},
        {"5!", {N("5"), O("!")}},
    });
}

TEST_F(TokenizerTest, QuotedRuns) {
    RunTable({
        {"[First Name]=1", {W("[First Name]"), O("="), N("1")}},
        {"'it''s'", {W("'it''s'")}},
        {"'AND'", {W("'AND'")}},
        {"[abc'", {W("[abc'")}},
        {"'never closed", {W("'never closed")}},
        {"'a'b c", {W("'a'bc")}},
        {std::string("'a\0b'", 5), {W(std::string("'a\0b'", 5))}},
        {"SUBSTITUTE(Sex, 'M;F', 'Male;Female')",
         {W("SUBSTITUTE"), P("("), W("Sex"), C(), W("'M;F'"), C(), W("'Male;Female'"), P(")")}},
    });
}

TEST_F(TokenizerTest, EmptyTextsGiveNoTokens) {
    RunTable({{"", {}}, {" \t\r\n ", {}}});
    TExpParser parser;
    parser.SetText("  ");
    EXPECT_EQ(parser.FirstToken(), nullptr);
}

TEST_F(TokenizerTest, NulIsIllegalWhereATokenStarts) {
    TExpParser parser;
    const std::string text("ab\0cd", 5);
    try {
        TokenizeAll(parser, text);
        FAIL() << "no error";
    } catch (const EQzIParseException& e) {
        EXPECT_EQ(e.Message(),
                  std::string("Parse error: illegal character \"") + '\0' + "\" at position 3.");
    }
    ASSERT_EQ(parser.Tokens().size(), 1u); // the tokens read so far stay
    EXPECT_EQ(parser.Tokens()[0]->Text, "ab");

    // Positions count in the trimmed text.
    try {
        TokenizeAll(parser, std::string("  (\0)", 5));
        FAIL() << "no error";
    } catch (const EQzIParseException& e) {
        EXPECT_NE(e.Message().find("at position 2."), std::string::npos);
    }
}

TEST_F(TokenizerTest, OperatorTableLookup) {
    EXPECT_EQ(IndexOfText("+"), 1);
    EXPECT_EQ(IndexOfText("and"), 14);
    EXPECT_EQ(IndexOfText("Not"), 16);
    EXPECT_EQ(IndexOfText("=-"), 0);
    EXPECT_EQ(OperandCountOf("!"), 1);
    EXPECT_EQ(OperandCountOf("or"), 2);
    EXPECT_EQ(OperandCountOf("=-"), 0);
    EXPECT_EQ(ClassifyText('E'), tkWord);
    EXPECT_EQ(ClassifyText('.'), tkNumber);
    EXPECT_EQ(ClassifyText('\0'), tkIllegal);
    EXPECT_EQ(ClassifyText('\x80'), tkWord);
}

TEST_F(TokenizerTest, TheDecimalSeparatorIsANumberCharacter) {
    FormatSettings settings = CLocaleProfile();
    settings.DecimalSeparator = ',';
    {
        ScopedFormatSettings guard(settings);
        RunTable({{"1,5", {N("1"), C(), N("5")}}});
    }
    settings.DecimalSeparator = ';';
    ScopedFormatSettings guard(settings);
    RunTable({{"1;5", {N("1;5")}}, {"a;b", {W("a;b")}}});
    EXPECT_EQ(ClassifyText(';'), tkNumber);
}

} // namespace
} // namespace ostrane
