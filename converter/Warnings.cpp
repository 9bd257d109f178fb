#include "converter/Warnings.h"

#include <cstdio>
#include <string>

namespace ostrane {

void Warn(std::string_view text) {
    std::string line(WarningPrefix);
    line.append(text).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace ostrane
