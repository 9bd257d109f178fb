// Letter case of ASCII letters only: switches, field names, operator and
// function names, month names and code page names compare this way, and no
// other byte (letters of any code page included) changes.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

constexpr bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool IsAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}
constexpr bool IsAsciiLetter(char c) {
    return IsAsciiUpper(c) || IsAsciiLower(c);
}
constexpr char UpperAscii(char c) {
    return IsAsciiLower(c) ? char(c - 'a' + 'A') : c;
}
constexpr char LowerAscii(char c) {
    return IsAsciiUpper(c) ? char(c - 'A' + 'a') : c;
}

inline std::string UpperCaseAscii(std::string_view s) {
    std::string result(s);
    for (char& c : result) c = UpperAscii(c);
    return result;
}

inline std::string LowerCaseAscii(std::string_view s) {
    std::string result(s);
    for (char& c : result) c = LowerAscii(c);
    return result;
}

constexpr bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

constexpr bool StartsWithIgnoreCaseAscii(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreCaseAscii(text.substr(0, prefix.size()), prefix);
}

} // namespace ostrane
