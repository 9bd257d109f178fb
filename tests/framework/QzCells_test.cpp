// The store: column names, cells, rows, sheets and ranges.
#include <gtest/gtest.h>

#include <climits>

#include "framework/QzCells.h"
#include "platform/Exceptions.h"

namespace ostrane {
namespace {

TEST(ColumnLettersTest, BijectiveBase26) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {1, "A"},    {26, "Z"},    {27, "AA"}, {52, "AZ"}, {53, "BA"},
        {702, "ZZ"}, {703, "AAA"}, {0, ""},    {-7, ""},   {INT_MAX, "FXSHRXW"},
    };
    for (const auto& [n, letters] : cases) EXPECT_EQ(ColumnLetters(n), letters) << n;
}

TEST(ColumnIndexFromLettersTest, WithMaximumTen) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"a", 0}, {"A", 0}, {"J", 9}, {"j", 9}, {"K", -1}, {"A1", -1}, {"", -1}, {" A", -1},
    };
    for (const auto& [text, index] : cases) EXPECT_EQ(ColumnIndexFromLetters(text, 10), index);
}

TEST(ColumnIndexFromLettersTest, InvertsColumnLetters) {
    for (std::int32_t n = 1; n <= 20000; ++n)
        ASSERT_EQ(ColumnIndexFromLetters(ColumnLetters(n), INT_MAX), n - 1) << n;
    EXPECT_EQ(ColumnIndexFromLetters("FXSHRXW", INT_MAX), INT_MAX - 1);
}

TEST(ColumnIndexFromLettersTest, SumsBeyond32BitsExceedTheMaximum) {
    EXPECT_EQ(ColumnIndexFromLetters("FXSHRXX", INT_MAX), -1); // 2^31
    EXPECT_EQ(ColumnIndexFromLetters("ZZZZZZZZZZZZZZZZZZZZ", INT_MAX), -1);
    EXPECT_EQ(ColumnIndexFromLetters("A", 0), -1);
    EXPECT_EQ(ColumnIndexFromLetters("A", -5), -1);
}

TEST(FillColumnNamesTest, LettersWhenNoNamesAreGiven) {
    TStringList list{{"stale", 99}};
    FillColumnNames(3, "", list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Text, "A");
    EXPECT_EQ(list[0].Number, 1);
    EXPECT_EQ(list[2].Text, "C");
    EXPECT_EQ(list[2].Number, 3);
    FillColumnNames(0, "", list);
    EXPECT_TRUE(list.empty());
}

TEST(FillColumnNamesTest, NamedPiecesKeepEmptyOnesButNotATrailingOne) {
    TStringList list;
    FillColumnNames(3, "b;;zz;C;", list);
    const std::pair<const char*, std::int32_t> expected[] = {
        {"b", 1}, {"", -1}, {"zz", -1}, {"C", 2}};
    ASSERT_EQ(list.size(), std::size(expected));
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].Text, expected[i].first);
        EXPECT_EQ(list[i].Number, expected[i].second);
    }
    FillColumnNames(3, ";", list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Text, "");
}

TEST(OwnedListTest, IndexOutsideTheListRaisesListError) {
    TSpreadSheetCols cols;
    cols.Add(std::make_unique<TQzICell>());
    for (std::int32_t bad : {-1, 1, 7}) {
        try {
            cols.Get(bad);
            ADD_FAILURE() << bad;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    EXPECT_THROW(cols.Delete(1), EListError);
    EXPECT_THROW(cols.Insert(2, nullptr), EListError);
    EXPECT_NE(CellOrNil(cols, 0), nullptr);
    EXPECT_EQ(CellOrNil(cols, -1), nullptr);
    EXPECT_EQ(CellOrNil(cols, 1), nullptr);
}

TEST(SpreadSheetCellsTest, NullAndEmptyValuesAreNotStored) {
    TSpreadSheetCells cells;
    cells.SetCell(0, 0, Value::MakeNull(), taLeftJustify, 0, ictString);
    cells.SetCell(1, 1, Value(), taLeftJustify, 0, ictString);
    cells.SetCell(-1, 0, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    cells.SetCell(0, -1, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    EXPECT_EQ(cells.Count(), 0);
    EXPECT_EQ(cells.RowCount, 0);
    EXPECT_EQ(cells.ColCount, 0);
}

TEST(SpreadSheetCellsTest, SetCellCreatesRowsAndTracksDimensions) {
    TSpreadSheetCells cells;
    cells.SetCell(5, 2, Value::FromText("x"), taRightJustify, 7, ictString);
    ASSERT_EQ(cells.Count(), 3);
    EXPECT_EQ(cells.ColCount, 6);
    EXPECT_EQ(cells.RowCount, 3);
    for (std::int32_t r = 0; r < 3; ++r) EXPECT_EQ(cells.Get(r)->RowNo, r);
    EXPECT_EQ(cells.Get(0)->Cols.Count(), 0);
    const TSpreadSheetCols& cols = cells.Get(2)->Cols;
    ASSERT_EQ(cols.Count(), 6);
    for (std::int32_t c = 0; c < 5; ++c) EXPECT_EQ(cols.Get(c), nullptr) << c;

    const TQzICell* cell = cells.CellAt(5, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->Value_.SameAs(Value::FromText("x")));
    EXPECT_EQ(cell->Alignment, taRightJustify);
    EXPECT_EQ(cell->FormatIndex, 7);
    EXPECT_EQ(cell->CellType, ictString);
    EXPECT_TRUE(cells.ValueAt(5, 2).SameAs(Value::FromText("x")));
    for (auto [col, row] : {std::pair{4, 2}, {6, 2}, {0, 3}, {-1, 2}, {5, -1}})
        EXPECT_TRUE(cells.ValueAt(col, row).IsNull()) << col << "," << row;

    // A smaller cell neither shrinks the dimensions nor replaces the cell object.
    cells.SetCell(5, 2, Value::FromInteger(3), taLeftJustify, 0, ictInteger);
    cells.SetCell(1, 0, Value::FromInteger(4), taLeftJustify, 0, ictInteger);
    EXPECT_EQ(cells.CellAt(5, 2), cell);
    EXPECT_EQ(cells.ColCount, 6);
    EXPECT_EQ(cells.RowCount, 3);
}

TEST(SpreadSheetCellsTest, UntrackedDimensionsStayPut) {
    TSpreadSheetCells cells;
    cells.TrackDimensions = false;
    cells.SetCell(3, 4, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    EXPECT_EQ(cells.Count(), 5);
    EXPECT_EQ(cells.ColCount, 0);
    EXPECT_EQ(cells.RowCount, 0);
}

TEST(SpreadSheetCellsTest, EnsureRowKeepsExistingRowsAndClearRowsResetsCounts) {
    TSpreadSheetCells cells;
    cells.EnsureRow(1);
    cells.Get(1)->Status = rsDeleted;
    cells.EnsureRow(3);
    EXPECT_EQ(cells.Count(), 4);
    EXPECT_EQ(cells.Get(1)->Status, rsDeleted);
    EXPECT_EQ(cells.Get(3)->RowNo, 3);

    cells.SetCell(0, 0, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    cells.DeclaredColCount = 9;
    cells.DeclaredRowCount = 9;
    cells.TrackDimensions = false;
    cells.ClearRows();
    EXPECT_EQ(cells.Count(), 0);
    EXPECT_EQ(cells.DeclaredColCount, 0);
    EXPECT_EQ(cells.DeclaredRowCount, 0);
    EXPECT_EQ(cells.ColCount, 0);
    EXPECT_EQ(cells.RowCount, 0);
    EXPECT_FALSE(cells.TrackDimensions);
}

TEST(SpreadSheetRowTest, ClearValuesKeepsTheCells) {
    TSpreadSheetCells cells;
    const TQzICellType types[] = {ictString, ictInteger, ictDate};
    for (std::int32_t c = 0; c < 3; ++c)
        cells.SetCell(c, 0, Value::FromInteger(c + 1), taRightJustify, 5, types[c]);
    TSpreadSheetRow& row = *cells.Get(0);
    const TQzICell* before[] = {row.Cols.Get(0), row.Cols.Get(1), row.Cols.Get(2)};
    row.ClearValues();
    ASSERT_EQ(row.Cols.Count(), 3);
    for (std::int32_t c = 0; c < 3; ++c) {
        const TQzICell* cell = row.Cols.Get(c);
        EXPECT_EQ(cell, before[c]);
        EXPECT_TRUE(cell->Value_.IsNull());
        EXPECT_EQ(cell->Alignment, taLeftJustify);
        EXPECT_EQ(cell->FormatIndex, -1);
        EXPECT_EQ(cell->CellType, types[c]);
    }
}

TEST(SpreadSheetsTest, SheetCreatesWhatIsMissingAndNamesItByPosition) {
    TSpreadSheets sheets;
    sheets.Sheet(2);
    ASSERT_EQ(sheets.Count(), 3);
    EXPECT_EQ(sheets.Get(0)->Caption, u"Sheet1");
    EXPECT_EQ(sheets.Get(1)->Caption, u"Sheet2");
    EXPECT_EQ(sheets.Get(2)->Caption, u"Sheet3");
    EXPECT_EQ(&sheets.Sheet(-4), sheets.Get(0));
    EXPECT_EQ(sheets.Count(), 3);

    sheets.DeleteSheet(0);
    EXPECT_EQ(sheets.AddSheet(), 2);
    EXPECT_EQ(sheets.Get(2)->Caption, u"Sheet3");
    sheets.ClearSheets();
    EXPECT_EQ(sheets.Count(), 0);
    EXPECT_EQ(sheets.Sheet(0).Caption, u"Sheet1");
}

TEST(SpreadSheetsTest, SheetClassCanBeReplaced) {
    struct TTableSheet : TSpreadSheet {
        int Marker = 42;
    };
    TSpreadSheets sheets;
    EXPECT_FALSE(sheets.SheetClass);
    sheets.AddSheet();
    EXPECT_TRUE(sheets.SheetClass);
    sheets.SheetClass = [] { return std::make_unique<TTableSheet>(); };
    sheets.AddSheet();
    EXPECT_EQ(dynamic_cast<TTableSheet*>(sheets.Get(0)), nullptr);
    auto* table = dynamic_cast<TTableSheet*>(sheets.Get(1));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Marker, 42);
    EXPECT_EQ(table->Caption, u"Sheet2");
}

TEST(PersistentTest, AssignCopiesFromTheSameClassOnly) {
    TQzICell source;
    source.Value_ = Value::FromText("v");
    source.Alignment = taCenter;
    source.FormatIndex = 3;
    source.CellType = ictMemo;
    TQzICell cell;
    cell.Assign(source);
    EXPECT_TRUE(cell.Value_.SameAs(source.Value_));
    EXPECT_EQ(cell.Alignment, taCenter);
    EXPECT_EQ(cell.FormatIndex, 3);
    EXPECT_EQ(cell.CellType, ictMemo);

    TQzRange range;
    range.FirstRow = 2;
    range.LastRow = 3;
    range.FirstCol = 4;
    range.LastCol = 5;
    TQzRange copy;
    copy.Assign(range);
    EXPECT_EQ(copy.FirstRow, 2);
    EXPECT_EQ(copy.LastRow, 3);
    EXPECT_EQ(copy.FirstCol, 4);
    EXPECT_EQ(copy.LastCol, 5);

    try {
        cell.Assign(range);
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TQzRange to a TQzICell");
    }
    TSpreadSheetRow row;
    EXPECT_THROW(copy.Assign(row), EConvertError);
    EXPECT_EQ(copy.FirstRow, 2);
}

TEST(QzRangeTest, Defaults) {
    TQzRange range;
    EXPECT_EQ(range.FirstRow, 1);
    EXPECT_EQ(range.LastRow, INT_MAX);
    EXPECT_EQ(range.FirstCol, 1);
    EXPECT_EQ(range.LastCol, INT_MAX);
}

} // namespace
} // namespace ostrane
