// Output for other tools end to end: /TRIM, /CSV and /JSON on tables that
// hold every field type, under the C locale and a "," locale, read back by
// real CSV and JSON readers, and /JSON over every table of the corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "support/Conversion.h"
#include "support/Process.h"
#include "support/TableBuilder.h"

namespace ostrane::test {
namespace {

namespace fs = std::filesystem;

constexpr char Warning[] = "ostrane: warning: ";

// 2024-02-29 13:45:30 as the parts that binary date-times store.
constexpr std::uint32_t JulianDay = 2460370; // Visual FoxPro T
constexpr std::uint32_t Milliseconds = 49530000;
constexpr double DayFromYearOne = 738945; // dBase 7 @: 0001-01-01 is day 1

// A Visual FoxPro table with every type it knows, its null flags and memo
// file: a record full of awkward values, one of blanks, zeros and Nulls, and
// a deleted one.  Language driver 0x03: texts in Windows-1252.
std::string VisualFoxProTable(const TempDir& dir) {
    MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
        .LengthBlock(8, "Line one,\r\n\"two\" \xD8re  ")
        .LengthBlock(9, std::string("GIF89a\0\x01", 8))
        .LengthBlock(10, std::string("\0\xFF", 2))
        .Write(dir.Path(), "vfp.fpt");
    return TableBuilder(0x30)
        .LanguageDriver(0x03)
        .Field("ID", 'I', 4)
        .Field("NAME", 'C', 14)
        .Field("NICK", 'V', 8) // null flag bit 0: shorter than the field
        .Field("AMOUNT", 'N', 9, 2)
        .FieldFlags(0x02) // null flag bit 1: Null
        .Field("RATE", 'F', 10, 3)
        .Field("SINCE", 'D', 8)
        .Field("STAMP", 'T', 8)
        .Field("OK", 'L', 1)
        .Field("PRICE", 'Y', 8)
        .Field("RATIO", 'B', 8)
        .Field("NOTE", 'M', 4)
        .Field("PIC", 'G', 4)
        .Field("BLOB", 'W', 4)
        .Field("RAW", 'Q', 6) // null flag bit 2: shorter than the field
        .Field("_NullFlags", '0', 1)
        .Row({Le32(1), "Smith, \"Jo\"", std::string("Bo\0\0\0\0\0\x02", 8), "  1250.50",
              "     0.125", "20240229", Le32(JulianDay) + Le32(Milliseconds), "T", Le64(123456),
              LeDouble(-2.5), Le32(8), Le32(9), Le32(10), std::string("\x01\x02\x03\0\0\x03", 6),
              "\x05"})
        .Row({Le32(2), "\xD8re", "Ann Lee ", "     0.00", "", "", std::string(8, '\0'), " ",
              Le64(0), LeDouble(0), Le32(0), Le32(0), Le32(0), "abcdef", "\x02"})
        .DeletedRow({Le32(3), "gone", "", "", "", "", std::string(8, '\0'), "", Le64(0),
                     LeDouble(0), Le32(0), Le32(0), Le32(0), "", std::string(1, '\0')})
        .Write(dir.Path(), "vfp.dbf");
}

// A dBase 7 table: time stamps, doubles stored in sort order, and
// big-endian autoincrements.
std::string DBase7Table(const TempDir& dir) {
    return TableBuilder(0x04)
        .Field("SEQ", '+', 4)
        .Field("WHEN", '@', 8)
        .Field("SIZE", 'O', 8)
        .Field("DONE", 'L', 1)
        .Row({Be32(5 ^ 0x80000000u), BeDouble(DayFromYearOne * 86400000.0 + Milliseconds),
              BeDouble(-3.75), "f"})
        .Row({Be32(6 ^ 0x80000000u), std::string(8, '\0'), std::string(8, '\0'), "?"})
        .Write(dir.Path(), "dbase7.dbf");
}

// A dBase IV table naming no code page (texts copied as stored: UTF-8 here,
// and one text that is not), binary integers and doubles, a time of day,
// numbers too wide for the plain notation, and memo texts with line breaks,
// delimiters, quotes and a picture.
std::string DBase4Table(const TempDir& dir) {
    MemoBuilder(MemoBuilder::Layout::DBase, 512)
        .DBase4Block(1, "Caf\xC3\xA9 \"Bl\xC3\xA5\"\r\nline two,\ttab")
        .DBase4Block(2, std::string("\x89PNG\r\n\x1A\n\0\0", 10))
        .Write(dir.Path(), "dbase4.dbt");
    return TableBuilder(0x8B)
        .Field("NAME", 'C', 10)
        .Field("SMALL", '2', 2)
        .Field("COUNT", '4', 4)
        .Field("REAL", '8', 8)
        .Field("BIG", 'N', 21)
        .Field("CLOCK", 'T', 6)
        .Field("NOTE", 'M', 10)
        .Row({"Bl\xC3\xA5 b\xC3\xA6r", Le16(0xFFFF), Le32(70000), LeDouble(0.1),
              "100000000000000000000", "073005", "         1"})
        .Row({"caf\xE9", Le16(7), Le32(0), LeDouble(1.0 / 3), "-0.000001", "", "         2"})
        .Write(dir.Path(), "dbase4.dbf");
}

const std::string VfpHeader =
    "ID,NAME,NICK,AMOUNT,RATE,SINCE,STAMP,OK,PRICE,RATIO,NOTE,PIC,BLOB,RAW,_NullFlags";
// Record 1 of the Visual FoxPro table as CSV, without its line end (its memo
// text holds one).
const std::string VfpCsv1 =
    "1,\"Smith, \"\"Jo\"\"\",Bo,1250.5,0.125,2024-02-29,2024-02-29 13:45:30,1,12.3456,-2.5,"
    "\"Line one,\r\n\"\"two\"\" \xC3\x98re  \",R0lGODlhAAE=,AP8=,AQID,";
const std::string VfpCsv2 = "2,\xC3\x98re,Ann Lee,,,,,,0,0,,,,YWJjZGVm,";
const std::string VfpJson1 =
    R"({"ID":1,"NAME":"Smith, \"Jo\"","NICK":"Bo","AMOUNT":1250.5,"RATE":0.125,)"
    R"("SINCE":"2024-02-29","STAMP":"2024-02-29T13:45:30","OK":true,"PRICE":12.3456,)"
    R"("RATIO":-2.5,"NOTE":"Line one,\r\n\"two\" )"
    "\xC3\x98"
    R"(re  ","PIC":"R0lGODlhAAE=",)"
    R"("BLOB":"AP8=","RAW":"AQID","_NullFlags":null})";
const std::string VfpJson2 =
    R"({"ID":2,"NAME":")"
    "\xC3\x98"
    R"(re","NICK":"Ann Lee","AMOUNT":null,"RATE":null,)"
    R"("SINCE":null,"STAMP":null,"OK":null,"PRICE":0,"RATIO":0,"NOTE":null,"PIC":null,)"
    R"("BLOB":null,"RAW":"YWJjZGVm","_NullFlags":null})";

// The target's bytes, or standard output for "-".
std::string Output(const Conversion& run, const std::string& target) {
    return target == "-" ? run.Process.Stdout : run.Target;
}

TEST(OtherTools, EveryFieldTypeUnderEachSwitch) {
    TempDir dir;
    const std::string vfp = VisualFoxProTable(dir);
    const std::string dbase7 = DBase7Table(dir);
    const std::string dbase4 = DBase4Table(dir);
    const std::string notUtf8 = std::string(Warning) +
                                "1 text is not valid UTF-8; the table names no code page, so "
                                "texts were written as stored. Name it with /CODEPAGE=, for "
                                "example /CODEPAGE=1252\n";
    struct Case {
        std::string Table;
        std::vector<std::string> Switches;
        std::string Output;
        std::string Stderr = "";
        std::string Target = "out.txt";
    };
    const Case cases[] = {
        {vfp, {"/CSV"}, VfpHeader + "\r\n" + VfpCsv1 + "\r\n" + VfpCsv2 + "\r\n"},
        {vfp, {"/JSON"}, VfpJson1 + "\n" + VfpJson2 + "\n"},
        {vfp, {"/JSON"}, VfpJson1 + "\n" + VfpJson2 + "\n", "", "-"},
        // What /JSON leaves to others does not change it.
        {vfp,
         {"/H", "/F", "/FIXED", "/DELIMITER=;", "/QUALIFIER=\\39", "/RECORDSEPARATOR=CR", "/JSON"},
         VfpJson1 + "\n" + VfpJson2 + "\n"},
        {vfp,
         {"/JSON", "/FIELDS=note;name", "/FILTER=[ID] = 2"},
         "{\"NAME\":\"\xC3\x98re\",\"NOTE\":null}\n",
         "",
         "-"},
        // Switches given with /CSV change its parts, wherever they stand.
        {vfp,
         {"/FIELDS=id;name;nick;note", "/CSV", "/DELIMITER=;", "/RECORDSEPARATOR=LF"},
         "ID;NAME;NICK;NOTE\n1;\"Smith, \"\"Jo\"\"\";Bo;\"Line one,\r\n\"\"two\"\" \xC3\x98re  \"\n"
         "2;\xC3\x98re;Ann Lee;\n"},
        {vfp,
         {"/CSV", "/QUALIFIER=\\39", "/FIELDS=name;amount", "/F"},
         "NAME,AMOUNT\r\nS,N\r\n'Smith, \"Jo\"',1250.5\r\n\xC3\x98re,\r\n"},
        {vfp,
         {"/CSV", "/QUALIFIER=\\0", "/FIELDS=name"},
         "NAME\r\nSmith, \"Jo\"\r\n\xC3\x98re\r\n"},
        // /TRIM: before quoting and before padding; C and V values only.
        {vfp,
         {"/TRIM", "/FIELDS=id;name;nick;note", "/QUALIFIER=|"},
         "|1|\t|Smith, \"Jo\"|\t|Bo|\t|Line one,\r\n\"two\" \xC3\x98re  |\r\n"
         "|2|\t|\xC3\x98re|\t|Ann Lee|\t\r\n"},
        {vfp,
         {"/TRIM", "/FIELDS=id;name;nick", "/FIXED", "/H", "/DELIMITER=\\0"},
         "ID  NAME          NICK    \r\n   1Smith, \"Jo\"   Bo      \r\n   2\xC3\x98re          "
         "Ann Lee \r\n"},
        {vfp, {"/FIELDS=name;nick"}, "Smith, \"Jo\"   \tBo\r\n\xC3\x98re           \tAnn Lee \r\n"},
        {dbase7, {"/CSV"}, "SEQ,WHEN,SIZE,DONE\r\n5,2024-02-29 13:45:30,3.75,0\r\n6,,,\r\n"},
        {dbase7,
         {"/JSON"},
         R"({"SEQ":5,"WHEN":"2024-02-29T13:45:30","SIZE":3.75,"DONE":false})"
         "\n"
         R"({"SEQ":6,"WHEN":null,"SIZE":null,"DONE":null})"
         "\n"},
        {dbase4,
         {"/CSV"},
         "NAME,SMALL,COUNT,REAL,BIG,CLOCK,NOTE\r\n"
         "Bl\xC3\xA5 b\xC3\xA6r,65535,70000,0.1,1E+20,07:30:05,"
         "\"Caf\xC3\xA9 \"\"Bl\xC3\xA5\"\"\r\nline two,\ttab\"\r\n"
         "caf\xE9,7,0,0.333333333333333,0,,iVBORw0KGgoAAA==\r\n",
         notUtf8},
        {dbase4,
         {"/JSON"},
         "{\"NAME\":\"Bl\xC3\xA5 b\xC3\xA6r\",\"SMALL\":65535,\"COUNT\":70000,\"REAL\":0.1,"
         "\"BIG\":1E+20,\"CLOCK\":\"07:30:05\","
         "\"NOTE\":\"Caf\xC3\xA9 \\\"Bl\xC3\xA5\\\"\\r\\nline two,\\ttab\"}\n"
         "{\"NAME\":\"caf\xEF\xBF\xBD\",\"SMALL\":7,\"COUNT\":0,\"REAL\":0.333333333333333,"
         "\"BIG\":0,\"CLOCK\":null,\"NOTE\":\"iVBORw0KGgoAAA==\"}\n",
         std::string(Warning) +
             "1 text was not valid UTF-8; each byte that is not was written as U+FFFD. If the "
             "table's code page is known, name it with /CODEPAGE=, for example /CODEPAGE=1252\n"},
        {dbase4,
         {"/JSON", "/CODEPAGE=1252", "/FIELDS=name", "/FILTER=[COUNT] = 0"},
         "{\"NAME\":\"caf\xC3\xA9\"}\n",
         "",
         "-"},
    };
    for (const Case& c : cases) {
        const std::string target = c.Target == "-" ? c.Target : dir.File(c.Target);
        const Conversion run = Convert(c.Table, target, c.Switches);
        std::string title = fs::path(c.Table).filename().string() + " >" + c.Target;
        for (const std::string& s : c.Switches) title += " " + s;
        EXPECT_EQ(run.Process.ExitCode, 0) << title << "\n" << run.Process.Stdout;
        EXPECT_EQ(Output(run, c.Target), c.Output) << title;
        EXPECT_EQ(run.Process.Stderr, c.Stderr) << title;
        if (c.Target == "-") {
            EXPECT_FALSE(fs::exists(dir.File("-"))) << title;
        }
    }
}

// ---------------------------------------------------------------------------
// The same bytes under every locale

// A private locale folder with de_DE.UTF-8 (decimal ",", dates dd.mm.yyyy);
// empty when localedef or the locale sources are missing.
std::string CompileGermanLocale(const TempDir& dir) {
    const std::string folder = dir.File("locales");
    fs::create_directory(folder);
    const std::string command =
        "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? folder : std::string();
}

ProcessResult RunUnder(const std::string& locale, const std::string& localeFolder,
                       const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{OSTRANE_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions options;
    options.Environment = {{"LC_ALL", locale}, {"LANG", locale}, {"LOCPATH", localeFolder}};
    return RunProcess(argv, options);
}

TEST(OtherTools, CsvAndJsonAreTheSameUnderACommaLocale) {
    TempDir dir;
    const std::string locales = CompileGermanLocale(dir);
    if (locales.empty()) GTEST_SKIP() << "localedef or the locale sources are missing";
    const std::string vfp = VisualFoxProTable(dir);
    const std::string dbase4 = DBase4Table(dir);
    // The locale is in force: without the switches numbers and dates follow it.
    const ProcessResult german =
        RunUnder("de_DE.UTF-8", locales, {vfp, "-", "/FIELDS=amount;since"});
    EXPECT_EQ(german.Stdout, "1250,5\t29.02.2024\r\n\t\r\n");
    const std::vector<std::vector<std::string>> runs = {
        {vfp, "-", "/CSV"},
        {vfp, "-", "/JSON"},
        {vfp, "-", "/CSV", "/FILTER=([RATE] = 0.125) AND ([AMOUNT] > 1250.25)"},
        {vfp, "-", "/JSON", "/FILTER=STRTOFLOAT(\"0.5\") < 1"},
        {dbase4, "-", "/CSV"},
        {dbase4, "-", "/JSON"},
    };
    for (const std::vector<std::string>& run : runs) {
        const ProcessResult c = RunUnder("C", locales, run);
        const ProcessResult de = RunUnder("de_DE.UTF-8", locales, run);
        std::string title;
        for (const std::string& argument : run) title += argument + " ";
        EXPECT_EQ(c.ExitCode, 0) << title << c.Stderr;
        EXPECT_FALSE(c.Stdout.empty()) << title;
        EXPECT_EQ(de.Stdout, c.Stdout) << title;
        EXPECT_EQ(de.Stderr, c.Stderr) << title;
        EXPECT_EQ(de.ExitCode, c.ExitCode) << title;
    }
}

// ---------------------------------------------------------------------------
// Read back by real readers

// Python's csv and json modules read the output of the Visual FoxPro table
// and find the table's values; sqlite3, where installed, imports the CSV.
constexpr char RoundTripProgram[] = R"PY(
import base64, csv, json, shutil, subprocess, sys
csv_path, json_path = sys.argv[1], sys.argv[2]
note = 'Line one,\r\n"two" \u00d8re  '
texts = [
    {'ID': '1', 'NAME': 'Smith, "Jo"', 'NICK': 'Bo', 'AMOUNT': '1250.5', 'RATE': '0.125',
     'SINCE': '2024-02-29', 'STAMP': '2024-02-29 13:45:30', 'OK': '1', 'PRICE': '12.3456',
     'RATIO': '-2.5', 'NOTE': note, 'PIC': 'R0lGODlhAAE=', 'BLOB': 'AP8=', 'RAW': 'AQID',
     '_NullFlags': ''},
    {'ID': '2', 'NAME': '\u00d8re', 'NICK': 'Ann Lee', 'AMOUNT': '', 'RATE': '', 'SINCE': '',
     'STAMP': '', 'OK': '', 'PRICE': '0', 'RATIO': '0', 'NOTE': '', 'PIC': '', 'BLOB': '',
     'RAW': 'YWJjZGVm', '_NullFlags': ''},
]
typed = [
    {'ID': 1, 'NAME': 'Smith, "Jo"', 'NICK': 'Bo', 'AMOUNT': 1250.5, 'RATE': 0.125,
     'SINCE': '2024-02-29', 'STAMP': '2024-02-29T13:45:30', 'OK': True, 'PRICE': 12.3456,
     'RATIO': -2.5, 'NOTE': note, 'PIC': 'R0lGODlhAAE=', 'BLOB': 'AP8=', 'RAW': 'AQID',
     '_NullFlags': None},
    {'ID': 2, 'NAME': '\u00d8re', 'NICK': 'Ann Lee', 'AMOUNT': None, 'RATE': None,
     'SINCE': None, 'STAMP': None, 'OK': None, 'PRICE': 0, 'RATIO': 0, 'NOTE': None,
     'PIC': None, 'BLOB': None, 'RAW': 'YWJjZGVm', '_NullFlags': None},
]
failures = []
with open(csv_path, newline='', encoding='utf-8') as f:
    rows = list(csv.DictReader(f))
if rows != texts:
    failures.append('csv: %r' % rows)
with open(json_path, encoding='utf-8') as f:
    objects = [json.loads(line) for line in f]
if objects != typed:
    failures.append('json: %r' % objects)
if objects and [type(objects[0][k]) for k in ('ID', 'AMOUNT', 'OK')] != [int, float, bool]:
    failures.append('json types')
binaries = {'PIC': b'GIF89a\x00\x01', 'BLOB': b'\x00\xff', 'RAW': b'\x01\x02\x03'}
for key, data in binaries.items():
    for source in (rows, objects):
        if source and base64.b64decode(source[0][key]) != data:
            failures.append('base64 of ' + key)
if shutil.which('sqlite3'):
    out = subprocess.run(['sqlite3', ':memory:', '.import --csv ' + csv_path + ' t',
                          '.mode json', 'SELECT * FROM t'],
                         capture_output=True, text=True, encoding='utf-8')
    if json.loads(out.stdout or '[]') != texts:
        failures.append('sqlite3: ' + out.stdout + out.stderr)
print('\n'.join(failures))
sys.exit(1 if failures else 0)
)PY";

bool HasPython() {
    return RunProcess({"sh", "-c", "command -v python3"}).ExitCode == 0;
}

TEST(OtherTools, CsvAndJsonReadBackAsTheTableValues) {
    if (!HasPython()) GTEST_SKIP() << "no python3";
    TempDir dir;
    const std::string vfp = VisualFoxProTable(dir);
    ASSERT_EQ(Convert(vfp, dir.File("vfp.csv"), {"/CSV"}).Process.ExitCode, 0);
    ASSERT_EQ(Convert(vfp, dir.File("vfp.jsonl"), {"/JSON"}).Process.ExitCode, 0);
    const ProcessResult check = RunProcess({"python3", dir.Write("check.py", RoundTripProgram),
                                            dir.File("vfp.csv"), dir.File("vfp.jsonl")});
    EXPECT_EQ(check.ExitCode, 0) << check.Stdout << check.Stderr;
}

// ---------------------------------------------------------------------------
// Every real table

// Every line of /JSON output is a JSON object, and every /CSV row has as many
// fields as the header, as Python's readers see them.
constexpr char CorpusProgram[] = R"PY(
import csv, json, os, sys
csv.field_size_limit(sys.maxsize) # memo texts may be long
failures = []
for name in sorted(os.listdir(sys.argv[1])):
    path = os.path.join(sys.argv[1], name)
    if name.endswith('.jsonl'):
        with open(path, 'rb') as f:
            data = f.read()
        if data and not data.endswith(b'\n'):
            failures.append(name + ': no LF at the end')
        for number, line in enumerate(data.split(b'\n')[:-1]):
            try:
                if not isinstance(json.loads(line.decode('utf-8')), dict):
                    failures.append('%s:%d: not an object' % (name, number + 1))
            except ValueError as e:
                failures.append('%s:%d: %s' % (name, number + 1, e))
    elif name.endswith('.csv'):
        try:
            with open(path, newline='', encoding='utf-8', errors='surrogateescape') as f:
                rows = list(csv.reader(f, strict=True))
        except csv.Error as e:
            failures.append('%s: %s' % (name, e))
            continue
        widths = {len(row) for row in rows}
        if len(widths) > 1:
            failures.append('%s: rows of %s fields' % (name, sorted(widths)))
print('\n'.join(failures[:50]))
sys.exit(1 if failures else 0)
)PY";

std::vector<fs::path> CorpusTables() {
    std::vector<fs::path> tables;
    for (const fs::path& corpus : {fs::path(OSTRANE_CORPUS_DIR), fs::path(OSTRANE_CORPUS2_DIR)}) {
        if (!fs::is_directory(corpus)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
            std::string extension = entry.path().extension().string();
            for (char& c : extension) c = char(std::tolower((unsigned char)c));
            if (entry.is_regular_file() && extension == ".dbf") tables.push_back(entry.path());
        }
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

TEST(OtherTools, CorpusTablesGiveValidJsonAndCsv) {
    if (!HasPython()) GTEST_SKIP() << "no python3";
    const std::vector<fs::path> tables = CorpusTables();
    if (tables.empty()) GTEST_SKIP() << "no corpus";
    TempDir dir;
    const std::string outputs = dir.File("outputs");
    fs::create_directory(outputs);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        for (const std::string form : {"json", "csv"}) {
            const std::string target =
                outputs + "/" + std::to_string(i) + (form == "json" ? ".jsonl" : ".csv");
            const Conversion run = Convert(tables[i].string(), target, {"/" + form});
            const ProcessResult& p = run.Process;
            EXPECT_EQ(p.Signal, 0) << tables[i];
            // A damaged table may stop with one error line; what came before stays valid.
            EXPECT_TRUE(p.ExitCode == 0 || (p.ExitCode == 1 && p.Stdout.rfind("E", 0) == 0))
                << tables[i] << ": " << p.Stdout;
            if (p.ExitCode != 0) std::cout << "[ corpus   ] " << tables[i] << ": " << p.Stdout;
        }
    }
    ProcessOptions options;
    options.TimeoutSeconds = 600;
    const ProcessResult check =
        RunProcess({"python3", dir.Write("check.py", CorpusProgram), outputs}, options);
    EXPECT_EQ(check.ExitCode, 0) << check.Stdout << check.Stderr;
}

} // namespace
} // namespace ostrane::test
