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

// The banner and usage line that the program prints without arguments (and
// first of all with --help), byte for byte.
extern const std::string ExpectedBanner;

// dir/smith.dbf: NAME C(10), AGE N(3), OK L(1) holding one record: Smith,
// 42, true.  Returns its path.
std::string SmithTable(const TempDir& dir);

} // namespace ostrane::test
