// The conversion driver: one table in, one text file out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "converter/ConvertSettings.h"
#include "framework/QzCells.h"
#include "platform/Exceptions.h"
#include "platform/Value.h"

namespace ostrane {

class TDBF;
class TFilter;

// The state of one run.
struct TA {
    TA();
    ~TA();
    TDBF* Reader = nullptr;         // valid during ConvertTable (owned by it)
    TSpreadSheetRow* Row = nullptr; // valid during ConvertTable (owned by it)
    std::string FilterText;
    // The parsed filter, created at the first delivered record.
    std::unique_ptr<TFilter> Filter;
};

// Converts settings.SourceName into settings.TargetName ("-": standard
// output).  A missing source prints "dBase file not found." (on standard
// error when the lines go to standard output) and returns false; every other
// failure throws.  An error raised while a record was converted arrives as
// ERecordError.
bool ConvertTable(TA& ta, const ConvertSettings& settings);

// Stores one reported field in ta.Row (the shape of OnCellValue; the sheet
// and row numbers are not needed).  Null and Empty values are stored too.
void CaptureCell(TA& ta, std::int32_t column, std::int32_t formatIndex, const Value& value,
                 TAlignment alignment);

// The value of field i of the current record: Null when the row has no cell
// there, Booleans as the texts "1" and "0".  The in-place form reuses out's
// text storage (the filter asks for fields record after record).
Value FieldValue(const TA& ta, std::int32_t i);
void AssignFieldValue(const TA& ta, std::int32_t i, Value& out);

// An error that stopped the conversion of one record: the class name and
// message of the original error, and the 0-based record index.
class ERecordError : public Exception {
public:
    ERecordError(const Exception& cause, std::int32_t record);
    const char* ClassName() const noexcept override { return className_.c_str(); }
    std::int32_t Record() const noexcept { return record_; }
    // The message followed by " (record <n>)".
    std::string MessageWithRecord() const;

private:
    std::string className_;
    std::int32_t record_;
};

} // namespace ostrane
