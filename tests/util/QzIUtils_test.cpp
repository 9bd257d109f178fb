#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "util/QzIUtils.h"

namespace ostrane {
namespace {

TEST(OemToAnsi, Conversion) {
    SetAnsiCharset("UTF-8");
    EXPECT_EQ(OemToAnsi(""), "");
    EXPECT_EQ(OemToAnsi("plain"), "plain");
    EXPECT_EQ(OemToAnsi("\x80"), "\xC3\x87"); // C cedilla
    EXPECT_EQ(OemToAnsi("\x81"
                        "ber"),
              "\xC3\xBC"
              "ber");
    // The bytes from the first NUL on are kept: AB\0\0 keeps its four bytes.
    EXPECT_EQ(OemToAnsi(std::string_view("AB\0\0", 4)), std::string("AB\0\0", 4));
    EXPECT_EQ(OemToAnsi(std::string_view("\x80\0\x80", 3)), std::string("\xC3\x87\0\x80", 4));
    EXPECT_EQ(OemToAnsi(std::string_view("\0x", 2)), std::string("\0x", 2));
}

TEST(OemToAnsi, SingleByteAnsi) {
    SetAnsiCharset("CP1252");
    EXPECT_EQ(OemToAnsi(std::string_view("\x80\x81\xE1\0\0", 5)),
              std::string("\xC7\xFC\xDF\0\0", 5));
    EXPECT_EQ(OemToAnsi("\xB3"), "?");
    SetAnsiCharset("UTF-8");
}

TEST(IsBlank, Table) {
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank("   "));
    EXPECT_TRUE(IsBlank(std::string_view("\0 \0", 3)));
    EXPECT_FALSE(IsBlank(" a "));
    EXPECT_FALSE(IsBlank("\t"));
}

// Every byte value at every position of blank and NUL padding up to 24
// bytes long, beside the byte-by-byte rule.
TEST(IsBlank, EveryByteAtEveryPosition) {
    auto byteByByte = [](std::string_view text) {
        for (char c : text) {
            if (c != ' ' && c != '\0') return false;
        }
        return true;
    };
    for (std::size_t length = 1; length <= 24; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string text(length, ' ');
                for (std::size_t i = 0; i < length; i += 3) text[i] = '\0';
                text[at] = char(byte);
                ASSERT_EQ(IsBlank(text), byteByByte(text)) << length << " " << at << " " << byte;
            }
        }
    }
}

TEST(CaseAscii, Table) {
    EXPECT_EQ(UpperCaseAscii("abc XYZ 123 \xE4"), "ABC XYZ 123 \xE4");
    EXPECT_EQ(LowerCaseAscii("ABC xyz 123 \xC4"), "abc xyz 123 \xC4");
    EXPECT_TRUE(EqualsIgnoreCaseAscii("CustName", "CUSTNAME"));
    EXPECT_FALSE(EqualsIgnoreCaseAscii("CustName", "CUSTNAM"));
    EXPECT_FALSE(EqualsIgnoreCaseAscii("\xE4", "\xC4"));
    EXPECT_TRUE(EqualsIgnoreCaseAscii("", ""));
}

} // namespace
} // namespace ostrane
