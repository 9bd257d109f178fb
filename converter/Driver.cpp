// Placeholder until the conversion driver lands.
#include "converter/Driver.h"

#include "platform/Exceptions.h"

namespace ostrane {

TA::TA() = default;
TA::~TA() = default;

void ConvertTable(TA&, const ConvertSettings&) {
    throw Exception("table conversion is not built yet");
}

} // namespace ostrane
