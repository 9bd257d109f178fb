// The conversion driver: one table in, one text file out.
#pragma once

#include <memory>
#include <string>

#include "converter/ConvertSettings.h"

namespace ostrane {

class TDBF;
class TSpreadSheetRow;

// The state of one run.
struct TA {
    TA();
    ~TA();
    TDBF* Reader = nullptr;         // valid during ConvertTable (owned by it)
    TSpreadSheetRow* Row = nullptr; // valid during ConvertTable (owned by it)
    std::string FilterText;
};

// Converts settings.SourceName into settings.TargetName.  A missing source
// prints "dBase file not found." and returns; every other failure throws.
void ConvertTable(TA& ta, const ConvertSettings& settings);

} // namespace ostrane
