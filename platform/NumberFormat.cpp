// Number texts without printf: integers, the general float format (15
// significant digits for doubles, 7 for singles, exponent form outside
// -5 < X < precision, digits rounded half away from zero on the 18-digit
// decimal expansion) and currency (fixed point, up to four decimals).
#include "platform/NumberFormat.h"
#include "platform/NumberScan.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace ostrane {

namespace {

// Writes the decimal digits of v ending just before end; returns the start.
char* WriteDigitsBackwards(char* end, std::uint64_t v) {
    while (v > UINT32_MAX) {
        end -= 2;
        WriteTwoDigits(end, static_cast<unsigned>(v % 100));
        v /= 100;
    }
    // Most numbers fit 32 bits, whose divisions are the quicker ones.
    auto small = static_cast<std::uint32_t>(v);
    while (small >= 100) {
        end -= 2;
        WriteTwoDigits(end, small % 100);
        small /= 100;
    }
    if (small >= 10) {
        end -= 2;
        WriteTwoDigits(end, small);
    } else {
        *--end = static_cast<char>('0' + small);
    }
    return end;
}

// Appends [start, end); the length form of append is the cheap one.
void AppendRange(std::string& out, const char* start, const char* end) {
    out.append(start, static_cast<std::size_t>(end - start));
}

// A positive decimal d1.d2d3... x 10^exponent.
struct DecimalDigits {
    char digits[32];
    int count = 0;
    int exponent = 0;
};

// Parses the output of std::to_chars in scientific form ("d.ddde+XX").
void ParseScientific(const char* first, const char* last, DecimalDigits& d) {
    d.count = 0;
    const char* p = first;
    for (; p != last && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9' && d.count < static_cast<int>(sizeof d.digits)) {
            d.digits[d.count++] = *p;
        }
    }
    int exponent = 0;
    bool negative = false;
    if (p != last) {
        ++p; // 'e'
        if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
        for (; p != last; ++p) exponent = exponent * 10 + (*p - '0');
    }
    d.exponent = negative ? -exponent : exponent;
}

// Rounds to `precision` digits by looking at digit precision+1 only (5-9
// rounds up), then drops trailing zeros.
void RoundDigits(DecimalDigits& d, int precision) {
    if (d.count > precision) {
        bool up = d.digits[precision] >= '5';
        d.count = precision;
        if (up) {
            int i = precision - 1;
            while (i >= 0 && d.digits[i] == '9') {
                d.digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++d.digits[i];
            } else {
                d.digits[0] = '1';
                d.count = 1;
                ++d.exponent;
            }
        }
    }
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
}

constexpr double kPow10[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                             1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

} // namespace

void AppendInteger(std::string& out, std::int64_t value) {
    char buf[24];
    char* end = buf + sizeof buf;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* start = WriteDigitsBackwards(end, magnitude);
    if (value < 0) *--start = '-';
    AppendRange(out, start, end);
}

namespace {

// Special values and zero; false for every other value.
bool AppendSpecialFloat(std::string& out, double value) {
    if (std::isnan(value)) {
        out.append("NAN");
    } else if (std::isinf(value)) {
        out.append(value < 0 ? "-INF" : "INF");
    } else if (value == 0) { // negative zero too
        out.push_back('0');
    } else {
        return false;
    }
    return true;
}

int ClampPrecision(int precision) {
    return precision < 1 ? 1 : precision > 17 ? 17 : precision;
}

// The text of m / 10^decimals (m below 10^15) ending just before end, with
// a leading "-" when negative; returns its start.
char* WriteScaledBackwards(char* end, std::uint64_t m, int decimals, bool negative,
                           char decimalSeparator) {
    char* p = end;
    if (decimals > 0) {
        for (int i = 0; i < decimals; ++i) {
            *--p = static_cast<char>('0' + m % 10);
            m /= 10;
        }
        *--p = decimalSeparator;
    }
    p = WriteDigitsBackwards(p, m);
    if (negative) *--p = '-';
    return p;
}

// The decimals m / 10^k (k <= 4) of at most `precision` <= 15 digits.  A
// double carries 15.95 digits, so two such decimals never read as the same
// double; when one reads back as the value, it is therefore the value's
// shortest round-trip form, which is the general format's answer (written
// without exponent from 1e-4 up).  magnitude is |value|, not zero and below
// 10^precision.  False when no k gives one.
bool TryAppendShortDecimal(std::string& out, double value, double magnitude, int precision,
                           char decimalSeparator) {
    std::uint64_t m = 0;
    int decimals = 0;
    if (magnitude == std::trunc(magnitude)) {
        m = static_cast<std::uint64_t>(magnitude);
    } else {
        if (magnitude < 1e-4) return false;
        for (decimals = 1;; ++decimals) {
            if (decimals > 4) return false;
            const double scaled = magnitude * kPow10[decimals];
            if (scaled >= kPow10[precision]) return false;
            if (scaled == std::trunc(scaled) && scaled / kPow10[decimals] == magnitude) {
                m = static_cast<std::uint64_t>(scaled);
                break;
            }
        }
        while (m % 10 == 0) { // scaling may have found a longer form
            m /= 10;
            --decimals;
        }
    }
    char text[32];
    char* end = text + sizeof text;
    const char* start = WriteScaledBackwards(end, m, decimals, value < 0, decimalSeparator);
    out.append(start, static_cast<std::size_t>(end - start));
    return true;
}

} // namespace

void AppendGeneralFloat(std::string& out, double value, int precision, char decimalSeparator) {
    constexpr int kMaxShortcutPrecision = 15;
    const double magnitude = std::fabs(value);
    // NaN fails the comparison, zero and infinities are left out: the digits
    // route writes them.
    if (precision >= 1 && precision <= kMaxShortcutPrecision && magnitude < kPow10[precision] &&
        magnitude != 0 && TryAppendShortDecimal(out, value, magnitude, precision, decimalSeparator))
        return;
    AppendGeneralFloatByDigits(out, value, precision, decimalSeparator);
}

void AppendGeneralFloatByDigits(std::string& out, double value, int precision,
                                char decimalSeparator) {
    if (AppendSpecialFloat(out, value)) return;
    precision = ClampPrecision(precision);
    const double magnitude = std::fabs(value);
    DecimalDigits d;
    char buf[64];
    // The shortest round-trip digits are the answer whenever they fit the
    // precision: the 18-digit expansion then differs from them only from
    // digit 16 on, by 0/1 or 8/9, which rounding at digit precision+1 undoes.
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    ParseScientific(buf, r.ptr, d);
    if (d.count > precision || magnitude < 2.2250738585072014e-308) { // subnormals: too few digits
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
        ParseScientific(buf, r.ptr, d);
        RoundDigits(d, precision);
    } else {
        RoundDigits(d, d.count);
    }

    char text[64];
    char* p = text;
    if (value < 0) *p++ = '-';
    const int e = d.exponent;
    if (e > -5 && e < precision) {
        if (e >= 0) {
            int intDigits = e + 1;
            for (int i = 0; i < intDigits; ++i) *p++ = i < d.count ? d.digits[i] : '0';
            if (d.count > intDigits) {
                *p++ = decimalSeparator;
                for (int i = intDigits; i < d.count; ++i) *p++ = d.digits[i];
            }
        } else {
            *p++ = '0';
            *p++ = decimalSeparator;
            for (int i = 0; i < -e - 1; ++i) *p++ = '0';
            for (int i = 0; i < d.count; ++i) *p++ = d.digits[i];
        }
    } else {
        *p++ = d.digits[0];
        if (d.count > 1) {
            *p++ = decimalSeparator;
            for (int i = 1; i < d.count; ++i) *p++ = d.digits[i];
        }
        *p++ = 'E';
        *p++ = e < 0 ? '-' : '+';
        char expBuf[8];
        char* expEnd = expBuf + sizeof expBuf;
        char* expStart = WriteDigitsBackwards(expEnd, static_cast<std::uint64_t>(e < 0 ? -e : e));
        while (expStart != expEnd) *p++ = *expStart++;
    }
    AppendRange(out, text, p);
}

namespace {

constexpr int kPlainDigits = 15;
constexpr std::uint64_t kWholePow10[] = {1,
                                         10,
                                         100,
                                         1000,
                                         10000,
                                         100000,
                                         1000000,
                                         10000000,
                                         100000000,
                                         1000000000,
                                         10000000000,
                                         100000000000,
                                         1000000000000,
                                         10000000000000,
                                         100000000000000,
                                         1000000000000000};

// A decimal number read from a text: Significand / 10^Decimals, the
// significand of Digits digits (none for zero) without trailing zeros after
// the point.
struct PlainDecimal {
    std::uint64_t Significand = 0;
    int Digits = 0;
    int Decimals = 0;
    bool Negative = false;
};

// Reads what ValPrefix reads: blanks, a sign, digits, "." and digits.  False
// when there is no digit, an exponent may follow, or there are more than
// kPlainDigits digits from the first significant one on.
bool ReadPlainDecimal(std::string_view text, PlainDecimal& d) {
    const char* const end = text.data() + text.size();
    const char* p = scan::SkipBlanks(text.data(), end);
    if (p < end && (*p == '+' || *p == '-')) d.Negative = *p++ == '-';
    const char* const digits = p;
    while (p < end && *p == '0') ++p;
    const char* significant = p;
    std::uint64_t m = 0;
    p = scan::GatherDigits(p, end, m);
    bool anyDigit = p != digits;
    int count = static_cast<int>(p - significant);
    int decimals = 0;
    if (p < end && *p == '.') {
        const char* const first = ++p;
        if (count == 0) { // zeros right after the point are not significant either
            while (p < end && *p == '0') ++p;
        }
        significant = p;
        p = scan::GatherDigits(p, end, m);
        decimals = static_cast<int>(p - first);
        count += static_cast<int>(p - significant);
        anyDigit = anyDigit || decimals > 0;
    }
    if (!anyDigit || (p < end && (*p == 'e' || *p == 'E')) || count > kPlainDigits) return false;
    if (count == 0) return true; // zero
    // Trailing zeros after the point (m holds a digit other than zero before them).
    for (const char* q = p; decimals > 0 && *--q == '0';) {
        m /= 10;
        --decimals;
        --count;
    }
    d.Significand = m;
    d.Digits = count;
    d.Decimals = decimals;
    return true;
}

// Rounds to a whole number, ties to even.  The double read from a decimal of
// at most 15 significant digits lies on the same side of every half as the
// decimal (or on it, exactly), so this is what nearbyint does to the double.
void RoundToWhole(PlainDecimal& d) {
    if (d.Decimals == 0) return;
    if (d.Digits < d.Decimals) { // below 0.1
        d.Significand = 0;
    } else {
        const std::uint64_t unit = kWholePow10[d.Decimals];
        std::uint64_t rounded = d.Significand / unit;
        const std::uint64_t rest = d.Significand % unit;
        const std::uint64_t half = unit / 2;
        if (rest > half || (rest == half && rounded % 2 == 1)) ++rounded;
        d.Significand = rounded;
    }
    d.Decimals = 0;
}

} // namespace

bool TryAppendPlainDecimal(std::string& out, std::string_view text, bool roundToWhole,
                           char decimalSeparator) {
    PlainDecimal d;
    if (!ReadPlainDecimal(text, d)) return false;
    if (roundToWhole) RoundToWhole(d);
    if (d.Significand == 0) { // negative zero too
        out.push_back('0');
        return true;
    }
    // The general format writes these without exponent (-5 < X < 15), the
    // digits being those of the shortest form of the double read.
    if (d.Significand >= kWholePow10[kPlainDigits] || d.Decimals - d.Digits >= 4) return false;
    char buf[40];
    char* const end = buf + sizeof buf;
    const char* const start =
        WriteScaledBackwards(end, d.Significand, d.Decimals, d.Negative, decimalSeparator);
    AppendRange(out, start, end);
    return true;
}

void AppendCurrency(std::string& out, std::int64_t units, char decimalSeparator) {
    std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    char buf[32];
    char* p = buf + 24; // fraction goes after this point
    char* end = p;
    std::uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        char digits[4];
        for (int i = 3; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        int count = 4;
        while (digits[count - 1] == '0') --count;
        *end++ = decimalSeparator;
        std::memcpy(end, digits, count);
        end += count;
    }
    char* start = WriteDigitsBackwards(p, magnitude / 10000);
    if (units < 0) *--start = '-';
    AppendRange(out, start, end);
}

} // namespace ostrane
