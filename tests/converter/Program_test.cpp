// The program as a command-line tool: standard output as the target, help
// and version, and the warnings about arguments that do nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "converter/ConvertSettings.h"
#include "support/Conversion.h"
#include "support/Process.h"
#include "support/TableBuilder.h"

namespace ostrane::test {
namespace {

constexpr char Warning[] = "ostrane: warning: ";

// Runs the program in dir under the C locale.
ProcessResult Ostrane(const TempDir& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), OSTRANE_BINARY);
    ProcessOptions options;
    options.WorkingDirectory = dir.Path();
    options.Environment = {{"LC_ALL", "C"}, {"LANG", "C"}};
    return RunProcess(arguments, options);
}

// ---------------------------------------------------------------------------
// "-" as the target

TEST(Program, DashWritesTheLinesToStandardOutputAndCreatesNoFile) {
    TempDir dir;
    SmithTable(dir);
    const ProcessResult r = Ostrane(dir, {"smith.dbf", "-", "/H", "/RECORDSEPARATOR=LF"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Stdout, "NAME\tAGE\tOK\nSmith     \t42\t1\n");
    EXPECT_EQ(r.Stderr, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("-")));
}

// Standard output then holds data only: every message goes to standard error.
TEST(Program, WithDashEveryMessageGoesToStandardError) {
    TempDir dir;
    SmithTable(dir);
    struct Case {
        std::vector<std::string> Arguments;
        std::string Stdout, Stderr;
        int ExitCode;
    };
    const Case cases[] = {
        {{"none.dbf", "-"}, "", "dBase file not found.\n", 1},
        {{"smith.dbf", "-", "/FILTER=(a + b"},
         "",
         "EQzIParseException: Compile error: syntax fault. (record 0)\n",
         1},
        {{"smith.dbf", "-", "/H", "/FILTER=[OK] = 0"}, "NAME\tAGE\tOK\r\n", "", 0},
        {{"smith.dbf", "-", "/DELIMITER=\\t"},
         "",
         "EConvertError: 't' is not a valid integer value\n",
         1},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Ostrane(dir, c.Arguments);
        EXPECT_EQ(r.Stdout, c.Stdout) << c.Arguments.back();
        EXPECT_EQ(r.Stderr, c.Stderr) << c.Arguments.back();
        EXPECT_EQ(r.ExitCode, c.ExitCode) << c.Arguments.back();
    }
}

// A reader that stops early (head) ends the run quietly: no error line, and
// the status a program ended by SIGPIPE has.
TEST(Program, DashIntoAPipeThatClosesEndsQuietly) {
    TempDir dir;
    TableBuilder builder(0x03);
    builder.Field("N", 'C', 60);
    for (int i = 0; i < 20000; ++i) builder.Row({"record " + std::to_string(i)});
    builder.Write(dir.Path(), "big.dbf");
    const std::string script =
        "( \"$0\" big.dbf - /RECORDSEPARATOR=LF 2>err.txt; echo $? >status.txt ) | head -n 2";
    ProcessOptions options;
    options.WorkingDirectory = dir.Path();
    options.Environment = {{"LC_ALL", "C"}};
    options.TimeoutSeconds = 60;
    const ProcessResult r = RunProcess({"sh", "-c", script, OSTRANE_BINARY}, options);
    EXPECT_FALSE(r.TimedOut);
    const std::string pad(52, ' ');
    EXPECT_EQ(r.Stdout, "record 0" + pad + "\nrecord 1" + pad + "\n");
    EXPECT_EQ(ReadFileBytes(dir.File("err.txt")), "");
    EXPECT_EQ(ReadFileBytes(dir.File("status.txt")), "141\n");
}

// ---------------------------------------------------------------------------
// Banner, help and version

TEST(Program, HelpStartsWithTheBannerAndCoversEverySwitch) {
    TempDir dir;
    const ProcessResult help = Ostrane(dir, {"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_EQ(help.Stderr, "");
    ASSERT_EQ(help.Stdout.rfind(ExpectedBanner, 0), 0u) << help.Stdout;
    const std::string body = help.Stdout.substr(ExpectedBanner.size());
    EXPECT_EQ(body.find('\r'), std::string::npos);
    for (std::string_view sw : SwitchTexts()) {
        EXPECT_NE(body.find(std::string("\n  ") + std::string(sw)), std::string::npos) << sw;
    }
    const char* mentions[] = {
        "default: TAB",
        "default: CR LF",
        "\\9 TAB",
        "\\34 \"",
        "\\$2C",
        "\\0 none",
        "--version",
        // Quoted for a POSIX shell.
        "'/QUALIFIER=\\34'",
        "'/FIELDS=name;city'",
        // The word operators take in the word after them.
        "1 AND x reads as 1 and ANDx",
        "(a) AND (b)",
    };
    for (const char* mention : mentions) {
        EXPECT_NE(body.find(mention), std::string::npos) << mention;
    }
    for (const char* spelling : {"-h", "/?"}) {
        const ProcessResult other = Ostrane(dir, {spelling});
        EXPECT_EQ(other.Stdout, help.Stdout) << spelling;
        EXPECT_EQ(other.ExitCode, 0) << spelling;
    }
}

TEST(Program, VersionIsOneLine) {
    TempDir dir;
    const ProcessResult r = Ostrane(dir, {"--version"});
    EXPECT_EQ(r.Stdout, "ostrane 2.6\n");
    EXPECT_EQ(r.Stderr, "");
    EXPECT_EQ(r.ExitCode, 0);
}

// ---------------------------------------------------------------------------
// Warnings about arguments that do nothing; the output stays as it was.

TEST(Program, ArgumentsThatDoNothingAreWarnedAbout) {
    TempDir dir;
    SmithTable(dir);
    const std::string smith = "Smith     \t42\t1\r\n";
    struct Case {
        std::vector<std::string> Switches;
        std::string Output;
        std::string Warnings;
    };
    const Case cases[] = {
        {{"/FILTR=1 = 0"}, smith, "\"/FILTR=1 = 0\" is no known switch; it was ignored\n"},
        {{"where=1=0", "-h", "/H"},
         "NAME\tAGE\tOK\r\n" + smith,
         "\"where=1=0\" is no known switch; it was ignored\n"
         "ostrane: warning: \"-h\" is no known switch; it was ignored\n"},
        {{"/FIELDS=nosuch"},
         "\r\n",
         "/FIELDS names \"nosuch\", which is no field of the table; it was ignored\n"},
        {{"/FIELDS=Age;X;name; ok"},
         "Smith     \t42\r\n",
         "/FIELDS names \"x\", which is no field of the table; it was ignored\n"
         "ostrane: warning: /FIELDS names \" ok\", which is no field of the table; it was "
         "ignored\n"},
        // Known switches, "=" values of any kind, and the file names: no word.
        {{"/h", "/Fixed", "/CODEPAGE=850", "/fields=OK;", "/RECORDSEPARATOR=CRLF"},
         "OK\r\n1 \r\n",
         ""},
    };
    for (const Case& c : cases) {
        const Conversion run = Convert(dir.File("smith.dbf"), dir.File("out.txt"), c.Switches);
        const std::string title = c.Switches.front();
        EXPECT_EQ(run.Process.ExitCode, 0) << title;
        EXPECT_EQ(run.Process.Stdout, "") << title;
        EXPECT_EQ(run.Process.Stderr, c.Warnings.empty() ? "" : Warning + c.Warnings) << title;
        EXPECT_EQ(run.Target, c.Output) << title;
    }
}

// "1 AND x" reads as "1" and "ANDx": a filter that fails to compile because
// a word operator took in the next word gets one line with the way out.
TEST(Program, FilterWithAnOperatorJoinedToAWordGetsAHint) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("NOTES", 'C', 4)
                                  .Field("ORDERS", 'N', 2)
                                  .Row({"a", " 1"})
                                  .Write(dir.Path(), "t.dbf");
    const auto hint = [](const std::string& word, const std::string& op) {
        return std::string(Warning) + "the filter word \"" + word + "\" begins with the operator " +
               op + ": " + op +
               " joins the word after it (blanks inside words are dropped), so put each operand "
               "in parentheses, as in (a) " +
               op + " (b)\n";
    };
    struct Case {
        std::string Filter;
        std::string Stderr;
    };
    const Case cases[] = {
        {"1 AND x", hint("ANDx", "AND")},
        {"(ORDERS = 1) or notes = 2", hint("ornotes", "OR")},
        {"(1) AND NOT 1", hint("ANDNOT1", "AND")},
        // Field names and function calls are no joined operators.
        {"NOTES = 1 1", ""},
        {"ORD(NOTES) 1", ""},
        {"(a + b", ""},
    };
    for (const Case& c : cases) {
        const Conversion run = Convert(table, dir.File("out.txt"), {"/FILTER=" + c.Filter});
        EXPECT_EQ(run.Process.ExitCode, 1) << c.Filter;
        EXPECT_EQ(run.Process.Stderr, c.Stderr) << c.Filter;
        EXPECT_EQ(run.Process.Stdout.rfind("EQzIParseException: ", 0), 0u)
            << c.Filter << ": " << run.Process.Stdout;
    }
}

} // namespace
} // namespace ostrane::test
