// Runs the real ostrane binary on a table, in the C locale, and collects
// what it wrote: standard output and error, exit status, the target bytes.
#pragma once

#include <string>
#include <vector>

#include "support/Process.h"

namespace ostrane::test {

struct Conversion {
    ProcessResult Process;
    bool TargetExists = false; // a regular file of the target's name exists
    std::string Target;        // its bytes
};

Conversion Convert(const std::string& table, const std::string& target,
                   const std::vector<std::string>& switches = {}, int timeoutSeconds = 120);

} // namespace ostrane::test
