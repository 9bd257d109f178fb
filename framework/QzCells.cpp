#include "framework/QzCells.h"
#include "platform/AsciiCase.h"

#include <cstdio>
#include <cstring>

#include "framework/ImpCnst.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"

namespace ostrane {

// ---------------------------------------------------------------------------
// Store

void RaiseListIndexError(std::int32_t index) {
    throw EListError(FormatMessage(impcnst::ListIndexOutOfBounds, std::to_string(index)));
}

void TPersistent::Assign(const TPersistent& source) {
    throw EConvertError(
        FormatMessage(FormatMessage(impcnst::CannotAssign, source.ClassName()), ClassName()));
}

void TQzICell::Assign(const TPersistent& source) {
    const auto* cell = dynamic_cast<const TQzICell*>(&source);
    if (cell == nullptr) return TPersistent::Assign(source);
    Value_ = cell->Value_;
    Alignment = cell->Alignment;
    FormatIndex = cell->FormatIndex;
    CellType = cell->CellType;
}

void TQzRange::Assign(const TPersistent& source) {
    const auto* range = dynamic_cast<const TQzRange*>(&source);
    if (range == nullptr) return TPersistent::Assign(source);
    FirstRow = range->FirstRow;
    LastRow = range->LastRow;
    FirstCol = range->FirstCol;
    LastCol = range->LastCol;
}

void TSpreadSheetRow::ClearValues() {
    const std::int32_t count = Cols.Count(); // read once: the stores below may alias it
    for (std::int32_t i = 0; i < count; ++i) {
        TQzICell* cell = Cols.OrNil(i);
        if (cell == nullptr) continue;
        cell->Value_.SetNull();
        cell->Alignment = taLeftJustify;
        cell->FormatIndex = -1;
    }
}

namespace {

// Row i of cells that EnsureRow has reached; a none entry gets a fresh row.
TSpreadSheetRow& ExistingRow(TSpreadSheetCells& cells, std::int32_t i) {
    cells.EnsureRow(i);
    TSpreadSheetRow* row = cells.Get(i);
    if (row != nullptr) return *row;
    auto fresh = std::make_unique<TSpreadSheetRow>();
    fresh->RowNo = i;
    row = fresh.get();
    cells.Put(i, std::move(fresh));
    return *row;
}

} // namespace

void TSpreadSheetCells::EnsureRow(std::int32_t i) {
    while (std::int64_t(Count()) < std::int64_t(i) + 1) {
        auto row = std::make_unique<TSpreadSheetRow>();
        row->RowNo = Count();
        Add(std::move(row));
    }
}

void TSpreadSheetCells::DeleteRow(std::int32_t i) {
    Delete(i);
}

void TSpreadSheetCells::ClearRows() {
    for (std::int32_t i = Count() - 1; i >= 0; --i) DeleteRow(i);
    DeclaredColCount = 0;
    DeclaredRowCount = 0;
    ColCount = 0;
    RowCount = 0;
    Clear();
}

TQzICell* TSpreadSheetCells::CellAt(std::int32_t col, std::int32_t row) const {
    const TSpreadSheetRow* r = OrNil(row);
    return r == nullptr ? nullptr : r->Cols.OrNil(col);
}

Value TSpreadSheetCells::ValueAt(std::int32_t col, std::int32_t row) const {
    const TQzICell* cell = CellAt(col, row);
    return cell == nullptr ? Value::MakeNull() : cell->Value_;
}

void TSpreadSheetCells::SetCell(std::int32_t col, std::int32_t row, const Value& value,
                                TAlignment alignment, std::int32_t formatIndex,
                                TQzICellType cellType) {
    if (col < 0 || row < 0 || value.IsNullOrEmpty()) return;
    TSpreadSheetCols& cols = ExistingRow(*this, row).Cols;
    cols.EnsureIndex(col);
    TQzICell* cell = cols.Get(col);
    if (cell == nullptr) {
        cols.Put(col, std::make_unique<TQzICell>());
        cell = cols.Get(col);
    }
    cell->Value_ = value;
    cell->Alignment = alignment;
    cell->FormatIndex = formatIndex;
    cell->CellType = cellType;
    if (TrackDimensions) {
        if (col >= ColCount) ColCount = col + 1;
        if (row >= RowCount) RowCount = row + 1;
    }
}

std::int32_t TSpreadSheets::AddSheet() {
    if (!SheetClass) SheetClass = [] { return std::make_unique<TSpreadSheet>(); };
    std::unique_ptr<TSpreadSheet> sheet = SheetClass();
    if (!sheet) sheet = std::make_unique<TSpreadSheet>();
    TSpreadSheet& added = *sheet;
    const std::int32_t index = Add(std::move(sheet));
    const std::string caption = "Sheet" + std::to_string(std::int64_t(index) + 1);
    added.Caption.assign(caption.begin(), caption.end());
    return index;
}

TSpreadSheet& TSpreadSheets::Sheet(std::int32_t i) {
    if (i < 0) i = 0;
    while (i >= Count()) AddSheet();
    if (Get(i) == nullptr) Put(i, std::make_unique<TSpreadSheet>());
    return *Get(i);
}

void TSpreadSheets::DeleteSheet(std::int32_t i) {
    Delete(i);
}

void TSpreadSheets::ClearSheets() {
    for (std::int32_t i = Count() - 1; i >= 0; --i) DeleteSheet(i);
}

// ---------------------------------------------------------------------------
// Column names

namespace {

constexpr std::int32_t AlphabetSize = 26;

} // namespace

std::string ColumnLetters(std::int32_t n) {
    std::string letters;
    while (n > 0) {
        letters.insert(letters.begin(), char('A' + (n - 1) % AlphabetSize));
        n = (n - 1) / AlphabetSize;
    }
    return letters;
}

std::int32_t ColumnIndexFromLetters(std::string_view text, std::int32_t max) {
    std::int64_t sum = 0;
    for (char c : text) {
        const char upper = UpperAscii(c);
        if (upper < 'A' || upper > 'Z') return -1;
        // Reading left to right multiplies the earlier letters by 26 each step,
        // which gives every letter its power of 26 from the right end.
        sum = sum * AlphabetSize + (upper - 'A' + 1);
        if (sum > max) return -1; // also keeps the sum within 32 bits
    }
    return std::int32_t(sum - 1);
}

void FillColumnNames(std::int32_t colCount, std::string_view names, TStringList& list) {
    list.clear();
    if (names.empty()) {
        for (std::int64_t n = 1; n <= colCount; ++n)
            list.push_back({ColumnLetters(std::int32_t(n)), std::int32_t(n)});
        return;
    }
    std::size_t start = 0;
    while (start < names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string_view::npos) end = names.size();
        const std::string_view piece = names.substr(start, end - start);
        list.push_back({std::string(piece), ColumnIndexFromLetters(piece, colCount)});
        start = end + 1;
    }
}

// ---------------------------------------------------------------------------
// Import component

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
