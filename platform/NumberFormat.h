// Fast number texts without printf: integers, the general float format and
// currency.  All append to an output string.
#pragma once

#include <cstdint>
#include <string>

namespace ostrane {

// Decimal digits with a leading "-" for negatives.
void AppendInteger(std::string& out, std::int64_t value);

// General format with `precision` significant digits (15 for doubles, 7 for
// singles): plain notation when -5 < X < precision (X the decimal exponent
// after rounding), else mantissa "E" sign exponent (1E+20, 1.5E-7).  No
// trailing zeros, no bare separator, negative zero as 0.  NaN and infinities
// as NAN, INF, -INF.
void AppendGeneralFloat(std::string& out, double value, int precision, char decimalSeparator);
// The same text by the digits of the shortest (or 17-digit) expansion alone;
// AppendGeneralFloat writes whole numbers and few decimals directly, with
// the identical result that the tests hold against this route.
void AppendGeneralFloatByDigits(std::string& out, double value, int precision,
                                char decimalSeparator);

// Fixed point with up to four decimals, trailing zeros and a bare separator
// dropped.
void AppendCurrency(std::string& out, std::int64_t units, char decimalSeparator);

} // namespace ostrane
