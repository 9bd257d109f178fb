#include "framework/ImportComponent.h"

#include <cstdio>
#include <cstring>

#include "framework/ImpCnst.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"

namespace ostrane {

TCustomSpreadSheetFile::TCustomSpreadSheetFile() : Range(std::make_unique<TQzRange>()) {}

TCustomSpreadSheetFile::~TCustomSpreadSheetFile() = default;

bool TCustomSpreadSheetFile::IsEncrypted() {
    return false;
}

TSpreadSheetFile::TSpreadSheetFile() : Sheets(std::make_unique<TSpreadSheets>()) {}

TSpreadSheetFile::~TSpreadSheetFile() = default;

void TSpreadSheetFile::PrepareLoad() {
    Sheets->ClearSheets();
    InstallDefaultHandlers();
}

void TSpreadSheetFile::InstallDefaultHandlers() {
    if (!OnDimensions) OnDimensions = std::bind_front(&TSpreadSheetFile::DefaultDimensions, this);
    if (!OnCellValue) OnCellValue = std::bind_front(&TSpreadSheetFile::DefaultCellValue, this);
    if (!OnGetCellValue)
        OnGetCellValue = std::bind_front(&TSpreadSheetFile::DefaultGetCellValue, this);
    if (!OnSheet) OnSheet = std::bind_front(&TSpreadSheetFile::DefaultSheet, this);
    if (!OnSheetName) OnSheetName = std::bind_front(&TSpreadSheetFile::DefaultSheetName, this);
    if (!OnColumnWidth)
        OnColumnWidth = std::bind_front(&TSpreadSheetFile::DefaultColumnWidth, this);
    if (!OnRowHeight) OnRowHeight = std::bind_front(&TSpreadSheetFile::DefaultRowHeight, this);
}

std::string TSpreadSheetFile::ReadBlob(std::int64_t, std::int32_t) {
    return {};
}

std::u16string TSpreadSheetFile::ReadWideBlob(std::int64_t, std::int32_t) {
    return {};
}

void TSpreadSheetFile::LoadStream(FileStream& stream) {
    ParseStream(stream);
}

namespace {

bool IsBlankOrControl(char16_t c) {
    return c <= 0x20;
}

bool IsBlankName(const std::u16string& name) {
    for (char16_t c : name)
        if (!IsBlankOrControl(c)) return false;
    return true;
}

} // namespace

void TSpreadSheetFile::LoadFromFile(const std::u16string& fileName) {
    std::string name;
    Utf16ToAnsi(fileName, name);
    if (CheckFileExists) {
        if (IsBlankName(fileName)) throw EQzIFileException(std::string(impcnst::FileNotDefined));
        if (!FileExists(name))
            throw EQzIFileException(FormatMessage(impcnst::FileDoesNotExist, name));
    }
    FileName = name;
    PrepareLoad();
}

void TSpreadSheetFile::ParseStream(FileStream&) {
    PrepareLoad();
}

void TSpreadSheetFile::LoadFromStream(FileStream& stream) {
    // Some producers put a 12-byte block starting with "BDOC" before the
    // data; only its signature is examined.
    constexpr std::size_t PrefixSize = 12;
    constexpr char Signature[] = {'B', 'D', 'O', 'C'};
    char prefix[PrefixSize];
    stream.ReadExact(prefix, PrefixSize);
    if (std::memcmp(prefix, Signature, sizeof Signature) != 0)
        stream.Seek(-std::int64_t(PrefixSize), SEEK_CUR);
    LoadStream(stream);
}

void TSpreadSheetFile::BeforeParse() {
    CurrentRow = -1;
}

void TSpreadSheetFile::AfterParse() {}

bool TSpreadSheetFile::SeekRecord(std::int32_t) {
    return true;
}

bool TSpreadSheetFile::LoadRecord(std::int32_t index, std::int32_t) {
    CurrentRow = index;
    return true;
}

std::int32_t TSpreadSheetFile::GetColumnIndex(const std::string& name) {
    if (NameKind != nkAlphabet) return -1;
    return ColumnIndexFromLetters(name, Sheets->Sheet(SheetIndex).Cells.ColCount);
}

void TSpreadSheetFile::GetColumnNames(TStringList& list, const std::string& names) {
    list.clear();
    if (NameKind != nkAlphabet) return;
    FillColumnNames(Sheets->Sheet(SheetIndex).Cells.ColCount, names, list);
}

void TSpreadSheetFile::DoProgress(std::int32_t position, std::int32_t total) {
    if (ProgressProc) ProgressProc(position, total);
    if (OnLoadProgress) OnLoadProgress(this, position, total);
}

void TSpreadSheetFile::SetRowStatus(std::int32_t sheetNo, std::int32_t row, TQzIRowStatus status) {
    // Once per record: the sheet is looked up directly when it exists.
    TSpreadSheet* sheet = Sheets->OrNil(sheetNo);
    if (sheet == nullptr) sheet = &Sheets->Sheet(sheetNo);
    if (TSpreadSheetRow* r = sheet->Cells.OrNil(row)) r->Status = status;
    if (OnRecordStatusChanged) OnRecordStatusChanged(this, sheetNo, row, status);
}

// ---------------------------------------------------------------------------
// Default handlers

void TSpreadSheetFile::DefaultDimensions(Sender, std::int32_t SheetNo, std::int32_t,
                                         std::int32_t LastRow, std::int32_t,
                                         std::int32_t LastColumn) {
    TSpreadSheetCells& cells = Sheets->Sheet(SheetNo).Cells;
    cells.DeclaredRowCount = LastRow;
    cells.DeclaredColCount = LastColumn > Range->LastCol ? Range->LastCol : LastColumn;
    if (!cells.TrackDimensions) {
        cells.RowCount = cells.DeclaredRowCount;
        cells.ColCount = cells.DeclaredColCount;
    }
}

void TSpreadSheetFile::DefaultCellValue(Sender, std::int32_t SheetNo, std::int32_t Row,
                                        std::int32_t Column, std::int32_t FormatIndex,
                                        const Value& Value_, TAlignment Alignment,
                                        TQzICellType CellType) {
    if (Column > Range->LastCol || Row > Range->LastRow) return;
    try {
        Sheets->Sheet(SheetNo).Cells.SetCell(Column, Row, Value_, Alignment, FormatIndex, CellType);
    } catch (const std::exception&) {
        // A cell that cannot be stored is dropped; loading goes on.
    }
}

void TSpreadSheetFile::DefaultGetCellValue(Sender, std::int32_t SheetNo, std::int32_t Row,
                                           std::int32_t Column, Value& Value_) {
    Value_ = Sheets->Sheet(SheetNo).Cells.ValueAt(Column, Row);
}

void TSpreadSheetFile::DefaultSheet(Sender, const std::u16string& Caption, std::int32_t Index,
                                    bool& Skip) {
    if (SheetIndex > -1) Skip = SheetIndex != Index;
    const std::int32_t added = Sheets->AddSheet();
    Sheets->Get(added)->Caption = Caption;
}

void TSpreadSheetFile::DefaultSheetName(Sender, const std::u16string& Caption, std::int32_t Index) {
    if (TSpreadSheet* sheet = Sheets->OrNil(Index)) sheet->Caption = Caption;
}

void TSpreadSheetFile::DefaultColumnWidth(Sender, std::int32_t SheetNo, std::int32_t ColumnNo,
                                          std::int32_t Width) {
    if (ColumnNo < 0) RaiseListIndexError(ColumnNo);
    std::vector<std::int32_t>& widths = Sheets->Sheet(SheetNo).ColumnWidths;
    if (std::size_t(ColumnNo) >= widths.size()) widths.resize(std::size_t(ColumnNo) + 1);
    widths[std::size_t(ColumnNo)] = Width;
}

void TSpreadSheetFile::DefaultRowHeight(Sender, std::int32_t SheetNo, std::int32_t RowNo,
                                        std::int32_t Height) {
    if (RowNo < 0) RaiseListIndexError(RowNo);
    ExistingRow(Sheets->Sheet(SheetNo).Cells, RowNo).Height = Height;
}

} // namespace ostrane
