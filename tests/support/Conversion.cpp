#include "support/Conversion.h"

#include <filesystem>

#include "support/TableBuilder.h"

namespace ostrane::test {

const std::string ExpectedBanner =
    "Ostrane v2.6\r\n"
    "convert dBase tables into text files\r\n\r\n"
    "\r\n"
    "ostrane <source.dbf> <target.txt> [/h] [/f] [/fixed] [/delimiter=<separator>] "
    "[/qualifier=<char>] [/recordseparator=<crlf|cr|lf|>] [/fields=<field1;field2;...>] "
    "[/filter=<filter>]\r\n";

std::string SmithTable(const TempDir& dir) {
    return TableBuilder(0x03)
        .Field("NAME", 'C', 10)
        .Field("AGE", 'N', 3)
        .Field("OK", 'L', 1)
        .Row({"Smith", " 42", "T"})
        .Write(dir.Path(), "smith.dbf");
}

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
