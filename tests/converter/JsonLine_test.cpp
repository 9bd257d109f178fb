// JSON Lines built from typed field values.
#include "converter/JsonLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "converter/ConvertSettings.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/Value.h"

namespace ostrane {
namespace {

// Field values given up front; a Null pointer stands for a field without a cell.
class FixedValues : public FieldValueSource {
public:
    explicit FixedValues(std::vector<Value> values) : values_(std::move(values)) {}
    const Value* FieldValueOrNil(std::size_t i) const override {
        return i < values_.size() ? &values_[i] : nullptr;
    }

private:
    std::vector<Value> values_;
};

std::string JsonString(std::string_view text, bool* wellFormed = nullptr) {
    std::string out;
    const bool clean = AppendJsonString(out, text);
    if (wellFormed != nullptr) *wellFormed = clean;
    return out;
}

TEST(JsonLine, StringsEscapeQuotesBackslashesAndControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"plain text", R"("plain text")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(C:\dbf)", R"("C:\\dbf")"},
        {"a\r\nb\tc", R"("a\r\nb\tc")"},
        {"\b\f", R"("\b\f")"},
        {std::string("\0\x01\x1F\x7F", 4), "\"\\u0000\\u0001\\u001f\x7F\""},
        {"/ and '", R"("/ and '")"},
        // Well-formed UTF-8 of every length stays as it is.
        {"\xC3\xA6\xC3\xB8\xC3\xA5 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"\xC3\xA6\xC3\xB8\xC3\xA5 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
    };
    for (const auto& [text, json] : cases) {
        bool wellFormed = false;
        EXPECT_EQ(JsonString(text, &wellFormed), json) << json;
        EXPECT_TRUE(wellFormed) << json;
    }
}

// Each byte that starts no well-formed sequence becomes U+FFFD.
TEST(JsonLine, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xE9", "caf" + fffd},                       // Windows-1252
        {"\xE9t\xE9", fffd + "t" + fffd},                //
        {"\xC3", fffd},                                  // cut short
        {"\xE2\x82", fffd + fffd},                       // cut short
        {"\xC0\xAF", fffd + fffd},                       // overlong
        {"\xED\xA0\x80", fffd + fffd + fffd},            // surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // above U+10FFFF
        {"\x80\"", fffd + "\\\""},                       // stray continuation
        {"\xFF\xC3\xA9", fffd + "\xC3\xA9"},             // then a good one
    };
    for (const auto& [text, inside] : cases) {
        bool wellFormed = true;
        EXPECT_EQ(JsonString(text, &wellFormed), "\"" + inside + "\"") << inside;
        EXPECT_FALSE(wellFormed) << inside;
    }
}

// Every number text the formatter writes is a JSON number: no ".5", no
// "1.", no bare exponent, no locale separator.
TEST(JsonLine, EveryNumberTextIsAJsonNumber) {
    const std::regex number(R"(-?(0|[1-9][0-9]*)(\.[0-9]+)?(E[+-][0-9]+)?)");
    std::vector<double> values = {0,
                                  -0.0,
                                  0.5,
                                  -0.5,
                                  1,
                                  -1,
                                  0.1,
                                  1e-5,
                                  1e-4,
                                  1e15,
                                  1e14,
                                  1e20,
                                  -2.5e-7,
                                  1e308,
                                  5e-324,
                                  1.0 / 3,
                                  98765.43,
                                  123456789012345.0,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min()};
    std::mt19937_64 random(13);
    std::uniform_int_distribution<int> exponent(-320, 308);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 20000; ++i)
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (double v : values) {
        if (!std::isfinite(v)) continue; // written as null
        std::string text;
        AppendGeneralFloat(text, v, 15, '.');
        EXPECT_TRUE(std::regex_match(text, number)) << text;
        text.clear();
        AppendGeneralFloat(text, float(v), 7, '.');
        if (std::isfinite(float(v))) {
            EXPECT_TRUE(std::regex_match(text, number)) << text;
        }
    }
    const std::int64_t currencies[] = {
        0, 1, -1, 9, 10000, -12345, 922337203685477580, std::numeric_limits<std::int64_t>::min()};
    for (std::int64_t units : currencies) {
        std::string text;
        AppendCurrency(text, units, '.');
        EXPECT_TRUE(std::regex_match(text, number)) << text;
    }
}

TEST(JsonLine, ValuesAreWrittenByKindAndFieldType) {
    const ScopedFormatSettings comma([] {
        FormatSettings settings;
        settings.DecimalSeparator = ','; // never used by JSON
        return settings;
    }());
    ConvertSettings settings;
    settings.Form = OutputForm::Json;
    settings.TrimTexts = true;
    const double day = EncodeDate(2024, 2, 29);
    struct Case {
        FieldDescriptor Field;
        Value Cell;
        std::string Json;
    };
    const Case cases[] = {
        {{"NAME", 'C', 10}, Value::FromText("Smith     "), R"("Smith")"},
        {{"NAME", 'C', 10}, Value::FromText("  "), "null"},
        {{"NAME", 'V', 10}, Value::FromText("x y  "), R"("x y")"},
        {{"NAME", 'C', 10}, Value::MakeNull(), "null"},
        {{"NAME", 'C', 10}, Value(), "null"},
        {{"NOTE", 'M', 10}, Value::FromText("two  \r\nlines  "), R"("two  \r\nlines  ")"},
        {{"NOTE", 'M', 10}, Value::FromText(""), "null"},
        {{"NOTE", 'M', 10}, Value::FromText(std::string("GIF\0", 4)), R"("R0lGAA==")"},
        {{"NOTE", 'M', 10}, Value::FromInteger(7), "7"}, // a block number
        {{"PIC", 'G', 10}, Value::FromText("abc"), R"("YWJj")"},
        {{"RAW", 'Q', 10}, Value::FromText("\xFF"), R"("/w==")"},
        {{"BLOB", 'W', 10}, Value::FromText(""), "null"},
        {{"BLOB", 'B', 10}, Value::FromText("ab"), R"("YWI=")"},
        {{"DBL", 'B', 8}, Value::FromDouble(-2.5), "-2.5"},
        {{"AMOUNT", 'N', 10}, Value::FromDouble(1250), "1250"},
        {{"AMOUNT", 'N', 10}, Value::FromDouble(0.25), "0.25"},
        {{"AMOUNT", 'F', 20}, Value::FromDouble(1e20), "1E+20"},
        {{"AMOUNT", 'O', 8}, Value::FromDouble(std::nan("")), "null"},
        {{"AMOUNT", 'O', 8}, Value::FromDouble(-HUGE_VAL), "null"},
        {{"SINGLE", 'N', 8}, Value::FromSingle(0.1f), "0.1"},
        {{"ID", 'I', 4}, Value::FromInteger(-2147483647 - 1), "-2147483648"},
        {{"PRICE", 'Y', 8}, Value::FromCurrencyUnits(-123456), "-12.3456"},
        {{"OK", 'L', 1}, Value::FromBoolean(true), "true"},
        {{"OK", 'L', 1}, Value::FromBoolean(false), "false"},
        {{"SINCE", 'D', 8}, Value::FromDateTime(day), R"("2024-02-29")"},
        {{"SINCE", 'D', 8}, Value::FromDateTime(0), R"("1899-12-30")"},
        {{"AT", 'T', 8}, Value::FromDateTime(day), R"("2024-02-29T00:00:00")"},
        {{"AT", 'T', 8}, Value::FromDateTime(day + 0.75 + 0.6 / 86400), R"("2024-02-29T18:00:01")"},
        {{"AT", '@', 8}, Value::FromDateTime(0.5), R"("1899-12-30T12:00:00")"},
        {{"AT", '@', 8}, Value::FromDateTime(-1e9), "null"},
        {{"CLOCK", 'T', 6}, Value::FromDateTime(0.5 + 61.0 / 86400), R"("12:01:01")"},
        {{"WIDE", 'C', 4}, Value::FromWideText(u"\u00e6\u00f8"), "\"\xC3\xA6\xC3\xB8\""},
    };
    for (const Case& c : cases) {
        const JsonLineBuilder builder({c.Field}, settings);
        std::string line;
        builder.BuildRecordLine(line, FixedValues({c.Cell}));
        EXPECT_EQ(line, "{" + JsonString(c.Field.Name) + ":" + c.Json + "}") << c.Json;
    }
}

TEST(JsonLine, KeysAreTheSelectedFieldNamesInOrder) {
    ConvertSettings settings;
    settings.Form = OutputForm::Json;
    settings.FieldList = "ok;id;";
    const std::vector<FieldDescriptor> fields{
        {"ID", 'N', 3}, {"NAME", 'C', 5}, {"OK", 'L', 1}, {"A\"B\xE9", 'C', 1}};
    const FixedValues record({Value::FromDouble(7), Value::FromText("x"), Value::FromBoolean(true),
                              Value::FromText("y")});
    std::string line;
    JsonLineBuilder(fields, settings).BuildRecordLine(line, record);
    EXPECT_EQ(line, R"({"ID":7,"OK":true})");

    settings.FieldList.clear();
    const JsonLineBuilder all(fields, settings);
    all.BuildRecordLine(line, record);
    EXPECT_EQ(line, "{\"ID\":7,\"NAME\":\"x\",\"OK\":true,\"A\\\"B\xEF\xBF\xBD\":\"y\"}");
    EXPECT_EQ(all.TextsRepaired(), 1); // the name
    // A field without a cell, and no fields at all.
    all.BuildRecordLine(line, FixedValues({}));
    EXPECT_EQ(line, R"({"ID":null,"NAME":null,"OK":null,"A\"B)"
                    "\xEF\xBF\xBD"
                    R"(":null})");
    JsonLineBuilder({}, settings).BuildRecordLine(line, record);
    EXPECT_EQ(line, "{}");
}

} // namespace
} // namespace ostrane
