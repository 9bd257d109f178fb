#include "converter/JsonLine.h"

#include <array>
#include <cmath>

#include "converter/ConvertSettings.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/NumberFormat.h"
#include "platform/Value.h"
#include "util/Base64.h"

namespace ostrane {
namespace {

constexpr std::string_view Null = "null";
constexpr std::string_view True = "true";
constexpr std::string_view False = "false";
constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD in UTF-8
constexpr char JsonDecimalPoint = '.';
constexpr int DoubleDigits = 15;
constexpr int SingleDigits = 7;

// The ASCII bytes a JSON string holds as they are: all but the control
// characters, '"' and '\'.
constexpr std::array<bool, 128> MakePlainBytes() {
    std::array<bool, 128> plain{};
    for (std::size_t c = 0x20; c < plain.size(); ++c) plain[c] = true;
    plain['"'] = plain['\\'] = false;
    return plain;
}
constexpr std::array<bool, 128> PlainBytes = MakePlainBytes();

struct ShortEscape {
    char Byte;
    char Letter;
};
constexpr ShortEscape ShortEscapes[] = {{'"', '"'},  {'\\', '\\'}, {'\b', 'b'}, {'\f', 'f'},
                                        {'\n', 'n'}, {'\r', 'r'},  {'\t', 't'}};

// The escape of an ASCII byte that is not plain: \n and the like, else \u00XX.
void AppendEscape(std::string& out, unsigned char c) {
    for (const ShortEscape& escape : ShortEscapes) {
        if (escape.Byte == static_cast<char>(c)) {
            out += '\\';
            out += escape.Letter;
            return;
        }
    }
    constexpr char Hex[] = "0123456789abcdef";
    out += "\\u00";
    out += Hex[c >> 4];
    out += Hex[c & 0x0F];
}

// The length of the well-formed UTF-8 sequence that starts at p with a byte
// from 0x80 up (no overlong forms, no surrogates, nothing above U+10FFFF);
// 0 when there is none.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t available) {
    const unsigned char lead = p[0];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    }
    if (length == 0 || available < length || p[1] < low || p[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

void AppendFourDigits(std::string& out, int value) {
    char digits[4];
    WriteTwoDigits(digits, unsigned(value / 100));
    WriteTwoDigits(digits + 2, unsigned(value % 100));
    out.append(digits, 4);
}

void AppendTwoDigits(std::string& out, int value) {
    char digits[2];
    WriteTwoDigits(digits, unsigned(value));
    out.append(digits, 2);
}

void AppendDate(std::string& out, const DateParts& parts) {
    AppendFourDigits(out, parts.Year);
    out += '-';
    AppendTwoDigits(out, parts.Month);
    out += '-';
    AppendTwoDigits(out, parts.Day);
}

void AppendTime(std::string& out, const DateParts& parts) {
    AppendTwoDigits(out, parts.Hour);
    out += ':';
    AppendTwoDigits(out, parts.Minute);
    out += ':';
    AppendTwoDigits(out, parts.Second);
}

void AppendNumber(std::string& out, double value, int digits) {
    if (std::isfinite(value)) {
        AppendGeneralFloat(out, value, digits, JsonDecimalPoint);
    } else {
        out += Null; // JSON has no NaN nor infinities
    }
}

} // namespace

bool AppendJsonString(std::string& out, std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    bool wellFormed = true;
    std::size_t copied = 0; // bytes before this one are in out
    out += '"';
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = bytes[i];
        if (c < PlainBytes.size() && PlainBytes[c]) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            if (const std::size_t length = Utf8SequenceLength(bytes + i, size - i)) {
                i += length;
                continue;
            }
        }
        out.append(text.data() + copied, i - copied);
        if (c >= 0x80) {
            out += ReplacementCharacter;
            wellFormed = false;
        } else {
            AppendEscape(out, c);
        }
        copied = ++i;
    }
    out.append(text.data() + copied, size - copied);
    out += '"';
    return wellFormed;
}

JsonLineBuilder::JsonLineBuilder(const std::vector<FieldDescriptor>& fields,
                                 const ConvertSettings& settings) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDescriptor& field = fields[i];
        if (!IsFieldSelected(field.Name, settings.FieldList)) continue;
        Column column;
        column.Index = i;
        if (!columns_.empty()) column.Key += ',';
        if (!AppendJsonString(column.Key, field.Name)) ++textsRepaired_;
        column.Key += ':';
        column.Rule = RuleForField(field.FieldType, settings);
        if (field.FieldType == 'D') {
            column.Dates = DateForm::Date;
        } else if (field.FieldType == 'T' && field.Length == 6) {
            column.Dates = DateForm::Time; // HHMMSS: a time of day alone
        }
        columns_.push_back(std::move(column));
    }
}

void JsonLineBuilder::AppendValue(std::string& line, const Column& column,
                                  const Value* value) const {
    if (value == nullptr) {
        line += Null;
        return;
    }
    switch (value->Kind()) {
    case ValueKind::Empty:
    case ValueKind::Null: line += Null; return;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: AppendInteger(line, value->IntegerPayload()); return;
    case ValueKind::Single: AppendNumber(line, value->SinglePayload(), SingleDigits); return;
    case ValueKind::Double: AppendNumber(line, value->DoublePayload(), DoubleDigits); return;
    case ValueKind::Currency:
        AppendCurrency(line, value->CurrencyUnits(), JsonDecimalPoint);
        return;
    case ValueKind::DateTime: AppendDateTime(line, column.Dates, value->DoublePayload()); return;
    case ValueKind::Boolean: line += value->BooleanPayload() ? True : False; return;
    case ValueKind::WideText:
        Utf16ToAnsi(value->WidePayload(), scratch_);
        AppendText(line, column, scratch_);
        return;
    case ValueKind::ByteText:
        if (IsBinaryValue(column.Rule, *value)) {
            AppendBinary(line, value->TextPayload());
        } else {
            AppendText(line, column, value->TextPayload());
        }
        return;
    }
}

void JsonLineBuilder::AppendText(std::string& line, const Column& column,
                                 std::string_view text) const {
    if (column.Rule == ValueRule::TrimmedText) text = WithoutTrailingBlanks(text);
    if (text.empty()) {
        line += Null;
    } else if (!AppendJsonString(line, text)) {
        ++textsRepaired_;
    }
}

void JsonLineBuilder::AppendBinary(std::string& line, std::string_view bytes) {
    if (bytes.empty()) {
        line += Null;
        return;
    }
    line += '"';
    AppendBase64(line, bytes);
    line += '"';
}

// Outside years 1..9999 a date-time is no date: null.
void JsonLineBuilder::AppendDateTime(std::string& line, DateForm form, double value) {
    DateParts parts;
    if (!DecodeDateTimeToSeconds(value, parts)) {
        line += Null;
        return;
    }
    line += '"';
    if (form != DateForm::Time) AppendDate(line, parts);
    if (form == DateForm::DateTime) line += 'T';
    if (form != DateForm::Date) AppendTime(line, parts);
    line += '"';
}

} // namespace ostrane
