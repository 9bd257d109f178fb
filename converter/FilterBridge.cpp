#include "converter/FilterBridge.h"

#include "converter/Driver.h"
#include "platform/Exceptions.h"

namespace ostrane {

// Filter evaluation is not wired to the expression engine yet: a run with a
// filter stops instead of writing records the filter would have dropped.
bool RecordPassesFilter(TA&) {
    throw EQzIParseException("filtering is not available in this build");
}

} // namespace ostrane
