#include "platform/Exceptions.h"

namespace ostrane {

std::string FormatMessage(std::string_view pattern, std::string_view argument) {
    std::string result;
    result.reserve(pattern.size() + argument.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == 's' || pattern[i + 1] == 'd')) {
            result.append(argument);
            result.append(pattern.substr(i + 2));
            return result;
        }
        result.push_back(pattern[i]);
    }
    return result;
}

void RequireBuiltTextLength(std::size_t length) {
    if (length > MaxBuiltTextLength) throw EOutOfMemory(std::string(msg::OutOfMemory));
}

} // namespace ostrane
