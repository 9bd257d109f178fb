// Record loading and the decoding of every type character.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "DbfTesting.h"
#include "dbase/RecordDecoder.h"
#include "platform/NumberFormat.h"

namespace ostrane::test {
namespace {

using RecordsTest = DbfTest;

struct DecodeCase {
    const char* Name;
    std::uint8_t Signature;
    char Type;
    std::uint8_t Length;
    std::uint8_t Decimals;
    std::string Bytes; // the field's bytes in the record
    Value Expected;
    TAlignment Alignment;
    TQzICellType CellType;
};

const Value kNull = Value::MakeNull();

Value DateTime(double days) {
    return Value::FromDateTime(days);
}

TEST_F(RecordsTest, EachTypeDecodes) {
    const DecodeCase cases[] = {
        // C and every unlisted character: the text as stored, nothing trimmed.
        {"C keeps its blanks", 0x03, 'C', 10, 0, "ABC       ", Value::FromText("ABC       "),
         taLeftJustify, ictString},
        {"C keeps NUL bytes", 0x03, 'C', 4, 0, std::string("A\0B ", 4),
         Value::FromText(std::string("A\0B ", 4)), taLeftJustify, ictString},
        {"unlisted V", 0x32, 'V', 3, 0, "xyz", Value::FromText("xyz"), taLeftJustify, ictString},
        {"blank C", 0x03, 'C', 3, 0, std::string(" \0 ", 3), kNull, taLeftJustify, ictEmpty},
        // D
        {"D leap day", 0x03, 'D', 8, 0, "20240229", DateTime(45351), taLeftJustify, ictDateTime},
        {"D no such day", 0x03, 'D', 8, 0, "20230229", kNull, taLeftJustify, ictDateTime},
        {"D year 1000", 0x03, 'D', 8, 0, "10000101", kNull, taLeftJustify, ictDateTime},
        {"D not digits", 0x03, 'D', 8, 0, "2024ab01", kNull, taLeftJustify, ictDateTime},
        {"D blanks", 0x03, 'D', 8, 0, "        ", kNull, taLeftJustify, ictEmpty},
        // T of length 6: HHMMSS on day zero; otherwise Julian day and milliseconds.
        {"T 235959", 0x30, 'T', 6, 0, "235959", DateTime(86399000.0 / 86400000.0), taLeftJustify,
         ictDateTime},
        {"T 246000", 0x30, 'T', 6, 0, "246000", kNull, taLeftJustify, ictDateTime},
        {"T 2000-01-01 12:00", 0x30, 'T', 8, 0, Le32(2451545) + Le32(43200000), DateTime(36526.5),
         taLeftJustify, ictDateTime},
        {"T 6 first byte blank", 0x30, 'T', 6, 0, " 12000", kNull, taLeftJustify, ictDateTime},
        // A day number whose low byte is 0x20 is no blank: 1999-11-05 12:00.
        {"T 8 first byte blank", 0x30, 'T', 8, 0, Le32(0x256820) + Le32(43200000),
         DateTime(36469.5), taLeftJustify, ictDateTime},
        // @: a big-endian double of milliseconds.
        {"@ 2001-01-01", 0x8C, '@', 8, 0, Hex("42 CC B3 6F 7D 34 00 00"), DateTime(36892),
         taLeftJustify, ictDateTime},
        // F, N: numeric text; Decimals 0 rounds ties to even.
        {"N 12.50", 0x03, 'N', 8, 2, "   12.50", Value::FromDouble(12.5), taRightJustify,
         ictDecimal},
        {"N 2.5 rounds to 2", 0x03, 'N', 3, 0, "2.5", Value::FromDouble(2), taRightJustify,
         ictDecimal},
        {"N 3.5 rounds to 4", 0x03, 'N', 3, 0, "3.5", Value::FromDouble(4), taRightJustify,
         ictDecimal},
        {"F exponent", 0x03, 'F', 8, 1, "-1.5E+02", Value::FromDouble(-150), taRightJustify,
         ictDecimal},
        {"N stops at NUL", 0x03, 'N', 5, 1,
         std::string("1.5\0"
                     "9",
                     5),
         Value::FromDouble(1.5), taRightJustify, ictDecimal},
        // O: a big-endian double, negated; in the dBase 7 family stored in
        // sort order, negative values with all bits inverted.
        {"O of stored -2.5", 0x03, 'O', 8, 0, BeDouble(-2.5), Value::FromDouble(2.5),
         taRightJustify, ictDecimal},
        {"O of stored 1", 0x30, 'O', 8, 0, BeDouble(1), Value::FromDouble(-1), taRightJustify,
         ictDecimal},
        {"O dBase7 positive", 0x04, 'O', 8, 0, BeDouble(-2.5), Value::FromDouble(2.5),
         taRightJustify, ictDecimal},
        {"O dBase7 negative", 0x8C, 'O', 8, 0, Hex("3F 97 00 51 EB 85 1E B7"),
         Value::FromDouble(-199.99), taRightJustify, ictDecimal},
        // 8 and Y
        {"8 double", 0x03, '8', 8, 0, LeDouble(1.25), Value::FromDouble(1.25), taRightJustify,
         ictDecimal},
        {"8 zero bytes", 0x03, '8', 8, 0, std::string(8, '\0'), Value::FromDouble(0),
         taRightJustify, ictDecimal},
        {"Y 12.3456", 0x30, 'Y', 8, 4, Le64(123456), Value::FromCurrencyUnits(123456),
         taRightJustify, ictDecimal},
        // L: T t Y y true, F f N n false, anything else no value.
        {"L T", 0x03, 'L', 1, 0, "T", Value::FromBoolean(true), taLeftJustify, ictBoolean},
        {"L Y", 0x03, 'L', 1, 0, "Y", Value::FromBoolean(true), taLeftJustify, ictBoolean},
        {"L t", 0x03, 'L', 1, 0, "t", Value::FromBoolean(true), taLeftJustify, ictBoolean},
        {"L y", 0x03, 'L', 1, 0, "y", Value::FromBoolean(true), taLeftJustify, ictBoolean},
        {"L F", 0x03, 'L', 1, 0, "F", Value::FromBoolean(false), taLeftJustify, ictBoolean},
        {"L n", 0x03, 'L', 1, 0, "n", Value::FromBoolean(false), taLeftJustify, ictBoolean},
        {"L ? not initialised", 0x03, 'L', 1, 0, "?", kNull, taLeftJustify, ictEmpty},
        {"L other byte", 0x03, 'L', 1, 0, "1", kNull, taLeftJustify, ictEmpty},
        {"L blank", 0x03, 'L', 1, 0, " ", kNull, taLeftJustify, ictEmpty},
        // I and +: big-endian with the top bit inverted in the dBase 7 family,
        // little-endian elsewhere; no blank test.
        {"I dBase7 1", 0x04, 'I', 4, 0, Hex("80 00 00 01"), Value::FromInteger(1), taRightJustify,
         ictInteger},
        {"I dBase7 -1", 0x8C, 'I', 4, 0, Hex("7F FF FF FF"), Value::FromInteger(-1), taRightJustify,
         ictInteger},
        {"I dBase7 zero bytes", 0x04, 'I', 4, 0, Hex("00 00 00 00"), Value::FromInteger(0),
         taRightJustify, ictInteger},
        {"+ dBase7", 0x8C, '+', 4, 0, Hex("80 00 00 02"), Value::FromInteger(2), taRightJustify,
         ictInteger},
        {"I FoxPro", 0xF5, 'I', 4, 0, Hex("01 00 00 00"), Value::FromInteger(1), taRightJustify,
         ictInteger},
        {"I VFP", 0x32, 'I', 4, 0, Hex("01 00 00 00"), Value::FromInteger(1), taRightJustify,
         ictInteger},
        {"I dBase3", 0x03, 'I', 4, 0, Hex("FE FF FF FF"), Value::FromInteger(-2), taRightJustify,
         ictInteger},
        {"+ VFP", 0x31, '+', 4, 0, Hex("03 00 00 00"), Value::FromInteger(3), taRightJustify,
         ictInteger},
        {"4 zero bytes", 0x03, '4', 4, 0, Hex("00 00 00 00"), Value::FromInteger(0), taRightJustify,
         ictInteger},
        {"4 blanks", 0x03, '4', 4, 0, "    ", Value::FromInteger(0x20202020), taRightJustify,
         ictInteger},
        {"2 FF FF", 0x03, '2', 2, 0, Hex("FF FF"), Value::FromInteger(65535), taRightJustify,
         ictInteger},
        // B of 8 bytes in the Visual FoxPro family: a double.
        {"B VFP double", 0x30, 'B', 8, 0, LeDouble(-0.5), Value::FromDouble(-0.5), taRightJustify,
         ictDecimal},
        // 0: always Null.
        {"0 flags", 0x30, '0', 1, 0, "\x05", kNull, taLeftJustify, ictEmpty},
        // Binary fields: all blanks are a blanked record; all zeros no value
        // only where zero is no date or number; anything else decodes.
        {"Y zero is 0", 0x30, 'Y', 8, 4, Le64(0), Value::FromCurrencyUnits(0), taRightJustify,
         ictDecimal},
        {"Y blanks", 0x30, 'Y', 8, 4, std::string(8, ' '), kNull, taLeftJustify, ictEmpty},
        {"Y holding 0x20 bytes", 0x30, 'Y', 8, 4, Le64(0x20), Value::FromCurrencyUnits(0x20),
         taRightJustify, ictDecimal},
        {"8 blanks", 0x03, '8', 8, 0, std::string(8, ' '), kNull, taLeftJustify, ictEmpty},
        {"B VFP zero", 0x30, 'B', 8, 0, LeDouble(0), Value::FromDouble(0), taRightJustify,
         ictDecimal},
        {"T 8 zeros", 0x30, 'T', 8, 0, std::string(8, '\0'), kNull, taLeftJustify, ictEmpty},
        {"T 8 blanks", 0x30, 'T', 8, 0, std::string(8, ' '), kNull, taLeftJustify, ictEmpty},
        {"@ zeros", 0x8C, '@', 8, 0, std::string(8, '\0'), kNull, taLeftJustify, ictEmpty},
        {"O zeros", 0x8C, 'O', 8, 0, std::string(8, '\0'), kNull, taLeftJustify, ictEmpty},
        {"M VFP block 0", 0x30, 'M', 4, 0, Le32(0), Value::FromText(""), taLeftJustify, ictMemo},
        {"M VFP blanks", 0x30, 'M', 4, 0, "    ", kNull, taLeftJustify, ictEmpty},
        // Asterisks: dBase's mark of a value too wide for the field.
        {"N asterisks", 0x03, 'N', 5, 2, "*****", kNull, taLeftJustify, ictEmpty},
        {"N asterisks and blanks", 0x03, 'N', 5, 0, "  ***", kNull, taLeftJustify, ictEmpty},
        {"F one asterisk", 0x03, 'F', 1, 0, "*", kNull, taLeftJustify, ictEmpty},
        {"N number then asterisk", 0x03, 'N', 3, 0, "1**", Value::FromDouble(1), taRightJustify,
         ictDecimal},
        // Q of the Visual FoxPro family holds its bytes in the record; elsewhere
        // it is a memo field.
        {"Q VFP bytes", 0x30, 'Q', 3, 0, Hex("AB CD 00"), Value::FromText(Hex("AB CD 00")),
         taLeftJustify, ictString},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = TableBuilder(c.Signature)
                                     .Field("F", c.Type, c.Length, c.Decimals)
                                     .RawRecord(" " + c.Bytes)
                                     .Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        const ReportedCell cell = table.First(0);
        EXPECT_TRUE(cell.Value_.SameAs(c.Expected)) << cell.Value_.ToText();
        EXPECT_EQ(cell.Alignment, c.Alignment);
        EXPECT_EQ(cell.CellType, c.CellType);
        EXPECT_EQ(cell.Row, 0);
        EXPECT_EQ(cell.Column, 0);
    }
}

// Visual FoxPro null flags: bits in descriptor order, a V or Q field's length
// bit before its null bit.  A set length bit: the value's length is the
// field's last byte.
TEST_F(RecordsTest, VisualFoxProNullFlagsAndVariableLengths) {
    const std::string path =
        TableBuilder(0x30)
            .Field("N", 'N', 3) // nullable: bit 0
            .FieldFlags(0x02)
            .Field("V", 'V', 5) // length bit 1, null bit 2
            .FieldFlags(0x02)
            .Field("Q", 'Q', 4) // length bit 3
            .Field("C", 'C', 2) // no bits
            .Field("_NullFlags", '0', 1)
            .FieldFlags(0x05)
            .RawRecord(" " + std::string("  1") + Hex("61 62 00 00 02") + Hex("01 02 03 03") +
                       "xy" + "\x0A")
            .RawRecord(" " + std::string("  1") + "abcde" + Hex("01 02 03 04") + "xy" + "\x05")
            .RawRecord(" " + std::string("  7") + "v    " + Hex("01 02 03 04") + "  " +
                       " ") // a writer without null flags
            .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    auto texts = [&](std::int32_t record) {
        std::vector<std::string> out;
        for (const ReportedCell& cell : table.Load(record))
            out.push_back(cell.Value_.IsNull() ? "<null>" : cell.Value_.ToText());
        return out;
    };
    // Bits 1 and 3: V and Q are shorter than their fields.
    EXPECT_EQ(texts(0), (std::vector<std::string>{"1", "ab", Hex("01 02 03"), "xy", "<null>"}));
    // Bits 0 and 2: N and V are Null whatever their bytes; Q fills its field.
    EXPECT_EQ(texts(1),
              (std::vector<std::string>{"<null>", "<null>", Hex("01 02 03 04"), "xy", "<null>"}));
    // Blanked flags set no bit.
    EXPECT_EQ(texts(2),
              (std::vector<std::string>{"7", "v    ", Hex("01 02 03 04"), "<null>", "<null>"}));
}

// Block number 32 is stored 20 00 00 00: a real block, not a blank.
TEST_F(RecordsTest, VisualFoxProBlockNumbersHaveNoBlankTest) {
    const std::string path =
        TableBuilder(0x30).Field("NOTE", 'M', 4).Row({Le32(32)}).Write(dir_.Path(), "t.dbf");
    MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
        .LengthBlock(32, "Hilton, Lura Cox")
        .Write(dir_.Path(), "t.fpt");
    OpenTable table(path);
    EXPECT_TRUE(table.First(0).Value_.SameAs(Value::FromText("Hilton, Lura Cox")));
}

// FoxPro and Clipper keep the high byte of a long C field's length in its
// decimals byte; read so only where the record length confirms it.
TEST_F(RecordsTest, CharacterFieldsLongerThan255) {
    const std::string note(300, 'n');
    const auto table = [&](std::uint16_t recordLength) {
        return TableBuilder(0xF5)
            .Field("NOTE", 'C', 44, 1) // 44 + 256 = 300
            .Field("OK", 'L', 1)
            .RecordLength(recordLength)
            .RawRecord(" " + note + "T")
            .Write(dir_.Path(), "t.dbf");
    };
    OpenTable wide(table(302));
    EXPECT_EQ(wide.Field(0).Length, 300);
    EXPECT_EQ(wide.Field(1).Offset, 301);
    const auto cells = wide.Load(0);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_TRUE(cells[0].Value_.SameAs(Value::FromText(note)));
    EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromBoolean(true)));
    // A record length that the plain lengths explain keeps them.
    OpenTable plain(table(46));
    EXPECT_EQ(plain.Field(0).Length, 44);
}

// The header's record length contradicts the fields: the one of the two that
// makes the records fill the file is used.
TEST_F(RecordsTest, RecordLengthThatContradictsTheFile) {
    struct Case {
        const char* Name;
        std::uint16_t HeaderRecordLength;
        bool EndOfFile;
        std::string Junk; // after the records
        std::uint16_t Used;
    };
    const Case cases[] = {
        {"fields fill the file", 4, true, "", 5},
        {"fields fill the file, no end byte", 4, false, "", 5},
        {"neither fills the file: header kept", 7, true, "??", 7},
        {"lengths agree", 5, true, "", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = TableBuilder()
                                     .Field("A", 'C', 2)
                                     .Field("B", 'C', 2)
                                     .Row({"a1", "b1"})
                                     .Row({"a2", "b2"})
                                     .Row({"a3", "b3"})
                                     .RecordLength(c.HeaderRecordLength)
                                     .EndOfFile(c.EndOfFile)
                                     .Append(c.Junk)
                                     .Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        EXPECT_EQ(table.Dbf().RecordLengthUsed(), c.Used);
        EXPECT_EQ(table.Dbf().RecordLengthOfFields(), 5);
        if (c.Used == 5) {
            for (std::int32_t i = 0; i < 3; ++i) {
                const auto cells = table.Load(i);
                ASSERT_EQ(cells.size(), 2u);
                EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromText("b" + std::to_string(i + 1))));
            }
        }
    }
}

TEST_F(RecordsTest, WholeRecordsBeyondTheCountAreCountedNotRead) {
    const auto table = [&](std::int32_t count, bool endOfFile) {
        return TableBuilder()
            .Field("A", 'C', 2)
            .Row({"a1"})
            .Row({"a2"})
            .Row({"a3"})
            .RecordCount(count)
            .EndOfFile(endOfFile)
            .Write(dir_.Path(), "t.dbf");
    };
    OpenTable two(table(1, true));
    EXPECT_EQ(two.Dbf().RecordsUncounted(), 2);
    EXPECT_EQ(two.Dbf().RecordsPresent(), 1);
    OpenTable none(table(3, true));
    EXPECT_EQ(none.Dbf().RecordsUncounted(), 0);
    OpenTable noEndByte(table(2, false));
    EXPECT_EQ(noEndByte.Dbf().RecordsUncounted(), 1);
}

TEST_F(RecordsTest, FieldsAreCutFromOneRecord) {
    const std::string path = TableBuilder()
                                 .Field("A", 'I', 4)
                                 .Field("B", '2', 2)
                                 .Field("C", 'C', 3)
                                 .Row({Le32(0x01020304), Hex("FF FF"), "end"})
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    const auto cells = table.Load(0);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_TRUE(cells[0].Value_.SameAs(Value::FromInteger(0x01020304)));
    EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromInteger(65535)));
    EXPECT_TRUE(cells[2].Value_.SameAs(Value::FromText("end")));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cells[std::size_t(i)].Column, i);
}

TEST_F(RecordsTest, DeletedRecordsFollowLoadRowStatutes) {
    const std::string path = TableBuilder()
                                 .Field("A", 'C', 2)
                                 .Row({"ok"})
                                 .DeletedRow({"no"})
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable normal(path);
    EXPECT_FALSE(normal.Load(1).size());
    EXPECT_FALSE(normal.Delivered());
    EXPECT_TRUE(normal.Statuses().empty());
    EXPECT_EQ(normal.Load(0).size(), 1u);
    EXPECT_EQ(normal.Statuses(), std::vector<TQzIRowStatus>{rsNormal});

    OpenTable both(path, dmDBT, RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
    const auto cells = both.Load(1);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_TRUE(cells[0].Value_.SameAs(Value::FromText("no")));
    EXPECT_EQ(both.Statuses(), std::vector<TQzIRowStatus>{rsDeleted});
}

TEST_F(RecordsTest, RecordsInAnyOrderAndProgress) {
    const std::string path = TableBuilder()
                                 .Field("N", 'N', 1)
                                 .Row({"0"})
                                 .Row({"1"})
                                 .Row({"2"})
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    table.Dbf().OnLoadProgress = [&](Sender, std::int32_t position, std::int32_t total) {
        progress.emplace_back(position, total);
    };
    for (std::int32_t i : {2, 0, 1, 2}) EXPECT_EQ(table.First(i).Value_.DoublePayload(), double(i));
    EXPECT_EQ(progress,
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{2, 3}, {0, 3}, {1, 3}, {2, 3}}));
    EXPECT_EQ(table.Dbf().CurrentRow, 2);
}

// The header counts five records; the file holds two whole ones and part of a
// third.  The third is delivered with its missing bytes zero; the last two
// are not there.
TEST_F(RecordsTest, RecordsPastTheEndOfTheFile) {
    const std::string path = TableBuilder()
                                 .Field("A", 'C', 3)
                                 .Field("B", 'I', 4)
                                 .Row({"one", Le32(1)})
                                 .Row({"two", Le32(2)})
                                 .RawRecord(" th")
                                 .EndOfFile(false)
                                 .RecordCount(5)
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_EQ(table.Dbf().RecordsPresent(), 3);
    EXPECT_FALSE(table.Dbf().SeekRecord(2)); // not wholly inside
    const auto cut = table.Load(2);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_TRUE(cut[0].Value_.SameAs(Value::FromText(std::string("th\0", 3))));
    EXPECT_TRUE(cut[1].Value_.SameAs(Value::FromInteger(0)));
    for (std::int32_t i : {3, 4, -1}) {
        EXPECT_TRUE(table.Load(i).empty());
        EXPECT_FALSE(table.Delivered()) << "record " << i;
    }
}

TEST_F(RecordsTest, OnlyTheEndOfFileByteIsNoRecord) {
    const std::string path = TableBuilder()
                                 .Field("A", 'C', 3)
                                 .Row({"one"})
                                 .RecordCount(2) // the 0x1A byte is all of record 1
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_EQ(table.Dbf().RecordsPresent(), 1);
    EXPECT_EQ(table.Load(0).size(), 1u);
    EXPECT_TRUE(table.Load(1).empty());
    EXPECT_FALSE(table.Delivered());
}

TEST_F(RecordsTest, NoDataStreamNoRecord) {
    TDBF dbf;
    EXPECT_FALSE(dbf.LoadRecord(0, 0));
    EXPECT_FALSE(dbf.SeekRecord(0));
}

TEST_F(RecordsTest, RecordLongerThan32K) {
    TableBuilder builder;
    for (int i = 0; i < 160; ++i) builder.Field("F" + std::to_string(i), 'C', 250);
    std::string record(1, ' ');
    for (int i = 0; i < 160; ++i) record += std::string(250, char('A' + i % 26));
    const std::string path = builder.RawRecord(record).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    const auto cells = table.Load(0);
    ASSERT_EQ(cells.size(), 160u);
    EXPECT_TRUE(cells[159].Value_.SameAs(Value::FromText(std::string(250, 'A' + 159 % 26))));
}

// The direct reading of eight digits and the reading by parts agree on
// every text: result and value bit for bit.
void ExpectSameDate(std::string_view text) {
    double direct = -1, general = -1;
    const bool ok = ParseFieldDate(text, direct);
    EXPECT_EQ(ok, ParseFieldDateGeneral(text, general)) << '"' << std::string(text) << '"';
    if (ok) {
        EXPECT_EQ(std::memcmp(&direct, &general, sizeof direct), 0) << std::string(text);
    }
}

TEST(FieldDates, EightDigitsMatchReadingByParts) {
    const int years[] = {0, 1, 999, 1000, 1001, 1582, 1600, 1899, 1900, 2000, 2024, 2100, 9999};
    char text[16];
    for (int year : years) {
        for (int month = 0; month < 100; ++month) {
            for (int day = 0; day < 100; ++day) {
                std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
                ExpectSameDate(text);
            }
        }
    }
    std::mt19937 rng(8);
    for (int i = 0; i < 200000; ++i) {
        std::snprintf(text, sizeof text, "%08u", unsigned(rng() % 100000000u));
        ExpectSameDate(text);
        // A longer field: only the first eight bytes count.
        ExpectSameDate(std::string(text) + char('0' + rng() % 10) + "x");
    }
}

TEST(FieldDates, OtherTextsMatchReadingByParts) {
    const std::string_view cases[] = {
        "",         "2024",     "2024010",  "20240101", "2024 101",
        " 2024010", "+2024010", "-2024010", "$7E80101", "2024+1+1",
        "20240a01", "2024-1-1", "1e030101", "        ", std::string_view("2024\0\0\0\0", 8),
    };
    for (std::string_view text : cases) ExpectSameDate(text);
    // Every byte value at every position of a valid date.
    for (std::size_t at = 0; at < 9; ++at) {
        for (int byte = 0; byte < 256; ++byte) {
            std::string text = "20240229 ";
            text[at] = char(byte);
            ExpectSameDate(text);
            ExpectSameDate(std::string_view(text).substr(0, 8));
        }
    }
    // Random bytes from the characters the reading by parts treats apart.
    const char alphabet[] = "0123456789 +-$aAfF\0x";
    std::mt19937 rng(10);
    for (int i = 0; i < 300000; ++i) {
        std::string text(rng() % 11, ' ');
        for (char& c : text) c = alphabet[rng() % (sizeof alphabet - 1)];
        ExpectSameDate(text);
    }
}

// ---------------------------------------------------------------------------
// Texts written straight from the record

std::string NumericText(std::string_view text, std::uint8_t decimals, bool general) {
    std::string out = "|";
    if (general) {
        AppendNumericFieldTextGeneral(text, decimals, out);
    } else {
        AppendNumericFieldText(text, decimals, out);
    }
    return out;
}

TEST(NumericFieldTexts, PlainDecimalsMatchTheValueText) {
    struct Case {
        std::string_view Text;
        std::uint8_t Decimals;
        const char* Expected; // with "." as the separator
    } cases[] = {
        {"        12", 0, "12"},
        {" 1520548.80", 2, "1520548.8"},
        {"   -0.00", 2, "0"},
        {"  -0.4", 0, "0"},
        {"2.5", 0, "2"},
        {"3.5", 0, "4"},
        {"-2.5", 0, "-2"},
        {"0.5", 0, "0"},
        {"0.51", 0, "1"},
        {"-0.50000000000001", 0, "-1"},
        {"99999999999999.5", 0, "100000000000000"},
        {"999999999999999.5", 0, "1E+15"},
        {"+007.250", 3, "7.25"},
        {"0.0001", 4, "0.0001"},
        {"0.00001", 5, "1E-5"},
        {"123456789012345", 0, "123456789012345"},
        {"1234567890123456", 0, "1.23456789012346E+15"},
        {"100000000000000000000", 0, "1E+20"},
        {"0.1234567890123456789", 19, "0.123456789012346"},
        {"12.5e2", 1, "1250"},
        {"12.5E", 1, "12.5"},
        {"1.2.3", 1, "1.2"},
        {std::string_view("42\0\0", 4), 0, "42"},
        {"4 2", 0, "4"},
        {".5", 1, "0.5"},
        {"5.", 0, "5"},
        {" -", 0, "0"},
        {"**********", 0, ""},
        {"* *", 2, ""},
        {"abc", 2, "0"},
    };
    for (char separator : {'.', ','}) {
        FormatSettings fs = CLocaleProfile();
        fs.DecimalSeparator = separator;
        ScopedFormatSettings guard(fs);
        for (const Case& c : cases) {
            std::string expected = std::string("|") + c.Expected;
            std::replace(expected.begin(), expected.end(), '.', separator);
            EXPECT_EQ(NumericText(c.Text, c.Decimals, false), expected) << c.Text;
            EXPECT_EQ(NumericText(c.Text, c.Decimals, true), expected) << c.Text;
        }
    }
}

// A numeric field's text as writers leave it, and as damage leaves it: blanks
// on either side, signs, leading zeros, 1 to 22 digits around the point,
// halves, and what may follow a number.
std::string RandomNumericText(std::mt19937& rng) {
    auto digits = [&rng](std::size_t count, const char* alphabet) {
        std::string out;
        const std::size_t size = std::strlen(alphabet);
        for (std::size_t i = 0; i < count; ++i) out += alphabet[rng() % size];
        return out;
    };
    std::string text(rng() % 4, ' ');
    if (rng() % 3 == 0) text += "+-"[rng() % 2];
    if (rng() % 4 == 0) text += std::string(rng() % 4, '0');
    const char* alphabet = rng() % 3 == 0 ? "09" : rng() % 2 ? "0123456789" : "0459";
    text += digits(rng() % 18, alphabet);
    if (rng() % 3 != 0) {
        text += '.';
        if (rng() % 4 == 0) text += std::string(rng() % 6, '0');
        text += digits(rng() % 10, alphabet);
        if (rng() % 4 == 0) text += "5";
        if (rng() % 4 == 0) text += std::string(rng() % 3, '0');
    }
    const std::string_view tails[] = {
        "", "", "", " ", "  ", std::string_view("\0", 1), "e5", "E-3", "e", "x", "*", ".5", "-"};
    text += tails[rng() % std::size(tails)];
    return text;
}

TEST(NumericFieldTexts, PlainDecimalsMatchTheValueTextOnRandomTexts) {
    std::mt19937 rng(15);
    int shortcuts = 0;
    constexpr int kTexts = 200000;
    for (char separator : {'.', ','}) {
        FormatSettings fs = CLocaleProfile();
        fs.DecimalSeparator = separator;
        ScopedFormatSettings guard(fs);
        for (int i = 0; i < kTexts; ++i) {
            const std::string text = RandomNumericText(rng);
            const auto decimals = std::uint8_t(rng() % 3 == 0 ? 0 : rng() % 8);
            ASSERT_EQ(NumericText(text, decimals, false), NumericText(text, decimals, true))
                << '"' << text << "\" decimals " << int(decimals) << " separator " << separator;
            std::string ignored;
            shortcuts += TryAppendPlainDecimal(ignored, text, decimals == 0, separator) ? 1 : 0;
        }
    }
    // Most texts take the shortcut, so the comparison holds it to account.
    EXPECT_GT(shortcuts, kTexts);
}

// A table of the types that have their own text writer, and others, with
// values plain and damaged.
std::string MixedTable(const std::string& dir, std::mt19937& rng) {
    TableBuilder table;
    table.Field("N2", 'N', 12, 2)
        .Field("N0", 'N', 10, 0)
        .Field("F5", 'F', 20, 5)
        .Field("D", 'D', 8)
        .Field("L", 'L', 1)
        .Field("C", 'C', 6)
        .Field("I", 'I', 4)
        .Field("D4", 'D', 4);
    const std::string_view dates[] = {"20240229", "20230229", "10000101", "10010101", "99991231",
                                      "18991230", "2024ab01", "        ", "2024 101", "00000000"};
    const char letters[] = "TtFfYyNn? x";
    const char bytes[] = "ab \xE9\xC3\xA9\xFF;";
    for (int record = 0; record < 3000; ++record) {
        std::string c;
        for (int i = 0; i < 6; ++i) c += bytes[rng() % (sizeof bytes - 1)];
        std::string number = RandomNumericText(rng);
        std::string whole = RandomNumericText(rng);
        std::string f = RandomNumericText(rng);
        number.resize(std::min<std::size_t>(number.size(), 12));
        whole.resize(std::min<std::size_t>(whole.size(), 10));
        f.resize(std::min<std::size_t>(f.size(), 20));
        table.Row({number, whole, f, std::string(dates[rng() % std::size(dates)]),
                   std::string(1, letters[rng() % (sizeof letters - 1)]), c,
                   Le32(std::uint32_t(rng())),
                   std::string(dates[rng() % std::size(dates)].substr(0, 4))});
    }
    return table.Write(dir, "mixed.dbf");
}

// Fields used as Text give what their decoded values say, under locales
// whose short dates take the direct route and one whose do not.
TEST_F(RecordsTest, TextFieldsWriteWhatTheirValuesSay) {
    std::mt19937 rng(16);
    const std::string mixed = MixedTable(dir_.Path(), rng);
    const std::string nullFlags =
        TableBuilder(0x30)
            .Field("N", 'N', 3)
            .FieldFlags(0x02)
            .Field("V", 'V', 5)
            .FieldFlags(0x02)
            .Field("L", 'L', 1)
            .Field("_NullFlags", '0', 1)
            .FieldFlags(0x05)
            .RawRecord(" " + std::string("  1") + Hex("61 62 00 00 02") + "T" + "\x02")
            .RawRecord(" " + std::string("  1") + "abcde" + "F" + "\x05")
            .RawRecord(" " + std::string("  7") + "v    " + "?" + " ")
            .Write(dir_.Path(), "vfp.dbf");
    FormatSettings comma = CLocaleProfile();
    comma.DecimalSeparator = ',';
    comma.DateSeparator = '.';
    comma.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings named = CLocaleProfile();
    named.ShortDateFormat = "d mmm yyyy";
    for (const FormatSettings& fs : {CLocaleProfile(), comma, named}) {
        ScopedFormatSettings guard(fs);
        for (const std::string& path : {mixed, nullFlags}) {
            OpenTable values(path);
            OpenTable texts(path);
            const auto fields = std::size_t(values.Header().FieldCount);
            texts.Dbf().SetFieldUses(std::vector<FieldUse>(fields, FieldUse::Text));
            for (std::int32_t record = 0; texts.Load(record), values.Load(record).size() > 0;
                 ++record) {
                for (std::size_t i = 0; i < fields; ++i) {
                    std::string expected, text;
                    values.Dbf().AppendFieldText(std::int32_t(i), expected);
                    texts.Dbf().AppendFieldText(std::int32_t(i), text);
                    ASSERT_EQ(text, expected) << path << " record " << record << " field " << i;
                }
            }
            EXPECT_EQ(texts.Dbf().TextsNotValid(), values.Dbf().TextsNotValid());
        }
    }
}

} // namespace
} // namespace ostrane::test
