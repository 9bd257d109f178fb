#include "converter/Run.h"

#include "converter/FilterBridge.h"
#include "dbase/QzDBF.h"
#include "platform/FileStream.h"

namespace ostrane {
namespace {

// The cell for a column that the row does not have yet (the first record).
[[gnu::noinline]] TQzICell& AddCell(TSpreadSheetCols& cols, std::int32_t column) {
    cols.EnsureIndex(column);
    cols.Put(column, std::make_unique<TQzICell>());
    return *cols.OrNil(column);
}

// CaptureCell's work, inline in the cell event: from the second record on,
// every column has its cell.
inline void StoreCell(TSpreadSheetCols& cols, std::int32_t column, std::int32_t formatIndex,
                      const Value& value, TAlignment alignment) {
    if (column < 0) return;
    TQzICell* cell = cols.OrNil(column);
    if (cell == nullptr) cell = &AddCell(cols, column);
    cell->Value_.AssignFrom(value);
    cell->Alignment = alignment;
    cell->FormatIndex = formatIndex;
}

} // namespace

TA::TA(std::string filterText)
    : FilterText(std::move(filterText)), Reader(std::make_unique<TDBF>()),
      Row(std::make_unique<TSpreadSheetRow>()) {}

TA::~TA() = default;

void TA::Open(FileStream& source, const std::string& fileName) {
    source.Seek(0, SEEK_SET);
    Reader->LoadOnDemand = true;
    Reader->FileName = fileName;
    // The row's columns are the same for the whole run.
    TSpreadSheetCols& cols = Row->Cols;
    Reader->OnCellValue = [&cols](Sender, std::int32_t, std::int32_t, std::int32_t column,
                                  std::int32_t formatIndex, const Value& value,
                                  TAlignment alignment, TQzICellType) {
        StoreCell(cols, column, formatIndex, value, alignment);
    };
    Filter.reset();
    Reader->ParseStream(source);
}

bool TA::LoadRecord(std::int32_t i) {
    Row->ClearValues();
    return Reader->LoadRecord(i, i);
}

bool TA::PassesFilter() {
    return FilterText.empty() || RecordPassesFilter(*this);
}

void TA::SetFilter(std::string filterText) {
    Filter.reset();
    FilterText = std::move(filterText);
}

void CaptureCell(TA& ta, std::int32_t column, std::int32_t formatIndex, const Value& value,
                 TAlignment alignment) {
    StoreCell(ta.Row->Cols, column, formatIndex, value, alignment);
}

void AssignFieldValue(const TA& ta, std::int32_t i, Value& out) {
    const TQzICell* cell = CellOrNil(ta.Row->Cols, i);
    if (cell == nullptr) {
        out.SetNull();
    } else if (cell->Value_.IsBoolean()) {
        out.SetText(cell->Value_.BooleanPayload() ? "1" : "0");
    } else {
        out.AssignFrom(cell->Value_);
    }
}

Value FieldValue(const TA& ta, std::int32_t i) {
    Value value;
    AssignFieldValue(ta, i, value);
    return value;
}

} // namespace ostrane
