#include "converter/ValueRules.h"

#include <cmath>

#include "converter/ConvertSettings.h"
#include "platform/Value.h"
#include "util/Base64.h"

namespace ostrane {
namespace {

struct TypeRule {
    std::string_view Types;
    ValueRule Rule;
};

// The rules by type letter (C and V under /TRIM, the rest for other tools);
// other types are plain text.
constexpr TypeRule TypeRules[] = {
    {"CV", ValueRule::TrimmedText},
    {"BGPQW", ValueRule::BinaryMemo},
    {"M", ValueRule::MemoText},
};

bool IsNotFinite(const Value& value) {
    switch (value.Kind()) {
    case ValueKind::Double: return !std::isfinite(value.DoublePayload());
    case ValueKind::Single: return !std::isfinite(value.SinglePayload());
    default: return false;
    }
}

} // namespace

ValueRule RuleForField(char fieldType, const ConvertSettings& settings) {
    const bool forOtherTools = IsForOtherTools(settings);
    for (const TypeRule& entry : TypeRules) {
        if (entry.Types.find(fieldType) == std::string_view::npos) continue;
        if (entry.Rule == ValueRule::TrimmedText)
            return settings.TrimTexts ? ValueRule::TrimmedText : ValueRule::Text;
        return forOtherTools ? entry.Rule : ValueRule::Text;
    }
    return ValueRule::Text;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

bool IsBinaryValue(ValueRule rule, const Value& value) {
    if (value.Kind() != ValueKind::ByteText) return false;
    if (rule == ValueRule::BinaryMemo) return true;
    return rule == ValueRule::MemoText && value.TextPayload().find('\0') != std::string::npos;
}

void AppendRuledText(std::string& out, ValueRule rule, const Value& value, bool forOtherTools) {
    if (rule == ValueRule::TrimmedText && value.Kind() == ValueKind::ByteText) {
        out += WithoutTrailingBlanks(value.TextPayload());
    } else if (IsBinaryValue(rule, value)) {
        AppendBase64(out, value.TextPayload());
    } else if (!(forOtherTools && IsNotFinite(value))) {
        value.AppendLineText(out);
    }
}

} // namespace ostrane
