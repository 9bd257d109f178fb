// Warnings: one line each on standard error, "ostrane: warning: " first.
// They tell what the output alone would hide and never change the target,
// standard output or the exit status.
#pragma once

#include <string_view>

namespace ostrane {

inline constexpr std::string_view WarningPrefix = "ostrane: warning: ";

// Writes WarningPrefix, text and a line end to standard error in one write.
void Warn(std::string_view text);

} // namespace ostrane
