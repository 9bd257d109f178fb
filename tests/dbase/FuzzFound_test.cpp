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

} // namespace
} // namespace ostrane::test
