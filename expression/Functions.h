// Helpers of the built-in function library (EvaluateBuiltIn is declared in
// Tree.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Value.h"

namespace ostrane {

// The first character of a non-empty text value, otherwise a space.
char CharArgument(const Value& v);

// One component ("yyyy", "m", "d", "h", "n" or "s") of a date-time; a text
// is read as STRTODATE reads it.
std::int32_t DateComponent(std::string_view pattern, const Value& v);

// Reads a date in the locale's short date order; throws EConvertError
// "'%s' is not a valid date".
double StrToDate(std::string_view text);

// The process-wide seed of RANDOM (0 at start).
void ResetRandomSeed(std::uint32_t seed = 0);
// Advances the seed and returns r with 0 <= r < bound.
std::int32_t NextRandom(std::int32_t bound);

} // namespace ostrane
