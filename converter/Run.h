// The state of one conversion: the reader, the row that receives the cells
// of the record being converted, and the filter.  The driver, the filter
// bridge, the fuzz targets and the tests all work through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/QzCells.h"
#include "platform/Value.h"

namespace ostrane {

class FileStream;
class TDBF;
class TFilter;

struct TA {
    explicit TA(std::string filterText = {});
    ~TA();
    TA(const TA&) = delete;
    TA& operator=(const TA&) = delete;

    // Parses the table's header from source (the caller keeps it open for the
    // run) with the reader loading on demand and, with FillRow, its cell
    // event bound to Row, once for the whole run.  Set the reader's other
    // properties (code page, progress event) before.
    void Open(FileStream& source, const std::string& fileName);
    // Clears the row and loads record i into it; false when the record is not
    // delivered (deleted, or not in the file).  Once SetWrittenFields was
    // called, only the fields the filter names are decoded here.
    bool LoadRecord(std::int32_t i);
    // Whether the record just loaded passes the filter; true without one.
    // A record that passes gets the written fields the filter did not need.
    bool PassesFilter();
    // Another filter for the records that follow (empty: none).
    void SetFilter(std::string filterText);
    // The fields that the output writes, one flag per field (after Open):
    // from then on a record decodes only these and the filter's fields, the
    // filter's first.  asTexts: the output reads the written fields only
    // through AppendFieldText, so those the filter does not name are never
    // decoded; their texts go from the record to the line.
    void SetWrittenFields(std::vector<bool> written, bool asTexts = false);
    // Appends the text of field i of the record just loaded: its value's
    // text, a logical as 1 or 0, nothing without a value.
    void AppendFieldText(std::int32_t i, std::string& out);
    // Field i of the record just loaded: the row's cell with FillRow, else
    // the reader's decoded value; nullptr when there is none.
    const Value* FieldOrNil(std::int32_t i) const;

    // Whether records are loaded into Row through the reader's cell event
    // (set before Open).  The converter reads the reader's values in place
    // instead, without a copy per field.
    bool FillRow = true;
    std::string FilterText; // empty: no filter
    const std::unique_ptr<TDBF> Reader;
    const std::unique_ptr<TSpreadSheetRow> Row;
    // The parsed filter, created at the first delivered record (or when
    // the written fields are set).
    std::unique_ptr<TFilter> Filter;

private:
    // Tells the reader which fields to decode and when.
    void ApplyFieldUses();

    std::vector<bool> written_; // empty: every field, decoded at once
    bool writtenAsTexts_ = false;
    std::int32_t record_ = 0; // the record last loaded
};

// Stores one reported field in ta.Row (the shape of OnCellValue; the sheet
// and row numbers are not needed).  Null and Empty values are stored too.
void CaptureCell(TA& ta, std::int32_t column, std::int32_t formatIndex, const Value& value,
                 TAlignment alignment);

// The value of field i of the current record: Null when the row has no cell
// there, Booleans as the texts "1" and "0".  The in-place form reuses out's
// text storage (the filter asks for fields record after record).
Value FieldValue(const TA& ta, std::int32_t i);
void AssignFieldValue(const TA& ta, std::int32_t i, Value& out);
// The same value without a copy: the field's own value where it is kept, or
// scratch for Null and the Boolean texts.
const Value& FieldValueIn(const TA& ta, std::int32_t i, Value& scratch);

} // namespace ostrane
