// The import component: settings, default handlers, hooks and loading.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "framework/QzCells.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/Process.h"

namespace ostrane {
namespace {

std::u16string Wide(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Records where the stream stood when the load reached ParseStream.
class TProbeFile : public TSpreadSheetFile {
public:
    std::int64_t ParsedAt = -1;
    void ParseStream(FileStream& stream) override {
        TSpreadSheetFile::ParseStream(stream);
        ParsedAt = stream.Position();
    }
};

TEST(SpreadSheetFileTest, ConstructionDefaults) {
    TSpreadSheetFile file;
    EXPECT_EQ(file.FileName, "");
    EXPECT_FALSE(file.LoadNULLs);
    EXPECT_EQ(file.SheetIndex, -1);
    ASSERT_NE(file.Range, nullptr);
    EXPECT_EQ(file.Range->LastRow, INT_MAX);
    EXPECT_FALSE(file.LoadOnDemand);
    EXPECT_EQ(file.NameKind, nkAlphabet);
    EXPECT_EQ(file.LoadRowStatutes, RowStatusBit(rsNormal));
    EXPECT_EQ(file.ParseItems, 0x13);
    EXPECT_TRUE(file.CheckFileExists);
    ASSERT_NE(file.Sheets, nullptr);
    EXPECT_EQ(file.Sheets->Count(), 0);
    EXPECT_EQ(file.CurrentRow, 0);
    EXPECT_FALSE(file.IsEncrypted());
    EXPECT_FALSE(file.OnCellValue || file.OnDimensions || file.OnSheet || file.OnLoadProgress);
    EXPECT_EQ(file.ReadBlob(1, 0), "");
    EXPECT_EQ(file.ReadWideBlob(1, 0), u"");
}

TEST(SpreadSheetFileTest, PrepareLoadKeepsUserHandlersAndEmptiesSheets) {
    TSpreadSheetFile file;
    int userCalls = 0;
    file.OnCellValue = [&](Sender, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                           const Value&, TAlignment, TQzICellType) { ++userCalls; };
    file.Sheets->Sheet(1);
    file.PrepareLoad();

    EXPECT_EQ(file.Sheets->Count(), 0);
    EXPECT_TRUE(file.OnDimensions && file.OnGetCellValue && file.OnSheet && file.OnSheetName &&
                file.OnColumnWidth && file.OnRowHeight);
    EXPECT_FALSE(file.OnRecord || file.OnRecordStatusChanged || file.OnErrorProcess ||
                 file.OnLoadProgress);
    file.OnCellValue(&file, 0, 0, 0, 0, Value::FromInteger(1), taLeftJustify, ictInteger);
    EXPECT_EQ(userCalls, 1);
    EXPECT_EQ(file.Sheets->Count(), 0); // the user's handler stored nothing
}

TEST(SpreadSheetFileTest, DefaultDimensionsCapsColumnsByTheRange) {
    TSpreadSheetFile file;
    file.Range->LastCol = 256;
    file.PrepareLoad();
    file.OnDimensions(&file, 0, 5, 12, 7, 300);
    const TSpreadSheetCells& cells = file.Sheets->Sheet(0).Cells;
    EXPECT_EQ(cells.DeclaredColCount, 256);
    EXPECT_EQ(cells.DeclaredRowCount, 12);
    EXPECT_EQ(cells.ColCount, 0); // tracked dimensions follow stored cells only

    file.Sheets->Sheet(1).Cells.TrackDimensions = false;
    file.OnDimensions(&file, 1, 0, 4, 0, 3);
    const TSpreadSheetCells& untracked = file.Sheets->Sheet(1).Cells;
    EXPECT_EQ(untracked.RowCount, 4);
    EXPECT_EQ(untracked.ColCount, 3);
}

TEST(SpreadSheetFileTest, DefaultCellValueStoresWithinTheRange) {
    TSpreadSheetFile file;
    file.Range->LastRow = 10;
    file.Range->LastCol = 4;
    file.PrepareLoad();
    file.OnCellValue(&file, 0, 11, 0, 0, Value::FromInteger(1), taLeftJustify, ictInteger);
    file.OnCellValue(&file, 0, 0, 5, 0, Value::FromInteger(1), taLeftJustify, ictInteger);
    EXPECT_EQ(file.Sheets->Sheet(0).Cells.Count(), 0);

    file.OnCellValue(&file, 1, 10, 4, 3, Value::FromText("t"), taCenter, ictString);
    const TQzICell* cell = file.Sheets->Sheet(1).Cells.CellAt(4, 10);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->Value_.SameAs(Value::FromText("t")));
    EXPECT_EQ(cell->Alignment, taCenter);
    EXPECT_EQ(cell->FormatIndex, 3);
    EXPECT_EQ(cell->CellType, ictString);

    Value read = Value::FromInteger(99);
    file.OnGetCellValue(&file, 1, 10, 4, read);
    EXPECT_TRUE(read.SameAs(Value::FromText("t")));
    file.OnGetCellValue(&file, 1, 9, 4, read);
    EXPECT_TRUE(read.IsNull());
}

TEST(SpreadSheetFileTest, DefaultCellValueSwallowsStoringErrors) {
    TSpreadSheetFile file;
    file.PrepareLoad();
    file.Sheets->SheetClass = []() -> std::unique_ptr<TSpreadSheet> {
        throw EListError("no sheet");
    };
    EXPECT_NO_THROW(
        file.OnCellValue(&file, 0, 0, 0, 0, Value::FromInteger(1), taLeftJustify, ictInteger));
    EXPECT_EQ(file.Sheets->Count(), 0);
}

TEST(SpreadSheetFileTest, DefaultSheetSkipsAllButTheChosenSheetAndAddsEach) {
    TSpreadSheetFile file;
    file.SheetIndex = 1;
    file.PrepareLoad();
    bool skip = false;
    file.OnSheet(&file, u"First", 0, skip);
    EXPECT_TRUE(skip);
    skip = true;
    file.OnSheet(&file, u"Second", 1, skip);
    EXPECT_FALSE(skip);
    ASSERT_EQ(file.Sheets->Count(), 2);
    EXPECT_EQ(file.Sheets->Get(0)->Caption, u"First");
    EXPECT_EQ(file.Sheets->Get(1)->Caption, u"Second");

    file.SheetIndex = -1;
    skip = true;
    file.OnSheet(&file, u"Third", 5, skip);
    EXPECT_TRUE(skip); // left as it came
    EXPECT_EQ(file.Sheets->Count(), 3);
}

TEST(SpreadSheetFileTest, DefaultSheetNameRenamesExistingSheetsOnly) {
    TSpreadSheetFile file;
    file.PrepareLoad();
    file.Sheets->Sheet(0);
    file.OnSheetName(&file, u"Renamed", 0);
    file.OnSheetName(&file, u"Nowhere", 1);
    file.OnSheetName(&file, u"Nowhere", -1);
    EXPECT_EQ(file.Sheets->Count(), 1);
    EXPECT_EQ(file.Sheets->Get(0)->Caption, u"Renamed");
}

TEST(SpreadSheetFileTest, DefaultColumnWidthAndRowHeight) {
    TSpreadSheetFile file;
    file.PrepareLoad();
    file.OnColumnWidth(&file, 0, 3, 17);
    file.OnColumnWidth(&file, 0, 1, 5);
    EXPECT_EQ(file.Sheets->Sheet(0).ColumnWidths, (std::vector<std::int32_t>{0, 5, 0, 17}));
    EXPECT_THROW(file.OnColumnWidth(&file, 0, -1, 5), EListError);

    file.OnRowHeight(&file, 0, 2, 30);
    const TSpreadSheetCells& cells = file.Sheets->Sheet(0).Cells;
    ASSERT_EQ(cells.Count(), 3);
    EXPECT_EQ(cells.Get(2)->Height, 30);
    EXPECT_EQ(cells.Get(0)->Height, 0);
    EXPECT_THROW(file.OnRowHeight(&file, 0, -1, 5), EListError);
}

TEST(SpreadSheetFileTest, DoProgressCallsTheProcedureThenTheEvent) {
    TSpreadSheetFile file;
    file.DoProgress(1, 2); // nothing set: nothing happens
    std::string calls;
    file.ProgressProc = [&](std::int32_t p, std::int32_t t) {
        calls += "proc " + std::to_string(p) + "/" + std::to_string(t) + ";";
    };
    file.OnLoadProgress = [&](Sender s, std::int32_t p, std::int32_t t) {
        EXPECT_EQ(s, &file);
        calls += "event " + std::to_string(p) + "/" + std::to_string(t) + ";";
    };
    file.DoProgress(3, 9);
    EXPECT_EQ(calls, "proc 3/9;event 3/9;");
}

TEST(SpreadSheetFileTest, SetRowStatusReportsEvenWithoutARow) {
    TSpreadSheetFile file;
    std::vector<std::int32_t> reported;
    file.OnRecordStatusChanged = [&](Sender s, std::int32_t sheet, std::int32_t row,
                                     TQzIRowStatus status) {
        EXPECT_EQ(s, &file);
        reported.insert(reported.end(), {sheet, row, status});
    };
    file.Sheets->Sheet(0).Cells.EnsureRow(1);
    file.SetRowStatus(0, 1, rsDeleted);
    file.SetRowStatus(0, 5, rsError);
    EXPECT_EQ(file.Sheets->Sheet(0).Cells.Get(1)->Status, rsDeleted);
    EXPECT_EQ(file.Sheets->Sheet(0).Cells.Count(), 2);
    EXPECT_EQ(reported, (std::vector<std::int32_t>{0, 1, rsDeleted, 0, 5, rsError}));
}

TEST(SpreadSheetFileTest, ColumnNamesFollowTheChosenSheet) {
    TSpreadSheetFile file;
    file.Sheets->Sheet(0).Cells.SetCell(2, 0, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    file.Sheets->Sheet(1).Cells.SetCell(4, 0, Value::FromInteger(1), taLeftJustify, 0, ictInteger);
    EXPECT_EQ(file.GetColumnIndex("c"), 2);
    EXPECT_EQ(file.GetColumnIndex("D"), -1);
    file.SheetIndex = 1;
    EXPECT_EQ(file.GetColumnIndex("E"), 4);
    TStringList names;
    file.GetColumnNames(names, "");
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[4].Text, "E");
    file.GetColumnNames(names, "b;x");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].Number, 1);
    EXPECT_EQ(names[1].Number, -1);

    file.NameKind = nkFieldName;
    EXPECT_EQ(file.GetColumnIndex("A"), -1);
    file.GetColumnNames(names, "");
    EXPECT_TRUE(names.empty());
}

TEST(SpreadSheetFileTest, BaseHooksTrackTheCurrentRow) {
    TSpreadSheetFile file;
    file.BeforeParse();
    EXPECT_EQ(file.CurrentRow, -1);
    EXPECT_TRUE(file.SeekRecord(4));
    EXPECT_TRUE(file.LoadRecord(7, 0));
    EXPECT_EQ(file.CurrentRow, 7);
    file.AfterParse();
    EXPECT_EQ(file.CurrentRow, 7);
}

TEST(SpreadSheetFileTest, LoadFromFileChecksTheName) {
    test::TempDir dir;
    const std::string missing = dir.File("missing.dbf");
    TSpreadSheetFile file;
    file.Sheets->Sheet(0);
    const std::pair<std::u16string, std::string> failures[] = {
        {u"", "File is not defined."},
        {u" \t\x01 ", "File is not defined."},
        {Wide(missing), "File " + missing + " does not exist."},
        {Wide(dir.Path()), "File " + dir.Path() + " does not exist."},
    };
    for (const auto& [name, message] : failures) {
        try {
            file.LoadFromFile(name);
            ADD_FAILURE() << message;
        } catch (const EQzIFileException& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
    // Nothing changed before the checks failed.
    EXPECT_EQ(file.FileName, "");
    EXPECT_EQ(file.Sheets->Count(), 1);
    EXPECT_FALSE(file.OnCellValue);

    const std::string present = dir.Write("t.dbf", "x");
    file.LoadFromFile(Wide(present));
    EXPECT_EQ(file.FileName, present);
    EXPECT_EQ(file.Sheets->Count(), 0);
    EXPECT_TRUE(file.OnCellValue);

    TSpreadSheetFile unchecked;
    unchecked.CheckFileExists = false;
    unchecked.LoadFromFile(Wide(missing));
    EXPECT_EQ(unchecked.FileName, missing);
    unchecked.LoadFromFile(u"  ");
    EXPECT_EQ(unchecked.FileName, "  ");
}

TEST(SpreadSheetFileTest, LoadFromStreamSkipsABdocPrefix) {
    test::TempDir dir;
    const std::pair<std::string, std::int64_t> cases[] = {
        {std::string("BDOC\x01\x02\x03\x04\x05\x06\x07\x08") + "data", 12},
        {"BDOc0123456789", 0},
        {"12345678901234", 0},
        {"BDOC00000000", 12},
    };
    for (const auto& [bytes, expected] : cases) {
        const std::string path = dir.Write("s.bin", bytes);
        FileStream stream(path, FileStream::Mode::OpenRead);
        TProbeFile file;
        file.LoadFromStream(stream);
        EXPECT_EQ(file.ParsedAt, expected) << bytes;
        EXPECT_TRUE(file.OnCellValue); // ParseStream ran PrepareLoad
    }
}

TEST(SpreadSheetFileTest, LoadFromStreamStartsWhereTheStreamStood) {
    test::TempDir dir;
    const std::string path = dir.Write("s.bin", "xxxxxBDOC12345678data");
    FileStream stream(path, FileStream::Mode::OpenRead);
    stream.Seek(5, SEEK_SET);
    TProbeFile file;
    file.LoadFromStream(stream);
    EXPECT_EQ(file.ParsedAt, 17);

    stream.Seek(6, SEEK_SET);
    file.LoadFromStream(stream);
    EXPECT_EQ(file.ParsedAt, 6);
}

TEST(SpreadSheetFileTest, LoadFromStreamNeedsTwelveBytes) {
    test::TempDir dir;
    for (const std::string bytes : {"", "BDOC1234567"}) {
        const std::string path = dir.Write("short.bin", bytes);
        FileStream stream(path, FileStream::Mode::OpenRead);
        TProbeFile file;
        try {
            file.LoadFromStream(stream);
            ADD_FAILURE() << bytes;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Stream read error");
        }
        EXPECT_EQ(file.ParsedAt, -1);
    }
}

} // namespace
} // namespace ostrane
