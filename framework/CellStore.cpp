#include "framework/CellStore.h"
#include "platform/AsciiCase.h"

#include "framework/ImpCnst.h"
#include "platform/Exceptions.h"

namespace ostrane {

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

} // namespace ostrane
