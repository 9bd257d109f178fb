#include <gtest/gtest.h>
#include <limits>

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/Value.h"

namespace ostrane {
namespace {

FormatSettings GermanLike() {
    FormatSettings fs;
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = ".";
    fs.CurrencyString = "EUR";
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeAMString = "";
    fs.TimePMString = "";
    fs.Order = DateOrder::DMY;
    return fs;
}

TEST(ValueText, Table) {
    ScopedFormatSettings scoped(CLocaleProfile());
    struct Case {
        Value value;
        const char* text;
    } cases[] = {
        {Value(), ""},
        {Value::MakeNull(), ""},
        {Value::FromSmallInt(-32768), "-32768"},
        {Value::FromInteger(2147483647), "2147483647"},
        {Value::FromInteger(-5), "-5"},
        {Value::FromByte(255), "255"},
        {Value::FromDouble(42.0), "42"},
        {Value::FromDouble(3.1), "3.1"},
        {Value::FromDouble(1.0e20), "1E+20"},
        {Value::FromDouble(0.0001), "0.0001"},
        {Value::FromDouble(0.00001), "1E-5"},
        {Value::FromDouble(1.0 / 3.0), "0.333333333333333"},
        {Value::FromDouble(1234567890123456.0), "1.23456789012346E+15"},
        {Value::FromDouble(-0.0), "0"},
        {Value::FromSingle(0.1f), "0.1"},
        {Value::FromSingle(3.14159265f), "3.141593"},
        {Value::FromSingle(1e7f), "1E+7"},
        {Value::FromCurrencyUnits(125000), "12.5"},
        {Value::FromCurrencyUnits(1000000), "100"},
        {Value::FromCurrencyUnits(9), "0.0009"},
        {Value::FromCurrencyUnits(-15000), "-1.5"},
        {Value::FromCurrencyUnits(std::numeric_limits<std::int64_t>::max()),
         "922337203685477.5807"},
        {Value::FromDateTime(45296), "2024-01-05"},
        {Value::FromDateTime(0.5), "12:00:00"},
        {Value::FromDateTime(0), "1899-12-30"},
        {Value::FromDateTime(45296.75), "2024-01-05 18:00:00"},
        {Value::FromDateTime(45296.0000001), "2024-01-05"},  // 8.64 ms: no time
        {Value::FromDateTime(45296.99999999), "2024-01-06"}, // rounds into the next day
        {Value::FromDateTime(3.34), "1900-01-02 08:09:36"},
        {Value::FromDateTime(-1.25), "1899-12-29 06:00:00"},
        {Value::FromDateTime(-693593), "0001-01-01"},
        {Value::FromDateTime(2958465), "9999-12-31"},
        {Value::FromDateTime(2958466), "2958466"}, // outside years 1..9999
        {Value::FromDateTime(-700000.5), "-700000.5"},
        {Value::FromDateTime(1e300), "1E+300"},
        {Value::FromBoolean(true), "True"},
        {Value::FromBoolean(false), "False"},
        {Value::FromText("abc"), "abc"},
        {Value::FromWideText(u"Caf\u00e9"), "Caf\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.ToText(), c.text) << c.text;
    EXPECT_EQ(Value::FromText(std::string_view("a\0b", 3)).ToText(), std::string("a\0b", 3));
}

TEST(ValueText, AppendKeepsPrefix) {
    std::string out = "x=";
    Value::FromDouble(2.5).AppendText(out);
    EXPECT_EQ(out, "x=2.5");
}

TEST(ValueText, GermanLikeProfile) {
    ScopedFormatSettings scoped(GermanLike());
    EXPECT_EQ(Value::FromDouble(3.1).ToText(), "3,1");
    EXPECT_EQ(Value::FromCurrencyUnits(125000).ToText(), "12,5");
    EXPECT_EQ(Value::FromDateTime(45296.75).ToText(), "05.01.2024 18:00:00");
    EXPECT_EQ(Value::FromDateTime(2958466.5).ToText(), "2958466,5");
}

TEST(ValueText, TwelveHourProfile) {
    FormatSettings fs;
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "m/d/yyyy";
    fs.LongTimeFormat = "h:nn:ss ampm";
    ScopedFormatSettings scoped(fs);
    EXPECT_EQ(Value::FromDateTime(45296.75).ToText(), "1/5/2024 6:00:00 PM");
    EXPECT_EQ(Value::FromDateTime(0).ToText(), "12/30/1899");
    EXPECT_EQ(Value::FromDateTime(1.0 / 86400).ToText(), "12:00:01 AM");
    EXPECT_EQ(Value::FromDateTime(0.5).ToText(), "12:00:00 PM");
    EXPECT_EQ(Value::FromDateTime(365.25).ToText(), "12/30/1900 6:00:00 AM");
}

// A text overwritten in place: same length, shorter, longer, empty, and from
// the value's own bytes.
TEST(ValueText, SetTextOverwritesInPlace) {
    Value v = Value::FromText("abcdef");
    v.SetNull();
    v.SetText("uvwxyz");
    EXPECT_TRUE(v.SameAs(Value::FromText("uvwxyz")));
    v.SetText("ab");
    EXPECT_TRUE(v.SameAs(Value::FromText("ab")));
    v.SetText(std::string_view("a\0c", 3));
    EXPECT_EQ(v.TextPayload(), std::string("a\0c", 3));
    v.SetText("");
    EXPECT_TRUE(v.SameAs(Value::FromText("")));
    v.SetText("");
    EXPECT_TRUE(v.SameAs(Value::FromText("")));
    v.SetText("0123456789012345678901234567890123456789");
    const std::string& own = v.TextPayload();
    v.SetText(own.data(), own.size()); // the same bytes
    EXPECT_EQ(v.TextPayload(), "0123456789012345678901234567890123456789");
    v.SetText(std::string_view(own).substr(10)); // a part of itself
    EXPECT_EQ(v.TextPayload(), "012345678901234567890123456789");
    v.SetDouble(1.5);
    v.SetText("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_TRUE(v.SameAs(Value::FromText("abcdefghijklmnopqrstuvwxyz0123")));
}

// Texts of every length up to 40 overwritten by texts of the same length,
// and by a part of themselves.
TEST(ValueText, SetTextOfEveryShortLength) {
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string first(length, 'a'), second(length, 'b');
        for (std::size_t i = 0; i < length; ++i) {
            first[i] = char('a' + i % 26);
            second[i] = char('A' + (i * 7) % 26);
        }
        Value v = Value::FromText(first);
        v.SetText(second);
        EXPECT_EQ(v.TextPayload(), second) << length;
        v.SetText(v.TextPayload()); // itself
        EXPECT_EQ(v.TextPayload(), second) << length;
        if (length > 0) {
            v.SetText(std::string_view(v.TextPayload()).substr(1)); // shorter, from itself
            EXPECT_EQ(v.TextPayload(), second.substr(1)) << length;
        }
    }
}

// A value overwritten by every kind in turn is each time the same as a copy.
TEST(ValueText, AssignFromEveryKind) {
    const float nanSingle = std::numeric_limits<float>::quiet_NaN();
    const Value values[] = {
        Value(),
        Value::MakeNull(),
        Value::FromSmallInt(-7),
        Value::FromInteger(INT32_MIN),
        Value::FromByte(255),
        Value::FromSingle(1.5f),
        Value::FromSingle(nanSingle),
        Value::FromDouble(-0.0),
        Value::FromCurrencyUnits(INT64_MIN),
        Value::FromDateTime(45296.5),
        Value::FromBoolean(true),
        Value::FromBoolean(false),
        Value::FromWideText(u"wide"),
        Value::FromText("text"),
        Value::FromText(""),
        Value::FromText("a longer text than the small string buffer"),
    };
    Value target;
    for (const Value& first : values) {
        for (const Value& second : values) {
            target.AssignFrom(first);
            EXPECT_TRUE(target.SameAs(first));
            target.AssignFrom(second);
            EXPECT_TRUE(target.SameAs(second));
        }
    }
}

TEST(ValueTruth, Table) {
    ScopedFormatSettings scoped(CLocaleProfile());
    struct Case {
        Value value;
        bool truth;
    } cases[] = {
        {Value::FromBoolean(true), true},
        {Value::FromBoolean(false), false},
        {Value(), false},
        {Value::FromInteger(0), false},
        {Value::FromInteger(-1), true},
        {Value::FromSmallInt(3), true},
        {Value::FromByte(0), false},
        {Value::FromDouble(0.0), false},
        {Value::FromDouble(0.5), true},
        {Value::FromSingle(-0.0f), false},
        {Value::FromCurrencyUnits(1), true},
        {Value::FromCurrencyUnits(0), false},
        {Value::FromDateTime(0), false},
        {Value::FromDateTime(45296), true},
        {Value::FromText("True"), true},
        {Value::FromText("tRUE"), true},
        {Value::FromText("false"), false},
        {Value::FromText("#TRUE#"), true},
        {Value::FromText("#FALSE#"), false},
        {Value::FromText("1"), true},
        {Value::FromText("0"), false},
        {Value::FromText(" 12 "), true},
        {Value::FromText("0.0"), false},
        {Value::FromText("-0"), false},
        {Value::FromWideText(u"TRUE"), true},
        {Value::FromWideText(u"0"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.ToBoolean(), c.truth) << c.value.ToText();
}

TEST(ValueTruth, Failures) {
    ScopedFormatSettings scoped(CLocaleProfile());
    const Value failing[] = {Value::MakeNull(),         Value::FromText(""),
                             Value::FromText("yes"),    Value::FromText(" true"),
                             Value::FromText("#true#"), Value::FromText("abc"),
                             Value::FromText("1e"),     Value::FromWideText(u"On")};
    for (const auto& v : failing) {
        try {
            (void)v.ToBoolean();
            ADD_FAILURE() << "no error for " << v.ToText();
        } catch (const EVariantError& e) {
            EXPECT_STREQ(e.what(), "Invalid variant type conversion");
            EXPECT_STREQ(e.ClassName(), "EVariantError");
        }
    }
}

TEST(ValueSameAs, KindAndPayload) {
    EXPECT_TRUE(Value::FromInteger(5).SameAs(Value::FromInteger(5)));
    EXPECT_FALSE(Value::FromInteger(5).SameAs(Value::FromSmallInt(5)));
    EXPECT_FALSE(Value::FromDouble(1).SameAs(Value::FromDateTime(1)));
    EXPECT_TRUE(Value::FromText("a").SameAs(Value::FromText("a")));
    EXPECT_FALSE(Value::FromText("a").SameAs(Value::FromText("b")));
    EXPECT_TRUE(Value::MakeNull().SameAs(Value::MakeNull()));
    EXPECT_FALSE(Value::MakeNull().SameAs(Value()));
    EXPECT_TRUE(Value::FromWideText(u"x").SameAs(Value::FromWideText(u"x")));
    EXPECT_FALSE(Value::FromText("x").SameAs(Value::FromWideText(u"x")));
    EXPECT_TRUE(Value::FromBoolean(true).SameAs(Value::FromBoolean(true)));
    EXPECT_TRUE(Value::FromCurrencyUnits(7).SameAs(Value::FromCurrencyUnits(7)));
}

} // namespace
} // namespace ostrane
