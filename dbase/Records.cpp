// TDBF: positioning on records, loading them and decoding every field by its
// type character.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dbase/ByteOrder.h"
#include "dbase/QzDBF.h"
#include "dbase/RecordDecoder.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/TextToValue.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

constexpr std::uint8_t kEndOfFile = 0x1A;
constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kDayOfEpoch = 693594; // 1899-12-30 counted from 0001-01-01 = 1
constexpr std::int64_t kJulianDayOfDayZero = 1721425;

std::string_view FieldText(const FieldSlot& slot, const std::uint8_t* bytes) {
    return {reinterpret_cast<const char*>(bytes), slot.Length};
}

// `count` characters from `pos`, fewer (or none) when the text is shorter.
std::string_view Part(std::string_view text, std::size_t pos, std::size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string_view{};
}

void SetCellKind(RecordDecoder& d, TAlignment alignment, TQzICellType cellType) {
    d.Alignment = alignment;
    d.CellType = cellType;
}

// A date-time from a day number (0001-01-01 = 1) and milliseconds of the day;
// the time of day keeps its sign away from the epoch.
double DateTimeFromDayAndMs(std::int64_t day, std::int64_t ms) {
    const std::int64_t p = (day - kDayOfEpoch) * kMsPerDay;
    return double(p >= 0 ? p + ms : p - ms) / double(kMsPerDay);
}

// HHMMSS as a time of day on day zero.
bool ParseTimeOfDay(std::string_view text, double& value) {
    std::int32_t hour = 0, minute = 0, second = 0;
    if (!TryStrToInt(Part(text, 0, 2), hour) || !TryStrToInt(Part(text, 2, 2), minute) ||
        !TryStrToInt(Part(text, 4, 2), second))
        return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    value = DateTimeFromDayAndMs(kDayOfEpoch, ((hour * 60 + minute) * 60 + second) * 1000LL);
    return true;
}

// ---------------------------------------------------------------------------
// Dates of D fields

// The first eight bytes of text as the numbers 0..9, one per byte of the
// word (the first lowest), when all eight are ASCII digits.
bool EightDigits(std::string_view text, std::uint64_t& digits) {
    static_assert(std::endian::native == std::endian::little);
    constexpr std::uint64_t kHighHalves = 0xF0F0F0F0F0F0F0F0ull;
    constexpr std::uint64_t kZeros = 0x3030303030303030ull;
    constexpr std::uint64_t kSixes = 0x0606060606060606ull;
    if (text.size() < 8) return false;
    std::uint64_t word;
    std::memcpy(&word, text.data(), sizeof word);
    // '0' to '9' are 0x30 to 0x39: high half 3, which adding 6 keeps
    // (no byte can carry into the next once every high half is 3).
    if ((word & kHighHalves) != kZeros || ((word + kSixes) & kHighHalves) != kZeros) return false;
    digits = word - kZeros;
    return true;
}

int Digit(std::uint64_t digits, int i) {
    return static_cast<int>((digits >> (8 * i)) & 0xFF);
}

struct FieldDateParts {
    int Year = 0, Month = 0, Day = 0;
};

// YYYYMMDD from the digits that EightDigits gives.
FieldDateParts DatePartsOf(std::uint64_t g) {
    return {Digit(g, 0) * 1000 + Digit(g, 1) * 100 + Digit(g, 2) * 10 + Digit(g, 3),
            Digit(g, 4) * 10 + Digit(g, 5), Digit(g, 6) * 10 + Digit(g, 7)};
}

// Whether the parts make a date a D field holds: after the year 1000, a day
// the calendar has.
bool IsFieldDate(const FieldDateParts& date) {
    return date.Year > 1000 && date.Month >= 1 && date.Month <= 12 && date.Day >= 1 &&
           date.Day <= DaysInMonth(date.Year, date.Month);
}

// ---------------------------------------------------------------------------
// Decoders, one per row of the type table

// A text in the table's code page, re-encoded into the output set (a view
// of text itself or of the decoder's scratch); binary fields keep their
// bytes.  Texts copied as stored are counted when they are not UTF-8.
std::string_view TableText(RecordDecoder& d, const FieldSlot& slot, std::string_view text) {
    if (!slot.Convert) return text;
    if (d.CheckCopiedTexts && !IsValidUtf8(text)) ++d.TextsNotValid;
    return d.Conversion.Apply(text, d.Scratch);
}

void SetTableText(RecordDecoder& d, const FieldSlot& slot, std::string_view text) {
    d.Cell->SetText(TableText(d, slot, text));
}

void DecodeCharacter(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    SetTableText(d, slot, FieldText(slot, bytes));
    SetCellKind(d, taLeftJustify, ictString);
}

// Visual FoxPro varbinary (Q): the bytes as stored.
void DecodeBytes(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    d.Cell->SetText(FieldText(slot, bytes));
    SetCellKind(d, taLeftJustify, ictString);
}

void DecodeDate(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    double value = 0;
    if (ParseFieldDate(FieldText(slot, bytes), value))
        d.Cell->SetDateTime(value);
    else
        d.Cell->SetNull();
    SetCellKind(d, taLeftJustify, ictDateTime);
}

// Length 6: HHMMSS, Null when its first character is a blank.  Otherwise a
// Julian day number and the milliseconds of the day, both 32-bit
// little-endian; binary bytes have no blank marker, so a day number whose
// low byte happens to be 0x20 is still a date.
void DecodeTime(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    SetCellKind(d, taLeftJustify, ictDateTime);
    if (slot.Length == 6) {
        double value = 0;
        if (bytes[0] != ' ' && ParseTimeOfDay(FieldText(slot, bytes), value))
            d.Cell->SetDateTime(value);
        else
            d.Cell->SetNull();
        return;
    }
    const std::int64_t julian = std::int32_t(bytes::Le32(bytes));
    const std::int64_t ms = std::int32_t(bytes::Le32(bytes + 4));
    d.Cell->SetDateTime(DateTimeFromDayAndMs(julian - kJulianDayOfDayZero, ms));
}

// A big-endian double counting milliseconds from the day before 0001-01-01.
void DecodeTimestamp(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    SetCellKind(d, taLeftJustify, ictDateTime);
    const double raw = bytes::DoubleFromBits(bytes::Be64(bytes));
    // Beyond this the day number would not fit the arithmetic: no date at all.
    if (!(std::fabs(raw) < 9.0e18)) {
        d.Cell->SetNull();
        return;
    }
    const auto ms = static_cast<std::int64_t>(std::nearbyint(raw));
    std::int64_t day = ms / kMsPerDay;
    std::int64_t time = ms % kMsPerDay;
    if (time < 0) time += kMsPerDay, --day;
    d.Cell->SetDateTime(DateTimeFromDayAndMs(day, time));
}

// nearbyint, whose library call a whole number (the usual content of a
// field without decimals) does not need.
double WholeNumber(double value) {
    return value == std::trunc(value) ? value : std::nearbyint(value);
}

// What dBase writes into a numeric field too narrow for its value: asterisks
// (and blanks), which hold no number at all.
bool IsOverflowMark(std::string_view text) {
    return text.find('*') != std::string_view::npos &&
           text.find_first_not_of("* ") == std::string_view::npos;
}

// The value of an N or F field's text; false when it holds none.
bool NumericFieldValue(std::string_view text, std::uint8_t decimals, double& result) {
    const double value = ValPrefix(text);
    if (value == 0 && IsOverflowMark(text)) return false;
    result = decimals == 0 ? WholeNumber(value) : value;
    return true;
}

void DecodeNumeric(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    double value = 0;
    if (!NumericFieldValue(FieldText(slot, bytes), slot.Decimals, value)) {
        d.Cell->SetNull();
        return SetCellKind(d, taLeftJustify, ictEmpty);
    }
    d.Cell->SetDouble(value);
    SetCellKind(d, taRightJustify, ictDecimal);
}

void DecodeDouble(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    d.Cell->SetDouble(bytes::DoubleFromBits(bytes::Le64(bytes)));
    SetCellKind(d, taRightJustify, ictDecimal);
}

// A big-endian double, negated.  The dBase 7 family stores it so that its
// bytes sort like its values: a set top bit marks a positive value (flip the
// bit back, the same as the negation), a clear one a negative value (all bits
// inverted).
void DecodeBigEndianDouble(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    constexpr std::uint64_t kTopBit = 1ULL << 63;
    const std::uint64_t stored = bytes::Be64(bytes);
    const bool sortOrder = d.Dbase7Family && (stored & kTopBit) == 0;
    d.Cell->SetDouble(sortOrder ? bytes::DoubleFromBits(~stored) : -bytes::DoubleFromBits(stored));
    SetCellKind(d, taRightJustify, ictDecimal);
}

void DecodeCurrency(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    d.Cell->SetCurrencyUnits(std::int64_t(bytes::Le64(bytes)));
    SetCellKind(d, taRightJustify, ictDecimal);
}

// The truth of a logical field's letter: 1 true, 0 false, -1 none (dBase
// writes "?" for a value not initialised).
constexpr std::array<std::int8_t, 256> MakeLogicalLetters() {
    std::array<std::int8_t, 256> letters{};
    for (auto& letter : letters) letter = -1;
    for (unsigned char c : {'T', 't', 'Y', 'y'}) letters[c] = 1;
    for (unsigned char c : {'F', 'f', 'N', 'n'}) letters[c] = 0;
    return letters;
}

constexpr std::array<std::int8_t, 256> kLogicalLetters = MakeLogicalLetters();

void DecodeLogical(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    const std::int8_t truth = kLogicalLetters[bytes[0]];
    if (truth < 0) {
        d.Cell->SetNull();
        return SetCellKind(d, taLeftJustify, ictEmpty);
    }
    d.Cell->SetBoolean(truth == 1);
    SetCellKind(d, taLeftJustify, ictBoolean);
}

void DecodeInteger(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    d.Cell->SetInteger(std::int32_t(bytes::Le32(bytes)));
    SetCellKind(d, taRightJustify, ictInteger);
}

// I and +: little-endian, but big-endian with the top bit inverted in the
// dBase 7 family (four zero bytes still give 0).
void DecodeAutoIncrement(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    if (!d.Dbase7Family || bytes::Le32(bytes) == 0) return DecodeInteger(d, slot, bytes);
    d.Cell->SetInteger(std::int32_t(bytes::Be32(bytes) ^ 0x80000000u));
    SetCellKind(d, taRightJustify, ictInteger);
}

void DecodeShortInteger(RecordDecoder& d, const FieldSlot&, const std::uint8_t* bytes) {
    d.Cell->SetInteger(bytes::Le16(bytes));
    SetCellKind(d, taRightJustify, ictInteger);
}

std::int32_t MemoBlockNumber(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    if (d.BinaryBlockNumbers) return std::int32_t(bytes::Le32(bytes));
    std::int32_t block = 0;
    return TryStrToInt(FieldText(slot, bytes), block) ? block : 0;
}

// B G M P Q W: the memo text, or the block number without ipiBLOB.
void DecodeMemo(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes) {
    const std::int32_t block = MemoBlockNumber(d, slot, bytes);
    if ((d.Owner.ParseItems & ParseItemBit(ipiBLOB)) == 0) {
        d.Cell->SetInteger(block);
        return SetCellKind(d, taLeftJustify, ictInteger);
    }
    const std::string memo = d.Owner.ReadBlob(block, 0);
    // A memo text holding a NUL byte is binary (a picture kept in an M
    // field): never re-encoded nor cut at the NUL.
    if (slot.Type == 'M' && memo.find('\0') == std::string::npos)
        SetTableText(d, slot, memo);
    else
        d.Cell->SetText(memo);
    SetCellKind(d, taLeftJustify, ictMemo);
}

void DecodeNullFlags(RecordDecoder& d, const FieldSlot&, const std::uint8_t*) {
    d.Cell->SetNull();
    SetCellKind(d, taLeftJustify, ictEmpty);
}

// ---------------------------------------------------------------------------
// Text writers: a field's text from its bytes, for the fields that are
// written and not otherwise read.  Each gives what decoding the field and
// writing its value's text would.

// Any type: the field decoded into its value, and the value's text.
void WriteDecodedText(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t*,
                      std::string& out) {
    d.DecodeField(slot.Index);
    d.Cell->AppendLineText(out);
}

void WriteCharacterText(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes,
                        std::string& out) {
    const std::string_view text = FieldText(slot, bytes);
    if (!IsBlank(text)) out += TableText(d, slot, text);
}

void WriteNumericText(RecordDecoder&, const FieldSlot& slot, const std::uint8_t* bytes,
                      std::string& out) {
    AppendNumericFieldText(FieldText(slot, bytes), slot.Decimals, out);
}

void WriteDateText(RecordDecoder& d, const FieldSlot& slot, const std::uint8_t* bytes,
                   std::string& out) {
    const std::string_view text = FieldText(slot, bytes);
    std::uint64_t g = 0;
    if (!EightDigits(text, g)) return WriteDecodedText(d, slot, bytes, out);
    const FieldDateParts date = DatePartsOf(g);
    // Eight digits that are no date give no value.
    if (IsFieldDate(date))
        AppendDateText(out, date.Year, date.Month, date.Day, CurrentFormatSettings());
}

// Length 1 or more: a blank or NUL first byte is no letter, as for the
// blank test; other letters say the truth or nothing.
void WriteLogicalText(RecordDecoder&, const FieldSlot&, const std::uint8_t* bytes,
                      std::string& out) {
    const std::int8_t truth = kLogicalLetters[bytes[0]];
    if (truth >= 0) out += truth == 1 ? '1' : '0';
}

struct TypeRule {
    FieldDecoder Decode = DecodeCharacter;
    BlankRule Blank = BlankRule::Text;
    bool ZeroIsNull = false;
    FieldTextWriter Write = WriteCharacterText;
};

constexpr bool IsMemoType(char type) {
    return type == 'B' || type == 'G' || type == 'M' || type == 'P' || type == 'Q' || type == 'W';
}

// Decoding by type character; every character not named falls to C.  Fields
// stored as binary numbers have no text blank test: all blanks still mean a
// blanked record, and all zeros mean no value only where zero is no date.
constexpr std::array<TypeRule, 256> MakeTypeRules() {
    std::array<TypeRule, 256> rules{};
    auto set = [&rules](char type, FieldDecoder decode, BlankRule blank = BlankRule::Text,
                        bool zeroIsNull = false) {
        rules[static_cast<unsigned char>(type)] = {decode, blank, zeroIsNull, WriteDecodedText};
    };
    auto setText = [&rules](char type, FieldDecoder decode, FieldTextWriter write) {
        rules[static_cast<unsigned char>(type)] = {decode, BlankRule::Text, false, write};
    };
    setText('D', DecodeDate, WriteDateText);
    set('T', DecodeTime);
    set('@', DecodeTimestamp, BlankRule::Binary, true);
    setText('F', DecodeNumeric, WriteNumericText);
    setText('N', DecodeNumeric, WriteNumericText);
    set('O', DecodeBigEndianDouble, BlankRule::Binary, true);
    set('8', DecodeDouble, BlankRule::Binary);
    set('Y', DecodeCurrency, BlankRule::Binary);
    setText('L', DecodeLogical, WriteLogicalText);
    set('+', DecodeAutoIncrement, BlankRule::None);
    set('I', DecodeAutoIncrement, BlankRule::None);
    set('4', DecodeInteger, BlankRule::None);
    set('2', DecodeShortInteger, BlankRule::None);
    for (char memo : {'B', 'G', 'M', 'P', 'Q', 'W'}) set(memo, DecodeMemo);
    set('0', DecodeNullFlags);
    return rules;
}

constexpr std::array<TypeRule, 256> kTypeRules = MakeTypeRules();

TypeRule RuleFor(const TDBFField& field, std::uint8_t signature, bool binaryBlockNumbers) {
    const bool visualFoxPro = IsVisualFoxProFamily(signature);
    // Visual FoxPro keeps doubles in B fields of 8 bytes.
    if (field.FieldType == 'B' && field.Length == 8 && visualFoxPro)
        return kTypeRules[static_cast<unsigned char>('8')];
    // Visual FoxPro varbinary and varchar live in the record.
    if (field.FieldType == 'Q' && visualFoxPro)
        return {DecodeBytes, BlankRule::Binary, false, WriteDecodedText};
    TypeRule rule = kTypeRules[static_cast<unsigned char>(field.FieldType)];
    // A date-time of two binary 32-bit numbers.
    if (field.FieldType == 'T' && field.Length == 8)
        rule.Blank = BlankRule::Binary, rule.ZeroIsNull = true;
    // A binary block number (block 0 is no memo text).
    if (IsMemoType(field.FieldType) && binaryBlockNumbers && field.Length == 4)
        rule.Blank = BlankRule::Binary;
    // The writers read a field's first byte without the blank test, which
    // an empty field passes.
    if (field.Length == 0) rule.Write = WriteDecodedText;
    return rule;
}

// Visual FoxPro field flags (descriptor byte 18).
constexpr std::uint8_t kFlagNullable = 0x02;
constexpr std::uint8_t kFlagBinary = 0x04; // no code-page translation

bool AllBytesAre(std::string_view text, char byte) {
    return text.find_first_not_of(byte) == std::string_view::npos;
}

// Whether a field of this plan holds no value, before its type decodes it.
bool HoldsNoValue(const FieldSlot& slot, std::string_view text) {
    switch (slot.Blank) {
    case BlankRule::Text: return IsBlank(text);
    case BlankRule::Binary:
        return AllBytesAre(text, ' ') || (slot.ZeroIsNull && AllBytesAre(text, '\0'));
    case BlankRule::None: return false;
    }
    return false;
}

bool FlagBit(const std::uint8_t* flags, std::int16_t bit) {
    return bit >= 0 && (flags[bit / 8] >> (bit % 8) & 1) != 0;
}

} // namespace

void AppendNumericFieldTextGeneral(std::string_view text, std::uint8_t decimals, std::string& out) {
    // A blank field holds no value.
    double value = 0;
    if (!IsBlank(text) && NumericFieldValue(text, decimals, value))
        Value::FromDouble(value).AppendText(out);
}

void AppendNumericFieldText(std::string_view text, std::uint8_t decimals, std::string& out) {
    if (!TryAppendPlainDecimal(out, text, decimals == 0, CurrentFormatSettings().DecimalSeparator))
        AppendNumericFieldTextGeneral(text, decimals, out);
}

bool ParseFieldDateGeneral(std::string_view text, double& value) {
    std::int32_t year = 0, month = 0, day = 0;
    if (!TryStrToInt(Part(text, 0, 4), year) || year <= 1000) return false;
    if (!TryStrToInt(Part(text, 4, 2), month) || !TryStrToInt(Part(text, 6, 2), day)) return false;
    return TryEncodeDate(year, month, day, value);
}

bool ParseFieldDate(std::string_view text, double& value) {
    // Eight digits, as nearly every stored date is: the parts are those
    // digits, as the reading by parts finds them.
    std::uint64_t g = 0;
    if (!EightDigits(text, g)) return ParseFieldDateGeneral(text, value);
    const FieldDateParts date = DatePartsOf(g);
    return date.Year > 1000 && TryEncodeDate(date.Year, date.Month, date.Day, value);
}

// ---------------------------------------------------------------------------
// The record loop's state

RecordDecoder::RecordDecoder(TDBF& owner, const TQzDBFTable& table, std::uint16_t recordLength)
    : Owner(owner), Conversion(owner.conversion_), header_(table.Header),
      cells_(table.Fields.size()) {
    header_.RecordLength = recordLength;
    Dbase7Family = Is48ByteKind(owner.DBFVersion);
    CheckCopiedTexts = !Conversion.Converts() && AnsiCharset() == "UTF-8";
    const bool visualFoxPro = IsVisualFoxProFamily(header_.Signature);
    BinaryBlockNumbers = visualFoxPro || owner.DBFVersion == HyperSix;
    std::size_t bufferSize = recordLength;
    std::int16_t nextFlagBit = 0;
    const bool nullFlags =
        visualFoxPro && std::any_of(table.Fields.begin(), table.Fields.end(),
                                    [](const TDBFField& f) { return f.FieldType == '0'; });
    slots_.reserve(table.Fields.size());
    for (const TDBFField& field : table.Fields) {
        const TypeRule rule = RuleFor(field, header_.Signature, BinaryBlockNumbers);
        FieldSlot slot;
        // A field that starts past the record reads the zero tail instead.
        slot.Start = std::min<std::size_t>(std::size_t(field.Offset), recordLength);
        slot.Length = field.Length;
        slot.Decimals = field.Decimals;
        slot.Type = field.FieldType;
        slot.Blank = rule.Blank;
        slot.ZeroIsNull = rule.ZeroIsNull;
        slot.Decode = rule.Decode;
        slot.Write = rule.Write;
        slot.Index = std::uint32_t(slots_.size());
        const std::uint8_t flags = field.Reserved1[0];
        if (visualFoxPro && (flags & kFlagBinary) != 0 &&
            (slot.Type == 'C' || slot.Type == 'V' || slot.Type == 'M'))
            slot.Convert = false;
        if (nullFlags) {
            if (slot.Type == 'V' || slot.Type == 'Q') slot.LengthBit = nextFlagBit++;
            if ((flags & kFlagNullable) != 0) slot.NullBit = nextFlagBit++;
            if (slot.Type == '0' && nullFlagsLength_ == 0) {
                nullFlagsStart_ = slot.Start;
                nullFlagsLength_ = slot.Length;
            }
        }
        bufferSize =
            std::max(bufferSize, slot.Start + std::max<std::size_t>(slot.Length, kWidestFixedRead));
        slots_.push_back(slot);
    }
    // Bits beyond the flag bytes are never set.
    const auto flagBits = std::int16_t(std::min<std::size_t>(nullFlagsLength_ * 8u, 0x7FFF));
    for (FieldSlot& slot : slots_) {
        if (slot.LengthBit >= flagBits) slot.LengthBit = -1;
        if (slot.NullBit >= flagBits) slot.NullBit = -1;
        // Null flags and shortened values are the decoder's business.
        if (slot.LengthBit >= 0 || slot.NullBit >= 0) slot.Write = WriteDecodedText;
    }
    buffer_.assign(bufferSize, 0);
    SetFieldUses({});
}

bool RecordDecoder::Read(FileStream& stream) {
    const std::size_t length = header_.RecordLength;
    const std::size_t got = stream.Read(buffer_.data(), length);
    if (got < length) std::memset(buffer_.data() + got, 0, length - got);
    const bool onlyEndOfFile = got == 1 && length > 1 && buffer_[0] == kEndOfFile;
    return !onlyEndOfFile;
}

// A writer that knows no null flags blanks them with the rest of the record.
const std::uint8_t* RecordDecoder::NullFlags() const {
    if (nullFlagsLength_ == 0) return nullptr;
    const std::uint8_t* flags = buffer_.data() + nullFlagsStart_;
    return AllBytesAre({reinterpret_cast<const char*>(flags), nullFlagsLength_}, ' ') ? nullptr
                                                                                      : flags;
}

void RecordDecoder::DecodeField(std::size_t i, const std::uint8_t* nullFlags) {
    const FieldSlot& slot = slots_[i];
    const std::uint8_t* bytes = buffer_.data() + slot.Start;
    FieldSlot shortened;
    const FieldSlot* plan = &slot;
    if (nullFlags != nullptr && slot.Length > 0 && FlagBit(nullFlags, slot.LengthBit)) {
        // A variable-length value shorter than its field: its length is
        // the field's last byte.
        shortened = slot;
        shortened.Length = std::uint16_t(std::min<int>(bytes[slot.Length - 1], slot.Length - 1));
        plan = &shortened;
    }
    if ((nullFlags != nullptr && FlagBit(nullFlags, slot.NullBit)) ||
        HoldsNoValue(*plan, FieldText(*plan, bytes))) {
        Cell->SetNull();
        Alignment = taLeftJustify;
        CellType = ictEmpty;
    } else {
        plan->Decode(*this, *plan, bytes);
    }
}

void RecordDecoder::DecodeField(std::size_t i) {
    Cell = &cells_[i];
    DecodeField(i, NullFlags());
}

void RecordDecoder::ReportField(std::size_t i, std::int32_t row, const std::uint8_t* nullFlags) {
    DecodeField(i, nullFlags);
    if (Owner.FireCellEvents)
        Owner.OnCellValue(&Owner, 0, row, std::int32_t(i), 0, *Cell, Alignment, CellType);
}

void RecordDecoder::AppendText(std::size_t i, std::string& out) {
    if (i >= slots_.size()) return;
    const FieldSlot& slot = slots_[i];
    if (!slot.TextOnly) return cells_[i].AppendLineText(out);
    slot.Write(*this, slot, buffer_.data() + slot.Start, out);
}

void RecordDecoder::ReportFields(const std::vector<std::uint32_t>& fields, std::int32_t row) {
    // Read once: the compiler cannot tell that the event leaves the plan alone.
    const std::size_t count = fields.size();
    const std::uint32_t* indices = fields.data();
    Value* cells = cells_.data();
    const std::uint8_t* nullFlags = NullFlags();
    for (std::size_t k = 0; k < count; ++k) {
        Cell = &cells[indices[k]];
        ReportField(indices[k], row, nullFlags);
    }
}

void RecordDecoder::Report(std::int32_t row) {
    ReportFields(early_, row);
}

void RecordDecoder::ReportLate(std::int32_t row) {
    ReportFields(late_, row);
}

void RecordDecoder::SetFieldUses(const std::vector<FieldUse>& uses) {
    early_.clear();
    late_.clear();
    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        const FieldUse use = i < uses.size() ? uses[i] : FieldUse::Early;
        if (use == FieldUse::Early) early_.push_back(i);
        if (use == FieldUse::Late) late_.push_back(i);
        slots_[i].TextOnly = use == FieldUse::Text;
    }
}

// ---------------------------------------------------------------------------
// TDBF

std::int64_t TDBF::TextsNotValid() const {
    return decoder_ ? decoder_->TextsNotValid : 0;
}

void TDBF::SetFieldUses(const std::vector<FieldUse>& uses) {
    if (decoder_) decoder_->SetFieldUses(uses);
}

void TDBF::ReportLateFields(std::int32_t rowNo) {
    if (decoder_) decoder_->ReportLate(rowNo);
}

const Value* TDBF::DecodedValue(std::int32_t field) const {
    return decoder_ ? decoder_->CellValue(field) : nullptr;
}

void TDBF::AppendFieldText(std::int32_t field, std::string& out) {
    if (decoder_ && field >= 0) decoder_->AppendText(std::size_t(field), out);
}

std::int64_t TDBF::RecordPosition(const TDBFHeader& header, std::int32_t index) const {
    return std::int64_t(header.HeaderLength) + std::int64_t(index) * header.RecordLength;
}

bool TDBF::SeekRecord(std::int32_t index) {
    TSpreadSheetFile::SeekRecord(index);
    if (!dataStream_ || index < 0) return false;
    // The record loop's copy of the header spares a sheet lookup per record.
    const TDBFHeader& header = decoder_ ? decoder_->Header() : Table().Header;
    const std::int64_t position = RecordPosition(header, index);
    if (position > dataStream_->Size() - header.RecordLength) return false;
    dataStream_->SeekTo(position);
    return true;
}

// The record right after the last one read needs no positioning: the stream
// is there, and a record that starts before the end of the file is what
// PositionForRecord accepts.
inline bool TDBF::AtRecord(const TDBFHeader& header, std::int32_t index) {
    const std::int64_t position = dataStream_->Position();
    return index >= 0 && position == RecordPosition(header, index) &&
           position < dataStream_->Size();
}

// Puts the stream on the record, also on one cut short by the end of the file.
bool TDBF::PositionForRecord(const TDBFHeader& header, std::int32_t index) {
    if (index < 0) return false;
    if (!SeekRecord(index)) {
        const std::int64_t position = RecordPosition(header, index);
        if (position >= dataStream_->Size()) return false;
        dataStream_->SeekTo(position);
    }
    return true;
}

bool TDBF::LoadRecord(std::int32_t index, std::int32_t rowNo) {
    TSpreadSheetFile::LoadRecord(index, rowNo);
    if (!dataStream_ || !decoder_) return false;
    const TDBFHeader& header = decoder_->Header();
    DoProgress(index, header.RecordCount);
    if (LoadOnDemand && !AtRecord(header, index) && !PositionForRecord(header, index)) return false;
    // A record wholly past the end of the file is not there to deliver.
    if (dataStream_->Position() >= dataStream_->Size()) return false;
    if (!decoder_->Read(*dataStream_)) return false;
    const TQzIRowStatus status = decoder_->Status();
    if ((LoadRowStatutes & RowStatusBit(status)) == 0) return false;
    if (!OnCellValue) return true;
    decoder_->Report(rowNo);
    SetRowStatus(0, rowNo, status);
    return true;
}

} // namespace ostrane
