// Scanning helpers shared by the readers of number texts: numeric fields
// are mostly blank padding and digits, so both are taken in few steps.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ostrane::scan {

// The blanks at the front of [p, end), whole words first.  The first byte is
// the word's lowest.
inline const char* SkipBlanks(const char* p, const char* end) {
    static_assert(std::endian::native == std::endian::little);
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t diff = word ^ kBlanks;
        if (diff != 0) return p + std::countr_zero(diff) / 8;
        p += 8;
    }
    while (p < end && *p == ' ') ++p;
    return p;
}

// Digits from p on, gathered into m (wrapping when there are too many);
// returns the end of the run.
inline const char* GatherDigits(const char* p, const char* end, std::uint64_t& m) {
    for (; p < end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned('0');
        if (digit > 9) break;
        m = m * 10 + digit;
    }
    return p;
}

} // namespace ostrane::scan
