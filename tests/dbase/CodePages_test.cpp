// Field names, code pages, type names and the name-based services.
#include <gtest/gtest.h>

#include "DbfTesting.h"

namespace ostrane::test {
namespace {

using CodePagesTest = DbfTest;

struct DriverCase {
    std::uint8_t Driver;
    std::string Name;  // the name as the descriptor must hold it afterwards
    std::string Value; // of a C field stored as 80 'x' 'y' 00
};

TEST_F(CodePagesTest, NamesAndTextsFollowTheLanguageDriver) {
    const std::string stored("\x80xy\0", 4);
    const DriverCase cases[] = {
        {0x00, "N\x80", stored},                             // never converted
        {0x03, "N\x80", stored},                             // never converted
        {0x57, "N\x80", stored},                             // in no row
        {0x65, "N\xD0\x90", "\xD0\x90xy"},                   // 866: Cyrillic А, cut at NUL
        {0xC9, "N\xD0\x82", "\xD0\x82xy"},                   // 1251: Cyrillic Ђ
        {0x01, "N\xC3\x87", std::string("\xC3\x87xy\0", 5)}, // OEM 437: Ç, length kept
    };
    for (const DriverCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "driver 0x" << std::hex << int(c.Driver));
        const std::string path = TableBuilder()
                                     .LanguageDriver(c.Driver)
                                     .Field("N\x80", 'C', 4)
                                     .RawRecord(" " + stored)
                                     .Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        EXPECT_EQ(table.Field(0).Name, c.Name);
        EXPECT_TRUE(table.First(0).Value_.SameAs(Value::FromText(c.Value)));
        EXPECT_FALSE(table.Dbf().CodePageUnavailable());
    }
}

// Texts of two letters and two NULs: a code-page row cuts them at the NUL, the
// OEM row keeps their length.
TEST_F(CodePagesTest, LengthRulesOfTheTwoKindsOfRow) {
    const std::string stored("AB\0\0", 4);
    const std::pair<std::uint8_t, std::string> cases[] = {{0x65, "AB"}, {0x01, stored}};
    for (const auto& [driver, expected] : cases) {
        const std::string path = TableBuilder()
                                     .LanguageDriver(driver)
                                     .Field("C", 'C', 4)
                                     .RawRecord(" " + stored)
                                     .Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        EXPECT_TRUE(table.First(0).Value_.SameAs(Value::FromText(expected)));
        EXPECT_EQ(table.Dbf().ConvertText(stored), expected);
    }
}

TEST_F(CodePagesTest, UnavailableCodePageGivesEmptyTexts) {
    // 0x69 asks for code page 620, which no conversion library offers.
    const std::string path = TableBuilder()
                                 .LanguageDriver(0x69)
                                 .Field("NAME", 'C', 3)
                                 .Row({"abc"})
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_TRUE(table.Dbf().CodePageUnavailable());
    EXPECT_EQ(table.Field(0).Name, "");
    EXPECT_TRUE(table.First(0).Value_.SameAs(Value::FromText("")));
}

TEST(CodePageToWide, DecodesUpToTheFirstNul) {
    SetAnsiCharset("UTF-8");
    EXPECT_EQ(CodePageToWide(std::string("\x80z\0c", 4), 866), u"\u0410z");
    EXPECT_EQ(CodePageToWide("\xE4", 1252), u"\u00E4");
    EXPECT_EQ(CodePageToWide("abc", 620), u"");
}

TEST(GetFieldTypeName, EveryType) {
    const std::pair<char, const char*> names[] = {
        {'C', "String"},        {'D', "Date"},       {'T', "Time"},        {'F', "Number"},
        {'N', "Number"},        {'Y', "Currency"},   {'L', "Logical"},     {'M', "MEMO"},
        {'B', "BLOB"},          {'G', "OLE Object"}, {'P', "Graphic"},     {'0', "Bytes"},
        {'+', "AutoInc"},       {'I', "AutoInc"},    {'O', "Float"},       {'@', "TimeStamp"},
        {'2', "Short Integer"}, {'4', "Integer"},    {'8', "Double IEEE"}, {'V', "<unknown>"},
        {'Q', "<unknown>"},     {'W', "<unknown>"},  {'c', "<unknown>"},   {'\0', "<unknown>"},
    };
    for (const auto& [type, name] : names) EXPECT_EQ(TDBF::GetFieldTypeName(type), name) << type;
}

TEST_F(CodePagesTest, GetColumnIndexComparesTenCharacters) {
    const std::string path = TableBuilder(0x04) // 48-byte descriptors hold long names
                                 .Field("CUSTOMERNAME", 'C', 1)
                                 .Field("CUSTNAME", 'C', 1)
                                 .Field("CUSTOMERNA", 'C', 1)
                                 .Field("custname", 'C', 1)
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    TDBF& dbf = table.Dbf();
    EXPECT_EQ(dbf.GetColumnIndex("custname"), 1);     // the lower of two equal names
    EXPECT_EQ(dbf.GetColumnIndex("CUSTOMERNAME"), 2); // looks for CUSTOMERNA
    EXPECT_EQ(dbf.GetColumnIndex("customerna"), 2);
    EXPECT_EQ(dbf.GetColumnIndex("CUSTNAM"), -1);
    EXPECT_EQ(dbf.GetColumnIndex("nosuch"), -1);
    EXPECT_EQ(dbf.GetColumnIndex(""), -1);
}

TEST_F(CodePagesTest, GetColumnNamesListsTheFields) {
    const std::string path =
        TableBuilder().Field("ID", 'N', 3).Field("NAME", 'C', 9).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    TStringList list = {{"stale", 7}};
    table.Dbf().GetColumnNames(list, "");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "ID");
    EXPECT_EQ(list[0].Number, 0);
    EXPECT_EQ(list[1].Text, "NAME");
    EXPECT_EQ(list[1].Number, 1);
}

} // namespace
} // namespace ostrane::test
