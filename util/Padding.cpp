#include <algorithm>

#include "util/QzIUtils.h"

namespace ostrane {

std::string RepeatChar(char c, int n) {
    return n > 0 ? std::string(std::size_t(n), c) : std::string();
}

namespace {

// The first n characters of s; empty when n <= 0.
std::string_view Cut(std::string_view s, int n) {
    return n > 0 ? s.substr(0, std::min(s.size(), std::size_t(n))) : std::string_view();
}

} // namespace

std::string PadLeft(std::string_view s, int n, char c) {
    const std::string_view cut = Cut(s, n);
    std::string result = RepeatChar(c, n - int(cut.size()));
    result.append(cut);
    return result;
}

std::string PadRight(std::string_view s, int n, char c) {
    const std::string_view cut = Cut(s, n);
    std::string result(cut);
    result.append(RepeatChar(c, n - int(cut.size())));
    return result;
}

} // namespace ostrane
