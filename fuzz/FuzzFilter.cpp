// Fuzz target of the filter language: the input is a filter text, tokenized,
// built and evaluated through the filter bridge against the records of a
// small fixed table (one with a value in every field, one with blank fields),
// under two locale profiles.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "converter/Run.h"
#include "dbase/QzDBF.h"
#include "expression/Functions.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/TableBuilder.h"

namespace {

using namespace ostrane;
using namespace ostrane::test;

// Julian day number of 1980-01-15 and 13:45:30 in milliseconds.
constexpr std::uint32_t StampDay = 2444254;
constexpr std::uint32_t StampMs = (13 * 3600 + 45 * 60 + 30) * 1000;
constexpr std::int32_t RecordCount = 2;

std::string WriteFixedTable(const TempDir& dir) {
    MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
        .LengthBlock(8, "Line one\r\nLine \"two\"; 3")
        .Write(dir.Path(), "people.fpt");
    return TableBuilder(0x30)
        .Field("NAME", 'C', 10)
        .Field("CITY", 'C', 10)
        .Field("STATUS", 'C', 1)
        .Field("AGE", 'N', 3)
        .Field("PRICE", 'N', 8, 2)
        .Field("OK", 'L', 1)
        .Field("BORN", 'D', 8)
        .Field("ID", 'I', 4)
        .Field("SALARY", 'Y', 8)
        .Field("RATE", 'B', 8)
        .Field("STAMP", 'T', 8)
        .Field("NOTE", 'M', 4)
        .Row({"O'Brien", "Oslo", "B", "42", "-12.50", "T", "19800115", Le32(7), Le64(12345000),
              LeDouble(2.5), Le32(StampDay) + Le32(StampMs), Le32(8)})
        .Row({"", "", "", "", "", "", "", Le32(0), Le64(0), LeDouble(0), Le64(0), Le32(0)})
        .Write(dir.Path(), "people.dbf");
}

// The table and the run over it, kept for the whole process.
struct FixedRun {
    TempDir Dir;
    std::string Path = WriteFixedTable(Dir);
    FileStream Source{Path, FileStream::Mode::OpenRead};
    TA Run;

    FixedRun() { Run.Open(Source, Path); }
};

FixedRun& Fixed() {
    static FixedRun* run = new FixedRun; // lives until the process ends
    return *run;
}

// One pass over the records as the driver makes it: the filter parsed at
// the first record and reused.
void FilterRecords(const std::string& text) {
    FixedRun& fixed = Fixed();
    ResetRandomSeed();
    fixed.Run.SetFilter(text);
    for (std::int32_t i = 0; i < RecordCount; ++i) {
        if (!fixed.Run.LoadRecord(i) || text.empty()) continue;
        try {
            fixed.Run.PassesFilter();
        } catch (const Exception&) {
            // A clean error line in the program; anything else escapes.
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::UseCLocale();
    Fixed();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    FilterRecords(text);
    {
        ScopedFormatSettings dayFirst(fuzz::DayFirstCommaProfile());
        FilterRecords(text);
    }
    return 0;
}
