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

// The text of an N or F field's stored text under the settings in force:
// what decoding it and writing the value's text give (nothing for a blank
// text).
// Plain decimals of up to 15 significant digits are written from their
// digits; AppendNumericFieldTextGeneral always goes through the value, and
// the tests hold the two to the same texts.
void AppendNumericFieldText(std::string_view text, std::uint8_t decimals, std::string& out);
void AppendNumericFieldTextGeneral(std::string_view text, std::uint8_t decimals, std::string& out);

struct FieldSlot;
using FieldDecoder = void (*)(RecordDecoder&, const FieldSlot&, const std::uint8_t* bytes);
// Appends a field's text straight from its bytes (see RecordDecoder::AppendText).
using FieldTextWriter = void (*)(RecordDecoder&, const FieldSlot&, const std::uint8_t* bytes,
                                 std::string& out);

// How a field's bytes say that it holds no value.
enum class BlankRule : std::uint8_t {
    Text,   // all blanks or NULs (fields stored as text)
    Binary, // all blanks (a record blanked by its writer); for some types all zeros too
    None,   // every content is a value (binary integers)
};

// One field of the plan.
struct FieldSlot {
    std::size_t Start = 0; // first byte in the record buffer
    std::uint16_t Length = 0;
    std::uint8_t Decimals = 0;
    char Type = 0;
    BlankRule Blank = BlankRule::Text;
    bool ZeroIsNull = false; // Binary: all zero bytes mean no value
    bool Convert = true;     // texts follow the table's code page
    // Visual FoxPro null flags: the bit that marks the field Null, and the
    // bit that marks a variable-length value shorter than the field; -1 none.
    std::int16_t NullBit = -1;
    std::int16_t LengthBit = -1;
    FieldDecoder Decode = nullptr;
    FieldTextWriter Write = nullptr;
    // Written by its text alone (FieldUse::Text): never decoded into a value.
    bool TextOnly = false;
    std::uint32_t Index = 0; // the field's position
};

class RecordDecoder {
public:
    // The widest fixed read of a field (8 bytes), whatever its length.
    static constexpr std::size_t kWidestFixedRead = 8;

    // `recordLength` is the length records are stepped by (the header's
    // unless the file contradicts it).
    RecordDecoder(TDBF& owner, const TQzDBFTable& table, std::uint16_t recordLength);

    const TDBFHeader& Header() const { return header_; }
    // Reads the record at the stream's position; false when the record is not
    // there at all (past the end, or only the end-of-file byte).
    bool Read(FileStream& stream);
    TQzIRowStatus Status() const { return buffer_[0] == '*' ? rsDeleted : rsNormal; }
    // Decodes the early fields (every field unless SetFieldUses said
    // otherwise) and reports each through OnCellValue when it is bound.
    void Report(std::int32_t row);
    // The same for the late fields of the record last read.
    void ReportLate(std::int32_t row);
    // Which fields Report and ReportLate decode; empty: every field early.
    void SetFieldUses(const std::vector<FieldUse>& uses);
    // Appends the text of field i of the record last read, as its value's
    // text (a logical as 1 or 0, nothing for no value); a field used as
    // Text goes from the record bytes to out without a value in between.
    void AppendText(std::size_t i, std::string& out);
    // Decodes field i into its value without reporting it.
    void DecodeField(std::size_t i);
    // The value of field i as last decoded; nullptr outside the fields.
    const Value* CellValue(std::int32_t i) const {
        return i >= 0 && std::size_t(i) < cells_.size() ? &cells_[std::size_t(i)] : nullptr;
    }

    // What the decoders read and write.
    TDBF& Owner;
    TextConversion Conversion; // the table's language driver
    // dBase 7 family: I and + big-endian with the top bit inverted, O doubles
    // stored in sort order.
    bool Dbase7Family = false;
    bool BinaryBlockNumbers = false; // memo fields hold 4-byte block numbers
    // Texts are copied as stored into a UTF-8 output: those that are not
    // UTF-8 are counted, so that the user can be told to name a code page.
    bool CheckCopiedTexts = false;
    std::int64_t TextsNotValid = 0;
    // The value of the field being decoded, one of cells_: each field keeps
    // its own, so that a text overwrites the same field's text of the last
    // record in place.
    Value* Cell = nullptr;
    TAlignment Alignment = taLeftJustify;
    TQzICellType CellType = ictEmpty;
    std::string Scratch; // conversions of texts

private:
    void DecodeField(std::size_t i, const std::uint8_t* nullFlags);
    void ReportField(std::size_t i, std::int32_t row, const std::uint8_t* nullFlags);
    void ReportFields(const std::vector<std::uint32_t>& fields, std::int32_t row);
    // The null flag bytes of this record; none when the table has no null
    // flags or its writer blanked them.
    const std::uint8_t* NullFlags() const;

    TDBFHeader header_;
    // The _NullFlags field of a Visual FoxPro table; Length 0 when none.
    std::size_t nullFlagsStart_ = 0;
    std::uint16_t nullFlagsLength_ = 0;
    std::vector<FieldSlot> slots_;
    std::vector<Value> cells_; // one per slot
    // The slots that Report and ReportLate decode, in field order.
    std::vector<std::uint32_t> early_, late_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace ostrane
