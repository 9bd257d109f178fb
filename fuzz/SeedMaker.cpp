// Writes the seed corpora of the fuzz targets:
//
//   fuzz_seed_maker <output folder> [<folder of real tables>]
//
// <output>/table holds small tables made by the test table builder (every
// signature family, every field type, memo files of both layouts) and the
// real tables found under the second folder, each joined with its memo file;
// <output>/filter and <output>/switches hold filter texts and argument lists.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "support/TableBuilder.h"

namespace {

using namespace ostrane;
using namespace ostrane::test;
namespace fs = std::filesystem;
using Layout = MemoBuilder::Layout;
using namespace std::string_view_literals;

// Real tables are cut to these sizes so that the fuzzer stays fast; a cut
// table is one more damaged table.
constexpr std::size_t MaxTableSeed = 48 * 1024;
constexpr std::size_t MaxMemoSeed = 16 * 1024;

class SeedWriter {
public:
    explicit SeedWriter(fs::path folder) : folder_(std::move(folder)) {
        fs::create_directories(folder_);
    }
    void Add(std::string_view bytes) {
        WriteFileBytes((folder_ / ("seed-" + std::to_string(++count_))).string(), bytes);
    }

private:
    fs::path folder_;
    int count_ = 0;
};

std::string BlockText(int block) {
    const std::string digits = std::to_string(block);
    return std::string(10 - digits.size(), ' ') + digits;
}

// Fields of every type in a table of the given signature, two live records
// and a deleted one.
std::string EveryType(std::uint8_t signature, std::string memoBlock) {
    TableBuilder table(signature);
    table.LanguageDriver(0x03)
        .Field("NAME", 'C', 12)
        .Field("AGE", 'N', 4)
        .Field("PRICE", 'F', 9, 3)
        .Field("OK", 'L', 1)
        .Field("BORN", 'D', 8)
        .Field("ID", 'I', 4)
        .Field("AUTO", '+', 4)
        .Field("SALARY", 'Y', 8)
        .Field("RATE", 'B', 8)
        .Field("DBL", '8', 8)
        .Field("FLT", 'O', 8)
        .Field("STAMP", '@', 8)
        .Field("TIME", 'T', 8)
        .Field("HMS", 'T', 6)
        .Field("SHORT", '2', 2)
        .Field("LONG", '4', 4)
        .Field("NOTE", 'M', std::uint8_t(memoBlock.size()))
        .Field("FLAGS", '0', 1);
    const std::string stamp = Le32(2444254) + Le32(49530000);
    table.Row({"O'Brien", "42", "-12.500", "T", "19800115", Le32(7), Le32(1), Le64(12345000),
               LeDouble(2.5), LeDouble(-0.125), BeDouble(3.0), BeDouble(6.2e13), stamp, "134530",
               Le16(65535), Le32(0x80000000), memoBlock, "\x01"});
    table.Row({"", "", "", "?", "", Le32(0), Le32(0), Le64(0), LeDouble(0), LeDouble(0),
               BeDouble(0), BeDouble(0), Le64(0), "      ", Le16(0), Le32(0),
               std::string(memoBlock.size(), ' '), " "});
    table.DeletedRow({"gone", "1", "1", "F", "20000229", Le32(3), Le32(3), Le64(1), LeDouble(1),
                      LeDouble(1), BeDouble(1), BeDouble(1), stamp, "235959", Le16(1), Le32(1),
                      memoBlock, " "});
    return table.Bytes();
}

void TableSeeds(SeedWriter& out) {
    const std::string text = "Line one\r\nLine two \x1A in the middle";
    // dBase III with a terminated memo, dBase IV with counting blocks.
    out.Add(fuzz::JoinTableInput(EveryType(0x83, BlockText(1)), 0,
                                 MemoBuilder(Layout::DBase, 0).TerminatedBlock(1, text).Bytes()));
    out.Add(fuzz::JoinTableInput(EveryType(0x8B, BlockText(1)), 0,
                                 MemoBuilder(Layout::DBase, 512).DBase4Block(1, text).Bytes()));
    // FoxPro and Visual FoxPro with .fpt memos; dBase 7 with 48-byte fields.
    out.Add(fuzz::JoinTableInput(EveryType(0xF5, BlockText(8)), 0,
                                 MemoBuilder(Layout::FoxPro, 64).LengthBlock(8, text).Bytes()));
    out.Add(fuzz::JoinTableInput(EveryType(0x30, Le32(8)),
                                 fuzz::ControlLoadAll | fuzz::ControlAllStatuses,
                                 MemoBuilder(Layout::FoxPro, 64).LengthBlock(8, text).Bytes()));
    out.Add(fuzz::JoinTableInput(EveryType(0x30, Le32(8)),
                                 fuzz::ControlFixedQuoted | fuzz::ControlFilter,
                                 MemoBuilder(Layout::FoxPro, 64).LengthBlock(8, text).Bytes()));
    out.Add(fuzz::JoinTableInput(EveryType(0x8C, BlockText(1)), 0,
                                 MemoBuilder(Layout::DBase, 512).DBase4Block(1, text).Bytes()));
    out.Add(fuzz::JoinTableInput(EveryType(0x03, BlockText(2)), 2,
                                 MemoBuilder(Layout::DBase, 64).LengthBlock(2, text).Bytes()));
    // Memo fields without a memo file; a HyperSix table.
    out.Add(EveryType(0x83, BlockText(1)));
    out.Add(fuzz::JoinTableInput(EveryType(0xE5, Le32(1)), 0,
                                 MemoBuilder(Layout::DBase, 64).LengthBlock(1, text).Bytes()));
    // Code pages: an OEM driver, a Windows code page, a double-byte one.
    for (std::uint8_t driver : {0x01, 0x57, 0x7A, 0xC9}) {
        out.Add(TableBuilder(0x03)
                    .LanguageDriver(driver)
                    .Field("T\x8E", 'C', 6)
                    .Row({"\x80\x8E\xA4\xE9\xFF"})
                    .Bytes());
    }
    // Lying headers.
    out.Add(TableBuilder().Field("A", 'C', 3).Row({"abc"}).RecordCount(10000000).Bytes());
    out.Add(TableBuilder().Field("A", 'C', 3).Row({"abc"}).RecordLength(0).Bytes());
    out.Add(TableBuilder().Field("A", 'C', 3).Row({"abc"}).HeaderLength(40).Bytes());
    out.Add(TableBuilder().Field("A", 'C', 200).RecordLength(3).RawRecord(" ab").Bytes());
    out.Add(TableBuilder().Field("A", 'N', 5).Terminator(std::nullopt).Row({"12"}).Bytes());
    out.Add(TableBuilder().EncryptionFlag(1).Field("A", 'C', 1).Row({"x"}).Bytes());
}

// <name>.dbt / .fpt / .smt beside a table, letter case ignored.
std::string MemoBeside(const fs::path& table) {
    const std::string stem = table.stem().string();
    for (const fs::directory_entry& entry : fs::directory_iterator(table.parent_path())) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        std::string lowerStem = stem;
        std::transform(lowerStem.begin(), lowerStem.end(), lowerStem.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        for (const char* extension : {".dbt", ".fpt", ".smt"}) {
            if (name == lowerStem + extension) return ReadFileBytes(entry.path().string());
        }
    }
    return {};
}

void CorpusSeeds(SeedWriter& out, const fs::path& corpus) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(corpus, error), end; !error && it != end;
         it.increment(error)) {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (!it->is_regular_file() || extension != ".dbf") continue;
        std::string table = ReadFileBytes(it->path().string());
        table.resize(std::min(table.size(), MaxTableSeed));
        std::string memo = MemoBeside(it->path());
        if (memo.empty()) {
            out.Add(table);
            continue;
        }
        memo.resize(std::min(memo.size(), MaxMemoSeed));
        out.Add(fuzz::JoinTableInput(table, 0, memo));
    }
}

constexpr std::string_view FilterSeeds[] = {
    "TRIM([CITY]) = Oslo",
    "city = \"Oslo\" AND AGE > 40",
    "[NAME] = 'O''Brien' OR NOT (OK = 1)",
    "SUBSTITUTE(TRIM([STATUS]), \"A;B;C\", \"Active;Blocked;Closed\") = Blocked",
    "PI > 3",
    "5! = 120",
    "2 ^ 10 - 1024 <> 0",
    "AGE / 0 = 1",
    "(((1 + 2) * 3) - 4) / 5 >= 1",
    "YEAR(BORN) = 1980 AND MONTH(BORN) = 1 AND DAY(BORN) = 15",
    "HOUR(STAMP) + MINUTE(STAMP) + SECOND(STAMP) > 0",
    "DATEPART(STAMP) < TIMEPART(STAMP)",
    "DATETOSTR(BORN) = STRTODATE(\"1980-01-15\")",
    "DATETIMEFROMSTRING(\"1980-01-15 13:45:30\") > GETDATE() OR NOW() > 0",
    "SUBSTR(NAME, 2, 3) = SUBSTRING(NAME, 2, 3) AND COPY(NAME, 1, 1) = O",
    "REPLACESTR(NOTE, \"one\", \"1\") <> NOTE",
    "PADL(AGE, 6) = PADR(AGE, 6)",
    "CHR(65) = UPPER(LOWER(\"A\"))",
    "TRIMLEFT(TRIMRIGHT(NAME)) = TRIM(NAME)",
    "POS(\"Brien\", NAME) = 3 AND LENGTH(NAME) = 10 AND ORD(NAME) = 79",
    "STRTOFLOAT(\"1.5\") + STRTOINT(\"$1F\") > 0",
    "VARTOSTR(SALARY) = INTTOSTR(ID) OR FLOATTOSTR(RATE) = 2.5",
    "COALESCE(NAME, CITY, \"x\") <> \"\"",
    "MAX(1, 2, 3) + MIN(4, 5) + SUM(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11) > AVG(1, 2) + COUNT(1, 2)",
    "FRAC(PRICE) + INT(PRICE) = ROUND(PRICE, 2)",
    "DIV(7, 2) + MOD(7, 2) = 4",
    "RANDOM(10) < 10",
    "ABS(PRICE) + POWER(2, 3) + EXP(1) + LN(2) + LOG(100) + SQR(3) + SQRT(16) > 0",
    "PERCENT(50, 200) = 25",
    "IIF(ISNULL(NOTE), 1, 0) = 0",
    "ISNUMERIC(AGE) AND ISALPHA(NAME)",
    "ISCONTAIN(\"Oslo\", CITY) OR ISSTARTSWITH(\"O\", NAME) OR ISENDSWITH(\"o\", CITY)",
    "STAMP",
    "NOTE + 1",
    "[ID] * 1.5e300 * 1e300",
    "-(-(-1)) < +1",
    "1 != 2 AND 1 <= 2 AND 2 >= 1",
};

constexpr std::string_view SwitchSeeds[] = {
    "a.dbf\0b.txt\0/H\0/F"sv,
    "a.dbf\0b.txt\0/FIXED\0/DELIMITER=\\0\0/RECORDSEPARATOR=LF"sv,
    "a.dbf\0b.txt\0/DELIMITER=,\0/QUALIFIER=\\34\0/FIELDS=name;age"sv,
    "a.dbf\0b.txt\0/QUALIFIER=\\$27\0/FIELDS=\0/RECORDSEPARATOR=cr\0/RECORDSEPARATOR=crlf"sv,
    "a.dbf\0b.txt\0/DELIMITER=ab\0/QUALIFIER=xyx\0/FIXED\0/H"sv,
    "a.dbf\0b.txt\0/DELIMITER=\\t"sv,
    "a.dbf\0b.txt\0/QUALIFIER=\\ -300"sv,
    "/h\0a.dbf\0b.txt\0/FILTER=[CITY] = \"Oslo\""sv,
    "\"a b\" c\\\\\"d e\" \"\"f\\\""sv,
};

void TextSeeds(SeedWriter& out, const auto& texts) {
    for (std::string_view text : texts) out.Add(text);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: fuzz_seed_maker <output folder> [<folder of real tables>]\n";
        return 2;
    }
    const fs::path root = argv[1];
    SeedWriter tables(root / "table");
    TableSeeds(tables);
    if (argc > 2 && fs::is_directory(argv[2])) CorpusSeeds(tables, argv[2]);
    SeedWriter filters(root / "filter");
    TextSeeds(filters, FilterSeeds);
    SeedWriter switches(root / "switches");
    TextSeeds(switches, SwitchSeeds);
    return 0;
}
