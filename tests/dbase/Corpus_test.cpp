// The corpus of real tables written by other programs: every table parses and
// loads, agrees with the field listing in INSPECT.txt, and reads right.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "DbfTesting.h"
#include "util/QzIUtils.h"

namespace ostrane::test {
namespace {

const std::string kCorpus = OSTRANE_CORPUS_DIR;
const std::string kCorpus2 = OSTRANE_CORPUS2_DIR;

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
std::vector<ListedTable> ReadListing(const std::string& corpus) {
    std::ifstream in(corpus + "/INSPECT.txt");
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
        for (const std::string& corpus : {kCorpus, kCorpus2})
            if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    }

    // Values of one column in the records delivered; the path is relative to
    // the corpus folder.
    static std::vector<Value> Column(const std::string& path, const std::string& name,
                                     const std::string& corpus = kCorpus) {
        OpenTable table(corpus + "/" + path);
        std::int32_t column = -1;
        for (std::int32_t i = 0; column < 0 && i < table.Header().FieldCount; ++i)
            if (EqualsIgnoreCaseAscii(table.Field(i).Name, name)) column = i;
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

// Tables of the second folder whose header contradicts their descriptors.
const std::set<std::string> kInconsistentHeaders2 = {
    // A header of random bytes: 557582858 records of 21571 bytes.
    "GeospatialPython-pyshp/history/2b63981a/deleteme.dbf",
};

void ExpectTablesAgreeWithTheListing(const std::string& corpus,
                                     const std::set<std::string>& inconsistent) {
    const std::vector<ListedTable> tables = ReadListing(corpus);
    ASSERT_FALSE(tables.empty()) << corpus;
    std::set<std::string> disagreeing;
    for (const ListedTable& listed : tables) {
        SCOPED_TRACE(listed.Path);
        OpenTable table(corpus + "/" + listed.Path);
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
            const ListedField& f = listed.Fields[i];
            EXPECT_EQ(field.Name, table.Dbf().ConvertText(f.Name)) << "field " << i;
            EXPECT_EQ(field.FieldType, f.Type) << "field " << i;
            // A long C field takes the high byte of its length from the decimals.
            const int length = field.Length > 255 ? f.Length + 256 * f.Decimals : f.Length;
            EXPECT_EQ(field.Length, length) << "field " << i;
        }
    }
    EXPECT_EQ(disagreeing, inconsistent);
}

TEST_F(CorpusTest, EveryTableParsesLoadsAndAgreesWithTheListing) {
    ExpectTablesAgreeWithTheListing(kCorpus, kInconsistentHeaders);
    ExpectTablesAgreeWithTheListing(kCorpus2, kInconsistentHeaders2);
}

// The value's text without the padding of its field.
std::string TextOf(const Value& value) {
    if (value.IsNull()) return "<null>";
    const std::string text = value.ToText();
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// Values that the plain reading rules lost or invented, each at its table.
TEST_F(CorpusTest, ValuesOfRealTablesReadRight) {
    struct Pin {
        const char* Path;
        const char* Column;
        std::size_t Record; // among the delivered records
        std::string Expected;
    };
    const Pin pins[] = {
        // Memo block 32 is stored 20 00 00 00: no blank.
        {"infused-dbf/spec/fixtures/dbase_30.dbf", "PEOPLE", 1, "Hilton, Lura Cox"},
        // A 300-byte C field (44 + 256 x 1); the fields after it are in place.
        {"luads-php-xbase/tests/Resources/foxpro/pr90.dbf", "NOTE", 0,
         "He will call us on the 18th to settle - 123 xp"},
        {"luads-php-xbase/tests/Resources/foxpro/pr90.dbf", "DUE", 0, "2007-05-15"},
        // The header says 1016 bytes a record, the fields and the file 1017.
        {"tmontaigu-dbase-rs/tests/data/stations_with_deleted.dbf", "line", 0, "blue"},
        {"tmontaigu-dbase-rs/tests/data/stations_with_deleted.dbf", "marker-col", 4, "#ff0000"},
        {"tmontaigu-dbase-rs/tests/data/stations_with_deleted.dbf", "name", 4, "Metro Center"},
        // Asterisks: no number.
        {"tmontaigu-dbase-rs/tests/data/contain_none_float.dbf", "value_f_non", 0, "<null>"},
        {"tmontaigu-dbase-rs/tests/data/contain_none_float.dbf", "value_n_non", 0, "<null>"},
        // A logical Y is true.
        {"infused-dbf/spec/fixtures/dbase_8b.dbf", "LOGICAL", 0, "True"},
        // A zero currency is 0, not blank.
        {"Valentin-Kaiser-go-dbase/examples/test_data/database/expense reports.dbf", "ADVANCEAMO",
         0, "0"},
        // A Visual FoxPro varchar: its length from the null flags.
        {"infused-dbf/spec/fixtures/dbase_32.dbf", "NAME", 0, "Bad Meets Evil"},
        // Language driver 0x03: Windows-1252 into UTF-8.
        {"SebastiaanKlippert-go-foxpro-dbf/testdata/dbase_03.dbf", "PRODUCTNAM", 21,
         "Gustaf's Kn\xC3\xA4"
         "ckebr\xC3\xB6"
         "d"},
    };
    for (const Pin& pin : pins) {
        SCOPED_TRACE(std::string(pin.Path) + " " + pin.Column);
        const std::vector<Value> values = Column(pin.Path, pin.Column);
        // The 300 bytes of the long field, all of them.
        if (std::string_view(pin.Column) == "NOTE") {
            EXPECT_EQ(values.at(0).ToText().size(), 300u);
        }
        ASSERT_GT(values.size(), pin.Record);
        EXPECT_EQ(TextOf(values[pin.Record]), pin.Expected);
    }
}

TEST_F(CorpusTest, MemoTextsOfRealTablesReadWhole) {
    // A picture kept in a Visual FoxPro blob: its JPEG header and full size.
    const std::vector<Value> images =
        Column("luads-php-xbase/tests/Resources/foxpro/vfp.dbf", "IMAGE");
    ASSERT_GE(images.size(), 1u);
    EXPECT_EQ(images[0].TextPayload().size(), 27297u);
    EXPECT_EQ(images[0].TextPayload().rfind("\xFF\xD8\xFF\xE0", 0), 0u);
    // The terminator pair 1A | 1A straddles a block boundary: the text ends
    // at the pair instead of running on into the next text.
    const std::vector<Value> reasons =
        Column("yellowfeather-DbfDataReader/test/fixtures/INNAKLKVT20180904.dbf", "REASON");
    ASSERT_GT(reasons.size(), 3382u);
    const std::string& reason = reasons[3382].TextPayload();
    EXPECT_EQ(reason.size(), 511u);
    EXPECT_EQ(reason.substr(reason.size() - 2), "\r\n");
}

TEST_F(CorpusTest, CpgFilesNameTheCodePage) {
    // cp936 named by a .cpg file beside a table whose language driver is 0.
    const std::vector<Value> texts =
        Column("tmontaigu-shapefile-rs/tests/data/file_cp936.dbf", "TEST", kCorpus2);
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(texts[0].TextPayload().rfind("\xE6\xB5\x8B\xE8\xAF\x95\xE4\xB8\xAD\xE6\x96\x87", 0),
              0u); // 测试中文
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
