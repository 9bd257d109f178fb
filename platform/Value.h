// Value: the tagged value that readers report, cells hold and the expression
// engine computes with.  A small tagged union copied by value; numbers never
// touch the heap, texts live in std::string / std::u16string whose capacity is
// reused when a value is overwritten in place.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrane {

enum class ValueKind : std::uint8_t {
    Empty,    // nothing assigned
    Null,     // no value
    SmallInt, // 16-bit signed
    Integer,  // 32-bit signed
    Byte,     // 8-bit unsigned
    Single,   // float
    Double,   // double
    Currency, // signed 64-bit count of ten-thousandths
    DateTime, // double: days since 1899-12-30, fraction = time of day
    Boolean,
    WideText, // 16-bit characters
    ByteText, // 8-bit characters, explicit length, may hold NUL bytes
};

class Value {
public:
    Value() = default;

    // Factories.
    static Value MakeNull() {
        Value v;
        v.kind_ = ValueKind::Null;
        return v;
    }
    static Value FromSmallInt(std::int16_t x) {
        Value v;
        v.SetSmallInt(x);
        return v;
    }
    static Value FromInteger(std::int32_t x) {
        Value v;
        v.SetInteger(x);
        return v;
    }
    static Value FromByte(std::uint8_t x) {
        Value v;
        v.SetByte(x);
        return v;
    }
    static Value FromSingle(float x) {
        Value v;
        v.SetSingle(x);
        return v;
    }
    static Value FromDouble(double x) {
        Value v;
        v.SetDouble(x);
        return v;
    }
    static Value FromCurrencyUnits(std::int64_t units) {
        Value v;
        v.SetCurrencyUnits(units);
        return v;
    }
    static Value FromDateTime(double x) {
        Value v;
        v.SetDateTime(x);
        return v;
    }
    static Value FromBoolean(bool x) {
        Value v;
        v.SetBoolean(x);
        return v;
    }
    static Value FromText(std::string_view s) {
        Value v;
        v.SetText(s);
        return v;
    }
    static Value FromWideText(std::u16string_view s) {
        Value v;
        v.SetWideText(s);
        return v;
    }

    // In-place setters: a text setter reuses the string's capacity, so a cell
    // overwritten record after record does not allocate.
    void SetEmpty() { kind_ = ValueKind::Empty; }
    void SetNull() { kind_ = ValueKind::Null; }
    void SetSmallInt(std::int16_t x) {
        kind_ = ValueKind::SmallInt;
        num_.i32 = x;
    }
    void SetInteger(std::int32_t x) {
        kind_ = ValueKind::Integer;
        num_.i32 = x;
    }
    void SetByte(std::uint8_t x) {
        kind_ = ValueKind::Byte;
        num_.i32 = x;
    }
    void SetSingle(float x) {
        kind_ = ValueKind::Single;
        num_.f32 = x;
    }
    void SetDouble(double x) {
        kind_ = ValueKind::Double;
        num_.f64 = x;
    }
    void SetCurrencyUnits(std::int64_t units) {
        kind_ = ValueKind::Currency;
        num_.i64 = units;
    }
    void SetDateTime(double x) {
        kind_ = ValueKind::DateTime;
        num_.f64 = x;
    }
    void SetBoolean(bool x) {
        kind_ = ValueKind::Boolean;
        num_.b = x;
    }
    void SetText(std::string_view s) { SetText(s.data(), s.size()); }
    void SetText(const char* data, std::size_t size) {
        kind_ = ValueKind::ByteText;
        // The same field of the next record has the same length: the bytes
        // are replaced in place (memmove, as data may lie in text_ itself).
        if (size == text_.size()) {
            MoveBytes(text_.data(), data, size);
        } else {
            text_.assign(data, size);
        }
    }
    void SetWideText(std::u16string_view s) {
        kind_ = ValueKind::WideText;
        wide_.assign(s.data(), s.size());
    }

    // Becomes a copy of other, touching only the payload of other's kind: a
    // value overwritten record after record neither allocates nor copies
    // stale texts.
    void AssignFrom(const Value& other) {
        if (other.kind_ == ValueKind::ByteText) return SetText(other.text_);
        if (other.kind_ == ValueKind::WideText) return SetWideText(other.wide_);
        kind_ = other.kind_;
        num_ = other.num_;
    }

    ValueKind Kind() const { return kind_; }
    bool IsEmpty() const { return kind_ == ValueKind::Empty; }
    bool IsNull() const { return kind_ == ValueKind::Null; }
    bool IsNullOrEmpty() const { return kind_ == ValueKind::Null || kind_ == ValueKind::Empty; }
    bool IsText() const { return kind_ == ValueKind::ByteText || kind_ == ValueKind::WideText; }
    bool IsBoolean() const { return kind_ == ValueKind::Boolean; }
    bool IsDateTime() const { return kind_ == ValueKind::DateTime; }

    // Raw payloads; valid only for the matching kind.
    std::int32_t IntegerPayload() const { return num_.i32; } // SmallInt, Integer, Byte
    float SinglePayload() const { return num_.f32; }
    double DoublePayload() const { return num_.f64; } // Double, DateTime
    std::int64_t CurrencyUnits() const { return num_.i64; }
    bool BooleanPayload() const { return num_.b; }
    const std::string& TextPayload() const { return text_; }    // ByteText
    const std::u16string& WidePayload() const { return wide_; } // WideText

    // Value to text: the text that output lines show.  Null and Empty give
    // the empty text; wide text is converted to the system's 8-bit set.
    std::string ToText() const;
    // Appends the same text to out (no temporary for the common kinds).
    void AppendText(std::string& out) const;
    // The text the converter's lines write: AppendText's, but a Boolean as
    // 1 or 0 (its text, True or False, is for expressions).
    void AppendLineText(std::string& out) const {
        if (kind_ == ValueKind::Boolean) {
            out += num_.b ? '1' : '0';
        } else {
            AppendText(out);
        }
    }

    // Value to truth value.  Throws EVariantError "Invalid variant type
    // conversion" for Null, non-numeric texts and the other kinds.
    bool ToBoolean() const;

    // Conversions of the operators (ties to even, locale-aware text reading).
    // Implemented with the operators in ValueOps.cpp.
    std::int32_t ToInteger() const;
    double ToReal() const;

    // Exact same kind and payload (for tests and caches, not the language's
    // "="); floats compare bit for bit (NaN is the same as itself, -0 is not 0).
    bool SameAs(const Value& other) const;

private:
    // memmove, with the short texts of table fields moved inline: every
    // source word is loaded before the first store.
    static void MoveBytes(char* to, const char* from, std::size_t n) {
        std::uint64_t a, b, c, d;
        if (n >= 8 && n <= 16) {
            std::memcpy(&a, from, 8);
            std::memcpy(&b, from + n - 8, 8);
            std::memcpy(to, &a, 8);
            std::memcpy(to + n - 8, &b, 8);
        } else if (n > 16 && n <= 32) {
            std::memcpy(&a, from, 8);
            std::memcpy(&b, from + 8, 8);
            std::memcpy(&c, from + n - 16, 8);
            std::memcpy(&d, from + n - 8, 8);
            std::memcpy(to, &a, 8);
            std::memcpy(to + 8, &b, 8);
            std::memcpy(to + n - 16, &c, 8);
            std::memcpy(to + n - 8, &d, 8);
        } else if (n != 0) {
            std::memmove(to, from, n);
        }
    }

    ValueKind kind_ = ValueKind::Empty;
    union Number {
        std::int32_t i32;
        std::int64_t i64;
        float f32;
        double f64;
        bool b;
    } num_{.i64 = 0};
    std::string text_;
    std::u16string wide_;
};

} // namespace ostrane
