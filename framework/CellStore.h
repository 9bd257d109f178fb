// The store of loaded values: cells, rows, sheets, the load range and the
// column names derived from column numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Value.h"

namespace ostrane {

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

// Row i of cells, after EnsureRow has reached it; a none entry gets a fresh
// row.  Storing a cell and the default row-height handler both go through it.
TSpreadSheetRow& ExistingRow(TSpreadSheetCells& cells, std::int32_t i);

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

} // namespace ostrane
