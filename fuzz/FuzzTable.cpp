// Fuzz target of the table reader: the input is a table, optionally followed
// by a memo file (see FuzzSupport.h).  The memo bytes are written under every
// memo name the reader may look for, so both layouts are reached.  The table
// is parsed as the converter parses it and its records are loaded, turned
// into text and formatted into lines; then, when the table is small enough,
// the whole conversion runs through the driver.  A control byte selects the
// memo type, the load-everything mode, the delivery of deleted records and
// the driver's switches.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/ConvertSettings.h"
#include "converter/Driver.h"
#include "converter/LineFormat.h"
#include "dbase/QzDBF.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/Process.h"

namespace {

using namespace ostrane;

// Records examined per input, so that a header claiming millions of records
// keeps the fuzzer fast.
constexpr std::int32_t MaxRecords = 2000;
// Fields times records beyond which the driver, which has no such limit, is
// not run: a small file can legitimately make millions of empty cells.
constexpr std::int64_t MaxDriverWork = 100000;
// The memo names beside "t.dbf": every extension in both letter cases is
// not needed, one spelling each is enough (the case-blind lookup is tested
// elsewhere), and the bare name serves a HyperSix table.
constexpr const char* MemoNames[] = {"t.dbt", "t.fpt", "t.smt", "t"};

const test::TempDir& Dir() {
    static const test::TempDir* dir = new test::TempDir; // kept for the process
    return *dir;
}

void PlaceFiles(const fuzz::TableInput& input, const std::string& tablePath) {
    test::WriteFileBytes(tablePath, input.Table);
    for (const char* name : MemoNames) {
        const std::string path = Dir().File(name);
        if (input.HasMemo)
            test::WriteFileBytes(path, input.Memo);
        else
            unlink(path.c_str());
    }
}

std::vector<FieldDescriptor> Descriptors(TDBF& reader) {
    TDBFHeader header;
    reader.GetHeader(header);
    std::vector<FieldDescriptor> fields;
    TDBFField field;
    for (std::int32_t i = 0; i < header.FieldCount; ++i) {
        reader.GetField(i, field);
        fields.push_back({field.Name, field.FieldType, field.Length});
        TDBF::GetFieldTypeName(field.FieldType);
    }
    return fields;
}

// The texts of one record as the output lines see them.
class RecordTexts final : public FieldTextSource {
public:
    void Clear() { texts_.clear(); }
    void Put(std::int32_t column, const Value& value) {
        if (column < 0) return;
        if (std::size_t(column) >= texts_.size()) texts_.resize(std::size_t(column) + 1);
        std::string& text = texts_[std::size_t(column)];
        text.clear();
        if (value.IsBoolean())
            text = value.BooleanPayload() ? "1" : "0";
        else
            value.AppendText(text);
    }
    void AppendFieldText(std::size_t i, std::string& out) const override {
        if (i < texts_.size()) out += texts_[i];
    }

private:
    std::vector<std::string> texts_;
};

ConvertSettings LineSettings() {
    ConvertSettings settings;
    settings.FixedWidth = true;
    settings.Qualifier = "\"";
    return settings;
}

void ConvertRecords(TDBF& reader, RecordTexts& texts) {
    TDBFHeader header;
    reader.GetHeader(header);
    const LineFormatter formatter(Descriptors(reader), LineSettings());
    std::string line;
    formatter.BuildHeaderLine(line);
    formatter.BuildTypeLine(line);
    const std::int64_t records = std::min<std::int64_t>(
        {std::int64_t(header.RecordCount), reader.RecordsPresent(), MaxRecords});
    for (std::int32_t i = 0; i < records; ++i) {
        texts.Clear();
        try {
            if (reader.LoadRecord(i, i)) formatter.BuildRecordLine(line, texts);
        } catch (const Exception&) {
            // An error line for this record in the program.
        }
    }
}

// Reads the table through the reader's interface; returns the number of
// fields times the number of records present, the work of a whole conversion.
std::int64_t ReadTable(const fuzz::TableInput& input, const std::string& path) {
    TDBF reader;
    RecordTexts texts;
    reader.FileName = path;
    reader.DBFMemoType = TDBFMemoType(std::min(input.Control & fuzz::ControlMemoTypeMask, 2));
    if (input.Control & fuzz::ControlAllStatuses)
        reader.LoadRowStatutes = RowStatusBit(rsNormal) | RowStatusBit(rsDeleted);
    if (input.Control & fuzz::ControlLoadAll) {
        // The framework's own handlers store every record in the sheets.
        reader.LoadOnDemand = false;
        reader.Range->LastRow = MaxRecords;
        reader.LoadFromFile(std::u16string(path.begin(), path.end()));
        return 0;
    }
    reader.LoadOnDemand = true;
    reader.OnCellValue = [&texts](Sender, std::int32_t, std::int32_t, std::int32_t column,
                                  std::int32_t, const Value& value, TAlignment,
                                  TQzICellType) { texts.Put(column, value); };
    FileStream source(path, FileStream::Mode::OpenRead);
    reader.ParseStream(source);
    ConvertRecords(reader, texts);
    TDBFHeader header;
    reader.GetHeader(header);
    return std::int64_t(std::max(header.FieldCount, 1)) *
           std::min<std::int64_t>(header.RecordCount, reader.RecordsPresent());
}

// The whole conversion as the program runs it, into a target beside the
// table; the control byte chooses the switches.
void ConvertWithDriver(const fuzz::TableInput& input, const std::string& path) {
    ConvertSettings settings;
    settings.SourceName = path;
    settings.TargetName = Dir().File("out.txt");
    settings.HeaderLine = true;
    settings.TypeLine = true;
    if (input.Control & fuzz::ControlFixedQuoted) {
        settings.FixedWidth = true;
        settings.Qualifier = "'";
        settings.Delimiter = ";";
    }
    if (input.Control & fuzz::ControlFilter) settings.FilterText = "IIF(ISNULL(NAME), 1, 1) = 1";
    TA run;
    run.FilterText = settings.FilterText;
    ConvertTable(run, settings);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::UseCLocale();
    Dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::TableInput input =
        fuzz::SplitTableInput({reinterpret_cast<const char*>(data), size});
    const std::string path = Dir().File("t.dbf");
    PlaceFiles(input, path);
    std::int64_t work = MaxDriverWork + 1;
    try {
        work = ReadTable(input, path);
    } catch (const Exception&) {
        // A clean error line in the program.
    }
    if (work > MaxDriverWork) return 0;
    try {
        ConvertWithDriver(input, path);
    } catch (const Exception&) {
    }
    return 0;
}
