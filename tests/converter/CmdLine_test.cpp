// Splitting a command-line text, and the program's own start: banner and
// the error line.
#include <gtest/gtest.h>

#include <filesystem>

#include "converter/CmdLineHelper.h"
#include "support/Conversion.h"
#include "support/Process.h"

namespace ostrane {
namespace {

// Every argument of a command line, the program name included.
std::vector<std::string> SplitAll(const std::string& commandLine) {
    std::vector<std::string> arguments;
    const char* cursor = commandLine.c_str();
    std::string argument;
    while (ScanArgument(cursor, &argument, nullptr)) arguments.push_back(argument);
    return arguments;
}

TEST(ScanArgumentTest, QuotesAndBackslashes) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {R"(p "/FILTER=[CITY] = \"Oslo\"")", {R"(/FILTER=[CITY] = "Oslo")"}},
        {R"(p a\\"b c")", {R"(a\b c)"}},
        {R"(p a\\\"b)", {R"(a\"b)"}},
        {R"(p "a""b")", {"ab"}},
        {R"(p a\b c\\d e\)", {R"(a\b)", R"(c\\d)", R"(e\)"}},
        {R"(p \\\\"x y" z)", {R"(\\x y)", "z"}},
        {R"(p \\\\\"x y)", {R"(\\"x)", "y"}},
        {R"(p a"b c"d)", {"ab cd"}},
        {R"(p "a b)", {"a b"}},
        {R"(p "" x)", {"", "x"}},
        {"  p   a  ", {"a"}},
        {"p", {}},
    };
    for (const auto& [line, expected] : cases) {
        const std::vector<std::string> all = SplitAll(line);
        ASSERT_FALSE(all.empty()) << line;
        EXPECT_EQ(all[0], "p") << line;
        EXPECT_EQ(std::vector<std::string>(all.begin() + 1, all.end()), expected) << line;
        EXPECT_EQ(ArgumentCount(line), std::int32_t(expected.size())) << line;
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(ArgumentAt(line, std::int32_t(i + 1)), expected[i]) << line;
    }
}

TEST(ScanArgumentTest, BlanksAreBytesOneToSpace) {
    std::string line = "p";
    for (int c = 0x01; c <= 0x20; ++c) line += std::string(1, char(c)) + "x";
    EXPECT_EQ(ArgumentCount(line), 0x20);
    EXPECT_EQ(ArgumentAt(line, 0x20), "x");

    // Bytes from 0x7F up, UTF-8 sequences and NBSP included, are never blanks.
    const std::string high = "p \x7F\x80\xA0\xFF \xC3\xA9t\xC3\xA9";
    EXPECT_EQ(SplitAll(high),
              (std::vector<std::string>{"p", "\x7F\x80\xA0\xFF", "\xC3\xA9t\xC3\xA9"}));
}

TEST(ScanArgumentTest, CursorAndLength) {
    const std::string line = R"(  ab"c d"  e)";
    const char* cursor = line.c_str();
    std::size_t length = 99;
    ASSERT_TRUE(ScanArgument(cursor, nullptr, &length));
    EXPECT_EQ(length, 5u);   // abc d
    EXPECT_EQ(*cursor, ' '); // the ending blank is left for the next call
    std::string argument = "stale";
    ASSERT_TRUE(ScanArgument(cursor, &argument, &length));
    EXPECT_EQ(argument, "e");
    EXPECT_EQ(length, 1u);
    length = 99;
    EXPECT_FALSE(ScanArgument(cursor, &argument, &length));
    EXPECT_EQ(length, 0u);

    const char* none = nullptr;
    length = 99;
    EXPECT_FALSE(ScanArgument(none, nullptr, &length));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(ArgumentCount(""), 0);
    EXPECT_EQ(ArgumentCount(" \t "), 0);
}

TEST(ArgumentAtTest, MissingArgumentsAreEmptyAndZeroIsTheProgram) {
    EXPECT_EQ(ArgumentAt("p a", 2), "");
    EXPECT_EQ(ArgumentAt("p a", 9), "");
    EXPECT_EQ(ArgumentAt("", 1), "");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(ArgumentAt("p a", 0), self);
    EXPECT_EQ(ArgumentAt("p a", -3), self);
    EXPECT_EQ(ProgramPath(), self);
}

// The program itself.

test::ProcessResult RunOstrane(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), OSTRANE_BINARY);
    return test::RunProcess(arguments);
}

TEST(ProgramTest, FewerThanTwoArgumentsShowTheBanner) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"a.dbf"}}) {
        const test::ProcessResult r = RunOstrane(arguments);
        EXPECT_EQ(r.Stdout, test::ExpectedBanner);
        EXPECT_EQ(r.Stderr, "");
        EXPECT_EQ(r.ExitCode, 0);
    }
}

TEST(ProgramTest, BadEscapeEndsWithOneErrorLineBeforeTouchingFiles) {
    test::TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"/DELIMITER=\\t", "EConvertError: 't' is not a valid integer value\n"},
        {"/qualifier=\\", "EConvertError: '' is not a valid integer value\n"},
    };
    for (const auto& [escape, line] : cases) {
        const test::ProcessResult r = RunOstrane({dir.File("a.dbf"), dir.File("b.txt"), escape});
        EXPECT_EQ(r.Stdout, line);
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_FALSE(std::filesystem::exists(dir.File("b.txt")));
    }
}

} // namespace
} // namespace ostrane
