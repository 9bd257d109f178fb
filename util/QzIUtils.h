// Small text helpers shared by the reader and the expression engine.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/AsciiCase.h" // the case helpers its callers use

namespace ostrane {

// Code page 437 to the ANSI set: the bytes up to the first NUL converted (a
// byte may become several in a multi-byte ANSI set such as UTF-8), the bytes
// from the first NUL on appended unchanged, so AB\0\0 keeps its four bytes.
// An empty text gives an empty text.
std::string OemToAnsi(std::string_view text);

// True when every byte is a blank (0x20) or NUL; an empty text is blank.
// Inline: the record loop asks it of nearly every field.
inline bool IsBlank(std::string_view text) {
    // Blanks and NULs are the only bytes without a bit outside 0x20, which
    // lets whole words of padding be tested at once.
    constexpr std::uint64_t kOtherBits = ~0x2020202020202020ull;
    const char* p = text.data();
    std::size_t n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if ((word & kOtherBits) != 0) return false;
    }
    for (; n > 0; ++p, --n) {
        if (*p != ' ' && *p != '\0') return false;
    }
    return true;
}

// n copies of c; empty when n <= 0.
std::string RepeatChar(char c, int n);
// The first n characters of s (empty when n <= 0), padded to n with c on the
// left (PadLeft) or on the right (PadRight).
std::string PadLeft(std::string_view s, int n, char c);
std::string PadRight(std::string_view s, int n, char c);

} // namespace ostrane
