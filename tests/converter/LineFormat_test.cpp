#include "converter/LineFormat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter/ConvertSettings.h"
#include "platform/Exceptions.h"

namespace ostrane {
namespace {

// Field texts given up front.
class FixedTexts : public FieldTextSource {
public:
    explicit FixedTexts(std::vector<std::string> texts) : texts_(std::move(texts)) {}
    void AppendFieldText(std::size_t i, std::string& out) const override { out += texts_.at(i); }

private:
    std::vector<std::string> texts_;
};

// NAME C(10), AGE N(3), OK L(1) holding Smith, 42, true.
const std::vector<FieldDescriptor> SmithFields{{"NAME", 'C', 10}, {"AGE", 'N', 3}, {"OK", 'L', 1}};
const FixedTexts SmithRecord({"Smith     ", "42", "1"});

struct Lines {
    std::string Header, Type, Record;
};

Lines Build(const ConvertSettings& settings,
            const std::vector<FieldDescriptor>& fields = SmithFields,
            const FieldTextSource& values = SmithRecord) {
    LineFormatter formatter(fields, settings);
    Lines lines;
    formatter.BuildHeaderLine(lines.Header);
    formatter.BuildTypeLine(lines.Type);
    formatter.BuildRecordLine(lines.Record, values);
    return lines;
}

ConvertSettings With(void (*change)(ConvertSettings&)) {
    ConvertSettings settings;
    change(settings);
    return settings;
}

TEST(LineFormat, SmithExampleUnderEachSwitch) {
    struct Case {
        const char* Title;
        ConvertSettings Settings;
        Lines Expected;
    };
    const Case cases[] = {
        {"defaults", {}, {"NAME\tAGE\tOK", "S\tN\tL", "Smith     \t42\t1"}},
        {"fields age;ok",
         With([](ConvertSettings& s) { s.FieldList = "age;ok;"; }),
         {"AGE\tOK", "N\tL", "42\t1"}},
        {"fields name;ok",
         With([](ConvertSettings& s) { s.FieldList = "name;ok;"; }),
         {"NAME\tOK", "S\tL", "Smith     \t1"}},
        {"fields ok only", With([](ConvertSettings& s) { s.FieldList = "ok;"; }), {"OK", "L", "1"}},
        {"fixed",
         With([](ConvertSettings& s) { s.FixedWidth = true; }),
         {"NAME      \tAGE\tOK", "S         \tN  \tL ", "Smith     \t 42\t1 "}},
        {"qualifier",
         With([](ConvertSettings& s) { s.Qualifier = "\""; }),
         {"\"NAME\"\t\"AGE\"\t\"OK\"", "\"S\"\t\"N\"\t\"L\"", "\"Smith     \"\t\"42\"\t\"1\""}},
        {"fixed and qualifier",
         With([](ConvertSettings& s) {
             s.FixedWidth = true;
             s.Qualifier = "'";
         }),
         {"'NAME      '\t'AGE'\t'OK'", "'S         '\t'N  '\t'L '", "'Smith     '\t' 42'\t'1 '"}},
        {"no delimiter",
         With([](ConvertSettings& s) { s.Delimiter = NoneMark; }),
         {"NAMEAGEOK", "SNL", "Smith     421"}},
        {"empty delimiter",
         With([](ConvertSettings& s) { s.Delimiter = ""; }),
         {"NAMEAGEOK", "SNL", "Smith     421"}},
        {"two-byte delimiter",
         With([](ConvertSettings& s) { s.Delimiter = "ab"; }),
         {"NAMEabAGEabOK", "SabNabL", "Smith     ab42ab1"}},
        {"empty qualifier writes values bare",
         With([](ConvertSettings& s) { s.Qualifier = ""; }),
         {"NAME\tAGE\tOK", "S\tN\tL", "Smith     \t42\t1"}},
        {"field list matching nothing",
         With([](ConvertSettings& s) { s.FieldList = "city;"; }),
         {"", "", ""}},
    };
    for (const Case& c : cases) {
        const Lines lines = Build(c.Settings);
        EXPECT_EQ(lines.Header, c.Expected.Header) << c.Title;
        EXPECT_EQ(lines.Type, c.Expected.Type) << c.Title;
        EXPECT_EQ(lines.Record, c.Expected.Record) << c.Title;
    }
}

TEST(LineFormat, EmptyValueIsNeitherQuotedNorPaddedAway) {
    ConvertSettings settings;
    settings.Qualifier = "\"";
    EXPECT_EQ(Build(settings, SmithFields, FixedTexts({"Smith     ", "", "1"})).Record,
              "\"Smith     \"\t\t\"1\"");
    // Padding makes an empty value non-empty, so it is quoted.
    settings.FixedWidth = true;
    EXPECT_EQ(Build(settings, SmithFields, FixedTexts({"", "", "1"})).Record,
              "\"          \"\t\"   \"\t\"1 \"");
}

// Record lines against values padded and quoted one by one with the public
// helpers, over random texts, widths, qualifiers (blank, two bytes, inside
// the text) and both alignments.
TEST(LineFormat, UnmatchedFieldNamesAreTheListEntriesThatSelectNothing) {
    struct Case {
        std::string FieldList; // as stored: lower case, ";" after each entry
        std::vector<std::string> Unmatched;
    };
    const Case cases[] = {
        {"", {}},
        {"age;ok;", {}},
        {"nosuch;age;", {"nosuch"}},
        {"x;age;x;;y;", {"x", "y"}}, // each once; empty entries name nothing
        {" age;", {" age"}},         // a blank is part of the name
        {"na;", {"na"}},             // whole names only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnmatchedFieldNames(SmithFields, c.FieldList), c.Unmatched) << c.FieldList;
    }
}

TEST(LineFormat, QuotedAndPaddedFieldsMatchPaddingThenQuoting) {
    const char* qualifiers[] = {"\"", "'", " ", "ab", "aa", "x"};
    const char alphabet[] = "ab x'\"";
    std::mt19937 rng(4);
    for (int round = 0; round < 20000; ++round) {
        ConvertSettings settings;
        settings.Qualifier = qualifiers[rng() % 6];
        settings.FixedWidth = rng() % 2 == 0;
        std::vector<FieldDescriptor> fields;
        std::vector<std::string> texts;
        std::string expected;
        for (int i = 0, n = int(rng() % 4) + 1; i < n; ++i) {
            const char type = rng() % 2 ? 'C' : 'N';
            const FieldDescriptor field{"F" + std::to_string(i), type, std::uint8_t(rng() % 13)};
            std::string text(rng() % 16, ' ');
            for (char& c : text) c = alphabet[rng() % (sizeof alphabet - 1)];
            std::string padded = text;
            if (settings.FixedWidth) {
                padded = IsRightAligned(type) ? JustifyRight(text, ColumnWidth(field))
                                              : JustifyLeft(text, ColumnWidth(field));
            }
            if (i > 0) expected += '\t';
            if (!padded.empty()) expected += QuoteValue(padded, settings.Qualifier);
            fields.push_back(field);
            texts.push_back(text);
        }
        const std::string record = Build(settings, fields, FixedTexts(texts)).Record;
        ASSERT_EQ(record, expected) << "round " << round;
    }
}

TEST(LineFormat, TableWithoutFieldsGivesEmptyLines) {
    const Lines lines = Build(ConvertSettings(), {}, FixedTexts({}));
    EXPECT_EQ(lines.Header, "");
    EXPECT_EQ(lines.Type, "");
    EXPECT_EQ(lines.Record, "");
}

TEST(LineFormat, TypeLetters) {
    const std::pair<char, char> cases[] = {
        {'+', 'A'}, {'I', 'A'}, {'0', 'B'},  {'2', 'S'}, {'4', 'I'}, {'8', 'D'}, {'@', 'T'},
        {'B', 'B'}, {'C', 'S'}, {'D', 'D'},  {'F', 'N'}, {'N', 'N'}, {'G', 'O'}, {'L', 'L'},
        {'M', 'M'}, {'O', 'F'}, {'P', 'G'},  {'T', 'T'}, {'Y', 'C'}, {'Q', '<'}, {'V', '<'},
        {'W', '<'}, {'c', '<'}, {'\0', '<'}, {'X', '<'},
    };
    for (auto [type, letter] : cases) EXPECT_EQ(TypeLetter(type), letter) << type;
}

TEST(LineFormat, RightAlignedTypes) {
    for (char type : std::string_view("+248FINOY")) EXPECT_TRUE(IsRightAligned(type)) << type;
    for (char type : std::string_view("0@BCDGLMPTQVWn")) EXPECT_FALSE(IsRightAligned(type)) << type;
}

TEST(LineFormat, FixedPadsNumericTypesOnTheLeft) {
    ConvertSettings settings;
    settings.FixedWidth = true;
    const std::vector<FieldDescriptor> fields{
        {"A", 'I', 4}, {"B", 'Y', 8}, {"C", 'D', 8}, {"D", 'M', 10}, {"LONGNAME", '8', 2}};
    EXPECT_EQ(Build(settings, fields, FixedTexts({"7", "1.5", "2024", "memo", "3"})).Record,
              "   7\t     1.5\t2024    \tmemo      \t       3");
}

TEST(LineFormat, IsFieldSelected) {
    struct Case {
        const char* Name;
        const char* List;
        bool Selected;
    };
    const Case cases[] = {
        {"NAME", "", true},          {"NAME", "name;", true},
        {"Name", "age;name;", true}, {"NAME", "nam;", false},
        {"NAM", "name;", false},     {"CITY", "name; city;", false},
        {"A;B", "a;b;", true},       {"", ";", true},
        {"X", ";", false},           {"\xC4Z", "\xC4z;", true},
        {"\xC4Z", "\xE4z;", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsFieldSelected(c.Name, c.List), c.Selected) << c.Name << " in " << c.List;
}

TEST(LineFormat, ColumnWidth) {
    EXPECT_EQ(ColumnWidth({"OK", 'L', 1}), 2u);
    EXPECT_EQ(ColumnWidth({"NAME", 'C', 10}), 10u);
    EXPECT_EQ(ColumnWidth({"", 'C', 0}), 0u);
    EXPECT_EQ(ColumnWidth({"X", 'C', 255}), 255u);
}

TEST(LineFormat, Justify) {
    EXPECT_EQ(JustifyLeft("ab", 4), "ab  ");
    EXPECT_EQ(JustifyRight("ab", 4), "  ab");
    EXPECT_EQ(JustifyLeft("abcdef", 4), "abcdef");
    EXPECT_EQ(JustifyRight("abcdef", 4), "abcdef");
    EXPECT_EQ(JustifyLeft("", 0), "");
    EXPECT_EQ(JustifyRight("", 3), "   ");
    EXPECT_EQ(JustifyLeft(std::string(4096, 'x'), 10).size(), 4096u);
    EXPECT_EQ(JustifyRight("x", 4096).size(), 4096u);
}

TEST(LineFormat, JustifyBeyondTheLimitFails) {
    const std::string longText(4097, 'x');
    for (bool right : {false, true}) {
        try {
            std::string text = longText;
            JustifyInPlace(text, 0, 10, right);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Format result longer than 4096 characters");
        }
    }
    EXPECT_THROW(JustifyLeft("x", 4097), EConvertError);
}

TEST(LineFormat, FixedMemoOverTheLimitFailsTheLine) {
    ConvertSettings settings;
    settings.FixedWidth = true;
    const std::vector<FieldDescriptor> fields{{"NOTE", 'M', 10}};
    std::string line;
    LineFormatter formatter(fields, settings);
    EXPECT_NO_THROW(formatter.BuildRecordLine(line, FixedTexts({std::string(4096, 'm')})));
    EXPECT_THROW(formatter.BuildRecordLine(line, FixedTexts({std::string(4097, 'm')})),
                 EConvertError);
    // Without /FIXED nothing is padded and nothing limits the length.
    LineFormatter loose(fields, ConvertSettings());
    loose.BuildRecordLine(line, FixedTexts({std::string(5000, 'm')}));
    EXPECT_EQ(line.size(), 5000u);
}

TEST(LineFormat, QuoteValue) {
    struct Case {
        std::string Text, Q, Quoted;
    };
    const Case cases[] = {
        {"O'Brien", "'", "'O''Brien'"},
        {"", "'", "''"},
        {"''", "'", "''''''"},
        {"a\"b\"", "\"", "\"a\"\"b\"\"\""},
        {"line1\r\nline2\tx", "\"", "\"line1\r\nline2\tx\""},
        {"xaby", "ab", "abxababyab"},
        {"b", "ab", "abbab"},
        // A copy inserted at p makes the text from p-1 on begin with q again.
        {"aaa", "aa", "aaaaaaaaaaa"},
        {"aab", "ab",
         "abaabab"
         "ab"},
        {"x", "", "x"},
        {std::string("a\0b", 3), std::string(1, '\0'), std::string("\0a\0\0b\0", 6)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuoteValue(c.Text, c.Q), c.Quoted) << c.Text << " with " << c.Q;
}

// CSV quotes only the values that hold the delimiter, the qualifier, CR or
// LF; header names follow the same rule.
TEST(LineFormat, QuotingOnlyWhereNeeded) {
    struct Case {
        std::string Delimiter, Qualifier;
        bool Fixed;
        std::vector<std::string> Texts;
        std::string Record;
    };
    const Case cases[] = {
        {",", "\"", false, {"Smith", "42", "1"}, "Smith,42,1"},
        {",", "\"", false, {"a,b", "", "1"}, "\"a,b\",,1"},
        {",", "\"", false, {"say \"hi\"", "x\ry", "a\nb"}, "\"say \"\"hi\"\"\",\"x\ry\",\"a\nb\""},
        {",", "\"", false, {"tab\there", "semi;colon", "'"}, "tab\there,semi;colon,'"},
        {";", "'", false, {"a,b", "c;d", "O'Neil"}, "a,b;'c;d';'O''Neil'"},
        {"ab", "\"", false, {"xaby", "a", "b"}, "\"xaby\"abaabb"},
        {NoneMark, "\"", false, {"a,b", "\"", "c"}, "a,b\"\"\"\"c"},
        // Padding first: blanks that are the delimiter make the value quoted.
        {",", "\"", true, {"Smith", "42", "1"}, "Smith     , 42,1 "},
        {" ", "\"", true, {"Smith", "42", "1"}, "\"Smith     \" \" 42\" \"1 \""},
    };
    for (const Case& c : cases) {
        ConvertSettings settings;
        settings.Delimiter = c.Delimiter;
        settings.Qualifier = c.Qualifier;
        settings.QuoteWhenNeeded = true;
        settings.FixedWidth = c.Fixed;
        EXPECT_EQ(Build(settings, SmithFields, FixedTexts(c.Texts)).Record, c.Record) << c.Record;
    }
    ConvertSettings settings;
    settings.Delimiter = ",";
    settings.Qualifier = "\"";
    settings.QuoteWhenNeeded = true;
    const std::vector<FieldDescriptor> fields{{"A,B", 'C', 3}, {"C", 'N', 2}};
    EXPECT_EQ(Build(settings, fields, FixedTexts({"x", "1"})).Header, "\"A,B\",C");
    EXPECT_EQ(Build(settings, fields, FixedTexts({"", ""})).Record, ",");
    // A lone empty value would make an empty line, which readers skip.
    const std::vector<FieldDescriptor> one{{"A", 'C', 3}};
    EXPECT_EQ(Build(settings, one, FixedTexts({""})).Record, "\"\"");
    EXPECT_EQ(Build(settings, one, FixedTexts({"x"})).Record, "x");
}

TEST(LineFormat, AppendValue) {
    ConvertSettings settings;
    LineFormatter bare({}, settings);
    std::string line = "x";
    bare.AppendValue(line, "");
    bare.AppendValue(line, "a'b");
    EXPECT_EQ(line, "xa'b");
    settings.Qualifier = "'";
    LineFormatter quoted({}, settings);
    line = "x";
    quoted.AppendValue(line, "");
    quoted.AppendValue(line, "a'b");
    EXPECT_EQ(line, "x'a''b'");
}

} // namespace
} // namespace ostrane
