// Hostile inputs through the real program: damaged tables, unusable files and
// enormous filters.  Each ends in a clean output or one clean error line,
// never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "converter/Driver.h"
#include "converter/Run.h"
#include "dbase/QzDBF.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/Conversion.h"
#include "support/Process.h"
#include "support/TableBuilder.h"

namespace ostrane::test {
namespace {

namespace fs = std::filesystem;
using Layout = MemoBuilder::Layout;

constexpr char Warning[] = "ostrane: warning: ";

using Outcome = Conversion;

// What a run must show: the exact standard output, exit status, standard
// error and target (std::nullopt: no target file at all).
struct Expected {
    std::string Stdout;
    int ExitCode = 0;
    std::string Stderr;
    std::optional<std::string> Target;
};

void ExpectRun(const Outcome& run, const Expected& expected, const std::string& title) {
    EXPECT_FALSE(run.Process.TimedOut) << title;
    EXPECT_EQ(run.Process.Signal, 0) << title;
    EXPECT_EQ(run.Process.Stdout, expected.Stdout) << title;
    EXPECT_EQ(run.Process.ExitCode, expected.ExitCode) << title;
    EXPECT_EQ(run.Process.Stderr, expected.Stderr) << title;
    EXPECT_EQ(run.TargetExists, expected.Target.has_value()) << title;
    if (expected.Target && run.TargetExists) {
        EXPECT_EQ(run.Target, *expected.Target) << title;
    }
}

std::string BlockText(int block) {
    const std::string digits = std::to_string(block);
    return std::string(10 - digits.size(), ' ') + digits;
}

// ---------------------------------------------------------------------------
// Files that cannot serve as source or target

TEST(Hostile, EmptyFileIsNoTable) {
    TempDir dir;
    const std::string source = dir.Write("empty.dbf", "");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/H"}),
              {"EReadError: Stream read error\n", 1, "", std::nullopt}, "empty file");
    // Anything shorter than the 32-byte table header is no table either.
    const std::string cut =
        dir.Write("cut.dbf", TableBuilder().Field("A", 'C', 1).Bytes().substr(0, 31));
    ExpectRun(Convert(cut, dir.File("out.txt")),
              {"EReadError: Stream read error\n", 1, "", std::nullopt}, "31 bytes");
}

TEST(Hostile, DirectoryAsSourceIsNotFound) {
    TempDir dir;
    fs::create_directory(dir.File("folder.dbf"));
    ExpectRun(Convert(dir.File("folder.dbf"), dir.File("out.txt")),
              {"dBase file not found.\n", 1, "", std::nullopt}, "directory");
}

// Opening a pipe to read waits for a writer: neither a table nor a memo file
// that is one may make the run wait.
TEST(Hostile, PipesAreNoFiles) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.dbf").c_str(), 0600), 0);
    ExpectRun(Convert(dir.File("pipe.dbf"), dir.File("out.txt")),
              {"dBase file not found.\n", 1, "", std::nullopt}, "pipe as source");
    const std::string source =
        TableBuilder(0x83).Field("NOTE", 'M', 10).Row({BlockText(1)}).Write(dir.Path(), "t.dbf");
    ASSERT_EQ(mkfifo(dir.File("t.dbt").c_str(), 0600), 0);
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"", 0,
               std::string(Warning) +
                   "memo fields name memo blocks but no memo file was found beside the table; "
                   "they were written empty\n",
               "\r\n"},
              "pipe as memo file");
}

TEST(Hostile, UnreadableSource) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not deny root";
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 1).Row({"a"}).Write(dir.Path(), "locked.dbf");
    ASSERT_EQ(chmod(source.c_str(), 0), 0);
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"EFOpenError: Cannot open file " + source + "\n", 1, "", std::nullopt},
              "no read permission");
}

// A memo file that cannot be opened stops a run that reads a memo field, and
// only such a run: the others never open it.
TEST(Hostile, UnreadableMemoFile) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not deny root";
    TempDir dir;
    const std::string source = TableBuilder(0x83)
                                   .Field("A", 'C', 1)
                                   .Field("NOTE", 'M', 10)
                                   .Row({"a", BlockText(1)})
                                   .Write(dir.Path(), "t.dbf");
    const std::string memo = dir.File("t.dbt");
    WriteFileBytes(memo, std::string(1024, '\0'));
    ASSERT_EQ(chmod(memo.c_str(), 0), 0);
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"EFOpenError: Cannot open file " + memo + " (record 0)\n", 1, "", ""},
              "memo written");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/FIELDS=A"}), {"", 0, "", "a\r\n"},
              "memo neither written nor filtered");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/FIELDS=A", "/FILTER=NOTE = x"}),
              {"EFOpenError: Cannot open file " + memo + " (record 0)\n", 1, "", ""},
              "memo filtered");
}

TEST(Hostile, TargetInAMissingFolder) {
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 1).Row({"a"}).Write(dir.Path(), "t.dbf");
    const std::string target = dir.File("missing/folder/out.txt");
    ExpectRun(Convert(source, target),
              {"EFCreateError: Cannot create file " + target + "\n", 1, "", std::nullopt},
              "missing folder");
}

TEST(Hostile, TargetEqualToSourceLeavesItUnchanged) {
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 1).Row({"a"}).Write(dir.Path(), "t.dbf");
    const std::string bytes = ReadFileBytes(source);
    ExpectRun(Convert(source, source, {"/H"}),
              {"EFCreateError: Cannot create file " + source + "\n", 1, "", bytes},
              "target is the source");
    EXPECT_EQ(ReadFileBytes(source), bytes);
}

// ---------------------------------------------------------------------------
// Headers that lie

TEST(Hostile, HeaderCountsMoreRecordsThanTheFileHolds) {
    TempDir dir;
    const std::string source = TableBuilder()
                                   .Field("A", 'C', 2)
                                   .Row({"a"})
                                   .Row({"b"})
                                   .DeletedRow({"c"})
                                   .RecordCount(10000000)
                                   .Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"", 0,
               std::string(Warning) +
                   "the table header counts 10000000 records but the file holds 3; 3 were read\n",
               "a \r\nb \r\n"},
              "ten million claimed");
}

TEST(Hostile, HeaderCountBeyondTheSignedRange) {
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 2).Row({"a"}).RecordCount(-1).Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/H"}),
              {"", 0,
               std::string(Warning) +
                   "the table header counts 4294967295 records, more than a table can hold; none "
                   "were read\n",
               "A\r\n"},
              "count 0xFFFFFFFF");
}

TEST(Hostile, RecordLengthZeroHoldsNoRecords) {
    TempDir dir;
    const std::string source = TableBuilder()
                                   .Field("A", 'C', 2)
                                   .Row({"a"})
                                   .Row({"b"})
                                   .RecordLength(0)
                                   .RecordCount(2000000000)
                                   .Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/H"}),
              {"", 0,
               std::string(Warning) +
                   "the table header counts 2000000000 records but the file holds 0; 0 were read\n",
               "A\r\n"},
              "record length 0");
}

TEST(Hostile, RecordLength65535) {
    TempDir dir;
    // The first record is cut by the end of the file: its missing bytes read
    // as zero.  The second lies wholly past the end.
    const std::string source = TableBuilder()
                                   .Field("A", 'C', 3)
                                   .Field("B", 'N', 4)
                                   .Row({"abc", "12"})
                                   .RecordLength(65535)
                                   .RecordCount(2)
                                   .EndOfFile(false)
                                   .Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"", 0,
               std::string(Warning) +
                   "the table header counts 2 records but the file holds 1; 1 were read\n" +
                   Warning +
                   "the table header gives records of 65535 bytes but its fields take 8; records "
                   "were read as 65535 bytes\n",
               "abc\t12\r\n"},
              "record length 65535");
}

TEST(Hostile, FieldCountZero) {
    TempDir dir;
    const std::string source = TableBuilder().Row({}).Row({}).Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/H", "/F"}), {"", 0, "", "\r\n\r\n\r\n\r\n"},
              "no fields");
}

// ---------------------------------------------------------------------------
// Memo fields that lie

struct MemoCase {
    std::string Title;
    std::string Block; // the bytes at block 1 of a FoxPro memo file
    std::string Expected;
    std::string Stderr;
};

std::string MemoTextsCut(int count) {
    return std::string(Warning) + std::to_string(count) + " memo " +
           (count == 1 ? "text lies" : "texts lie") +
           " beyond the end of the memo file in whole or in part; what the file lacks was written "
           "empty\n";
}

TEST(Hostile, MemoBlocksThatLie) {
    TempDir dir;
    const std::string tail = "only this much";
    const MemoCase cases[] = {
        {"length 0x7FFFFFFF reads what the file holds", Hex("00 00 00 01 7F FF FF FF") + tail, tail,
         MemoTextsCut(1)},
        {"negative length reads nothing", Hex("00 00 00 01 FF FF FF F0") + tail, "", ""},
        {"length 0", Hex("00 00 00 01 00 00 00 00") + tail, "", ""},
        {"length one beyond", Hex("00 00 00 01 00 00 00 0F") + tail, tail, MemoTextsCut(1)},
        {"length exact", Hex("00 00 00 01 00 00 00 0E") + tail, tail, ""},
    };
    for (const MemoCase& c : cases) {
        const std::string source = TableBuilder(0xF5)
                                       .Field("NOTE", 'M', 10)
                                       .Field("N", 'N', 1)
                                       .Row({BlockText(1), "1"})
                                       .Write(dir.Path(), "t.dbf");
        MemoBuilder(Layout::FoxPro, 512).Block(1, c.Block).Write(dir.Path(), "t.fpt");
        ExpectRun(Convert(source, dir.File("out.txt")), {"", 0, c.Stderr, c.Expected + "\t1\r\n"},
                  c.Title);
    }
}

TEST(Hostile, MemoBlockPastTheEndOfTheMemoFile) {
    TempDir dir;
    const std::string source = TableBuilder(0x8B)
                                   .Field("NOTE", 'M', 10)
                                   .Row({BlockText(1)})
                                   .Row({BlockText(1000000)})
                                   .Row({BlockText(2147483647)})
                                   .Write(dir.Path(), "t.dbf");
    MemoBuilder(Layout::DBase, 512).LengthBlock(1, "kept").Write(dir.Path(), "t.dbt");
    ExpectRun(Convert(source, dir.File("out.txt")), {"", 0, MemoTextsCut(2), "kept\r\n\r\n\r\n"},
              "blocks past the end");
}

// ---------------------------------------------------------------------------
// Diagnostics of what the output cannot show

TEST(Hostile, MissingMemoFileIsReported) {
    TempDir dir;
    const std::string source = TableBuilder(0x83)
                                   .Field("NOTE", 'M', 10)
                                   .Row({BlockText(1)})
                                   .Row({BlockText(2)})
                                   .Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt")),
              {"", 0,
               std::string(Warning) +
                   "memo fields name memo blocks but no memo file was found beside the table; "
                   "they were written empty\n",
               "\r\n\r\n"},
              "memo file missing");
    // Blank memo fields name no block: nothing is missing.
    const std::string blank =
        TableBuilder(0x83).Field("NOTE", 'M', 10).Row({""}).Write(dir.Path(), "b.dbf");
    ExpectRun(Convert(blank, dir.File("out.txt")), {"", 0, "", "\r\n"}, "blank memo fields");
}

TEST(Hostile, UnconvertibleCodePageIsReported) {
    TempDir dir;
    // Driver 0x69 asks for code page 620, which no conversion library offers.
    ASSERT_FALSE(TextConversion::ForLanguageDriver(0x69).Available());
    const std::string source = TableBuilder()
                                   .LanguageDriver(0x69)
                                   .Field("A", 'C', 3)
                                   .Row({"abc"})
                                   .Write(dir.Path(), "t.dbf");
    ExpectRun(Convert(source, dir.File("out.txt"), {"/H"}),
              {"", 0,
               std::string(Warning) +
                   "the language driver 0x69 asks for code page 620, which this system cannot "
                   "convert; its texts were written empty\n",
               "\r\n\r\n"},
              "code page 620");
}

// ---------------------------------------------------------------------------
// Enormous filters

// A single argument on Linux holds at most 128 KiB, so the largest filters
// reach the program only below that size; bigger ones are evaluated in
// process, through the same filter bridge.
constexpr std::size_t MaxArgument = 128 * 1024 - 1;

std::string Nested(std::size_t depth, const std::string& core) {
    return std::string(depth, '(') + core + std::string(depth, ')');
}

TEST(Hostile, FiltersAsLargeAsAnArgumentMayBe) {
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 2).Row({"x"}).Row({"y"}).Write(dir.Path(), "t.dbf");
    const std::string prefix = "/FILTER=";
    const std::size_t depth = (MaxArgument - prefix.size() - 16) / 2;
    ExpectRun(Convert(source, dir.File("out.txt"), {prefix + Nested(depth, "TRIM(A) = x")}),
              {"", 0, "", "x \r\n"}, "nested parentheses");
    std::string chain = "1";
    while (chain.size() + prefix.size() + 4 < MaxArgument) chain += " + 1";
    ExpectRun(Convert(source, dir.File("out.txt"), {prefix + chain}),
              {"EQzIParseException: Compile error: expression too deeply nested. (record 0)\n", 1,
               "", ""},
              "long operator chain");
}

// The filter bridge over the records of a small table, in process.
class InProcessFilter {
public:
    explicit InProcessFilter(const std::string& path) : source_(path, FileStream::Mode::OpenRead) {
        run_.Open(source_, path);
    }

    // "pass"/"fail" per record, or the error line.
    std::string Outcome(const std::string& filter) {
        run_.SetFilter(filter);
        std::string outcome;
        try {
            for (std::int32_t i = 0; i < 2; ++i) {
                run_.LoadRecord(i);
                outcome += run_.PassesFilter() ? "pass " : "fail ";
            }
        } catch (const Exception& e) {
            outcome += std::string(e.ClassName()) + ": " + e.Message();
        }
        return outcome;
    }

private:
    FileStream source_;
    TA run_;
};

TEST(Hostile, FiltersBeyondAnArgument) {
    TempDir dir;
    const std::string source =
        TableBuilder().Field("A", 'C', 2).Row({"x"}).Row({"y"}).Write(dir.Path(), "t.dbf");
    InProcessFilter filter(source);
    const std::string tooDeep = "EQzIParseException: Compile error: expression too deeply nested.";
    const std::size_t megabyte = 1024 * 1024;
    // 100,000 nested parentheses are stripped and add no depth.
    EXPECT_EQ(filter.Outcome(Nested(100000, "TRIM(A) = x")), "pass fail ");
    // A megabyte of text in one literal.
    EXPECT_EQ(filter.Outcome("A <> \"" + std::string(megabyte, 'z') + "\""), "pass pass ");
    // A megabyte of operators and calls nests far too deep.
    std::string chain = "1";
    while (chain.size() < megabyte) chain += " + 1";
    EXPECT_EQ(filter.Outcome(chain), tooDeep);
    std::string calls;
    while (calls.size() < megabyte) calls += "ABS(";
    EXPECT_EQ(filter.Outcome(calls + "1" + std::string(calls.size() / 4, ')')), tooDeep);
    // Unbalanced: a megabyte of opening parentheses.
    EXPECT_EQ(filter.Outcome(std::string(megabyte, '(') + "1"),
              "EQzIParseException: Compile error: syntax fault.");
}

} // namespace
} // namespace ostrane::test
