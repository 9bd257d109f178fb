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
    Reader->FireCellEvents = FillRow;
    if (FillRow) {
        // The row's columns are the same for the whole run.
        TSpreadSheetCols& cols = Row->Cols;
        Reader->OnCellValue = [&cols](Sender, std::int32_t, std::int32_t, std::int32_t column,
                                      std::int32_t formatIndex, const Value& value,
                                      TAlignment alignment, TQzICellType) {
            StoreCell(cols, column, formatIndex, value, alignment);
        };
    }
    Filter.reset();
    written_.clear();
    Reader->ParseStream(source);
}

bool TA::LoadRecord(std::int32_t i) {
    if (FillRow) Row->ClearValues();
    record_ = i;
    return Reader->LoadRecord(i, i);
}

bool TA::PassesFilter() {
    if (!FilterText.empty() && !RecordPassesFilter(*this)) return false;
    Reader->ReportLateFields(record_);
    return true;
}

void TA::SetFilter(std::string filterText) {
    Filter.reset();
    FilterText = std::move(filterText);
    if (!written_.empty()) ApplyFieldUses();
}

void TA::SetWrittenFields(std::vector<bool> written, bool asTexts) {
    written_ = std::move(written);
    writtenAsTexts_ = asTexts && !FillRow;
    ApplyFieldUses();
}

// The filter's fields are decoded with the record, the other written ones
// only once it passed; the rest never.  A filter whose words cannot be told
// apart keeps every field early.
void TA::ApplyFieldUses() {
    std::vector<bool> filtered;
    if (!FilterText.empty()) {
        if (!Filter) Filter = std::make_unique<TFilter>(*this, FilterText);
        filtered = Filter->NamedFields();
    }
    std::vector<FieldUse> uses(written_.size(), FieldUse::Unused);
    for (std::size_t i = 0; i < uses.size(); ++i) {
        if (i < filtered.size() && filtered[i])
            uses[i] = FieldUse::Early;
        else if (written_[i] && writtenAsTexts_)
            uses[i] = FieldUse::Text;
        else if (written_[i])
            uses[i] = filtered.empty() ? FieldUse::Early : FieldUse::Late;
    }
    Reader->SetFieldUses(uses);
}

const Value* TA::FieldOrNil(std::int32_t i) const {
    if (!FillRow) return Reader->DecodedValue(i);
    const TQzICell* cell = CellOrNil(Row->Cols, i);
    return cell == nullptr ? nullptr : &cell->Value_;
}

void TA::AppendFieldText(std::int32_t i, std::string& out) {
    if (!FillRow) return Reader->AppendFieldText(i, out);
    if (const Value* value = FieldOrNil(i)) value->AppendLineText(out);
}

void CaptureCell(TA& ta, std::int32_t column, std::int32_t formatIndex, const Value& value,
                 TAlignment alignment) {
    StoreCell(ta.Row->Cols, column, formatIndex, value, alignment);
}

const Value& FieldValueIn(const TA& ta, std::int32_t i, Value& scratch) {
    const Value* field = ta.FieldOrNil(i);
    if (field == nullptr) {
        scratch.SetNull();
    } else if (field->IsBoolean()) {
        scratch.SetText(field->BooleanPayload() ? "1" : "0");
    } else {
        return *field;
    }
    return scratch;
}

void AssignFieldValue(const TA& ta, std::int32_t i, Value& out) {
    const Value& value = FieldValueIn(ta, i, out);
    if (&value != &out) out.AssignFrom(value);
}

Value FieldValue(const TA& ta, std::int32_t i) {
    Value value;
    AssignFieldValue(ta, i, value);
    return value;
}

} // namespace ostrane
