// Every example command of the README, the manual page and the help runs as
// written when pasted into a POSIX shell, beside the example table, and
// writes what the text says it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"

namespace ostrane::test {
namespace {

namespace fs = std::filesystem;

const std::string SourceDir = OSTRANE_SOURCE_DIR;

// What an example command writes: to a file, or to standard output ("-").
struct Expectation {
    std::string Output;
    std::size_t Lines = 0; // LF-ended lines
    std::string FirstLine; // without its line end
    std::string OtherLine; // a further line that must be there, when not empty
};

const std::map<std::string, Expectation>& Expectations() {
    static const std::map<std::string, Expectation> table{
        {"ostrane customers.dbf customers.txt /H",
         {"customers.txt", 13, "ID\tNAME\tCITY\tBALANCE\tSINCE\tACTIVE\tNOTES", ""}},
        {"ostrane customers.dbf customers.csv /H /DELIMITER=, '/QUALIFIER=\\34'",
         {"customers.csv", 13, R"("ID","NAME","CITY","BALANCE","SINCE","ACTIVE","NOTES")",
          R"("3","Carla O'Neil        ","Trondheim   ","0","2021-11-30","1","Moved from Dublin.)"}},
        {"ostrane customers.dbf - '/FIELDS=name;city' /RECORDSEPARATOR=LF | head -n 3",
         {"-", 3, "Astrid Berg         \tOslo        ", "Carla O'Neil        \tTrondheim   "}},
        {"ostrane customers.dbf oslo.txt '/FILTER=TRIM([CITY]) = \"Oslo\"'",
         {"oslo.txt", 3,
          "1\tAstrid Berg         \tOslo        \t1250\t2019-03-14\t1\tPays on time.",
          "10\tJonas Eriksen       \tOslo        \t-1200\t2016-09-18\t0\t"}},
        {"ostrane customers.dbf rich.txt '/FILTER=([BALANCE] > 1000) AND ([ACTIVE] = 1)' "
         "'/FIELDS=name;balance'",
         {"rich.txt", 3, "Astrid Berg         \t1250", "Greta Nilsen        \t5000"}},
        {"ostrane customers.dbf rich.txt '/FILTER=([BALANCE] > 1000) AND ([ACTIVE] = 1)'",
         {"rich.txt", 3,
          "1\tAstrid Berg         \tOslo        \t1250\t2019-03-14\t1\tPays on time.", ""}},
        {"ostrane customers.dbf customers.fixed /H /FIXED '/DELIMITER=\\32' "
         "'/FIELDS=id;name;city;balance'",
         {"customers.fixed", 12, "ID   NAME                 CITY         BALANCE  ",
          "   1 Astrid Berg          Oslo              1250"}},
        {"ostrane customers.dbf customers.tsv /H /RECORDSEPARATOR=LF "
         "'/FIELDS=id;name;city;balance;since;active'",
         {"customers.tsv", 12, "ID\tNAME\tCITY\tBALANCE\tSINCE\tACTIVE",
          "2\tBjorn Dahl          \tBergen      \t-75.5\t2020-01-01\t0"}},
        {"ostrane customers.dbf customers.csv /CSV",
         {"customers.csv", 13, "ID,NAME,CITY,BALANCE,SINCE,ACTIVE,NOTES",
          R"(7,Greta Nilsen,Bodo,5000,2022-10-09,1,"Ask for ""Greta"".")"}},
        {"ostrane customers.dbf customers.jsonl /JSON",
         {"customers.jsonl", 11,
          R"({"ID":1,"NAME":"Astrid Berg","CITY":"Oslo","BALANCE":1250,"SINCE":"2019-03-14",)"
          R"("ACTIVE":true,"NOTES":"Pays on time."})",
          R"({"ID":6,"NAME":"Frode Moen","CITY":"Stavanger","BALANCE":42.1,"SINCE":null,)"
          R"("ACTIVE":null,"NOTES":null})"}},
        {"ostrane customers.dbf - /JSON '/FIELDS=id;name;balance' | head -n 2",
         {"-", 2, R"({"ID":1,"NAME":"Astrid Berg","BALANCE":1250})",
          R"({"ID":2,"NAME":"Bjorn Dahl","BALANCE":-75.5})"}},
        {"ostrane customers.dbf names.txt '/FIELDS=name;city' /TRIM",
         {"names.txt", 11, "Astrid Berg\tOslo", "Carla O'Neil\tTrondheim"}},
    };
    return table;
}

// One example: shell lines, or a Python program.
struct Example {
    bool Python = false;
    std::vector<std::string> Lines;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The ```sh and ```python blocks of a Markdown text.
std::vector<Example> MarkdownExamples(const std::string& text) {
    std::vector<Example> examples;
    Example* open = nullptr;
    for (const std::string& line : SplitLines(text)) {
        if (open == nullptr && (line == "```sh" || line == "```python")) {
            examples.push_back({line == "```python", {}});
            open = &examples.back();
        } else if (open != nullptr && line == "```") {
            open = nullptr;
        } else if (open != nullptr && !line.empty()) {
            open->Lines.push_back(line);
        }
    }
    return examples;
}

// The text a roff line shows, for the escapes the manual page uses.
std::string Unroff(std::string line) {
    const std::pair<std::string, std::string> escapes[] = {
        {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\-", "-"}, {"\\&", ""}, {"\\e", "\\"}};
    std::string out;
    for (std::size_t i = 0; i < line.size();) {
        bool replaced = false;
        for (const auto& [escape, text] : escapes) {
            if (line.compare(i, escape.size(), escape) == 0) {
                out += text;
                i += escape.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += line[i++];
    }
    return out;
}

// The .EX/.EE blocks of a manual page.
std::vector<Example> ManualExamples(const std::string& text) {
    std::vector<Example> examples;
    Example* open = nullptr;
    for (const std::string& line : SplitLines(text)) {
        if (line == ".EX") {
            examples.push_back({});
            open = &examples.back();
        } else if (line == ".EE") {
            open = nullptr;
        } else if (open != nullptr) {
            open->Lines.push_back(Unroff(line));
        }
    }
    return examples;
}

// The indented "ostrane ..." lines of the help.
std::vector<Example> HelpExamples(const std::string& help) {
    std::vector<Example> examples;
    const std::string indent = "  ostrane ";
    for (const std::string& line : SplitLines(help)) {
        if (line.rfind(indent, 0) == 0) examples.push_back({false, {line.substr(2)}});
    }
    return examples;
}

// Runs examples one after the other in a folder holding a copy of the example
// table, with "ostrane" found in PATH as the program under test.
class ExampleRunner {
public:
    ExampleRunner() {
        for (const char* name : {"customers.dbf", "customers.dbt"})
            fs::copy_file(SourceDir + "/examples/" + name, work_.File(name));
        fs::create_directory(bin_.File("bin"));
        fs::create_symlink(OSTRANE_BINARY, bin_.File("bin/ostrane"));
        const char* path = std::getenv("PATH");
        options_.WorkingDirectory = work_.Path();
        options_.Environment = {{"LC_ALL", "C"},
                                {"LANG", "C"},
                                {"PATH", bin_.File("bin") + ":" + (path ? path : "/usr/bin:/bin")}};
    }

    void Run(const std::vector<Example>& examples, const std::string& document) {
        for (const Example& example : examples) {
            if (example.Python) {
                RunPython(example, document);
            } else {
                for (const std::string& line : example.Lines) RunLine(line, document);
            }
        }
    }

private:
    ProcessResult Shell(const std::string& script) const {
        return RunProcess({"sh", "-c", script}, options_);
    }

    // Every program of a pipeline is installed; an example for a tool this
    // machine lacks (sqlite3, duckdb) is skipped.
    bool ToolsPresent(const std::string& line) const {
        std::istringstream words(line);
        bool commandWord = true;
        for (std::string word; words >> word;) {
            if (commandWord && Shell("command -v '" + word + "' >/dev/null").ExitCode != 0) {
                std::cout << "[ SKIPPED  ] no " << word << " for: " << line << "\n";
                return false;
            }
            commandWord = word == "|";
        }
        return true;
    }

    void RunLine(const std::string& line, const std::string& document) {
        const bool ours = line.rfind("ostrane ", 0) == 0;
        if (!ours && !ToolsPresent(line)) return;
        const auto expected = Expectations().find(line);
        if (ours && expected == Expectations().end()) {
            ADD_FAILURE() << document << ": no expectation for the example\n" << line;
            return;
        }
        if (ours && expected->second.Output != "-") fs::remove(work_.File(expected->second.Output));
        const ProcessResult r = Shell(line);
        EXPECT_EQ(r.ExitCode, 0) << document << ": " << line << "\n" << r.Stdout << r.Stderr;
        EXPECT_EQ(r.Stderr, "") << document << ": " << line;
        if (!ours) return;
        const Expectation& e = expected->second;
        const std::string output =
            e.Output == "-" ? r.Stdout : ReadIfPresent(work_.File(e.Output), document, line);
        CheckOutput(output, e, document + ": " + line);
    }

    void RunPython(const Example& example, const std::string& document) {
        if (Shell("python3 -c 'import pandas' 2>/dev/null").ExitCode != 0) {
            std::cout << "[ SKIPPED  ] no pandas for the Python example of " << document << "\n";
            return;
        }
        std::string program;
        for (const std::string& line : example.Lines) program += line + "\n";
        ProcessOptions options = options_;
        options.Stdin = program;
        const ProcessResult r = RunProcess({"python3", "-"}, options);
        EXPECT_EQ(r.ExitCode, 0) << document << ":\n" << program << r.Stderr;
    }

    static std::string ReadIfPresent(const std::string& path, const std::string& document,
                                     const std::string& line) {
        if (fs::is_regular_file(path)) return ReadFileBytes(path);
        ADD_FAILURE() << document << ": " << line << " wrote no " << path;
        return {};
    }

    static void CheckOutput(const std::string& output, const Expectation& e,
                            const std::string& title) {
        std::vector<std::string> lines = SplitLines(output);
        for (std::string& line : lines) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
        }
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), std::ptrdiff_t(e.Lines)) << title;
        ASSERT_FALSE(lines.empty()) << title;
        EXPECT_EQ(lines.front(), e.FirstLine) << title;
        if (!e.OtherLine.empty()) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), e.OtherLine), lines.end())
                << title << "\nlacks the line: " << e.OtherLine;
        }
    }

    TempDir work_;
    TempDir bin_;
    ProcessOptions options_;
};

std::size_t CommandCount(const std::vector<Example>& examples) {
    std::size_t count = 0;
    for (const Example& example : examples) {
        for (const std::string& line : example.Lines) count += line.rfind("ostrane ", 0) == 0;
    }
    return count;
}

TEST(Examples, ReadmeExamplesRunAsWritten) {
    const std::vector<Example> examples = MarkdownExamples(ReadFileBytes(SourceDir + "/README.md"));
    ASSERT_GE(CommandCount(examples), 6u);
    ExampleRunner runner;
    runner.Run(examples, "README.md");
}

TEST(Examples, ManualPageExamplesRunAsWritten) {
    const std::vector<Example> examples =
        ManualExamples(ReadFileBytes(SourceDir + "/docs/ostrane.1"));
    ASSERT_GE(CommandCount(examples), 6u);
    ExampleRunner runner;
    runner.Run(examples, "docs/ostrane.1");
}

TEST(Examples, HelpExamplesRunAsWritten) {
    const ProcessResult help = RunProcess({OSTRANE_BINARY, "--help"});
    const std::vector<Example> examples = HelpExamples(help.Stdout);
    ASSERT_GE(CommandCount(examples), 4u);
    ExampleRunner runner;
    runner.Run(examples, "--help");
}

// groff checks the page with all warnings on, where groff is installed.
TEST(Examples, ManualPageRendersWithoutWarnings) {
    if (RunProcess({"sh", "-c", "command -v groff"}).ExitCode != 0)
        GTEST_SKIP() << "no groff on this machine";
    const ProcessResult r =
        RunProcess({"groff", "-ww", "-man", "-Tutf8", "-z", SourceDir + "/docs/ostrane.1"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Stderr, "");
}

} // namespace
} // namespace ostrane::test
