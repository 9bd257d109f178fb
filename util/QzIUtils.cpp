// The text helpers of unit QzIUtils (RepeatChar / PadLeft / PadRight live in
// Padding.cpp).
#include "util/QzIUtils.h"

#include <cstring>

#include "platform/CodePage.h"

namespace ostrane {

namespace {

constexpr std::uint16_t kOemCodePage = 437;

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

} // namespace ostrane
