#include "converter/LineFormat.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "converter/ConvertSettings.h"
#include "platform/Exceptions.h"

namespace ostrane {
namespace {

struct TypeLetterEntry {
    char FieldType;
    char Letter;
};

// The first letter of each field type's name.
constexpr std::array<TypeLetterEntry, 19> TypeLetters{{
    {'+', 'A'}, {'I', 'A'}, {'0', 'B'}, {'2', 'S'}, {'4', 'I'}, {'8', 'D'}, {'@', 'T'},
    {'B', 'B'}, {'C', 'S'}, {'D', 'D'}, {'F', 'N'}, {'N', 'N'}, {'G', 'O'}, {'L', 'L'},
    {'M', 'M'}, {'O', 'F'}, {'P', 'G'}, {'T', 'T'}, {'Y', 'C'},
}};

// The numeric types whose fixed-width values are padded on the left.
constexpr std::string_view RightAlignedTypes = "+248FINOY";

} // namespace

bool IsFieldSelected(std::string_view name, std::string_view fieldList) {
    if (fieldList.empty()) return true;
    std::string entry(";");
    for (char c : name) entry += LowerAscii(c);
    entry += ';';
    std::string list(";");
    list += fieldList;
    return list.find(entry) != std::string::npos;
}

std::vector<std::string> UnmatchedFieldNames(const std::vector<FieldDescriptor>& fields,
                                             std::string_view fieldList) {
    std::vector<std::string> unmatched;
    for (std::size_t from = 0, end; (end = fieldList.find(';', from)) != std::string_view::npos;
         from = end + 1) {
        const std::string name(fieldList.substr(from, end - from));
        if (name.empty() || std::find(unmatched.begin(), unmatched.end(), name) != unmatched.end())
            continue;
        const bool matches = std::any_of(fields.begin(), fields.end(), [&](const auto& field) {
            return IsFieldSelected(field.Name, name + ';');
        });
        if (!matches) unmatched.push_back(name);
    }
    return unmatched;
}

std::size_t ColumnWidth(const FieldDescriptor& field) {
    return std::max<std::size_t>(field.Length, field.Name.size());
}

bool IsRightAligned(char fieldType) {
    return RightAlignedTypes.find(fieldType) != std::string_view::npos;
}

char TypeLetter(char fieldType) {
    for (const TypeLetterEntry& entry : TypeLetters) {
        if (entry.FieldType == fieldType) return entry.Letter;
    }
    return '<';
}

void JustifyInPlace(std::string& text, std::size_t start, std::size_t width, bool right) {
    const std::size_t length = text.size() - start;
    if (std::max(length, width) > MaxFormatLength)
        throw EConvertError(std::string(msg::FormatTooLong));
    if (length >= width) return;
    if (right) {
        text.insert(start, width - length, ' ');
    } else {
        text.append(width - length, ' ');
    }
}

std::string JustifyLeft(std::string_view text, std::size_t width) {
    std::string result(text);
    JustifyInPlace(result, 0, width, false);
    return result;
}

std::string JustifyRight(std::string_view text, std::size_t width) {
    std::string result(text);
    JustifyInPlace(result, 0, width, true);
    return result;
}

void AppendQuoted(std::string& out, std::string_view text, std::string_view q) {
    if (q.size() == 1 && text.find(q[0]) == std::string_view::npos) {
        // The common case, written in one go: nothing to double.
        const std::size_t at = out.size();
        out.resize(at + text.size() + 2);
        char* p = out.data() + at;
        p[0] = q[0];
        std::memcpy(p + 1, text.data(), text.size());
        p[text.size() + 1] = q[0];
        return;
    }
    out += q;
    if (q.size() == 1) {
        // Each qualifier byte doubled.
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(q[0], from)) != std::string_view::npos;
             from = at + 1) {
            out.append(text.substr(from, at + 1 - from));
            out += q[0];
        }
        out.append(text.substr(from));
    } else if (q.empty()) {
        out += text;
    } else {
        // A copy inserted at p can make the text from p-1 on begin with q,
        // so the result is built from the end, reversed.
        thread_local std::string reversed;
        reversed.clear();
        for (std::size_t p = text.size(); p-- > 0;) {
            reversed += text[p];
            if (reversed.size() >= q.size() && std::equal(q.begin(), q.end(), reversed.rbegin())) {
                reversed.append(q.rbegin(), q.rend());
            }
        }
        out.append(reversed.rbegin(), reversed.rend());
    }
    out += q;
}

std::string QuoteValue(std::string_view text, std::string_view q) {
    std::string result;
    AppendQuoted(result, text, q);
    return result;
}

LineFormatter::LineFormatter(const std::vector<FieldDescriptor>& fields,
                             const ConvertSettings& settings)
    : delimiter_(settings.Delimiter == NoneMark ? std::string() : settings.Delimiter),
      qualifier_(settings.Qualifier), quoting_(settings.Qualifier != NoneMark),
      whenNeeded_(settings.QuoteWhenNeeded), fixedWidth_(settings.FixedWidth) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDescriptor& field = fields[i];
        if (!IsFieldSelected(field.Name, settings.FieldList)) continue;
        Column column;
        column.Index = i;
        column.Name = field.Name;
        column.Letter = TypeLetter(field.FieldType);
        column.Delimited = !columns_.empty() && !delimiter_.empty();
        column.RightAligned = IsRightAligned(field.FieldType);
        column.Width = ColumnWidth(field);
        columns_.push_back(std::move(column));
    }
}

void LineFormatter::BuildHeaderLine(std::string& line) const {
    BuildLine(line, false, [](const Column& column, std::string& out) { out += column.Name; });
}

void LineFormatter::BuildTypeLine(std::string& line) const {
    BuildLine(line, false, [](const Column& column, std::string& out) { out += column.Letter; });
}

std::size_t LineFormatter::FixedPadding(std::size_t length, std::size_t width) const {
    if (!fixedWidth_) return 0;
    if (std::max(length, width) > MaxFormatLength)
        throw EConvertError(std::string(msg::FormatTooLong));
    return width > length ? width - length : 0;
}

void LineFormatter::AppendQuotedField(std::string& line, std::size_t width, bool right) const {
    const std::size_t length = scratch_.size();
    const std::size_t padding = FixedPadding(length, width);
    const bool single = qualifier_.size() == 1;
    if (!single || (padding > 0 && qualifier_[0] == ' ') ||
        scratch_.find(qualifier_[0]) != std::string::npos) {
        if (fixedWidth_) JustifyInPlace(scratch_, 0, width, right);
        return AppendValue(line, scratch_);
    }
    if (length + padding == 0) return; // an empty value is not quoted
    // Blanks for the whole field, then the qualifiers and the text on them.
    const std::size_t at = line.size();
    line.append(length + padding + 2, ' ');
    char* field = line.data() + at;
    field[0] = qualifier_[0];
    std::memcpy(field + 1 + (right ? padding : 0), scratch_.data(), length);
    field[length + padding + 1] = qualifier_[0];
}

bool LineFormatter::FinishQuotedInPlace(std::string& line, std::size_t at, std::size_t width,
                                        bool right) const {
    const char q = qualifier_[0];
    const std::size_t length = line.size() - at - 1;
    const std::size_t padding = FixedPadding(length, width);
    if ((padding > 0 && q == ' ') || std::memchr(line.data() + at + 1, q, length) != nullptr)
        return false;
    if (length + padding == 0) { // an empty value is not quoted
        line.resize(at);
        return true;
    }
    if (right) {
        line.insert(at + 1, padding, ' ');
    } else {
        line.append(padding, ' ');
    }
    line += q;
    return true;
}

void LineFormatter::AppendFieldQuotedWhenNeeded(std::string& line, std::size_t width,
                                                bool right) const {
    if (fixedWidth_) JustifyInPlace(scratch_, 0, width, right);
    AppendValue(line, scratch_);
}

bool LineFormatter::NeedsQuoting(std::string_view text) const {
    constexpr std::string_view LineBreaks = "\r\n";
    return text.find_first_of(LineBreaks) != std::string_view::npos ||
           (!delimiter_.empty() && text.find(delimiter_) != std::string_view::npos) ||
           (!qualifier_.empty() && text.find(qualifier_) != std::string_view::npos);
}

void LineFormatter::AppendValue(std::string& line, std::string_view text) const {
    if (text.empty()) return;
    if (quoting_ && (!whenNeeded_ || NeedsQuoting(text))) {
        AppendQuoted(line, text, qualifier_);
    } else {
        line += text;
    }
}

} // namespace ostrane
