// The import component that file readers derive from: its settings, the
// events through which a reader reports what it finds, and the load pipeline.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/CellStore.h"
#include "platform/Value.h"

namespace ostrane {

class FileStream;

class TCustomSpreadSheetFile;

enum TQzIColumnNameKind : std::uint8_t { nkAlphabet = 0, nkFieldName = 1 };

enum TQzIParseItem : std::uint8_t {
    ipiText = 0,
    ipiBLOB = 1,
    ipiVBA = 2,
    ipiPictures = 3,
    ipiSummaryInformation = 4,
    ipiComments = 5,
};
using TQzIParseItems = std::uint8_t; // bit n for item n
constexpr TQzIParseItems ParseItemBit(TQzIParseItem i) {
    return TQzIParseItems(1u << i);
}

struct TBIFFRecordHeader {
    std::uint16_t RecordType = 0;
    std::uint16_t Size = 0;
};
using TByteArray = std::vector<std::uint8_t>;

using Sender = TCustomSpreadSheetFile*;
using TOnColumnWidth =
    std::function<void(Sender, std::int32_t SheetNo, std::int32_t ColumnNo, std::int32_t Width)>;
using TOnRowHeight =
    std::function<void(Sender, std::int32_t SheetNo, std::int32_t RowNo, std::int32_t Height)>;
using TOnDimensions =
    std::function<void(Sender, std::int32_t SheetNo, std::int32_t FirstRow, std::int32_t LastRow,
                       std::int32_t FirstColumn, std::int32_t LastColumn)>;
using TOnCellValue = std::function<void(
    Sender, std::int32_t SheetNo, std::int32_t Row, std::int32_t Column, std::int32_t FormatIndex,
    const Value& Value_, TAlignment Alignment, TQzICellType CellType)>;
using TOnGetCellValue = std::function<void(Sender, std::int32_t SheetNo, std::int32_t Row,
                                           std::int32_t Column, Value& Value_)>;
using TOnSheet =
    std::function<void(Sender, const std::u16string& Caption, std::int32_t Index, bool& Skip)>;
using TOnSheetName = std::function<void(Sender, const std::u16string& Caption, std::int32_t Index)>;
using TOnRecord = std::function<void(Sender, const TBIFFRecordHeader& Header, TByteArray& Data)>;
using TOnRecordStatusChanged =
    std::function<void(Sender, std::int32_t SheetNo, std::int32_t ARow, TQzIRowStatus AStatus)>;
using TErrorParseRecord = std::function<void(Sender, const std::exception& Error, bool& Abort)>;
using TOnLoadProgress = std::function<void(Sender, std::int32_t Position, std::int32_t TotalSize)>;
using TProgressProc = std::function<void(std::int32_t Position, std::int32_t TotalSize)>;

// Kept for the full reader interface; the program (the converter and the
// dBase reader) does not use these parts:
// - never called: LoadFromFile (with CheckFileExists, which only it reads),
//   LoadFromStream, LoadStream, ReadWideBlob, GetColumnIndex, GetColumnNames,
//   IsEncrypted;
// - events never raised: OnRowHeight, OnGetCellValue, OnSheet, OnSheetName,
//   OnRecord (with TBIFFRecordHeader and TByteArray), OnErrorProcess; so the
//   defaults PrepareLoad binds for the first four (DefaultRowHeight,
//   DefaultGetCellValue, DefaultSheet, DefaultSheetName) never run;
// - settings that none of the code it runs reads: LoadNULLs, SheetIndex;
// - raised but never assigned: OnRecordStatusChanged, ProgressProc;
// - written but never read: CurrentRow.

// The base of every file reader: published settings and the events through
// which a reader reports what it finds.  Events may be unset.
class TCustomSpreadSheetFile {
public:
    TCustomSpreadSheetFile();
    virtual ~TCustomSpreadSheetFile();
    TCustomSpreadSheetFile(const TCustomSpreadSheetFile&) = delete;
    TCustomSpreadSheetFile& operator=(const TCustomSpreadSheetFile&) = delete;

    std::string FileName;
    TErrorParseRecord OnErrorProcess;
    bool LoadNULLs = false;       // stored only
    std::int32_t SheetIndex = -1; // -1: every sheet (and sheet 0 for column names)
    std::unique_ptr<TQzRange> Range;
    TOnColumnWidth OnColumnWidth;
    TOnRowHeight OnRowHeight;
    TOnDimensions OnDimensions;
    TOnCellValue OnCellValue;
    TOnGetCellValue OnGetCellValue;
    TOnSheet OnSheet;
    TOnSheetName OnSheetName;
    TOnRecord OnRecord;
    TOnRecordStatusChanged OnRecordStatusChanged;
    // False: parsing also loads every record.  True: parsing reads the
    // structure only and the caller asks for records with LoadRecord.
    bool LoadOnDemand = false;

    virtual bool IsEncrypted();
};

// The load pipeline that concrete readers override: PrepareLoad, BeforeParse,
// the structure, LoadRecord per record, AfterParse.  Default handlers store
// reported cells into Sheets, so a reader works with no events assigned.
class TSpreadSheetFile : public TCustomSpreadSheetFile {
public:
    TSpreadSheetFile();
    ~TSpreadSheetFile() override;

    TOnLoadProgress OnLoadProgress;
    TQzIColumnNameKind NameKind = nkAlphabet;
    TQzIRowStatuses LoadRowStatutes = RowStatusBit(rsNormal);
    TQzIParseItems ParseItems =
        ParseItemBit(ipiText) | ParseItemBit(ipiBLOB) | ParseItemBit(ipiSummaryInformation);
    bool CheckFileExists = true;
    std::unique_ptr<TSpreadSheets> Sheets;
    TProgressProc ProgressProc;
    std::int32_t CurrentRow = 0;

    // Virtual hooks.
    // Empties Sheets and binds the default handler of every event still unset.
    virtual void PrepareLoad();
    virtual std::string ReadBlob(std::int64_t blockNo, std::int32_t extra);
    virtual std::u16string ReadWideBlob(std::int64_t blockNo, std::int32_t extra);
    virtual void LoadStream(FileStream& stream); // ParseStream
    // Base part: the file checks (when CheckFileExists), FileName,
    // PrepareLoad.  A reader's override calls it first, then parses the file.
    virtual void LoadFromFile(const std::u16string& fileName);
    virtual void ParseStream(FileStream& stream); // PrepareLoad
    // Skips an optional 12-byte "BDOC" prefix, then LoadStream.
    virtual void LoadFromStream(FileStream& stream);
    virtual void BeforeParse(); // CurrentRow = -1
    virtual void AfterParse();
    virtual bool SeekRecord(std::int32_t index);
    virtual bool LoadRecord(std::int32_t index, std::int32_t rowNo); // CurrentRow = index
    // Base: letter names over the ColCount of sheet SheetIndex (nkAlphabet),
    // otherwise -1 / an empty list.
    virtual std::int32_t GetColumnIndex(const std::string& name);
    virtual void GetColumnNames(TStringList& list, const std::string& names);

    // ProgressProc, then OnLoadProgress, each when set.
    void DoProgress(std::int32_t position, std::int32_t total);
    // Sets the status of an existing row, then raises OnRecordStatusChanged.
    void SetRowStatus(std::int32_t sheetNo, std::int32_t row, TQzIRowStatus status);

protected:
    // The default handlers that PrepareLoad installs where an event is unset.
    void DefaultDimensions(Sender, std::int32_t SheetNo, std::int32_t FirstRow,
                           std::int32_t LastRow, std::int32_t FirstColumn, std::int32_t LastColumn);
    void DefaultCellValue(Sender, std::int32_t SheetNo, std::int32_t Row, std::int32_t Column,
                          std::int32_t FormatIndex, const Value& Value_, TAlignment Alignment,
                          TQzICellType CellType);
    void DefaultGetCellValue(Sender, std::int32_t SheetNo, std::int32_t Row, std::int32_t Column,
                             Value& Value_);
    void DefaultSheet(Sender, const std::u16string& Caption, std::int32_t Index, bool& Skip);
    void DefaultSheetName(Sender, const std::u16string& Caption, std::int32_t Index);
    void DefaultColumnWidth(Sender, std::int32_t SheetNo, std::int32_t ColumnNo,
                            std::int32_t Width);
    void DefaultRowHeight(Sender, std::int32_t SheetNo, std::int32_t RowNo, std::int32_t Height);

private:
    void InstallDefaultHandlers();
};

} // namespace ostrane
