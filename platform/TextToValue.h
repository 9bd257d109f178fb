// Text to number, Boolean and date readings.
//
// Two families exist: the variant conversions that Value operations use
// (locale-aware, lenient about blanks, signs, currency and thousands
// separators), and the strict run-time readers (StrToInt, StrToFloat, Val).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/FormatSettings.h"

namespace ostrane {

// The lenient conversions that value operations use.  Return false when the text is
// not a number or the number does not fit the result (callers raise "Invalid
// variant type conversion").  The whole text must be consumed; blanks, signs,
// the currency string, parentheses and thousands separators may surround the
// digits; "&H" / "&O" read hexadecimal / octal 32-bit patterns.
bool TryVariantTextToReal(std::string_view text, const FormatSettings& fs, double& result);
// Decimal value rounded half to even; false also when outside 32 bits.
bool TryVariantTextToInteger(std::string_view text, const FormatSettings& fs, std::int32_t& result);
bool TryVariantTextToCurrency(std::string_view text, const FormatSettings& fs, std::int64_t& units);
// "True" / "False" in any letter case, "#TRUE#" / "#FALSE#", else a number.
bool TryVariantTextToBoolean(std::string_view text, const FormatSettings& fs, bool& result);
// Locale-aware text to date-time (dates, times, month names, AM/PM).
bool TryVariantTextToDateTime(std::string_view text, const FormatSettings& fs, double& result);

// Strict integer reader: leading blanks, then sign and decimal digits or "$"
// and hex digits, nothing after, within 32 bits.
bool TryStrToInt(std::string_view text, std::int32_t& result);
// Throws EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
// Strict float reader with the locale's decimal separator; throws
// EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text, const FormatSettings& fs);
// Numeric field text: leading blanks, sign, digits, "." fraction, exponent;
// stops at the first character that does not continue the number (NUL
// included) and gives the value of that prefix (0 when there is none).  "."
// whatever the locale; "inf", "nan" and hex floats are not numbers here; an
// exponent without digits is not part of the prefix.  A prefix too large for
// a double gives +-HUGE_VAL, one too small 0.
double ValPrefix(std::string_view text);
// The same reading through the general route only (the scanned prefix to
// std::from_chars); ValPrefix takes a shortcut for short plain numbers that
// gives identical results, which the tests hold against this one.
double ValPrefixGeneral(std::string_view text);

} // namespace ostrane
