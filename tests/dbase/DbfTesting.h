// Shared helpers of the reader tests: a table opened in on-demand mode with
// every reported cell captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbase/QzDBF.h"
#include "platform/CodePage.h"
#include "platform/FormatSettings.h"
#include "support/TableBuilder.h"

namespace ostrane::test {

struct ReportedCell {
    std::int32_t Row = 0;
    std::int32_t Column = 0;
    Value Value_;
    TAlignment Alignment = taLeftJustify;
    TQzICellType CellType = ictUnknown;
};

// Pins the locale profile and UTF-8 as the ANSI set.
class DbfTest : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCharset("UTF-8"); }

    ScopedFormatSettings guard_{CLocaleProfile()};
    TempDir dir_;
};

// A table parsed in on-demand mode, as the converter uses it.
class OpenTable {
public:
    explicit OpenTable(const std::string& path, TDBFMemoType memoType = dmDBT,
                       TQzIRowStatuses statuses = RowStatusBit(rsNormal))
        : stream_(path, FileStream::Mode::OpenRead) {
        dbf_.FileName = path;
        dbf_.DBFMemoType = memoType;
        dbf_.LoadRowStatutes = statuses;
        dbf_.OnCellValue = [this](Sender, std::int32_t, std::int32_t row, std::int32_t column,
                                  std::int32_t, const Value& value, TAlignment alignment,
                                  TQzICellType cellType) {
            cells_.push_back({row, column, value, alignment, cellType});
        };
        dbf_.OnRecordStatusChanged = [this](Sender, std::int32_t, std::int32_t,
                                            TQzIRowStatus status) { statuses_.push_back(status); };
        dbf_.ParseStream(stream_);
    }

    TDBF& Dbf() { return dbf_; }

    // The cells of record `index`; empty when it is not delivered.
    std::vector<ReportedCell> Load(std::int32_t index) {
        cells_.clear();
        delivered_ = dbf_.LoadRecord(index, index);
        return cells_;
    }
    bool Delivered() const { return delivered_; }
    const std::vector<TQzIRowStatus>& Statuses() const { return statuses_; }

    // Field 0 of record `index`.
    ReportedCell First(std::int32_t index) {
        const auto cells = Load(index);
        EXPECT_FALSE(cells.empty()) << "record " << index << " not delivered";
        return cells.empty() ? ReportedCell{} : cells[0];
    }

    TDBFField Field(std::int32_t index) {
        TDBFField field;
        dbf_.GetField(index, field);
        return field;
    }
    TDBFHeader Header() {
        TDBFHeader header;
        dbf_.GetHeader(header);
        return header;
    }

private:
    FileStream stream_; // outlives the reader, which only borrows it
    TDBF dbf_;
    std::vector<ReportedCell> cells_;
    std::vector<TQzIRowStatus> statuses_;
    bool delivered_ = false;
};

} // namespace ostrane::test
