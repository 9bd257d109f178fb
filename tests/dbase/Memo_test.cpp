// Memo files: names, layouts, block forms and block sizes.
#include <gtest/gtest.h>

#include <filesystem>

#include "DbfTesting.h"

namespace ostrane::test {
namespace {

using MemoTest = DbfTest;
using Layout = MemoBuilder::Layout;

// The block number as a dBase table stores it: ten characters, right-aligned.
std::string BlockText(int block) {
    const std::string digits = std::to_string(block);
    return std::string(10 - digits.size(), ' ') + digits;
}

// One memo field per record, naming `blocks` in turn.
TableBuilder MemoTable(std::uint8_t signature, std::initializer_list<int> blocks) {
    const bool binary = signature >= 0x30 && signature <= 0x32;
    TableBuilder table(signature);
    table.Field("NOTES", 'M', binary ? 4 : 10);
    for (int block : blocks) table.Row({binary ? Le32(std::uint32_t(block)) : BlockText(block)});
    return table;
}

// The text every record reports ("<null>" for a blank field).
std::vector<std::string> Texts(OpenTable& table) {
    std::vector<std::string> texts;
    for (std::int32_t i = 0; i < table.Header().RecordCount; ++i) {
        const auto cells = table.Load(i);
        const Value& value = cells.at(0).Value_;
        texts.push_back(value.IsNull() ? "<null>" : value.TextPayload());
    }
    return texts;
}

using Texts_t = std::vector<std::string>;

TEST_F(MemoTest, FoxProLayoutBlockSize64) {
    const std::string path = MemoTable(0xF5, {8}).Write(dir_.Path(), "t.dbf");
    // Header bytes 6-7 = 00 40; block 8 begins at byte 8 x 64 = 512.
    MemoBuilder(Layout::FoxPro, 64)
        .Block(8, Hex("00 00 00 01 00 00 00 05") + "Hello" + "junk")
        .Write(dir_.Path(), "t.fpt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), Texts_t{"Hello"});
    const TQzDBFTable& sheet = static_cast<TQzDBFTable&>(table.Dbf().Sheets->Sheet(0));
    EXPECT_EQ(sheet.FPTHeader[6], 0x40); // block size in host order in the copy
    EXPECT_EQ(sheet.FPTHeader[7], 0x00);
}

TEST_F(MemoTest, DBaseLayoutLengthForm) {
    const std::string text1300 = [] {
        std::string s;
        for (int i = 0; i < 1300; ++i) s.push_back(char('a' + i % 26));
        return s;
    }();
    const std::string path = MemoTable(0x8B, {1, 2, 5, 6}).Write(dir_.Path(), "t.dbf");
    MemoBuilder(Layout::DBase, 512)
        .Block(1, Hex("00 00 00 00 05 00 00 00") + "Hello")
        .LengthBlock(2, text1300)
        // dBase IV blocks count their own 8 header bytes.
        .DBase4Block(5, "First memo\r\n")
        .Block(6, Hex("FF FF 08 00 05 00 00 00") + "abc")
        .Write(dir_.Path(), "t.dbt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), (Texts_t{"Hello", text1300, "First memo\r\n", ""}));
}

TEST_F(MemoTest, LengthFormTextIsReadInBlockSizedChunks) {
    std::vector<std::int64_t> chunks;
    for (std::int64_t remaining = 1300; remaining > 0; remaining -= chunks.back())
        chunks.push_back(NextMemoChunk(remaining, 512));
    EXPECT_EQ(chunks, (std::vector<std::int64_t>{512, 512, 276}));
}

TEST_F(MemoTest, TerminatedForm) {
    const std::string text600(600, 'x');
    const std::string path = MemoTable(0x83, {1, 2, 3, 6}).Write(dir_.Path(), "t.dbf");
    MemoBuilder(Layout::DBase, 0) // dBase III: no block size, 512
        .TerminatedBlock(1, "Hello")
        .Block(2, "Hi\x1A" + std::string(2, '\0') + "junk")
        // The pair 0x1A 0x1A lies in the second block: the whole 600 bytes.
        .TerminatedBlock(3, text600)
        // No terminator before the end of the file.
        .Block(6, "tail")
        .Write(dir_.Path(), "t.dbt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), (Texts_t{"Hello", "Hi", text600, "tail"}));
}

// The terminator is looked for in the text read so far: a pair split by a
// block boundary ends the text, and so does a 0x1A as a block's last byte,
// except in binary data (a text that holds a NUL byte).
TEST_F(MemoTest, TerminatorsAcrossBlockBoundaries) {
    const std::string fill511(511, 'a');
    const std::string binary = std::string("\0pic", 4) + std::string(507, 'b');
    const std::string path = MemoTable(0x83, {1, 3, 5, 7}).Write(dir_.Path(), "t.dbf");
    MemoBuilder(Layout::DBase, 0)
        .Block(1, fill511 + "\x1A" + "\x1A" + "next") // the pair straddles blocks 1 and 2
        .Block(3, fill511 + "\x1A")                   // block 4 is another text
        .Block(4, "other")
        .Block(5, binary + "\x1A") // binary: runs on
        .Block(6, std::string("more\x1A\x1A", 6))
        .Block(7, std::string(510, 'c') + "\x1A" + std::string("\0\0", 2))
        .Write(dir_.Path(), "t.dbt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table),
              (Texts_t{fill511, fill511, binary + "\x1A" + "more", std::string(510, 'c')}));
}

TEST_F(MemoTest, DBase3MemoBlockSizeWithLowByteIs512) {
    const std::string path = MemoTable(0x83, {1}).Write(dir_.Path(), "t.dbt.dbf");
    MemoBuilder(Layout::DBase, 0)
        .HeaderBytes(20, Hex("01 02")) // 513, whose low byte is not zero
        .TerminatedBlock(1, "at 512")
        .Write(dir_.Path(), "t.dbt.dbt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), Texts_t{"at 512"});
}

TEST_F(MemoTest, BlockZeroOrNegativeLooksForNoFile) {
    const std::string path = MemoTable(0x8B, {0, -1}).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), (Texts_t{"", ""}));
    EXPECT_FALSE(table.Dbf().MemoFileMissing());
    EXPECT_EQ(table.Dbf().ReadBlob(0, 0), "");
}

TEST_F(MemoTest, MissingMemoFileGivesEmptyTexts) {
    const std::string path = MemoTable(0x8B, {1, 2}).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), (Texts_t{"", ""}));
    EXPECT_TRUE(table.Dbf().MemoFileMissing());
}

struct NameCase {
    const char* Name;
    std::uint8_t Signature;
    TDBFMemoType MemoType;
    std::string TableName;
    std::string MemoName;
    Layout MemoLayout;
};

// Each case writes only the memo file that must be found, in the layout that
// must be used to read it.
TEST_F(MemoTest, MemoFileNameAndLayout) {
    const NameCase cases[] = {
        {"dBase3Memo", 0x83, dmDBT, "cust.dbf", "cust.dbt", Layout::DBase},
        {"dmSMT", 0x83, dmSMT, "cust.dbf", "cust.smt", Layout::DBase},
        {"dmFPT", 0x83, dmFPT, "cust.dbf", "cust.fpt", Layout::FoxPro},
        {"FoxProMemo whatever the memo type", 0xF5, dmDBT, "cust.dbf", "cust.fpt", Layout::FoxPro},
        {"VFP3 with dmDBT", 0x30, dmDBT, "cust.dbf", "cust.fpt", Layout::FoxPro},
        {"Visual FoxPro 9", 0x32, dmDBT, "cust.dbf", "cust.fpt", Layout::FoxPro},
        {"no extension", 0x8B, dmDBT, "cust", "cust.dbt", Layout::DBase},
        {"upper-case table and memo", 0x30, dmDBT, "TEST.DBF", "TEST.FPT", Layout::FoxPro},
        {"memo differs in case", 0x30, dmDBT, "calls.dbf", "calls.FPT", Layout::FoxPro},
        {"dot in a folder", 0x8B, dmDBT, "v1.2/cust", "v1.2/cust.dbt", Layout::DBase},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        std::filesystem::create_directories(dir.File("v1.2"));
        const std::string path = MemoTable(c.Signature, {1}).Write(dir.Path(), c.TableName);
        // The terminated form of dBase III tables in the dBase layout; the
        // length form everywhere else.
        MemoBuilder memo(c.MemoLayout, 512);
        const bool terminated = c.Signature == 0x83 && c.MemoLayout == Layout::DBase;
        if (terminated)
            memo.TerminatedBlock(1, "found");
        else
            memo.LengthBlock(1, "found");
        memo.Write(dir.Path(), c.MemoName);
        OpenTable table(path, c.MemoType);
        EXPECT_EQ(Texts(table), Texts_t{"found"});
    }
}

TEST_F(MemoTest, HyperSixFallsBackToTheNameWithoutExtension) {
    const std::string path = TableBuilder(0xE5)
                                 .Field("NOTES", 'M', 4)
                                 .Row({Le32(1)}) // binary block numbers
                                 .Write(dir_.Path(), "six.dbf");
    MemoBuilder(Layout::DBase, 512).LengthBlock(1, "six").Write(dir_.Path(), "six");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), Texts_t{"six"});
}

TEST_F(MemoTest, WithoutBlobsTheBlockNumberIsReported) {
    const std::string path = MemoTable(0x8B, {12}).Write(dir_.Path(), "t.dbf");
    OpenTable table(path);
    table.Dbf().ParseItems = ParseItemBit(ipiText);
    const ReportedCell cell = table.First(0);
    EXPECT_TRUE(cell.Value_.SameAs(Value::FromInteger(12)));
    EXPECT_EQ(cell.Alignment, taLeftJustify);
    EXPECT_EQ(cell.CellType, ictInteger);
    EXPECT_FALSE(table.Dbf().MemoFileMissing());
}

TEST_F(MemoTest, OnlyMTextsAreReencoded) {
    const std::string path = TableBuilder(0x8B)
                                 .LanguageDriver(0x65) // code page 866
                                 .Field("M", 'M', 10)
                                 .Field("B", 'B', 10)
                                 .Row({BlockText(1), BlockText(1)})
                                 .Write(dir_.Path(), "t.dbf");
    MemoBuilder(Layout::DBase, 512).LengthBlock(1, "\x80").Write(dir_.Path(), "t.dbt");
    OpenTable table(path);
    const auto cells = table.Load(0);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_TRUE(cells[0].Value_.SameAs(Value::FromText("\xD0\x90")));
    EXPECT_EQ(cells[0].CellType, ictMemo);
    EXPECT_TRUE(cells[1].Value_.SameAs(Value::FromText("\x80")));
}

// Lengths and blocks that the file cannot hold read what the file holds.
TEST_F(MemoTest, DamagedBlocks) {
    const std::string path = MemoTable(0x30, {8, 9, 10, 100}).Write(dir_.Path(), "t.dbf");
    MemoBuilder(Layout::FoxPro, 64)
        .Block(8, Hex("00 00 00 01 FF FF FF FF") + "negative")
        .Block(9, Hex("00 00 00 01 00 00 00 00") + "zero")
        .Block(10, Hex("00 00 00 01 7F FF FF FF") + "huge") // the file ends here
        .Write(dir_.Path(), "t.fpt");
    OpenTable table(path);
    EXPECT_EQ(Texts(table), (Texts_t{"", "", "huge", ""}));
}

TEST_F(MemoTest, ANewParseDropsTheMemoFileOfTheLastTable) {
    const std::string first = MemoTable(0x8B, {1}).Write(dir_.Path(), "a.dbf");
    const std::string second = MemoTable(0x8B, {1}).Write(dir_.Path(), "b.dbf");
    MemoBuilder(Layout::DBase, 512).LengthBlock(1, "from a").Write(dir_.Path(), "a.dbt");
    MemoBuilder(Layout::DBase, 512).LengthBlock(1, "from b").Write(dir_.Path(), "b.dbt");
    TDBF dbf;
    std::string text;
    dbf.OnCellValue = [&](Sender, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                          const Value& value, TAlignment,
                          TQzICellType) { text = value.TextPayload(); };
    for (const auto& [path, expected] : {std::pair{first, "from a"}, std::pair{second, "from b"}}) {
        FileStream stream(path, FileStream::Mode::OpenRead);
        dbf.FileName = path;
        dbf.ParseStream(stream);
        EXPECT_TRUE(dbf.LoadRecord(0, 0));
        EXPECT_EQ(text, expected);
        dbf.AfterParse();
    }
}

} // namespace
} // namespace ostrane::test
