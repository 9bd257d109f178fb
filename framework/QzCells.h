// The import framework: the store of loaded values (cells, rows, sheets, the
// load range) and the import component that readers derive from.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Value.h"

namespace ostrane {

class FileStream;

// ---------------------------------------------------------------------------
// Store

enum TQzICellType : std::uint8_t {
    ictUnknown = 0,
    ictEmpty = 1,
    ictString = 2,
    ictInteger = 3,
    ictDecimal = 4,
    ictDateTime = 5,
    ictBoolean = 6,
    ictMemo = 7,
    ictDate = 8,
    ictTime = 9,
};

enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum TQzIRowStatus : std::uint8_t { rsNormal = 0, rsDeleted = 1, rsError = 2 };
// A set of row statuses: bit n for status n.
using TQzIRowStatuses = std::uint8_t;
constexpr TQzIRowStatuses RowStatusBit(TQzIRowStatus s) {
    return TQzIRowStatuses(1u << s);
}

// An object that can take over the state of another object of a suitable
// class.  The base Assign accepts no source at all: it raises EConvertError
// "Cannot assign a <source class> to a <target class>".
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual void Assign(const TPersistent& source);
    virtual const char* ClassName() const { return "TPersistent"; }
};

class TQzICell : public TPersistent {
public:
    Value Value_;
    TAlignment Alignment = taLeftJustify;
    std::int32_t FormatIndex = 0;
    TQzICellType CellType = ictUnknown;

    // Copies the four properties from another cell.
    void Assign(const TPersistent& source) override;
    const char* ClassName() const override { return "TQzICell"; }
};

// Raises EListError "List index out of bounds (<index>)".
[[noreturn]] void RaiseListIndexError(std::int32_t index);

// A growable list of owned entries, each possibly none.  Indexed access
// outside 0..Count-1 raises EListError "List index out of bounds (%d)".
template <typename T> class TOwnedList {
public:
    std::int32_t Count() const { return std::int32_t(items_.size()); }
    T* Get(std::int32_t i) const;                      // checked
    void Put(std::int32_t i, std::unique_ptr<T> item); // checked; frees the old entry
    std::int32_t Add(std::unique_ptr<T> item);
    void Insert(std::int32_t i, std::unique_ptr<T> item);
    void Delete(std::int32_t i); // frees and removes
    void Clear();                // frees from the last entry to the first
    // Grows the list with none entries until it has an entry at i.
    void EnsureIndex(std::int32_t i);
    // Entry i, or none when i is outside 0..Count-1.
    T* OrNil(std::int32_t i) const {
        return i >= 0 && i < Count() ? items_[std::size_t(i)].get() : nullptr;
    }
    TOwnedList() = default;
    TOwnedList(const TOwnedList&) = delete;
    TOwnedList& operator=(const TOwnedList&) = delete;
    ~TOwnedList() { Clear(); }

private:
    void Check(std::int32_t i) const {
        if (i < 0 || i >= Count()) RaiseListIndexError(i);
    }

    std::vector<std::unique_ptr<T>> items_;
};

template <typename T> T* TOwnedList<T>::Get(std::int32_t i) const {
    Check(i);
    return items_[std::size_t(i)].get();
}

template <typename T> void TOwnedList<T>::Put(std::int32_t i, std::unique_ptr<T> item) {
    Check(i);
    items_[std::size_t(i)] = std::move(item);
}

template <typename T> std::int32_t TOwnedList<T>::Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
}

template <typename T> void TOwnedList<T>::Insert(std::int32_t i, std::unique_ptr<T> item) {
    if (i < 0 || i > Count()) RaiseListIndexError(i);
    items_.insert(items_.begin() + i, std::move(item));
}

template <typename T> void TOwnedList<T>::Delete(std::int32_t i) {
    Check(i);
    items_.erase(items_.begin() + i);
}

template <typename T> void TOwnedList<T>::Clear() {
    // Entries go from the last to the first, as when each is deleted in turn.
    while (!items_.empty()) items_.pop_back();
}

template <typename T> void TOwnedList<T>::EnsureIndex(std::int32_t i) {
    if (i < 0) RaiseListIndexError(i);
    if (i >= Count()) items_.resize(std::size_t(i) + 1);
}

class TSpreadSheetCols : public TOwnedList<TQzICell> {};

// Entry i of a list, or none when i is outside the list.
template <typename T> T* CellOrNil(const TOwnedList<T>& list, std::int32_t i) {
    return list.OrNil(i);
}

class TSpreadSheetRow : public TPersistent {
public:
    const char* ClassName() const override { return "TSpreadSheetRow"; }

    std::int32_t RowNo = 0;
    TQzIRowStatus Status = rsNormal;
    std::int32_t Height = 0;
    TSpreadSheetCols Cols;

    // Every present cell gets Null, left alignment and format index -1.
    void ClearValues();
};

class TSpreadSheetCells : public TOwnedList<TSpreadSheetRow> {
public:
    std::int32_t DeclaredColCount = 0;
    std::int32_t DeclaredRowCount = 0;
    std::int32_t ColCount = 0;
    std::int32_t RowCount = 0;
    bool TrackDimensions = true;

    void EnsureRow(std::int32_t i);
    void DeleteRow(std::int32_t i);
    void ClearRows();
    TQzICell* CellAt(std::int32_t col, std::int32_t row) const;
    Value ValueAt(std::int32_t col, std::int32_t row) const;
    void SetCell(std::int32_t col, std::int32_t row, const Value& value, TAlignment alignment,
                 std::int32_t formatIndex, TQzICellType cellType);
};

class TSpreadSheet {
public:
    TSpreadSheet() = default;
    virtual ~TSpreadSheet() = default;
    TSpreadSheet(const TSpreadSheet&) = delete;
    TSpreadSheet& operator=(const TSpreadSheet&) = delete;

    TSpreadSheetCells Cells;
    std::u16string Caption;
    std::vector<std::int32_t> ColumnWidths; // entry i: width reported for column i
};

// Creates the sheets of a sheet list; lets a reader substitute its own class.
using TSpreadSheetClass = std::function<std::unique_ptr<TSpreadSheet>()>;

class TSpreadSheets : public TOwnedList<TSpreadSheet> {
public:
    TSpreadSheetClass SheetClass; // unset means TSpreadSheet

    std::int32_t AddSheet();
    TSpreadSheet& Sheet(std::int32_t i); // creates what is missing
    void DeleteSheet(std::int32_t i);
    void ClearSheets();
};

class TQzRange : public TPersistent {
public:
    std::int32_t FirstRow = 1;
    std::int32_t LastRow = 2147483647;
    std::int32_t FirstCol = 1;
    std::int32_t LastCol = 2147483647;

    // Copies the four limits from another range.
    void Assign(const TPersistent& source) override;
    const char* ClassName() const override { return "TQzRange"; }
};

// A string list whose entries carry a text and an integer.
struct TStringListItem {
    std::string Text;
    std::int32_t Number = 0;
};
using TStringList = std::vector<TStringListItem>;

// Column names as letters: 1 -> A, 26 -> Z, 27 -> AA; n <= 0 gives "".
std::string ColumnLetters(std::int32_t n);
// The 0-based column that letters name, or -1 when the text is not letters
// only or names a column beyond max (1-based).
std::int32_t ColumnIndexFromLetters(std::string_view text, std::int32_t max);
// Without names: the letter names of columns 1..colCount with their 1-based
// numbers.  With names (";"-separated): each piece with its 0-based index.
void FillColumnNames(std::int32_t colCount, std::string_view names, TStringList& list);

// ---------------------------------------------------------------------------
// Import component

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
