// Header, version recognition and field descriptors.
#include <gtest/gtest.h>

#include "DbfTesting.h"

namespace ostrane::test {
namespace {

using HeaderTest = DbfTest;

TEST(VersionSignatures, LookupTakesTheFirstEntryOfAByte) {
    for (std::size_t v = 0; v < VersionSignatures.size(); ++v) {
        const auto version = TDBFVersion(v);
        const TDBFVersion expected = version == dBase4   ? dBase3
                                     : version == dBase7 ? dBase5
                                                         : version;
        EXPECT_EQ(VersionFromSignature(VersionSignatures[v]), expected) << "version " << v;
    }
    EXPECT_EQ(VersionFromSignature(0x07), dBase3);
    EXPECT_EQ(VersionFromSignature(0x00), dBase3);
}

struct VersionCase {
    std::uint8_t Signature;
    TDBFVersion Version;
    int DescriptorSize; // what the builder writes, and the reader must expect
};

// Two fields and one record: the table reads right only when the descriptor
// form, the extra header bytes and the gap after the descriptors are right.
TEST_F(HeaderTest, VersionDecidesTheDescriptorForm) {
    const VersionCase cases[] = {
        {0x03, dBase3, 32},     {0x04, dBase5, 48},     {0x07, dBase3, 32},
        {0x8C, dBase7Memo, 48}, {0x30, VFP3, 32},       {0x31, VFP3AutoIncrement, 32},
        {0x32, dBase3, 32},     {0xF5, FoxProMemo, 32}, {0x8B, dBase4Memo, 32},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "signature 0x" << std::hex << int(c.Signature));
        const std::string path = TableBuilder(c.Signature)
                                     .Field("NAME", 'C', 5)
                                     .Field("QTY", 'N', 3)
                                     .Row({"Ann", " 42"})
                                     .Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        EXPECT_EQ(table.Dbf().DBFVersion, c.Version);
        EXPECT_EQ(table.Header().FieldCount, 2);
        EXPECT_EQ(table.Field(0).Name, "NAME");
        EXPECT_EQ(table.Field(1).FieldType, 'N');
        const auto cells = table.Load(0);
        ASSERT_EQ(cells.size(), 2u);
        EXPECT_TRUE(cells[0].Value_.SameAs(Value::FromText("Ann  ")));
        EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromDouble(42)));
    }
}

struct CountCase {
    const char* Name;
    TableBuilder Table;
    std::int32_t FieldCount;     // after the descriptors were read
    std::int32_t DimensionCount; // what OnDimensions reported
};

TEST_F(HeaderTest, FieldCountFromHeaderLength) {
    auto threeFields = [](std::uint8_t signature) {
        return TableBuilder(signature).Field("A", 'C', 1).Field("B", 'C', 2).Field("C", 'C', 3);
    };
    const CountCase cases[] = {
        // 296 + 32 x 3: three descriptors before the 263-byte gap, no terminator.
        {"VFP3 296 + 32k", threeFields(0x30).Terminator(std::nullopt).HeaderLength(296 + 96), 3, 3},
        // No terminator: the header ends with the last descriptor.
        {"no terminator", threeFields(0x03).Terminator(std::nullopt), 3, 3},
        {"no terminator, 48-byte form", threeFields(0x8C).Terminator(std::nullopt), 3, 3},
        // The header claims room for five descriptors; 0x0D ends them after three.
        {"terminator, 32-byte form", threeFields(0x03).HeaderLength(32 + 5 * 32 + 1), 3, 5},
        {"terminator, 48-byte form", threeFields(0x04).HeaderLength(68 + 5 * 48 + 1), 3, 5},
        // A header too short for any descriptor: 0 or negative, nothing read.
        {"header of 20 bytes", threeFields(0x03).HeaderLength(20), 0, 0},
        {"header of 0 bytes", threeFields(0x03).HeaderLength(0), -1, -1},
        {"VFP header of 33 bytes", threeFields(0x30).HeaderLength(33), -8, -8},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = c.Table.Write(dir_.Path(), "t.dbf");
        FileStream stream(path, FileStream::Mode::OpenRead);
        TDBF dbf;
        std::int32_t reported = 12345;
        dbf.OnDimensions = [&](Sender, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t lastColumn) { reported = lastColumn; };
        dbf.ParseStream(stream);
        TDBFHeader header;
        dbf.GetHeader(header);
        EXPECT_EQ(header.FieldCount, c.FieldCount);
        EXPECT_EQ(reported, c.DimensionCount);
    }
}

TEST_F(HeaderTest, OffsetsComeFromPackingNotFromTheDescriptors) {
    const std::string path = TableBuilder()
                                 .Field("A", 'C', 10)
                                 .StoredOffset(100)
                                 .Field("B", 'C', 8)
                                 .StoredOffset(7)
                                 .Field("C", 'L', 1)
                                 .StoredOffset(0)
                                 .Row({"0123456789", "abcdefgh", "T"})
                                 .Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_EQ(table.Field(0).Offset, 1);
    EXPECT_EQ(table.Field(1).Offset, 11);
    EXPECT_EQ(table.Field(2).Offset, 19);
    const auto cells = table.Load(0);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromText("abcdefgh")));
    EXPECT_TRUE(cells[2].Value_.SameAs(Value::FromBoolean(true)));
}

TEST_F(HeaderTest, EventsOfTheParse) {
    const std::string path =
        TableBuilder(0x04)
            .Field("NAME", 'C', 7)
            .Field("WHEN", 'D', 8)
            .HeaderLength(68 + 4 * 48 + 1) // room for four, terminator after two
            .RecordCount(3)
            .Write(dir_.Path(), "t.dbf");
    FileStream stream(path, FileStream::Mode::OpenRead);
    TDBF dbf;
    std::vector<std::vector<std::int32_t>> dimensions, widths;
    dbf.OnDimensions = [&](Sender sender, std::int32_t sheet, std::int32_t firstRow,
                           std::int32_t lastRow, std::int32_t firstColumn,
                           std::int32_t lastColumn) {
        EXPECT_EQ(sender, &dbf);
        dimensions.push_back({sheet, firstRow, lastRow, firstColumn, lastColumn});
    };
    dbf.OnColumnWidth = [&](Sender sender, std::int32_t sheet, std::int32_t column,
                            std::int32_t width) {
        EXPECT_EQ(sender, &dbf);
        widths.push_back({sheet, column, width});
    };
    dbf.ParseStream(stream);
    EXPECT_EQ(dimensions, (std::vector<std::vector<std::int32_t>>{{0, 0, 3, 0, 4}}));
    EXPECT_EQ(widths, (std::vector<std::vector<std::int32_t>>{{0, 0, 7}, {0, 1, 8}}));
}

TEST_F(HeaderTest, AccessorsBeforeAnyParseAndOutOfRange) {
    TDBF dbf;
    TDBFHeader header;
    header.RecordCount = 99;
    dbf.GetHeader(header);
    EXPECT_EQ(header.Signature, 0);
    EXPECT_EQ(header.RecordCount, 0);
    EXPECT_EQ(header.FieldCount, 0);
    EXPECT_FALSE(dbf.IsEncrypted());

    const std::string path =
        TableBuilder().Field("ONLY", 'C', 3).EncryptionFlag(1).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_TRUE(table.Dbf().IsEncrypted());
    for (std::int32_t index : {-1, 1, 4095, 100000}) {
        const TDBFField field = table.Field(index);
        EXPECT_EQ(field.Name, "");
        EXPECT_EQ(field.FieldType, 0);
        EXPECT_EQ(field.Length, 0);
    }
}

TEST_F(HeaderTest, NamesFillTheirWholeWidth) {
    const std::string name32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    OpenTable narrow(TableBuilder().Field("ELEVENCHARS", 'C', 1).Write(dir_.Path(), "a.dbf"));
    EXPECT_EQ(narrow.Field(0).Name, "ELEVENCHARS");
    OpenTable wide(TableBuilder(0x8C).Field(name32, 'C', 1).Write(dir_.Path(), "b.dbf"));
    EXPECT_EQ(wide.Field(0).Name, name32);
}

// Headers that lie about their sizes: nothing may be read outside memory
// (the sanitizer build checks), and records the file lacks are not delivered.
TEST_F(HeaderTest, LyingHeadersStayInsideMemory) {
    TableBuilder widest(0x8B); // 2046 descriptors of 255 bytes, records of 65535
    for (int i = 0; i < 2046; ++i) widest.RawDescriptor(std::string(32, '\xFF'));
    widest.Terminator(std::nullopt)
        .RecordLength(65535)
        .RecordCount(3)
        .Append(std::string(70000, 'x'));
    const std::pair<TableBuilder, std::int64_t> cases[] = {
        // Descriptors claimed far beyond the end of the file.
        {TableBuilder().Field("A", 'C', 4).Row({"abcd"}).HeaderLength(65535).TruncateTo(120), 0},
        // A descriptor cut in the middle.
        {TableBuilder().Field("A", 'C', 4).Field("B", 'N', 9).TruncateTo(32 + 32 + 10), 0},
        // A record of 65535 bytes in a small file.
        {TableBuilder().Field("A", 'I', 4).Row({Le32(7)}).RecordLength(65535), 1},
        // Fields reaching past the record, fixed-width reads wider than the field.
        {TableBuilder()
             .Field("A", 'C', 200)
             .Field("B", 'O', 8)
             .Field("C", '@', 2)
             .RecordLength(3)
             .RawRecord(" ab"),
         1},
        // A record count far beyond the records.
        {TableBuilder()
             .Field("A", 'Y', 1)
             .Field("B", 'T', 3)
             .Row({"x", "abc"})
             .RecordCount(0x7FFFFFFF),
         1},
        {widest, 2},
    };
    for (const auto& [builder, present] : cases) {
        const std::string path = builder.Write(dir_.Path(), "t.dbf");
        OpenTable table(path);
        EXPECT_EQ(table.Dbf().RecordsPresent(), present);
        for (std::int32_t i = 0; i < 3; ++i) {
            table.Load(i);
            EXPECT_EQ(table.Delivered(), i < present) << "record " << i;
        }
    }
}

TEST_F(HeaderTest, LoadAllModeNumbersDeliveredRowsAndStopsAfterLastRow) {
    TableBuilder builder;
    builder.Field("N", 'N', 2);
    for (int i = 0; i < 10; ++i) {
        const std::string text = std::to_string(i);
        if (i == 1)
            builder.DeletedRow({text});
        else
            builder.Row({text});
    }
    const std::string path = builder.Write(dir_.Path(), "t.dbf");
    TDBF dbf;
    std::vector<std::pair<std::int32_t, double>> rows;
    dbf.OnCellValue = [&](Sender, std::int32_t, std::int32_t row, std::int32_t, std::int32_t,
                          const Value& value, TAlignment,
                          TQzICellType) { rows.emplace_back(row, value.DoublePayload()); };
    dbf.LoadOnDemand = false;
    dbf.Range->LastRow = 5;
    dbf.LoadFromFile(std::u16string(path.begin(), path.end()));
    // Records 0 to 6 are read; the deleted record 1 leaves no gap in the rows.
    const std::vector<std::pair<std::int32_t, double>> expected = {{0, 0}, {1, 2}, {2, 3},
                                                                   {3, 4}, {4, 5}, {5, 6}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(dbf.CurrentRow, 6);
    // The header stays readable; records cannot be loaded any more.
    TDBFHeader header;
    dbf.GetHeader(header);
    EXPECT_EQ(header.RecordCount, 10);
    EXPECT_FALSE(dbf.LoadRecord(0, 0));
}

TEST_F(HeaderTest, BeforeParseNamesTheSheetAndChoosesDimensionTracking) {
    const std::string path = TableBuilder().Field("A", 'C', 1).Write(dir_.Path(), "cust.dbf");
    for (TQzIRowStatuses statuses :
         {RowStatusBit(rsNormal),
          TQzIRowStatuses(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted))}) {
        OpenTable table(path, dmDBT, statuses);
        TSpreadSheet& sheet = table.Dbf().Sheets->Sheet(0);
        EXPECT_EQ(sheet.Caption, u"cust.dbf");
        EXPECT_EQ(sheet.Cells.TrackDimensions, statuses == RowStatusBit(rsNormal));
        EXPECT_EQ(table.Dbf().CurrentRow, -1);
    }
}

} // namespace
} // namespace ostrane::test
