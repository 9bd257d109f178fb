// The message texts of the import framework.
#pragma once

#include <string_view>

namespace ostrane::impcnst {

inline constexpr std::string_view FileNotDefined = "File is not defined.";
inline constexpr std::string_view FileDoesNotExist = "File %s does not exist.";
inline constexpr std::string_view ListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr std::string_view CannotAssign = "Cannot assign a %s to a %s";

} // namespace ostrane::impcnst
