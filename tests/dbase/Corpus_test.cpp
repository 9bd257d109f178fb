// The corpus of real tables written by other programs: every table parses and
// loads, agrees with the field listing in INSPECT.txt, and reads right.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "DbfTesting.h"

namespace ostrane::test {
namespace {

const std::string kCorpus = OSTRANE_CORPUS_DIR;

struct ListedField {
    std::string Name; // raw bytes as stored
    char Type = 0;
    int Length = 0;
    int Decimals = 0;
};

struct ListedTable {
    std::string Path; // relative to the corpus
    std::vector<ListedField> Fields;
};

// "\xC9A" in the listing stands for the byte 0xC9 followed by A.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
            out.push_back(char(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Entries start with the path at the left margin; field lines are indented by
// four blanks.
std::vector<ListedTable> ReadListing() {
    std::ifstream in(kCorpus + "/INSPECT.txt");
    const std::regex field(R"(^    (.+?) +(\S) +(\d+) +(\d+)(  \(after NUL: .*\))?$)");
    std::vector<ListedTable> tables;
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != ' ') {
            tables.push_back({line, {}});
        } else if (!tables.empty() && std::regex_match(line, m, field)) {
            tables.back().Fields.push_back(
                {Unescape(m[1]), m[2].str()[0], std::stoi(m[3]), std::stoi(m[4])});
        }
    }
    return tables;
}

class CorpusTest : public DbfTest {
protected:
    void SetUp() override {
        DbfTest::SetUp();
        if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    }

    // Values of one column in the records delivered.
    static std::vector<Value> Column(const std::string& path, const std::string& name) {
        OpenTable table(kCorpus + "/" + path);
        const std::int32_t column = table.Dbf().GetColumnIndex(name);
        EXPECT_GE(column, 0) << name;
        std::vector<Value> values;
        for (std::int32_t i = 0; column >= 0 && i < table.Header().RecordCount; ++i) {
            const auto cells = table.Load(i);
            if (!cells.empty()) values.push_back(cells[std::size_t(column)].Value_);
        }
        return values;
    }
};

// Tables whose header contradicts their own descriptors, so that the listing
// (which reads descriptors up to the terminator) cannot agree.
const std::set<std::string> kInconsistentHeaders = {
    // dBase II: 16-byte descriptors, a layout outside the versions read.
    "infused-dbf/spec/fixtures/dbase_02.dbf",
    // A Visual FoxPro signature on a header without the 263-byte area
    // (written by a faulty program): 12 of the 21 descriptors fit before it.
    "albfernandez-javadbf/src/test/resources/bug-33-corrupted-file-sync-mode/"
    "myfileafter-corrupted.dbf",
};

TEST_F(CorpusTest, EveryTableParsesLoadsAndAgreesWithTheListing) {
    const std::vector<ListedTable> tables = ReadListing();
    ASSERT_EQ(tables.size(), 130u);
    std::set<std::string> disagreeing;
    for (const ListedTable& listed : tables) {
        SCOPED_TRACE(listed.Path);
        OpenTable table(kCorpus + "/" + listed.Path);
        const TDBFHeader header = table.Header();
        std::int64_t delivered = 0;
        for (std::int32_t i = 0; i < header.RecordCount; ++i) {
            const auto cells = table.Load(i);
            if (table.Delivered()) {
                ++delivered;
                EXPECT_EQ(cells.size(), std::size_t(header.FieldCount));
            }
        }
        EXPECT_LE(delivered, table.Dbf().RecordsPresent());
        if (header.FieldCount != std::int32_t(listed.Fields.size())) {
            disagreeing.insert(listed.Path);
            continue;
        }
        for (std::size_t i = 0; i < listed.Fields.size(); ++i) {
            const TDBFField field = table.Field(std::int32_t(i));
            EXPECT_EQ(field.Name, table.Dbf().ConvertText(listed.Fields[i].Name)) << "field " << i;
            EXPECT_EQ(field.FieldType, listed.Fields[i].Type) << "field " << i;
            // A long C field takes the high byte of its length from the decimals.
            const ListedField& f = listed.Fields[i];
            const int length = field.Length > 255 ? f.Length + 256 * f.Decimals : f.Length;
            EXPECT_EQ(field.Length, length) << "field " << i;
        }
    }
    EXPECT_EQ(disagreeing, kInconsistentHeaders);
}

TEST_F(CorpusTest, IntegerIdsCountFromOne) {
    const std::pair<const char*, const char*> columns[] = {
        {"infused-dbf/spec/fixtures/foxprodb/calls.dbf", "CALL_ID"},                    // 0x30
        {"infused-dbf/spec/fixtures/dbase_31.dbf", "PRODUCTID"},                        // 0x31
        {"SebastiaanKlippert-go-foxpro-dbf/history/46f98e91/testdata/somev.DBF", "ID"}, // 0x32
        {"luads-php-xbase/tests/Resources/foxpro/vfp.dbf", "AI"},                       // 0x32
        {"albfernandez-javadbf/src/test/resources/inventory.dbf", "Item ID"},           // 0x8C +
        {"infused-dbf/spec/fixtures/dbase_8c.dbf", "ID"},                               // 0x8C +
        {"luads-php-xbase/tests/Resources/dBase/dBaseVII.dbf", "INTEGER"},              // 0x8C I
        {"luads-php-xbase/tests/Resources/dBase/dBaseVII_int.dbf", "INT"},              // 0x04 I
    };
    for (const auto& [path, name] : columns) {
        SCOPED_TRACE(path);
        const std::vector<Value> ids = Column(path, name);
        ASSERT_GE(ids.size(), 1u);
        for (std::size_t i = 0; i < std::min<std::size_t>(ids.size(), 3); ++i) {
            const std::int32_t expected = std::string_view(name) == "INT"
                                              ? std::array{1, -1, 5000000}[i]
                                              : std::int32_t(i + 1);
            EXPECT_TRUE(ids[i].SameAs(Value::FromInteger(expected))) << ids[i].ToText();
        }
    }
}

TEST_F(CorpusTest, DoublesOfVisualFoxProAndDBase7) {
    const std::vector<Value> blobDoubles =
        Column("albfernandez-javadbf/src/test/resources/numbers2.dbf", "DOUBLE1");
    ASSERT_GE(blobDoubles.size(), 3u);
    EXPECT_TRUE(blobDoubles[0].SameAs(Value::FromDouble(1)));
    EXPECT_TRUE(blobDoubles[1].SameAs(Value::FromDouble(-1)));
    EXPECT_TRUE(blobDoubles[2].SameAs(Value::FromDouble(193786)));
    const std::vector<Value> ordered =
        Column("luads-php-xbase/tests/Resources/dBase/dBaseVII_double.dbf", "double");
    ASSERT_GE(ordered.size(), 4u);
    EXPECT_TRUE(ordered[0].SameAs(Value::FromDouble(-199.99)));
    EXPECT_TRUE(ordered[2].SameAs(Value::FromDouble(43.65)));
}

TEST_F(CorpusTest, DBase4MemosEndWithoutJunk) {
    const std::vector<Value> memos = Column("infused-dbf/spec/fixtures/dbase_8b.dbf", "MEMO");
    ASSERT_EQ(memos.size(), 10u);
    EXPECT_TRUE(memos[0].SameAs(Value::FromText("First memo\r\n")));
    for (const Value& memo : memos) {
        if (memo.IsNull()) continue;
        const std::string& text = memo.TextPayload();
        EXPECT_EQ(text.find('\x1A'), std::string::npos);
        EXPECT_EQ(text.find('\0'), std::string::npos);
    }
}

TEST_F(CorpusTest, VisualFoxProMemosReadAsText) {
    const std::vector<Value> calls =
        Column("infused-dbf/spec/fixtures/foxprodb/calls.dbf", "NOTES"); // memo file calls.FPT
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].TextPayload().rfind("Nancy told me about their blends.", 0), 0u);
    EXPECT_TRUE(calls[1].SameAs(Value::FromText("Usual monthly order.")));
    const std::vector<Value> bs1 =
        Column("yortus-DBFFile/test/fixtures/vfp9_memo_bs1.dbf", "NOTES"); // block size 1
    ASSERT_GE(bs1.size(), 1u);
    EXPECT_TRUE(bs1[0].SameAs(Value::FromText("Some notes here\r\n")));
}

} // namespace
} // namespace ostrane::test
