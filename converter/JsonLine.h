// JSON Lines: one object per record, keys the field names in output order,
// values typed (numbers, true/false, null, ISO dates, UTF-8 strings, base64
// for binary values).  Built beside the delimited lines of LineFormat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/LineFormat.h"
#include "converter/ValueRules.h"

namespace ostrane {

class Value;
struct ConvertSettings;

// The value of field i of the current record; nullptr when it has none.  A
// final subclass passed to BuildRecordLine is called without a virtual call.
class FieldValueSource {
public:
    virtual const Value* FieldValueOrNil(std::size_t i) const = 0;

protected:
    ~FieldValueSource() = default;
};

// Appends text as a JSON string, quotes included: '"', '\' and the control
// characters escaped, every byte that does not belong to a well-formed UTF-8
// sequence written as U+FFFD.  Returns false when a byte was replaced.
bool AppendJsonString(std::string& out, std::string_view text);

class JsonLineBuilder {
public:
    JsonLineBuilder(const std::vector<FieldDescriptor>& fields, const ConvertSettings& settings);

    // Replaces the content of line with the record's object (no line end).
    template <class Source> void BuildRecordLine(std::string& line, const Source& values) const {
        line.clear();
        line += '{';
        for (const Column& column : columns_) {
            line += column.Key;
            AppendValue(line, column, values.FieldValueOrNil(column.Index));
        }
        line += '}';
    }

    // The texts (field names included) in which bytes were replaced so far.
    std::int64_t TextsRepaired() const { return textsRepaired_; }

private:
    // How a date-time value is written, by its field's type.
    enum class DateForm : std::uint8_t { Date, Time, DateTime };

    struct Column {
        std::size_t Index = 0; // position in the table
        std::string Key;       // ',' unless first, the name as a JSON string, ':'
        ValueRule Rule = ValueRule::Text;
        DateForm Dates = DateForm::DateTime;
    };

    void AppendValue(std::string& line, const Column& column, const Value* value) const;
    void AppendText(std::string& line, const Column& column, std::string_view text) const;
    static void AppendBinary(std::string& line, std::string_view bytes);
    static void AppendDateTime(std::string& line, DateForm form, double value);

    std::vector<Column> columns_;
    mutable std::int64_t textsRepaired_ = 0;
    mutable std::string scratch_; // wide texts converted
};

} // namespace ostrane
