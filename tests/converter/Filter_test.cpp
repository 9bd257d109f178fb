// The filter switch end to end: field names, quoted texts, SUBSTITUTE, user
// functions, and the errors a filter can stop a run with.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "converter/FilterBridge.h"
#include "converter/Run.h"
#include "expression/Component.h"
#include "platform/AsciiCase.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/Conversion.h"
#include "support/Process.h"
#include "support/TableBuilder.h"

namespace ostrane::test {
namespace {

// Converts the table into out.txt beside it.
Conversion ConvertToOut(const TempDir& dir, const std::string& table,
                        const std::vector<std::string>& switches) {
    return Convert(table, dir.File("out.txt"), switches);
}

// CITY C(10), STATUS C(1), NOTE C(5): Oslo/B/blank, Bergen/A/x, Oslo/D/y.
std::string Cities(const TempDir& dir) {
    return TableBuilder(0x03)
        .Field("CITY", 'C', 10)
        .Field("STATUS", 'C', 1)
        .Field("NOTE", 'C', 5)
        .Row({"Oslo", "B", ""})
        .Row({"Bergen", "A", "x"})
        .DeletedRow({"Oslo", "C", "z"})
        .Row({"Oslo", "D", "y"})
        .Write(dir.Path(), "cities.dbf");
}

TEST(Filter, SelectsRecordsByWordsOfTheRecord) {
    struct Case {
        std::string filter;
        std::string lines;
    };
    const std::string oslo1 = "Oslo      \tB\t\r\n", bergen = "Bergen    \tA\tx    \r\n",
                      oslo3 = "Oslo      \tD\ty    \r\n";
    const Case cases[] = {
        // A bare word that is no field stands for its own text.
        {"TRIM([CITY]) = Oslo", oslo1 + oslo3},
        {"TRIM(city) = \"Oslo\"", oslo1 + oslo3},
        // The field keeps its trailing blanks.
        {"[CITY] = Oslo", ""},
        // Single quotes stay part of the text.
        {"TRIM([CITY]) = 'Oslo'", ""},
        {"1=1", oslo1 + bergen + oslo3},
        {"(TRIM([CITY]) = Bergen) OR ([STATUS] = D)", bergen + oslo3},
        // PI is a user function (3.14) when no field is named so.
        {"PI > 3", oslo1 + bergen + oslo3},
        // [PI] is not looked up as a function: it is the text PI.
        {"[PI] = \"PI\"", oslo1 + bergen + oslo3},
        {"SUBSTITUTE(TRIM([STATUS]), \"A;B;C\", \"Active;Blocked;Closed\") = Blocked", oslo1},
        // The values list has no second entry: B gives Null.
        {"ISNULL(SUBSTITUTE([STATUS], \"A;B\", \"One\"))", oslo1 + oslo3},
        // Keys keep leading blanks: the second key is " B".
        {"ISNULL(SUBSTITUTE([STATUS], \"A; B\", \"x;y\"))", oslo1 + oslo3},
    };
    TempDir dir;
    const std::string table = Cities(dir);
    for (const Case& c : cases) {
        Conversion out = ConvertToOut(dir, table, {"/FILTER=" + c.filter});
        EXPECT_EQ(out.Process.ExitCode, 0) << c.filter << "\n" << out.Process.Stdout;
        EXPECT_EQ(out.Target, c.lines) << c.filter;
    }
}

TEST(Filter, AFieldNamedPiWinsOverTheFunction) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("PI", 'N', 3)
                                  .Row({"  1"})
                                  .Row({"  5"})
                                  .Write(dir.Path(), "pi.dbf");
    Conversion out = ConvertToOut(dir, table, {"/FILTER=pi > 3"});
    EXPECT_EQ(out.Process.ExitCode, 0);
    EXPECT_EQ(out.Target, "5\r\n");
}

TEST(Filter, ErrorsStopTheRunAfterTheHeaderLine) {
    struct Case {
        std::string filter;
        std::string error;
    };
    const Case cases[] = {
        // The first record's NOTE is blank: Null has no truth value.
        {"[NOTE]", "EVariantError: Invalid variant type conversion"},
        {"CITY", "EVariantError: Invalid variant type conversion"},
        {"(a + b", "EQzIParseException: Compile error: syntax fault."},
    };
    TempDir dir;
    const std::string table = Cities(dir);
    for (const Case& c : cases) {
        Conversion out = ConvertToOut(dir, table, {"/H", "/FILTER=" + c.filter});
        EXPECT_EQ(out.Process.ExitCode, 1) << c.filter;
        EXPECT_EQ(out.Process.Stdout.rfind(c.error, 0), 0u) << out.Process.Stdout;
        EXPECT_EQ(out.Target, "CITY\tSTATUS\tNOTE\r\n") << c.filter;
    }
}

TEST(Filter, NotEvaluatedWithoutDeliveredRecords) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("CITY", 'C', 10)
                                  .DeletedRow({"Oslo"})
                                  .Write(dir.Path(), "deleted.dbf");
    Conversion out = ConvertToOut(dir, table, {"/H", "/FILTER=(a + b"});
    EXPECT_EQ(out.Process.ExitCode, 0) << out.Process.Stdout;
    EXPECT_EQ(out.Target, "CITY\r\n");
}

// A value or an error, as one comparable line.
std::string Described(const std::function<Value()>& evaluate) {
    try {
        const Value v = evaluate();
        return std::to_string(int(v.Kind())) + ":" + v.ToText();
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message();
    }
}

// The general resolution of a filter word, by name through the component's
// event on every evaluation: a field's value, a double-quoted text, or the
// word's own text (Null when empty) that a user function may still replace.
void ResolveByName(const TA& ta, const std::vector<std::string>& upperNames, Value& value,
                   bool& done) {
    std::string word = value.ToText();
    if (!word.empty()) {
        StripEnclosing('[', ']', word);
        if (StripEnclosing('"', '"', word)) return value.SetText(word);
    }
    const std::string upper = UpperCaseAscii(word);
    for (std::size_t i = 0; i < upperNames.size(); ++i) {
        if (upperNames[i] != upper) continue;
        done = true;
        value = FieldValue(ta, std::int32_t(i));
        return;
    }
    word.empty() ? value.SetNull() : value.SetText(word);
}

TEST(Filter, WordsResolvedOnceGiveWhatResolvingByNameGives) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("CITY", 'C', 20)
                                  .Field("AMOUNT", 'N', 9, 2)
                                  .Field("ID", 'N', 3)
                                  .Field("FLAG", 'L', 1)
                                  .Field("PI", 'C', 3)
                                  .Row({"  Paris", "  5000.50", "  1", "T", "x"})
                                  .Row({"Saint-Jean-de-Luz  ", "   -12.00", "  0", "F", ""})
                                  .Row({"", "", "", "?", "3"})
                                  .Row({"Paris", "999999.99", "  7", "T", "abc"})
                                  .Write(dir.Path(), "mixed.dbf");
    const std::vector<std::string> upperNames{"CITY", "AMOUNT", "ID", "FLAG", "PI"};
    const std::string filters[] = {
        "TRIM([CITY]) = Paris",
        "(TRIM([CITY]) = Paris) AND ([AMOUNT] > 5000)",
        "TRIMLEFT(city) + TRIMRIGHT([CITY]) + \"|\"",
        "LENGTH(CITY) * 2 - [ID]",
        "UPPER(TRIM(CITY)) = PARIS",
        "[AMOUNT] / [ID]",
        "AMOUNT ^ 2 > AMOUNT",
        "[FLAG] = 1",
        "NOT [FLAG]",
        "[PI] + PI + [pi]",
        "PI",
        "nothing + \"quoted\" + [] + 'single'",
        "IIF([ID] > 0, CITY, AMOUNT)",
        "CITY > AMOUNT",
        "MAX(AMOUNT, ID, 3) + MIN(ID, AMOUNT)",
        "Paris = TRIM(city) OR Paris",
        "[CITY] + [CITY] = CITY + CITY",
        "LENGTH([PI]) + ORD(CITY) + UNKNOWN(CITY)",
        "(a + b",
        "ISNULL([CITY]) AND ISNULL(nothing)",
    };
    for (const bool fillRow : {true, false}) {
        FileStream source(table, FileStream::Mode::OpenRead);
        TA ta;
        ta.FillRow = fillRow;
        ta.Open(source, table);
        for (const std::string& filter : filters) {
            ta.SetFilter(filter);
            TQzIParser general;
            general.Text = filter;
            general.OnEvaluate = [&](TQzIParser*, const std::string&, const ArgumentSlots&,
                                     std::int32_t, bool, Value& value,
                                     bool& done) { ResolveByName(ta, upperNames, value, done); };
            for (std::int32_t i = 0; i < 4; ++i) {
                ASSERT_TRUE(ta.LoadRecord(i));
                const std::string once = Described([&] { return EvaluateFilter(ta, filter); });
                const std::string byName = Described([&] { return general.Evaluate(); });
                EXPECT_EQ(once, byName) << filter << " record " << i << " row " << fillRow;
            }
        }
    }
}

TEST(Filter, StripEnclosing) {
    struct Case {
        std::string text;
        bool stripped;
        std::string result;
    };
    const Case cases[] = {
        {"[abc]", true, "abc"}, {"[abc", false, "[abc"}, {"", false, ""},
        {"\"", true, ""},       {"[]", true, ""},        {"a]", false, "a]"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        const char open = c.text == "\"" ? '"' : '[';
        const char close = c.text == "\"" ? '"' : ']';
        EXPECT_EQ(StripEnclosing(open, close, text), c.stripped) << c.text;
        EXPECT_EQ(text, c.result) << c.text;
    }
}

} // namespace
} // namespace ostrane::test
