// Text to number and Boolean readings: the lenient, locale-aware conversions
// that value operations use (blanks, signs, currency, thousands separators,
// "&H" hex; "True"/"False") and the strict readers of whole numbers and
// floats.
// Number texts are scanned here; only a normalised digit string reaches
// std::from_chars, never the raw text.
#include "platform/TextToValue.h"
#include "platform/AsciiCase.h"
#include "platform/NumberScan.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/Exceptions.h"

namespace ostrane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A decimal number as significant digits and a power of ten:
// value = digits (as an integer) x 10^exponent.  Leading zeros are not kept;
// digits beyond the buffer are dropped and remembered in `sticky`.
struct DecimalNumber {
    static constexpr int kMaxDigits = 64;
    char digits[kMaxDigits + 1];
    int count = 0;
    long exponent = 0;
    bool sticky = false; // a non-zero digit was dropped

    void AddDigit(char c, bool fraction) {
        if (count == 0 && c == '0') {
            if (fraction) --exponent;
        } else if (count < kMaxDigits) {
            digits[count++] = c;
            if (fraction) --exponent;
        } else {
            if (c != '0') sticky = true;
            if (!fraction) ++exponent;
        }
    }
};

// Converts a DecimalNumber to a double: false on overflow; underflow gives 0.
bool DecimalToDouble(const DecimalNumber& d, double& result) {
    if (d.count == 0) {
        result = 0;
        return true;
    }
    // Fast path: at most 15 digits and a small power of ten are exact, so one
    // multiplication or division rounds correctly.
    if (d.count <= 15 && !d.sticky && d.exponent >= -22 && d.exponent <= 22) {
        std::uint64_t m = 0;
        for (int i = 0; i < d.count; ++i) m = m * 10 + static_cast<unsigned>(d.digits[i] - '0');
        double v = static_cast<double>(m);
        result = d.exponent < 0 ? v / kExactPow10[-d.exponent] : v * kExactPow10[d.exponent];
        return true;
    }
    long magnitude = d.count + d.exponent; // digits before the decimal point
    if (magnitude > 310) return false;
    if (magnitude < -330) {
        result = 0;
        return true;
    }
    char buf[DecimalNumber::kMaxDigits + 32];
    int n = 0;
    std::memcpy(buf, d.digits, static_cast<size_t>(d.count));
    n = d.count;
    long exponent = d.exponent;
    if (d.sticky) { // a trailing 1 stands for the dropped digits
        buf[n++] = '1';
        --exponent;
    }
    buf[n++] = 'e';
    auto r = std::to_chars(buf + n, buf + sizeof buf, exponent);
    double v = 0;
    auto parsed = std::from_chars(buf, r.ptr, v);
    if (parsed.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) return false;
        v = 0;
    } else if (parsed.ec != std::errc() || std::isinf(v)) {
        return false;
    }
    result = v;
    return true;
}

// Rounds digits x 10^(exponent + shift) half to even to an unsigned integer;
// false when it exceeds limit.
bool DecimalToUnsigned(const DecimalNumber& d, int shift, std::uint64_t limit,
                       std::uint64_t& result) {
    result = 0;
    if (d.count == 0) return true;
    long exponent = d.exponent + shift;
    long intDigits = d.count + exponent; // digits before the decimal point
    if (intDigits > 19) return false;
    std::uint64_t value = 0;
    for (long i = 0; i < intDigits; ++i)
        value = value * 10 + (i < d.count ? static_cast<unsigned>(d.digits[i] - '0') : 0u);
    // The first dropped digit and whether anything non-zero follows it.
    int first = 0;
    bool rest = d.sticky;
    if (intDigits >= 0) {
        if (intDigits < d.count) {
            first = d.digits[intDigits] - '0';
            for (long i = intDigits + 1; i < d.count && !rest; ++i) rest = d.digits[i] != '0';
        }
    } else {
        rest = true; // value below 0.1: rounds to 0
    }
    if (first > 5 || (first == 5 && (rest || (value & 1) != 0))) {
        if (value == UINT64_MAX) return false;
        ++value;
    }
    if (value > limit) return false;
    result = value;
    return true;
}

// ---------------------------------------------------------------------------
// The lenient number syntax: blanks, signs (leading or trailing), currency,
// parentheses for a negative value, thousands separators, one decimal
// separator, an exponent, or "&H"/"&O" and hex/octal digits.

struct VariantNumber {
    bool negative = false;
    bool radix = false; // &H / &O
    bool radixOverflow = false;
    std::uint64_t radixValue = 0;
    DecimalNumber decimal;
};

bool MatchAt(std::string_view text, size_t pos, std::string_view word) {
    return !word.empty() && text.size() - pos >= word.size() &&
           text.compare(pos, word.size(), word) == 0;
}

bool ParseVariantNumber(std::string_view text, const FormatSettings& fs, VariantNumber& num) {
    const size_t n = text.size();
    const std::string_view currency = fs.CurrencyString;
    const std::string_view thousands = fs.ThousandSeparator;
    // With a no-break space as thousands separator a plain blank counts too.
    const bool blankThousands = thousands == "\xC2\xA0" || thousands == "\xA0";
    const char decimalSep = fs.DecimalSeparator;
    size_t i = 0;
    bool leadingPlus = false, leadingMinus = false, seenCurrency = false, paren = false;

    // 1. Prefix.
    while (i < n) {
        char c = text[i];
        if (IsWhite(c)) {
            ++i;
        } else if (c == '+' && !leadingPlus) {
            leadingPlus = true;
            ++i;
        } else if (c == '-' && !leadingMinus) {
            leadingMinus = true;
            num.negative = true;
            ++i;
        } else if (!seenCurrency && MatchAt(text, i, currency)) {
            seenCurrency = true;
            i += currency.size();
        } else if (c == '(' && !paren) {
            paren = true;
            ++i;
        } else {
            break;
        }
    }

    bool anyDigit = false;
    // 2. Hexadecimal or octal.
    if (!seenCurrency && i + 1 < n && text[i] == '&' &&
        (LowerAscii(text[i + 1]) == 'h' || LowerAscii(text[i + 1]) == 'o')) {
        const unsigned base = LowerAscii(text[i + 1]) == 'h' ? 16 : 8;
        num.radix = true;
        i += 2;
        while (i < n) {
            char c = text[i];
            unsigned digit;
            if (IsDigit(c)) {
                digit = static_cast<unsigned>(c - '0');
            } else if (base == 16 && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f') {
                digit = static_cast<unsigned>(LowerAscii(c) - 'a' + 10);
            } else {
                break;
            }
            if (digit >= base) return false;
            num.radixValue = num.radixValue * base + digit;
            if (num.radixValue > 0xFFFFFFFFu) {
                num.radixOverflow = true;
                num.radixValue = 0xFFFFFFFFu + 1ull;
            }
            anyDigit = true;
            ++i;
        }
    } else {
        // 3. Digits, thousands separators, one decimal separator, exponent.
        bool seenDecimal = false;
        while (i < n) {
            char c = text[i];
            if (IsDigit(c)) {
                num.decimal.AddDigit(c, seenDecimal);
                anyDigit = true;
                ++i;
            } else if (c == decimalSep && !seenDecimal) {
                seenDecimal = true;
                ++i;
            } else if (anyDigit && MatchAt(text, i, thousands)) {
                i += thousands.size();
            } else if (anyDigit && blankThousands && c == ' ' && i + 1 < n &&
                       IsDigit(text[i + 1])) {
                ++i;
            } else {
                break;
            }
        }
        if (i < n && (text[i] == 'e' || text[i] == 'E')) {
            if (seenCurrency) return false;
            ++i;
            bool negativeExponent = false;
            if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
            if (i >= n || !IsDigit(text[i])) return false;
            long exponent = 0;
            while (i < n && IsDigit(text[i])) {
                if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
                ++i;
            }
            num.decimal.exponent += negativeExponent ? -exponent : exponent;
        }
    }
    if (!anyDigit) return false;

    // 4. Suffix.
    bool trailingPlus = false, trailingMinus = false, closed = false;
    while (i < n) {
        char c = text[i];
        if (IsWhite(c)) {
            ++i;
        } else if (MatchAt(text, i, thousands)) {
            i += thousands.size();
        } else if (c == '+' && !leadingPlus && !trailingPlus) {
            trailingPlus = true;
            ++i;
        } else if (c == '-' && !leadingMinus && !trailingMinus) {
            trailingMinus = true;
            num.negative = true;
            ++i;
        } else if (c == ')' && paren && !closed) {
            closed = true;
            ++i;
        } else if (!seenCurrency && MatchAt(text, i, currency)) {
            seenCurrency = true;
            i += currency.size();
        } else {
            return false;
        }
    }
    if (paren) {
        if (!closed) return false;
        num.negative = true;
    }
    return true;
}

// The real value of a hex / octal number: up to 0x7FFFFFFF itself,
// 0x80000000 as -2147483648, larger is an overflow.
bool RadixToReal(const VariantNumber& num, double& result) {
    if (num.radixOverflow || num.radixValue > 0x80000000u) return false;
    double v = num.radixValue == 0x80000000u ? -2147483648.0 : static_cast<double>(num.radixValue);
    result = num.negative ? -v : v;
    return true;
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
    throw EConvertError(FormatMessage(msg::NotAnInteger, text));
}

[[noreturn]] void ThrowNotFloat(std::string_view text) {
    throw EConvertError(FormatMessage(msg::NotAFloat, text));
}

} // namespace

bool TryVariantTextToReal(std::string_view text, const FormatSettings& fs, double& result) {
    VariantNumber num;
    if (!ParseVariantNumber(text, fs, num)) return false;
    if (num.radix) return RadixToReal(num, result);
    double v = 0;
    if (!DecimalToDouble(num.decimal, v)) return false;
    result = num.negative && v != 0 ? -v : v;
    return true;
}

bool TryVariantTextToInteger(std::string_view text, const FormatSettings& fs,
                             std::int32_t& result) {
    VariantNumber num;
    if (!ParseVariantNumber(text, fs, num)) return false;
    if (num.radix) {
        if (num.radixOverflow) return false;
        std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(num.radixValue));
        if (num.negative) {
            if (v == INT32_MIN) return false;
            v = -v;
        }
        result = v;
        return true;
    }
    std::uint64_t magnitude = 0;
    if (!DecimalToUnsigned(num.decimal, 0, num.negative ? 2147483648u : 2147483647u, magnitude))
        return false;
    result = num.negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                          : static_cast<std::int32_t>(magnitude);
    return true;
}

bool TryVariantTextToCurrency(std::string_view text, const FormatSettings& fs,
                              std::int64_t& units) {
    VariantNumber num;
    if (!ParseVariantNumber(text, fs, num)) return false;
    if (num.radix) {
        double v = 0;
        if (!RadixToReal(num, v)) return false;
        units = static_cast<std::int64_t>(v) * 10000;
        return true;
    }
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = num.negative ? 9223372036854775808ull : 9223372036854775807ull;
    if (!DecimalToUnsigned(num.decimal, 4, limit, magnitude)) return false;
    units = num.negative ? static_cast<std::int64_t>(0 - magnitude)
                         : static_cast<std::int64_t>(magnitude);
    return true;
}

bool TryVariantTextToBoolean(std::string_view text, const FormatSettings& fs, bool& result) {
    if (EqualsIgnoreCaseAscii(text, "True") || text == "#TRUE#") {
        result = true;
        return true;
    }
    if (EqualsIgnoreCaseAscii(text, "False") || text == "#FALSE#") {
        result = false;
        return true;
    }
    double v = 0;
    if (!TryVariantTextToReal(text, fs, v)) return false;
    result = v != 0;
    return true;
}

bool TryStrToInt(std::string_view text, std::int32_t& result) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    if (i < n && text[i] == '$') {
        ++i;
        if (i >= n) return false;
        std::uint64_t value = 0;
        int significant = 0;
        for (; i < n; ++i) {
            char c = LowerAscii(text[i]);
            unsigned digit;
            if (IsDigit(c)) {
                digit = static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<unsigned>(c - 'a' + 10);
            } else {
                return false;
            }
            if (value != 0 || digit != 0) ++significant;
            if (significant > 8) return false;
            value = value * 16 + digit;
        }
        result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return true;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= n) return false;
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        if (!IsDigit(text[i])) return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > 2147483648u) return false;
    }
    if (!negative && value > 2147483647u) return false;
    result = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                      : static_cast<std::int32_t>(value);
    return true;
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t result = 0;
    if (!TryStrToInt(text, result)) ThrowNotInteger(text);
    return result;
}

double StrToFloat(std::string_view text, const FormatSettings& fs) {
    size_t i = 0;
    size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    while (n > i && text[n - 1] == ' ') --n;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    DecimalNumber d;
    bool anyDigit = false, seenDecimal = false;
    for (; i < n; ++i) {
        char c = text[i];
        if (IsDigit(c)) {
            d.AddDigit(c, seenDecimal);
            anyDigit = true;
        } else if (c == fs.DecimalSeparator && !seenDecimal) {
            seenDecimal = true;
        } else {
            break;
        }
    }
    if (!anyDigit) ThrowNotFloat(text);
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (i >= n || !IsDigit(text[i])) ThrowNotFloat(text);
        long exponent = 0;
        for (; i < n && IsDigit(text[i]); ++i) {
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
        }
        d.exponent += negativeExponent ? -exponent : exponent;
    }
    if (i != n) ThrowNotFloat(text);
    double v = 0;
    if (!DecimalToDouble(d, v)) ThrowNotFloat(text);
    return negative && v != 0 ? -v : v;
}

namespace {

// A number prefix without exponent whose digits form an integer below 2^53
// with at most 22 of them after the point: the integer and the power of ten
// are exact doubles, so their one quotient is the correctly rounded value,
// which is what the general reading gives.  False leaves the number to it.
bool TryShortValPrefix(const char* p, const char* end, bool negative, double& result) {
    constexpr int kMaxDigits = 19; // any 19 digits fit 64 bits
    constexpr std::uint64_t kExactLimit = 1ull << 53;
    const char* digits = p;
    while (p < end && *p == '0') ++p;
    const char* significant = p;
    std::uint64_t m = 0;
    p = scan::GatherDigits(p, end, m);
    const bool anyInteger = p != digits;
    std::ptrdiff_t count = p - significant;
    std::ptrdiff_t fraction = 0;
    if (p < end && *p == '.') {
        const char* first = ++p;
        if (count == 0) { // zeros right after the point are not significant either
            while (p < end && *p == '0') ++p;
        }
        const char* fractionDigits = p;
        p = scan::GatherDigits(p, end, m);
        fraction = p - first;
        count += p - fractionDigits;
    }
    if (!anyInteger && fraction == 0) {
        result = 0; // no digit at all, so no number: an exponent cannot follow
        return true;
    }
    if (p < end && (*p == 'e' || *p == 'E')) return false;
    if (count > kMaxDigits || m >= kExactLimit || fraction > 22) return false;
    // Whole numbers skip the division (by 1, exact), a slow instruction.
    const double whole = static_cast<double>(m);
    const double v = fraction == 0 ? whole : whole / kExactPow10[fraction];
    result = negative && v != 0 ? -v : v;
    return true;
}

} // namespace

double ValPrefixGeneral(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && *p == ' ') ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* start = p;
    bool anyDigit = false;
    while (p < end && IsDigit(*p)) ++p, anyDigit = true;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) ++p, anyDigit = true;
    }
    if (!anyDigit) return 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (q < end && IsDigit(*q)) {
            while (q < end && IsDigit(*q)) ++q;
            p = q;
        }
    }
    // The scanned prefix (digits, ".", exponent) goes to from_chars.
    double v = 0;
    auto r = std::from_chars(start, p, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small: tell which by the exponent's sign.
        const char* e = start;
        while (e < p && *e != 'e' && *e != 'E') ++e;
        bool tiny = e < p && e + 1 < p && e[1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        v = 0;
    }
    return negative && v != 0 ? -v : v;
}

double ValPrefix(std::string_view text) {
    const char* end = text.data() + text.size();
    const char* p = scan::SkipBlanks(text.data(), end);
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    double v = 0;
    if (TryShortValPrefix(p, end, negative, v)) return v;
    return ValPrefixGeneral(text);
}

} // namespace ostrane
