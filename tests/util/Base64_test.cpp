#include "util/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrane {
namespace {

TEST(Base64, KnownTexts) {
    // RFC 4648 section 10, and bytes that use the last letters and NUL.
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0\0\0", 3), "AAAA"},
        {"\xFF\xFF\xFE", "///+"},
        {std::string("\x89PNG\r\n\x1A\n\0", 9), "iVBORw0KGgoA"},
    };
    for (const auto& [bytes, text] : cases) {
        std::string out = "x";
        AppendBase64(out, bytes);
        EXPECT_EQ(out, "x" + text) << text;
    }
}

} // namespace
} // namespace ostrane
