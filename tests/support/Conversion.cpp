#include "support/Conversion.h"

#include <filesystem>

namespace ostrane::test {

Conversion Convert(const std::string& table, const std::string& target,
                   const std::vector<std::string>& switches, int timeoutSeconds) {
    std::vector<std::string> argv{OSTRANE_BINARY, table, target};
    argv.insert(argv.end(), switches.begin(), switches.end());
    ProcessOptions options;
    options.Environment = {{"LC_ALL", "C"}, {"LANG", "C"}};
    options.TimeoutSeconds = timeoutSeconds;
    Conversion run;
    run.Process = RunProcess(argv, options);
    run.TargetExists = std::filesystem::is_regular_file(target);
    if (run.TargetExists) run.Target = ReadFileBytes(target);
    return run;
}

} // namespace ostrane::test
