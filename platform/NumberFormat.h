// Fast number texts without printf: integers, the general float format and
// currency.  All append to an output string.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrane {

// "00" to "99": writers put out two digits per division.
inline constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546"
    "47484950515253545556575859606162636465666768697071727374757677787980818283848586878889909192"
    "93949596979899";

// Writes v (below 100) as two digits at p.
inline void WriteTwoDigits(char* p, unsigned v) {
    std::memcpy(p, kDigitPairs + 2 * v, 2);
}

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

// The text that reading the number at the front of `text` as a numeric
// field does (ValPrefix: blanks, an optional sign, digits with an optional
// "." and more digits) followed by AppendGeneralFloat with precision 15
// gives, written from the digits without a double in between; roundToWhole
// rounds the value to a whole number first, ties to even (nearbyint).  Only
// for numbers of at most 15 significant digits, which a double keeps exactly
// as written, and whose text has no exponent (-5 < X < 15): false, with
// nothing appended, for every other text.
bool TryAppendPlainDecimal(std::string& out, std::string_view text, bool roundToWhole,
                           char decimalSeparator);

// Fixed point with up to four decimals, trailing zeros and a bare separator
// dropped.
void AppendCurrency(std::string& out, std::int64_t units, char decimalSeparator);

} // namespace ostrane
