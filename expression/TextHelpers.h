// Text readers and tests of the expression engine.
#pragma once

#include <string>
#include <string_view>

#include "platform/Value.h"

namespace ostrane {

// Reads a date, a time or both from text by a positional format
// (D M Y H N S Z); 0 when nothing was recognised.
double DateTimeFromString(std::string_view text, std::string_view format, char dateSep,
                          char timeSep);
int CurrentYearForWindow();            // the year the two-digit window uses (replaceable in tests)
void SetCurrentYearForTests(int year); // 0 restores the local clock

bool IsFloatText(std::string_view text);
bool IsNumericText(std::string_view text);
bool IsAlphaText(std::string_view text);
bool IsDateTimeText(std::string_view text);
std::string StripNumberFormatting(std::string_view text);
std::string ReplaceSubstring(std::string_view s, std::string_view oldPattern,
                             std::string_view newPattern, bool ignoreCase, bool replaceAll);
// Cuts the leading entry up to separator out of source.
std::string NextToken(char separator, std::string& source);

} // namespace ostrane
