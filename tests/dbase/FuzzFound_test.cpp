// Damaged tables found by fuzzing or by hostile review; each is read without
// a fault, and what it cannot hold is not delivered.
#include <gtest/gtest.h>

#include "DbfTesting.h"

namespace ostrane::test {
namespace {

using FuzzFoundTest = DbfTest;

// With no bytes per record the file holds no record, whatever the count says,
// so a loop over the present records ends at once.
TEST_F(FuzzFoundTest, RecordLengthZeroHoldsNoRecords) {
    for (std::int32_t count : {0, 3, 2000000000}) {
        OpenTable table(TableBuilder()
                            .Field("A", 'C', 2)
                            .Row({"a"})
                            .RecordLength(0)
                            .RecordCount(count)
                            .Write(dir_.Path(), "t.dbf"));
        EXPECT_EQ(table.Dbf().RecordsPresent(), 0) << count;
    }
}

// Texts that the memo file lacks are counted, so the converter can say so.
TEST_F(FuzzFoundTest, MemoTextsTheFileLacksAreCounted) {
    const std::string path = TableBuilder(0x30)
                                 .Field("NOTE", 'M', 4)
                                 .Row({Le32(1)})  // whole
                                 .Row({Le32(2)})  // length beyond the end
                                 .Row({Le32(99)}) // block beyond the end
                                 .Row({Le32(0)})  // no block
                                 .Write(dir_.Path(), "t.dbf");
    MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
        .LengthBlock(1, "one")
        .Block(2, Hex("00 00 00 01 00 01 00 00") + "two")
        .Write(dir_.Path(), "t.fpt");
    OpenTable table(path);
    std::vector<std::string> texts;
    for (std::int32_t i = 0; i < 4; ++i) {
        const Value& value = table.First(i).Value_;
        texts.push_back(value.IsNull() ? "<null>" : value.TextPayload());
    }
    // The text cut short keeps what the file holds: "two" and the block's fill.
    texts[1] = texts[1].substr(0, texts[1].find('\0'));
    // Block 0 is a binary block number like any other: no memo text.
    EXPECT_EQ(texts, (std::vector<std::string>{"one", "two", "", ""}));
    EXPECT_EQ(table.Dbf().MemoTextsCut(), 2);
}

} // namespace
} // namespace ostrane::test
