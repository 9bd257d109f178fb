// Value to text and to truth value; ToInteger / ToReal live with
// the operators in ValueOps.cpp.
#include "platform/Value.h"

#include <cstring>

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/TextToValue.h"

namespace ostrane {

namespace {

[[noreturn]] void ThrowInvalidConversion() {
    throw EVariantError(std::string(msg::InvalidVariantTypeConversion));
}

} // namespace

std::string Value::ToText() const {
    std::string result;
    AppendText(result);
    return result;
}

void Value::AppendText(std::string& out) const {
    switch (kind_) {
    case ValueKind::Empty:
    case ValueKind::Null: return;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: AppendInteger(out, num_.i32); return;
    case ValueKind::Single:
        AppendGeneralFloat(out, num_.f32, 7, CurrentFormatSettings().DecimalSeparator);
        return;
    case ValueKind::Double:
        AppendGeneralFloat(out, num_.f64, 15, CurrentFormatSettings().DecimalSeparator);
        return;
    case ValueKind::Currency:
        AppendCurrency(out, num_.i64, CurrentFormatSettings().DecimalSeparator);
        return;
    case ValueKind::DateTime: AppendDateTimeText(out, num_.f64, CurrentFormatSettings()); return;
    case ValueKind::Boolean: out.append(num_.b ? "True" : "False"); return;
    case ValueKind::WideText: {
        std::string ansi;
        Utf16ToAnsi(wide_, ansi);
        out.append(ansi);
        return;
    }
    case ValueKind::ByteText: out.append(text_); return;
    }
}

bool Value::ToBoolean() const {
    switch (kind_) {
    case ValueKind::Boolean: return num_.b;
    case ValueKind::Empty: return false;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: return num_.i32 != 0;
    case ValueKind::Single: return num_.f32 != 0;
    case ValueKind::Double:
    case ValueKind::DateTime: return num_.f64 != 0;
    case ValueKind::Currency: return num_.i64 != 0;
    case ValueKind::ByteText: {
        bool result = false;
        if (!TryVariantTextToBoolean(text_, CurrentFormatSettings(), result))
            ThrowInvalidConversion();
        return result;
    }
    case ValueKind::WideText: {
        std::string ansi;
        Utf16ToAnsi(wide_, ansi);
        bool result = false;
        if (!TryVariantTextToBoolean(ansi, CurrentFormatSettings(), result))
            ThrowInvalidConversion();
        return result;
    }
    case ValueKind::Null: break;
    }
    ThrowInvalidConversion();
}

bool Value::SameAs(const Value& other) const {
    if (kind_ != other.kind_) return false;
    switch (kind_) {
    case ValueKind::Empty:
    case ValueKind::Null: return true;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte: return num_.i32 == other.num_.i32;
    case ValueKind::Single: return std::memcmp(&num_.f32, &other.num_.f32, sizeof(float)) == 0;
    case ValueKind::Double:
    case ValueKind::DateTime: return std::memcmp(&num_.f64, &other.num_.f64, sizeof(double)) == 0;
    case ValueKind::Currency: return num_.i64 == other.num_.i64;
    case ValueKind::Boolean: return num_.b == other.num_.b;
    case ValueKind::WideText: return wide_ == other.wide_;
    case ValueKind::ByteText: return text_ == other.text_;
    }
    return false;
}

} // namespace ostrane
