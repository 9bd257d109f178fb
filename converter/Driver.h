// The conversion driver: one table in, one text file out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "converter/ConvertSettings.h"
#include "converter/Run.h"
#include "framework/QzCells.h"
#include "platform/Exceptions.h"
#include "platform/Value.h"

namespace ostrane {

// Converts settings.SourceName into settings.TargetName ("-": standard
// output).  A missing source prints "dBase file not found." (on standard
// error when the lines go to standard output) and returns false; every other
// failure throws.  An error raised while a record was converted arrives as
// ERecordError.
bool ConvertTable(TA& ta, const ConvertSettings& settings);

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
