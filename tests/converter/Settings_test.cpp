// Reading the switches into the settings of one conversion.
#include <gtest/gtest.h>

#include "converter/ConvertSettings.h"
#include "platform/Exceptions.h"

namespace ostrane {
namespace {

ConvertSettings Read(std::vector<std::string> switches) {
    switches.insert(switches.begin(), {"in.dbf", "out.txt"});
    return ReadSettings(switches);
}

TEST(ReadSettingsTest, DefaultsAndFileNames) {
    const ConvertSettings s = Read({});
    EXPECT_EQ(s.SourceName, "in.dbf");
    EXPECT_EQ(s.TargetName, "out.txt");
    EXPECT_FALSE(s.HeaderLine);
    EXPECT_FALSE(s.TypeLine);
    EXPECT_FALSE(s.FixedWidth);
    EXPECT_EQ(s.Delimiter, "\t");
    EXPECT_EQ(s.Qualifier, NoneMark);
    EXPECT_EQ(s.Qualifier.size(), 1u);
    EXPECT_EQ(s.RecordSeparator, "\r\n");
    EXPECT_EQ(s.FieldList, "");
    EXPECT_EQ(s.FilterText, "");
}

TEST(ReadSettingsTest, FlagSwitchesIgnoreLetterCaseAndNeedTheSlash) {
    struct Case {
        const char* Argument;
        bool Header, Type, Fixed;
    };
    const Case cases[] = {
        {"/h", true, false, false},     {"/H", true, false, false},
        {"/f", false, true, false},     {"/F", false, true, false},
        {"/Fixed", false, false, true}, {"/FIXED", false, false, true},
        {"-h", false, false, false},    {"/HX", false, false, false},
        {"/h ", false, false, false},   {"h", false, false, false},
        {"/FIX", false, false, false},  {"/fixed=1", false, false, false},
    };
    for (const Case& c : cases) {
        const ConvertSettings s = Read({c.Argument});
        EXPECT_EQ(s.HeaderLine, c.Header) << c.Argument;
        EXPECT_EQ(s.TypeLine, c.Type) << c.Argument;
        EXPECT_EQ(s.FixedWidth, c.Fixed) << c.Argument;
    }
}

TEST(ReadSettingsTest, FileNameArgumentsAreSwitchesToo) {
    const ConvertSettings s = ReadSettings({"/h", "a.dbf", "b.txt"});
    EXPECT_EQ(s.SourceName, "/h");
    EXPECT_EQ(s.TargetName, "a.dbf");
    EXPECT_TRUE(s.HeaderLine);
}

TEST(ReadSettingsTest, DelimiterAndQualifierEscapes) {
    const std::pair<const char*, std::string> cases[] = {
        {"\\9", "\t"},
        {"\\124", "|"},
        {"\\$2C", ","},
        {"\\$2c", ","},
        {"\\300", ","}, // low 8 bits of 300
        {"\\0", NoneMark},
        {"\\  65", "A"}, // leading spaces
        {"\\+59", ";"},
        {"\\-1", "\xFF"},
        {"\\$FFFFFFFF", "\xFF"},
        {"\\2147483647", "\xFF"},
        {"", ""},
        {"ab", "ab"},
        {"Ab", "Ab"}, // as typed
        {";", ";"},
        {"x\\9", "x\\9"},
    };
    for (const auto& [value, expected] : cases) {
        const ConvertSettings s =
            Read({std::string("/DELIMITER=") + value, std::string("/qualifier=") + value});
        EXPECT_EQ(s.Delimiter, expected) << value;
        EXPECT_EQ(s.Qualifier, expected) << value;
    }
}

TEST(ReadSettingsTest, BadEscapesNameTheTextAfterTheBackslash) {
    const std::pair<const char*, const char*> cases[] = {
        {"\\t", "t"},
        {"\\", ""},
        {"\\4294967296", "4294967296"},
        {"\\2147483648", "2147483648"},
        {"\\$100000000", "$100000000"},
        {"\\9 ", "9 "},
        {"\\0x1F", "0x1F"},
        {"\\-$10", "-$10"},
    };
    for (const char* name : {"/DELIMITER=", "/Qualifier="}) {
        for (const auto& [value, rest] : cases) {
            try {
                Read({std::string(name) + value});
                ADD_FAILURE() << name << value;
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), std::string("'") + rest + "' is not a valid integer value");
            }
        }
    }
}

TEST(ReadSettingsTest, RecordSeparatorChangesOnlyForCrOrLf) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"/RECORDSEPARATOR=cr"}, "\r"},
        {{"/recordseparator=LF"}, "\n"},
        {{"/RecordSeparator=Cr"}, "\r"},
        {{"/RECORDSEPARATOR=crlf"}, "\r\n"},
        {{"/RECORDSEPARATOR="}, "\r\n"},
        {{"/RECORDSEPARATOR=\\13"}, "\r\n"},
        {{"/RECORDSEPARATOR=cr", "/RECORDSEPARATOR=crlf"}, "\r"},
        {{"/RECORDSEPARATOR=cr", "/RECORDSEPARATOR=lf"}, "\n"},
        {{"/RECORDSEPARATOR=lf", "/RECORDSEPARATOR="}, "\n"},
    };
    for (const auto& [switches, expected] : cases)
        EXPECT_EQ(Read(switches).RecordSeparator, expected) << switches.back();
}

TEST(ReadSettingsTest, FieldListIsLowerCasedWithAClosingSemicolon) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"/FIELDS=Name;CITY"}, "name;city;"},
        {{"/fields=Name; City"}, "name; city;"},
        {{"/FIELDS="}, ""},
        {{"/FIELDS=a;"}, "a;;"},
        {{"/FIELDS=\xC4Z"}, "\xC4z;"}, // ASCII letters only
        {{"/FIELDS=a", "/FIELDS="}, ""},
        {{"/FIELDS=a", "/FIELDS=B"}, "b;"},
    };
    for (const auto& [switches, expected] : cases)
        EXPECT_EQ(Read(switches).FieldList, expected) << switches.back();
}

TEST(ReadSettingsTest, FilterIsTakenAsTypedAndOnlyFromFilter) {
    EXPECT_EQ(Read({"/filter=[City] = \"Oslo\""}).FilterText, "[City] = \"Oslo\"");
    EXPECT_EQ(Read({"/FILTER=a", "/FILTER=b=c"}).FilterText, "b=c");
    EXPECT_EQ(Read({"where=[CITY] = 1"}).FilterText, "");
    EXPECT_EQ(Read({"/WHERE=x"}).FilterText, "");
}

TEST(ReadSettingsTest, LastOccurrenceWins) {
    const ConvertSettings s = Read(
        {"/DELIMITER=;", "/QUALIFIER=\\34", "/DELIMITER=\\124", "/QUALIFIER=\\0", "/DELIMITER="});
    EXPECT_EQ(s.Delimiter, "");
    EXPECT_EQ(s.Qualifier, NoneMark);
}

TEST(ReadSettingsTest, OutputForOtherTools) {
    const ConvertSettings plain = Read({});
    EXPECT_EQ(plain.Form, OutputForm::Lines);
    EXPECT_FALSE(plain.TrimTexts);
    EXPECT_FALSE(plain.QuoteWhenNeeded);
    EXPECT_FALSE(IsForOtherTools(plain));

    const ConvertSettings trim = Read({"/trim"});
    EXPECT_TRUE(trim.TrimTexts);
    EXPECT_EQ(trim.Form, OutputForm::Lines);

    const ConvertSettings csv = Read({"/csv"});
    EXPECT_EQ(csv.Form, OutputForm::Csv);
    EXPECT_TRUE(IsForOtherTools(csv));
    EXPECT_EQ(csv.Delimiter, ",");
    EXPECT_EQ(csv.Qualifier, "\"");
    EXPECT_TRUE(csv.QuoteWhenNeeded);
    EXPECT_TRUE(csv.HeaderLine);
    EXPECT_TRUE(csv.TrimTexts);
    EXPECT_EQ(csv.RecordSeparator, "\r\n");

    const ConvertSettings json = Read({"/Json"});
    EXPECT_EQ(json.Form, OutputForm::Json);
    EXPECT_TRUE(json.TrimTexts);
    EXPECT_EQ(json.RecordSeparator, "\n");
}

// The switches given with /CSV change its parts wherever they stand.
TEST(ReadSettingsTest, SwitchesChangeThePartsOfCsvInAnyOrder) {
    const std::vector<std::vector<std::string>> orders = {
        {"/CSV", "/DELIMITER=;", "/QUALIFIER='", "/RECORDSEPARATOR=LF"},
        {"/DELIMITER=;", "/QUALIFIER='", "/RECORDSEPARATOR=LF", "/CSV"},
        {"/DELIMITER=;", "/csv", "/RECORDSEPARATOR=lf", "/QUALIFIER='"},
    };
    for (const auto& order : orders) {
        const ConvertSettings s = Read(order);
        EXPECT_EQ(s.Form, OutputForm::Csv) << order.front();
        EXPECT_EQ(s.Delimiter, ";") << order.front();
        EXPECT_EQ(s.Qualifier, "'") << order.front();
        EXPECT_EQ(s.RecordSeparator, "\n") << order.front();
        EXPECT_TRUE(s.QuoteWhenNeeded) << order.front();
    }
    // JSON Lines end with LF whatever is asked; the last form given counts.
    EXPECT_EQ(Read({"/RECORDSEPARATOR=CR", "/JSON"}).RecordSeparator, "\n");
    EXPECT_EQ(Read({"/CSV", "/JSON"}).Form, OutputForm::Json);
    EXPECT_EQ(Read({"/JSON", "/CSV"}).Form, OutputForm::Csv);
    EXPECT_EQ(Read({"/JSON", "/CSV"}).RecordSeparator, "\r\n");
    for (const char* near : {"/CSV=1", "/JSONL", "/TRIMS", "CSV"}) {
        const ConvertSettings s = Read({near});
        EXPECT_EQ(s.Form, OutputForm::Lines) << near;
        EXPECT_FALSE(s.TrimTexts) << near;
    }
}

} // namespace
} // namespace ostrane
