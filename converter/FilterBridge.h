// The filter of a run: whether the record just loaded into the row passes
// the filter text of TA.
#pragma once

namespace ostrane {

struct TA;

// Evaluates ta.FilterText for the current record and converts the result to
// a truth value.  Called only for delivered records and a non-empty filter.
bool RecordPassesFilter(TA& ta);

} // namespace ostrane
