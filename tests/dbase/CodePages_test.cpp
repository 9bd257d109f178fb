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
        {0x03, "N\xE2\x82\xAC", "\xE2\x82\xACxy"},           // Windows-1252: the euro sign
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

// Language driver 0x03 is Windows-1252, except for texts that form valid
// UTF-8, which newer writers store under it.
TEST_F(CodePagesTest, WindowsAnsiDriverReadsUtf8TextsAsTheyAre) {
    const std::string path = TableBuilder()
                                 .LanguageDriver(0x03)
                                 .Field("C", 'C', 6)
                                 .Row({"Jos\xC3\xA9"}) // UTF-8
                                 .Row({"Jos\xE9"})     // Windows-1252
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_TRUE(table.First(0).Value_.SameAs(Value::FromText("Jos\xC3\xA9 ")));
    EXPECT_TRUE(table.First(1).Value_.SameAs(Value::FromText("Jos\xC3\xA9  ")));
}

// The code page: the user's first, then a .cpg file beside the table (any
// letter case), then the language driver.
TEST_F(CodePagesTest, CpgFilesAndTheUsersCodePage) {
    struct Case {
        const char* Title;
        std::uint8_t Driver;
        const char* CpgName; // nullptr: no .cpg file
        const char* Cpg;
        std::uint16_t UserCodePage;
        std::string Value; // of a C field holding the byte 0xC0 and 'x'
    };
    const Case cases[] = {
        {"no code page: as stored", 0x00, nullptr, "", 0, "\xC0x"},
        {"cpg 1251", 0x00, "t.cpg", "1251\r\n", 0, "\xD0\x90x"},
        {"cpg ANSI 1251", 0x00, "t.cpg", "ANSI 1251", 0, "\xD0\x90x"},
        {"cpg CP1251 in upper case", 0x00, "T.CPG", "CP1251", 0, "\xD0\x90x"},
        {"cpg 88591", 0x00, "t.cpg", "88591", 0, "\xC3\x80x"},
        {"cpg ISO-8859-5", 0x00, "t.cpg", "ISO-8859-5\n", 0, "\xD0\xA0x"},
        {"cpg 866 wins over the driver", 0xC9, "t.cpg", "866", 0, "\xE2\x94\x94x"},
        {"cpg unknown: the driver", 0xC9, "t.cpg", "nonsense", 0, "\xD0\x90x"},
        {"cpg empty: the driver", 0xC9, "t.cpg", "", 0, "\xD0\x90x"},
        {"user over cpg and driver", 0xC9, "t.cpg", "437", 1252, "\xC3\x80x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Title);
        TempDir dir;
        const std::string path = TableBuilder()
                                     .LanguageDriver(c.Driver)
                                     .Field("C", 'C', 2)
                                     .Row({"\xC0x"})
                                     .Write(dir.Path(), "t.dbf");
        if (c.CpgName != nullptr) WriteFileBytes(dir.File(c.CpgName), c.Cpg);
        TDBF dbf;
        dbf.CodePage = c.UserCodePage;
        FileStream stream(path, FileStream::Mode::OpenRead);
        std::vector<Value> values;
        dbf.FileName = path;
        dbf.OnCellValue = [&](Sender, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              const Value& value, TAlignment,
                              TQzICellType) { values.push_back(value); };
        dbf.ParseStream(stream);
        ASSERT_TRUE(dbf.LoadRecord(0, 0));
        ASSERT_EQ(values.size(), 1u);
        EXPECT_TRUE(values[0].SameAs(Value::FromText(c.Value))) << values[0].ToText();
    }
}

TEST(CodePageNames, NumbersNamesAndIconvNames) {
    const std::pair<const char*, std::uint16_t> known[] = {
        {"437", 437},           {"1252", 1252},        {" ANSI 1251 ", 1251}, {"CP866", 866},
        {"windows-1250", 1250}, {"UTF-8", 65001},      {"utf8", 65001},       {"88591", 28591},
        {"885915", 28605},      {"ISO-8859-2", 28592}, {"KOI8-R", 20866},
    };
    for (const auto& [name, expected] : known) {
        std::uint16_t codePage = 0;
        EXPECT_TRUE(CodePageFromName(name, codePage)) << name;
        EXPECT_EQ(codePage, expected) << name;
    }
    std::uint16_t codePage = 0;
    for (const char* unknown : {"nonsense", "", "ISO-8859-99", "70000", "CP"})
        EXPECT_FALSE(CodePageFromName(unknown, codePage)) << unknown;
    // Any other set iconv knows gets a number of its own, the same each time.
    std::uint16_t first = 0, again = 0;
    ASSERT_TRUE(CodePageFromName("ARMSCII-8", first));
    ASSERT_TRUE(CodePageFromName("armscii8", again));
    EXPECT_EQ(first, again);
    EXPECT_EQ(CodePageName(first), "ARMSCII-8");
    EXPECT_EQ(CodePageName(28591), "ISO-8859-1");
    EXPECT_EQ(CodePageName(866), "866");
}

// Visual FoxPro's binary C, V and M fields (flag 0x04) are never re-encoded;
// a memo text holding a NUL byte is binary whatever the field.
TEST_F(CodePagesTest, BinaryFieldsAndBinaryMemosKeepTheirBytes) {
    const std::string path = TableBuilder(0x30)
                                 .LanguageDriver(0xC9) // 1251
                                 .Field("TEXT", 'C', 1)
                                 .Field("BIN", 'C', 1)
                                 .FieldFlags(0x04)
                                 .Field("NOTE", 'M', 4)
                                 .Field("PIC", 'M', 4)
                                 .RawRecord(" \xC0\xC0" + Le32(1) + Le32(2))
                                 .Write(dir_.Path(), "t.dbf");
    const std::string picture("\xC0\0\xC1", 3);
    MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
        .LengthBlock(1, "\xC0")
        .LengthBlock(2, picture)
        .Write(dir_.Path(), "t.fpt");
    OpenTable table(path);
    std::vector<std::string> texts;
    for (const ReportedCell& cell : table.Load(0)) texts.push_back(cell.Value_.TextPayload());
    EXPECT_EQ(texts, (std::vector<std::string>{"\xD0\x90", "\xC0", "\xD0\x90", picture}));
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
