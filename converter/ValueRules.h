// How a field's value becomes output beyond its plain text: character values
// trimmed (/TRIM), and for other tools (/CSV, /JSON) binary values as base64
// and numbers that are no numbers left out.  The rule of each field is worked
// out once from its type; the record loop only follows it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane {

class Value;
struct ConvertSettings;

enum class ValueRule : std::uint8_t {
    Text,        // the value's text as it is
    TrimmedText, // C and V under /TRIM: trailing blanks dropped
    BinaryMemo,  // B (unless a Visual FoxPro double), G, P, Q, W for other tools
    MemoText,    // M for other tools: binary when it holds a NUL byte
};

ValueRule RuleForField(char fieldType, const ConvertSettings& settings);

// The text without its trailing blanks.
std::string_view WithoutTrailingBlanks(std::string_view text);

// True when the value is bytes to be written as base64: a text of a binary
// memo field (a Visual FoxPro double in a B field is a number), or an M
// memo text holding a NUL byte (a picture kept in a memo field).
bool IsBinaryValue(ValueRule rule, const Value& value);

// Appends the value's text by its rule: Booleans as "1" and "0", texts
// trimmed or as base64 where the rule says.  forOtherTools: NaN and the
// infinities give nothing (CSV readers know no NAN).
void AppendRuledText(std::string& out, ValueRule rule, const Value& value, bool forOtherTools);

} // namespace ostrane
