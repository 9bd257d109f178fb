// The record loop's working state: the record buffer, the decoding plan of
// every field and the value that each field is reported in.  Built once per
// parse, so that loading a record allocates nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/QzDBF.h"
#include "platform/Value.h"

namespace ostrane {

// A D field's text, YYYYMMDD, as a date-time; false for a year up to 1000, a
// part that is not a number or a day that the calendar does not have.  Eight
// ASCII digits take a direct route; ParseFieldDateGeneral reads every text
// part by part, and the tests hold the two to the same results.
bool ParseFieldDate(std::string_view text, double& value);
bool ParseFieldDateGeneral(std::string_view text, double& value);

struct FieldSlot;
using FieldDecoder = void (*)(RecordDecoder&, const FieldSlot&, const std::uint8_t* bytes);

// One field of the plan.
struct FieldSlot {
    std::size_t Start = 0; // first byte in the record buffer
    std::uint8_t Length = 0;
    std::uint8_t Decimals = 0;
    char Type = 0;
    bool BlankTest = true; // a blank field is reported as Null
    FieldDecoder Decode = nullptr;
};

class RecordDecoder {
public:
    // Bytes past the record that a field may read: the widest field (255)
    // and the widest fixed read (8), all zero.
    static constexpr std::size_t kZeroTail = 256;

    RecordDecoder(TDBF& owner, const TQzDBFTable& table);

    const TDBFHeader& Header() const { return header_; }
    // Reads the record at the stream's position; false when the record is not
    // there at all (past the end, or only the end-of-file byte).
    bool Read(FileStream& stream);
    TQzIRowStatus Status() const { return buffer_[0] == '*' ? rsDeleted : rsNormal; }
    // Decodes every field and reports it through OnCellValue.
    void Report(std::int32_t row);

    // What the decoders read and write.
    TDBF& Owner;
    TextConversion Conversion; // the table's language driver
    // dBase 7 family: I and + big-endian with the top bit inverted, O doubles
    // stored in sort order.
    bool Dbase7Family = false;
    bool BinaryBlockNumbers = false; // memo fields hold 4-byte block numbers
    // The value of the field being decoded, one of cells_: each field keeps
    // its own, so that a text overwrites the same field's text of the last
    // record in place.
    Value* Cell = nullptr;
    TAlignment Alignment = taLeftJustify;
    TQzICellType CellType = ictEmpty;
    std::string Scratch; // conversions of texts

private:
    TDBFHeader header_;
    std::vector<FieldSlot> slots_;
    std::vector<Value> cells_; // one per slot
    std::vector<std::uint8_t> buffer_;
};

} // namespace ostrane
