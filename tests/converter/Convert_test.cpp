// Whole conversions: the real program on tables written byte by byte, its
// output file compared byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <regex>

#include "support/Conversion.h"
#include "support/Process.h"
#include "support/TableBuilder.h"

namespace ostrane::test {
namespace {

namespace fs = std::filesystem;

void ExpectSuccess(const Conversion& run) {
    EXPECT_EQ(run.Process.ExitCode, 0) << run.Process.Stdout;
    EXPECT_EQ(run.Process.Stdout, "");
    EXPECT_EQ(run.Process.Stderr, ""); // no progress when stderr is no terminal
}

void ExpectError(const Conversion& run, const std::string& line) {
    EXPECT_EQ(run.Process.ExitCode, 1);
    EXPECT_EQ(run.Process.Stdout, line + "\n");
}

TEST(Convert, SmithUnderEachSwitch) {
    TempDir dir;
    const std::string table = SmithTable(dir);
    const std::string smith = "Smith     ";
    struct Case {
        std::vector<std::string> Switches;
        std::string Output;
    };
    const Case cases[] = {
        {{}, smith + "\t42\t1\r\n"},
        {{"/H", "/F"}, "NAME\tAGE\tOK\r\nS\tN\tL\r\n" + smith + "\t42\t1\r\n"},
        {{"/f", "/h"}, "NAME\tAGE\tOK\r\nS\tN\tL\r\n" + smith + "\t42\t1\r\n"},
        // The delimiter goes between the selected fields only.
        {{"/FIELDS=age;ok", "/H"}, "AGE\tOK\r\n42\t1\r\n"},
        {{"/FIELDS=AGE;Ok", "/F"}, "N\tL\r\n42\t1\r\n"},
        {{"/FIELDS=ok;age", "/H", "/F"}, "AGE\tOK\r\nN\tL\r\n42\t1\r\n"},
        {{"/FIELDS=ok", "/H"}, "OK\r\n1\r\n"},
        {{"/FIELDS=name;ok"}, smith + "\t1\r\n"},
        {{"/FIELDS=age;ok", "/FIXED", "/H", "/F"}, "AGE\tOK\r\nN  \tL \r\n 42\t1 \r\n"},
        {{"/FIELDS=age;ok", "/QUALIFIER=\\34", "/DELIMITER=;", "/H"},
         "\"AGE\";\"OK\"\r\n\"42\";\"1\"\r\n"},
        {{"/FIELDS=age;ok", "/FIXED", "/QUALIFIER='", "/DELIMITER=,", "/F"},
         "'N  ','L '\r\n' 42','1 '\r\n"},
        {{"/FIELDS="}, smith + "\t42\t1\r\n"},
        {{"/FIXED"}, smith + "\t 42\t1 \r\n"},
        {{"/FIXED", "/H", "/F"},
         "NAME      \tAGE\tOK\r\nS         \tN  \tL \r\n" + smith + "\t 42\t1 \r\n"},
        {{"/QUALIFIER=\\34", "/H"},
         "\"NAME\"\t\"AGE\"\t\"OK\"\r\n\"" + smith + "\"\t\"42\"\t\"1\"\r\n"},
        {{"/QUALIFIER=\\0"}, smith + "\t42\t1\r\n"},
        {{"/RECORDSEPARATOR=LF", "/H"}, "NAME\tAGE\tOK\n" + smith + "\t42\t1\n"},
        {{"/RECORDSEPARATOR=cr"}, smith + "\t42\t1\r"},
        {{"/RECORDSEPARATOR=CR", "/RECORDSEPARATOR=CRLF"}, smith + "\t42\t1\r"},
        {{"/DELIMITER="}, smith + "421\r\n"},
        {{"/DELIMITER=\\0", "/H"}, "NAMEAGEOK\r\n" + smith + "421\r\n"},
        {{"/DELIMITER=ab"}, smith + "ab42ab1\r\n"},
        {{"/DELIMITER=\\124"}, smith + "|42|1\r\n"},
        {{"/DELIMITER=\\$2C", "/FIXED"}, smith + ", 42,1 \r\n"},
    };
    for (const Case& c : cases) {
        const Conversion run = Convert(table, dir.File("out.txt"), c.Switches);
        std::string title;
        for (const std::string& s : c.Switches) title += s + " ";
        ExpectSuccess(run);
        EXPECT_EQ(run.Target, c.Output) << title;
    }
}

TEST(Convert, NullFieldUnderAQualifierIsLeftEmpty) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("NAME", 'C', 10)
                                  .Field("AGE", 'N', 3)
                                  .Field("OK", 'L', 1)
                                  .Row({"Smith", "", "F"})
                                  .Row({"", "7", ""})
                                  .Write(dir.Path(), "t.dbf");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/QUALIFIER=\\34"});
    ExpectSuccess(run);
    EXPECT_EQ(run.Target, "\"Smith     \"\t\t\"0\"\r\n\t\"7\"\t\r\n");
}

TEST(Convert, QualifierInsideAValueIsDoubled) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("NAME", 'C', 8)
                                  .Row({"O'Brien"})
                                  .Row({"''"})
                                  .Write(dir.Path(), "t.dbf");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/QUALIFIER='"});
    ExpectSuccess(run);
    EXPECT_EQ(run.Target, "'O''Brien '\r\n'''''      '\r\n");
}

TEST(Convert, TypeLineLetters) {
    TempDir dir;
    TableBuilder builder(0x03);
    const std::string types = "+I0248@BCDFNGLMOPTYXQVW";
    for (char type : types) builder.Field(std::string("F") + type, type, 4);
    const std::string table = builder.Write(dir.Path(), "types.dbf");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/F", "/DELIMITER="});
    ExpectSuccess(run);
    EXPECT_EQ(run.Target, "AABSIDTBSDNNOLMFGTC<<<<\r\n");
}

TEST(Convert, MemoWithLineBreaksUnderAQualifier) {
    TempDir dir;
    const std::string table = TableBuilder(0x83)
                                  .Field("ID", 'N', 2)
                                  .Field("NOTE", 'M', 10)
                                  .Row({" 1", "         1"})
                                  .Row({" 2", ""})
                                  .Write(dir.Path(), "memo.dbf");
    MemoBuilder(MemoBuilder::Layout::DBase, 0)
        .TerminatedBlock(1, "line one\r\nline \"two\"\tend")
        .Write(dir.Path(), "memo.dbt");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/QUALIFIER=\\34"});
    ExpectSuccess(run);
    EXPECT_EQ(run.Target, "\"1\"\t\"line one\r\nline \"\"two\"\"\tend\"\r\n\"2\"\t\r\n");
}

TEST(Convert, LogicalsAsOneAndZero) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("OK", 'L', 1)
                                  .Row({"T"})
                                  .Row({"F"})
                                  .Row({""})
                                  .Row({"?"})
                                  .Row({"y"})
                                  .Row({"n"})
                                  .Write(dir.Path(), "t.dbf");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/RECORDSEPARATOR=LF"});
    ExpectSuccess(run);
    // "?" is dBase's mark of a value never set: no value, not false.
    EXPECT_EQ(run.Target, "1\n0\n\n\n1\n0\n");
}

TEST(Convert, RecordCountsAndDeletedRecords) {
    TempDir dir;
    struct Case {
        const char* Title;
        TableBuilder Table;
        std::vector<std::string> Switches;
        std::string Output;
        std::string Stderr = "";
    };
    Case cases[] = {
        {"no records, header and type line",
         TableBuilder(0x03).Field("A", 'C', 2),
         {"/H", "/F"},
         "A\r\nS\r\n"},
        {"every record deleted",
         TableBuilder(0x03).Field("A", 'C', 2).DeletedRow({"x"}).DeletedRow({"y"}),
         {},
         ""},
        {"every record deleted, with a filter",
         TableBuilder(0x03).Field("A", 'C', 2).DeletedRow({"x"}),
         {"/FILTER=1 +"},
         ""},
        {"deleted records skipped",
         TableBuilder(0x03).Field("A", 'C', 2).Row({"a"}).DeletedRow({"b"}).Row({"c"}),
         {},
         "a \r\nc \r\n"},
        {"no fields", TableBuilder(0x03).Row({}).Row({}), {"/H"}, "\r\n\r\n\r\n"},
        {"header counts more records than the file holds",
         TableBuilder(0x03).Field("A", 'C', 2).Row({"a"}).RecordCount(1000000000),
         {},
         "a \r\n",
         "ostrane: warning: the table header counts 1000000000 records but the file holds 1; 1 "
         "were read\n"},
        {"whole records beyond the header's count",
         TableBuilder(0x03).Field("A", 'C', 2).Row({"a"}).Row({"b"}).Row({"c"}).RecordCount(1),
         {},
         "a \r\n",
         "ostrane: warning: the file holds 2 whole records beyond the 1 that the table header "
         "counts; they were not read\n"},
        {"record length one short of the fields",
         TableBuilder(0x03)
             .Field("A", 'C', 2)
             .Field("B", 'C', 1)
             .Row({"a", "1"})
             .Row({"b", "2"})
             .RecordLength(3),
         {},
         "a \t1\r\nb \t2\r\n",
         "ostrane: warning: the table header gives records of 3 bytes but its fields take 4; "
         "records were read as 4 bytes\n"},
    };
    for (const Case& c : cases) {
        const std::string table = c.Table.Write(dir.Path(), "t.dbf");
        const Conversion run = Convert(table, dir.File("out.txt"), c.Switches);
        EXPECT_EQ(run.Process.ExitCode, 0) << c.Title;
        EXPECT_EQ(run.Process.Stdout, "") << c.Title;
        EXPECT_EQ(run.Process.Stderr, c.Stderr) << c.Title;
        EXPECT_TRUE(run.TargetExists) << c.Title;
        EXPECT_EQ(run.Target, c.Output) << c.Title;
    }
}

// A table without a code page (language driver 0) holding cp866 text.
TEST(Convert, CodePageSwitch) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("NAME", 'C', 6)
                                  .Row({"\x8C\xA8\xE0"}) // Мир in cp866
                                  .Write(dir.Path(), "t.dbf");
    const Conversion run =
        Convert(table, dir.File("out.txt"), {"/CODEPAGE=866", "/RECORDSEPARATOR=LF"});
    ExpectSuccess(run);
    EXPECT_EQ(run.Target, "\xD0\x9C\xD0\xB8\xD1\x80   \n");

    // Without it the bytes are copied, and the user is told how to name them.
    const Conversion asStored = Convert(table, dir.File("out.txt"), {"/RECORDSEPARATOR=LF"});
    EXPECT_EQ(asStored.Process.ExitCode, 0);
    EXPECT_EQ(asStored.Target, "\x8C\xA8\xE0   \n");
    EXPECT_EQ(asStored.Process.Stderr,
              "ostrane: warning: 1 text is not valid UTF-8; the table names no code page, so texts "
              "were written as stored. Name it with /CODEPAGE=, for example /CODEPAGE=1252\n");

    const Conversion unknown = Convert(table, dir.File("new.txt"), {"/CODEPAGE=nonsense"});
    EXPECT_EQ(unknown.Process.ExitCode, 1);
    EXPECT_EQ(unknown.Process.Stdout,
              "EConvertError: 'nonsense' is not a code page this system can convert\n");
    EXPECT_FALSE(unknown.TargetExists);
}

TEST(Convert, MissingSourceFailsAndCreatesNoTarget) {
    TempDir dir;
    fs::create_directory(dir.File("folder.dbf"));
    for (const std::string& source : {dir.File("none.dbf"), dir.File("folder.dbf")}) {
        const Conversion run = Convert(source, dir.File("out.txt"), {"/H"});
        EXPECT_EQ(run.Process.ExitCode, 1);
        EXPECT_EQ(run.Process.Stdout, "dBase file not found.\n");
        EXPECT_FALSE(run.TargetExists) << source;
    }
}

TEST(Convert, FixedMemoOverTheLimitStopsAfterTheEarlierLines) {
    TempDir dir;
    const std::string table = TableBuilder(0x83)
                                  .Field("NOTE", 'M', 10)
                                  .DeletedRow({"         1"})
                                  .Row({"         1"})
                                  .Row({"         2"})
                                  .Row({"         1"})
                                  .Write(dir.Path(), "t.dbf");
    MemoBuilder(MemoBuilder::Layout::DBase, 0)
        .TerminatedBlock(1, "short")
        .TerminatedBlock(2, std::string(4097, 'x'))
        .Write(dir.Path(), "t.dbt");
    const Conversion run = Convert(table, dir.File("out.txt"), {"/FIXED", "/H"});
    ExpectError(run, "EConvertError: Format result longer than 4096 characters (record 2)");
    EXPECT_EQ(run.Target, "NOTE      \r\nshort     \r\n");

    // Exactly 4096 bytes still fit.
    MemoBuilder(MemoBuilder::Layout::DBase, 0)
        .TerminatedBlock(1, "short")
        .TerminatedBlock(2, std::string(4096, 'x'))
        .Write(dir.Path(), "t.dbt");
    const Conversion fits = Convert(table, dir.File("out.txt"), {"/FIXED"});
    ExpectSuccess(fits);
    EXPECT_EQ(fits.Target, "short     \r\n" + std::string(4096, 'x') + "\r\nshort     \r\n");
}

TEST(Convert, TargetNeverOverwritesAFileBeingRead) {
    TempDir dir;
    const std::string table =
        TableBuilder(0x83).Field("NOTE", 'M', 10).Row({"         1"}).Write(dir.Path(), "Cust.dbf");
    const std::string memo = MemoBuilder(MemoBuilder::Layout::DBase, 0)
                                 .TerminatedBlock(1, "hello")
                                 .Write(dir.Path(), "CUST.DBT");
    fs::create_directory(dir.File("sub"));
    fs::create_hard_link(table, dir.File("hard.txt"));
    fs::create_symlink(table, dir.File("soft.txt"));
    fs::create_hard_link(memo, dir.File("memo-link.txt"));
    const std::string tableBytes = ReadFileBytes(table);
    const std::string memoBytes = ReadFileBytes(memo);

    const std::string targets[] = {
        table,
        dir.Path() + "/sub/../Cust.dbf",
        dir.Path() + "/./Cust.dbf",
        dir.File("hard.txt"),
        dir.File("soft.txt"),
        memo,
        dir.File("memo-link.txt"),
    };
    for (const std::string& target : targets) {
        const Conversion run = Convert(table, target, {"/H"});
        ExpectError(run, "EFCreateError: Cannot create file " + target);
        EXPECT_EQ(ReadFileBytes(table), tableBytes) << target;
        EXPECT_EQ(ReadFileBytes(memo), memoBytes) << target;
    }
    // The same table by a relative name, run from its folder.
    ProcessOptions options;
    options.WorkingDirectory = dir.Path();
    options.Environment = {{"LC_ALL", "C"}, {"LANG", "C"}};
    const ProcessResult relative = RunProcess({OSTRANE_BINARY, "Cust.dbf", "cust.dbt"}, options);
    EXPECT_EQ(relative.Stdout, "EFCreateError: Cannot create file cust.dbt\n");
    EXPECT_EQ(ReadFileBytes(memo), memoBytes);

    // Another file of a similar name is a fair target.
    const Conversion other = Convert(table, dir.File("Cust.txt"));
    ExpectSuccess(other);
    EXPECT_EQ(other.Target, "hello\r\n");
}

TEST(Convert, WriteErrorStopsTheRun) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    const Conversion run = Convert(SmithTable(dir), "/dev/full", {"/H"});
    ExpectError(run, "EWriteError: Stream write error");
}

TEST(Convert, UnwritableTargetFailsBeforeAnyRecord) {
    TempDir dir;
    const Conversion run = Convert(SmithTable(dir), dir.File("no/such/folder/out.txt"));
    ExpectError(run, "EFCreateError: Cannot create file " + dir.File("no/such/folder/out.txt"));
}

// Every table of both corpus folders converts without a crash: a finished
// run, or one clean error line.
TEST(Convert, CorpusTables) {
    std::vector<fs::path> tables;
    for (const fs::path& corpus : {fs::path(OSTRANE_CORPUS_DIR), fs::path(OSTRANE_CORPUS2_DIR)}) {
        if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
        for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
            std::string extension = entry.path().extension().string();
            for (char& c : extension) c = char(std::tolower((unsigned char)c));
            if (entry.is_regular_file() && extension == ".dbf") tables.push_back(entry.path());
        }
    }
    std::sort(tables.begin(), tables.end());
    ASSERT_FALSE(tables.empty());
    const std::regex errorLine("E[A-Za-z]+: [^\n]+\n");
    const std::regex warningLines("(ostrane: warning: [^\n]+\n)*");
    TempDir dir;
    for (const fs::path& table : tables) {
        for (const std::vector<std::string>& switches :
             {std::vector<std::string>{},
              std::vector<std::string>{"/H", "/F", "/FIXED", "/QUALIFIER=\\34"}}) {
            const Conversion run = Convert(table.string(), dir.File("out.txt"), switches);
            const ProcessResult& p = run.Process;
            EXPECT_EQ(p.Signal, 0) << table;
            EXPECT_FALSE(p.TimedOut) << table;
            EXPECT_TRUE((p.ExitCode == 0 && p.Stdout.empty()) ||
                        (p.ExitCode == 1 && std::regex_match(p.Stdout, errorLine)))
                << table << " exit " << p.ExitCode << ": " << p.Stdout;
            EXPECT_TRUE(std::regex_match(p.Stderr, warningLines)) << table << ": " << p.Stderr;
            if (p.ExitCode != 0) {
                std::cout << "[ corpus   ] " << table.string()
                          << (switches.empty() ? "" : " (/H /F /FIXED /QUALIFIER)") << ": "
                          << p.Stdout;
            }
        }
    }
}

} // namespace
} // namespace ostrane::test
