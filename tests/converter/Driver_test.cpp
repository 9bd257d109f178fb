// The driver's cell handler, field values and the record error.
#include <gtest/gtest.h>

#include "converter/Driver.h"

namespace ostrane {
namespace {

// The row of a run, under the name the tests use.
struct RowFixture {
    TA ta;
    TSpreadSheetRow& row = *ta.Row;
};

TEST(Driver, CaptureCellStoresEveryValueWhereTheColumnSays) {
    RowFixture f;
    CaptureCell(f.ta, 2, 0, Value::FromText("abc"), taLeftJustify);
    ASSERT_EQ(f.row.Cols.Count(), 3);
    EXPECT_EQ(f.row.Cols.OrNil(0), nullptr);
    EXPECT_EQ(f.row.Cols.OrNil(1), nullptr);
    const TQzICell* cell = f.row.Cols.OrNil(2);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->Value_.SameAs(Value::FromText("abc")));
    EXPECT_EQ(cell->CellType, ictUnknown);

    // Null and Empty are stored too; alignment and format index follow.
    CaptureCell(f.ta, 2, 7, Value::MakeNull(), taRightJustify);
    EXPECT_TRUE(cell->Value_.IsNull());
    EXPECT_EQ(cell->Alignment, taRightJustify);
    EXPECT_EQ(cell->FormatIndex, 7);
    CaptureCell(f.ta, 0, 0, Value(), taLeftJustify);
    EXPECT_TRUE(f.row.Cols.OrNil(0)->Value_.IsEmpty());

    CaptureCell(f.ta, -1, 0, Value::FromInteger(1), taLeftJustify);
    EXPECT_EQ(f.row.Cols.Count(), 3);
}

TEST(Driver, CaptureCellCopiesEveryKind) {
    RowFixture f;
    const Value values[] = {
        Value(),
        Value::MakeNull(),
        Value::FromSmallInt(-7),
        Value::FromInteger(123456),
        Value::FromByte(255),
        Value::FromSingle(1.5f),
        Value::FromDouble(-2.25),
        Value::FromCurrencyUnits(123456),
        Value::FromDateTime(36526.5),
        Value::FromBoolean(true),
        Value::FromWideText(u"wide"),
        Value::FromText(std::string("a\0b", 3)),
    };
    // The same cell overwritten kind after kind.
    for (const Value& v : values) {
        CaptureCell(f.ta, 0, 0, v, taLeftJustify);
        EXPECT_TRUE(f.row.Cols.OrNil(0)->Value_.SameAs(v)) << int(v.Kind());
    }
}

TEST(Driver, FieldValue) {
    RowFixture f;
    CaptureCell(f.ta, 0, 0, Value::FromBoolean(true), taLeftJustify);
    CaptureCell(f.ta, 1, 0, Value::FromBoolean(false), taLeftJustify);
    CaptureCell(f.ta, 2, 0, Value::FromDouble(4.5), taRightJustify);
    CaptureCell(f.ta, 4, 0, Value::MakeNull(), taLeftJustify);
    EXPECT_TRUE(FieldValue(f.ta, 0).SameAs(Value::FromText("1")));
    EXPECT_TRUE(FieldValue(f.ta, 1).SameAs(Value::FromText("0")));
    EXPECT_TRUE(FieldValue(f.ta, 2).SameAs(Value::FromDouble(4.5)));
    EXPECT_TRUE(FieldValue(f.ta, 3).IsNull()); // no cell
    EXPECT_TRUE(FieldValue(f.ta, 4).IsNull());
    EXPECT_TRUE(FieldValue(f.ta, 9).IsNull());
    EXPECT_TRUE(FieldValue(f.ta, -1).IsNull());
    // ClearValues leaves Null behind.
    f.row.ClearValues();
    EXPECT_TRUE(FieldValue(f.ta, 0).IsNull());
}

TEST(Driver, RecordErrorKeepsClassAndMessage) {
    const ERecordError error(EConvertError("Format result longer than 4096 characters"), 41);
    EXPECT_STREQ(error.ClassName(), "EConvertError");
    EXPECT_EQ(error.Message(), "Format result longer than 4096 characters");
    EXPECT_EQ(error.Record(), 41);
    EXPECT_EQ(error.MessageWithRecord(), "Format result longer than 4096 characters (record 41)");
}

} // namespace
} // namespace ostrane
