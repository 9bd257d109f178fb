#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/CodePage.h"

namespace ostrane {
namespace {

std::string ToAnsi(std::string_view text, std::uint16_t codePage) {
    std::string out = "junk";
    EXPECT_TRUE(CodePageToAnsi(text, codePage, out)) << codePage;
    return out;
}

class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCharset("UTF-8"); }
    void TearDown() override { SetAnsiCharset("UTF-8"); }
};

TEST_F(CodePageTest, DefaultAnsiIsUtf8) {
    EXPECT_EQ(AnsiCharset(), "UTF-8");
    SetAnsiCharset("ANSI_X3.4-1968");
    EXPECT_EQ(AnsiCharset(), "UTF-8");
    SetAnsiCharset("NO-SUCH-CHARSET");
    EXPECT_EQ(AnsiCharset(), "UTF-8");
}

TEST_F(CodePageTest, SingleBytePagesToUtf8) {
    struct Case {
        std::uint16_t codePage;
        const char* in;
        const char* out;
    } cases[] = {
        {866, "\x80", "\xD0\x90"},      // Cyrillic capital A
        {437, "\x80", "\xC3\x87"},      // C cedilla
        {437, "\xE1", "\xC3\x9F"},      // sharp s
        {437, "\xC4", "\xE2\x94\x80"},  // box drawing
        {850, "\x81", "\xC3\xBC"},      // u diaeresis
        {1252, "\x80", "\xE2\x82\xAC"}, // euro sign
        {1252, "\x81", "\xC2\x81"},     // undefined 0x80-0x9F: U+0081
        {1250, "\x98", "\xC2\x98"},
        {1253, "\xAA", "?"}, // undefined outside 0x80-0x9F
        {857, "\xD5", "?"},
        {10000, "\x80", "\xC3\x84"}, // Mac Roman A diaeresis
        {10007, "\x80", "\xD0\x90"},
        {10029, "\x80", "\xC3\x84"},
        {874, "\xA1", "\xE0\xB8\x81"}, // Thai ko kai
        {1251, "Abc\xC0", "Abc\xD0\x90"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToAnsi(c.in, c.codePage), c.out) << c.codePage << " " << c.in;
}

TEST_F(CodePageTest, StopsAtNul) {
    EXPECT_EQ(ToAnsi(std::string_view("AB\0\0", 4), 850), "AB");
    EXPECT_EQ(ToAnsi(std::string_view("\x80\0\x80", 3), 866), "\xD0\x90");
    EXPECT_EQ(ToAnsi("", 866), "");
    EXPECT_EQ(ToAnsi("plain ascii", 866), "plain ascii");
}

TEST_F(CodePageTest, UnavailablePages) {
    for (std::uint16_t cp : {620, 895, 10006, 1}) {
        std::string out = "junk";
        EXPECT_FALSE(CodePageToAnsi("abc", cp, out)) << cp;
        EXPECT_EQ(out, "");
        std::u16string wide = u"junk";
        EXPECT_FALSE(CodePageToUtf16("abc", cp, wide));
        EXPECT_EQ(wide, u"");
        EXPECT_FALSE(IsCodePageAvailable(cp));
    }
    EXPECT_TRUE(IsCodePageAvailable(437));
    EXPECT_TRUE(IsCodePageAvailable(932));
}

TEST_F(CodePageTest, MultiBytePages) {
    EXPECT_EQ(ToAnsi("\xC4\xE3\xBA\xC3", 936), "\xE4\xBD\xA0\xE5\xA5\xBD"); // ni hao
    EXPECT_EQ(ToAnsi("\x80", 936), "\xE2\x82\xAC");                         // euro
    EXPECT_EQ(ToAnsi("a\x82\xA0z", 932), "a\xE3\x81\x82z");                 // hiragana a
    EXPECT_EQ(ToAnsi("\x5C", 932), "\\");
    EXPECT_EQ(ToAnsi("\xB0\xA1", 949), "\xEA\xB0\x80"); // hangul ga
    EXPECT_EQ(ToAnsi("\xA4\x40", 950), "\xE4\xB8\x80"); // one
    EXPECT_EQ(ToAnsi("x\xC4", 936), "x?");              // truncated
    EXPECT_EQ(ToAnsi("\xFF"
                     "A",
                     936),
              "?A"); // invalid byte
    EXPECT_EQ(ToAnsi(std::string_view("\xC4\xE3\0\xBA\xC3", 5), 936), "\xE4\xBD\xA0");
    std::u16string wide;
    ASSERT_TRUE(CodePageToUtf16("\xC4\xE3"
                                "A",
                                936, wide));
    EXPECT_EQ(wide, u"\u4F60A");
}

TEST_F(CodePageTest, ToUtf16) {
    std::u16string wide;
    ASSERT_TRUE(CodePageToUtf16(std::string_view("\x80x\0y", 4), 866, wide));
    EXPECT_EQ(wide, u"\u0410x");
    ASSERT_TRUE(CodePageToUtf16("\x81", 1252, wide));
    EXPECT_EQ(wide, u"\u0081");
}

TEST_F(CodePageTest, Utf16ToAnsi) {
    std::string out;
    Utf16ToAnsi(u"A\u00E9\u20AC\U0001F600", out);
    EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    Utf16ToAnsi(std::u16string(1, static_cast<char16_t>(0xD800)), out); // lone surrogate
    EXPECT_EQ(out, "?");
}

TEST_F(CodePageTest, SingleByteAnsiSet) {
    SetAnsiCharset("CP1252");
    EXPECT_EQ(AnsiCharset(), "CP1252");
    EXPECT_EQ(ToAnsi("\x80", 437), "\xC7"); // C cedilla
    EXPECT_EQ(ToAnsi("\x81", 437), "\xFC");
    EXPECT_EQ(ToAnsi("\xB3", 437), "?");     // box drawing: not in 1252
    EXPECT_EQ(ToAnsi("\x81", 1252), "\x81"); // undefined byte kept
    EXPECT_EQ(ToAnsi("\x80", 866), "?");
    EXPECT_EQ(ToAnsi("\xC4\xE3", 936), "?");
    std::string out;
    Utf16ToAnsi(u"\u00E9\u0410", out);
    EXPECT_EQ(out, "\xE9?");
    EXPECT_TRUE(IsAnsiLetter(0xE9));
    EXPECT_TRUE(IsAnsiLetter(0x8A));  // S caron
    EXPECT_FALSE(IsAnsiLetter(0xD7)); // multiplication sign
    EXPECT_FALSE(IsAnsiLetter(0x80)); // euro sign
    EXPECT_FALSE(IsAnsiLetter(' '));
    SetAnsiCharset("CP1251");
    EXPECT_EQ(ToAnsi("\x80", 866), "\xC0"); // the tables follow the new set
}

TEST_F(CodePageTest, Utf8Letters) {
    EXPECT_TRUE(IsAnsiLetter('a'));
    EXPECT_TRUE(IsAnsiLetter('Z'));
    EXPECT_FALSE(IsAnsiLetter('1'));
    EXPECT_FALSE(IsAnsiLetter('_'));
    EXPECT_TRUE(IsAnsiLetter(0x80));
    EXPECT_TRUE(IsAnsiLetter(0xFF));
}

TEST_F(CodePageTest, CharsetToAnsi) {
    std::string out;
    CharsetToAnsi("M\xE4rz", "ISO-8859-1", out);
    EXPECT_EQ(out, "M\xC3\xA4rz");
    CharsetToAnsi("M\xC3\xA4rz", "UTF-8", out);
    EXPECT_EQ(out, "M\xC3\xA4rz");
    CharsetToAnsi("plain", "ANSI_X3.4-1968", out);
    EXPECT_EQ(out, "plain");
}

// The ASCII run before and after a sequence, of any length (the check skips
// whole words of ASCII), leaves the verdict on the sequence alone.
TEST(Utf8Validity, SequencesAfterAndBeforeAsciiRuns) {
    const struct {
        std::string_view Sequence;
        bool Valid;
    } cases[] = {
        {"", true},
        {"\xC3\xA9", true},         // two bytes
        {"\xE2\x82\xAC", true},     // three
        {"\xF0\x9F\x98\x80", true}, // four
        {"\xC3", false},            // cut short
        {"\xE2\x82", false},
        {"\x80", false},     // continuation without lead
        {"\xC0\xAF", false}, // overlong
        {"\xE0\x80\xAF", false},
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // beyond Unicode
        {"\xFF", false},
        {"\xC3\xA9\xC3", false},
    };
    for (const auto& c : cases) {
        for (std::size_t before = 0; before <= 17; ++before) {
            for (std::size_t after : {0, 1, 8, 9}) {
                const std::string text =
                    std::string(before, 'a') + std::string(c.Sequence) + std::string(after, 'b');
                EXPECT_EQ(IsValidUtf8(text), c.Valid) << before << " " << after;
            }
        }
    }
}

} // namespace
} // namespace ostrane

namespace ostrane {
namespace {

// Found by fuzzing: once the numbers of their own are used up (a code page
// switch may name any set iconv knows, also with iconv's "//IGNORE" and
// "//TRANSLIT" suffixes), a further name must still leave no iconv
// descriptor open.  Every name iconv lists, plain and with both suffixes,
// one after the other: more names than there are numbers; the sanitizer run
// reports a leak.
TEST(CodePageNames, EveryIconvNameEvenPastTheLimit) {
    std::unique_ptr<FILE, int (*)(FILE*)> list(popen("iconv -l 2>/dev/null", "r"), pclose);
    if (!list) GTEST_SKIP() << "no iconv program";
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, list.get())) > 0;)
        text.append(buffer, got);
    std::size_t known = 0, names = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(", \n", start);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(start, end - start);
        while (!name.empty() && name.back() == '/') name.pop_back();
        start = end + 1;
        if (name.empty()) continue;
        ++names;
        for (const char* suffix : {"", "//IGNORE", "//TRANSLIT"}) {
            std::uint16_t codePage = 0;
            if (CodePageFromName(name + suffix, codePage)) ++known;
        }
    }
    if (names == 0) GTEST_SKIP() << "iconv lists no names";
    EXPECT_GT(known, 1000u); // past the numbers of their own
    std::uint16_t codePage = 0;
    EXPECT_TRUE(CodePageFromName("1252", codePage)); // numbers need no name of their own
    EXPECT_EQ(codePage, 1252);
}

} // namespace
} // namespace ostrane
