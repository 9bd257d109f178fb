// The text helpers of unit QzIUtils (RepeatChar / PadLeft / PadRight live in
// Padding.cpp).
#include "util/QzIUtils.h"

#include <cstring>

#include "platform/CodePage.h"

namespace ostrane {

namespace {

constexpr std::uint16_t kOemCodePage = 437;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

} // namespace

std::string OemToAnsi(std::string_view text) {
    if (text.empty()) return {};
    const void* nul = std::memchr(text.data(), 0, text.size());
    const size_t head = nul == nullptr ? text.size() : static_cast<const char*>(nul) - text.data();
    std::string result;
    if (!CodePageToAnsi(text.substr(0, head), kOemCodePage, result)) {
        result.assign(text.data(), head); // no CP437 in iconv: bytes unchanged
    }
    result.append(text.substr(head)); // the bytes from the first NUL on, unchanged
    return result;
}

std::string UpperCaseAscii(std::string_view s) {
    std::string result(s);
    for (char& c : result) c = UpperAscii(c);
    return result;
}

std::string LowerCaseAscii(std::string_view s) {
    std::string result(s);
    for (char& c : result) c = LowerAscii(c);
    return result;
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

} // namespace ostrane
