// The exact text of every output line: header line, type line and record
// lines.  The builder knows field descriptors and a source of field texts,
// not the table reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

struct ConvertSettings;

// What the lines need to know of one field of the table.
struct FieldDescriptor {
    std::string Name;
    char FieldType = 'C';
    std::uint16_t Length = 0;
};

// Padded texts may be at most this long.
inline constexpr std::size_t MaxFormatLength = 4096;

// True when fieldList is empty, or when ";" + lower-cased name + ";" occurs
// in ";" + fieldList (fieldList is lower case and ends in ";").
bool IsFieldSelected(std::string_view name, std::string_view fieldList);
// The entries of fieldList (as stored: lower case, ";" after each) that name
// no field, in list order and each once; empty entries name nothing.
std::vector<std::string> UnmatchedFieldNames(const std::vector<FieldDescriptor>& fields,
                                             std::string_view fieldList);
// The larger of the field length and the byte length of its name.
std::size_t ColumnWidth(const FieldDescriptor& field);
// True for the numeric types that fixed-width lines pad on the left.
bool IsRightAligned(char fieldType);
// The letter of the type line: A B S I D T N O L M F G C, '<' when unknown.
char TypeLetter(char fieldType);

// Blanks after (JustifyLeft) or before (JustifyRight) the text up to width
// bytes; never cuts.  A result longer than MaxFormatLength raises
// EConvertError "Format result longer than 4096 characters".
std::string JustifyLeft(std::string_view text, std::size_t width);
std::string JustifyRight(std::string_view text, std::size_t width);
// Pads the bytes of text from position start on, in place, by the same rules.
void JustifyInPlace(std::string& text, std::size_t start, std::size_t width, bool right);

// q + text + q, where every occurrence of q inside the text (scanned from the
// last byte to the first, counting copies already inserted) gains a copy.
std::string QuoteValue(std::string_view text, std::string_view q);
// Appends QuoteValue(text, q) to out.
void AppendQuoted(std::string& out, std::string_view text, std::string_view q);

// Appends the text of field i of the current record to out (nothing for a
// field without value).  A final subclass passed to BuildRecordLine is
// called directly, without a virtual call per field.
class FieldTextSource {
public:
    virtual void AppendFieldText(std::size_t i, std::string& out) const = 0;

protected:
    ~FieldTextSource() = default;
};

// Builds the lines of one run.  Everything that does not change from record
// to record (selection, widths, alignment, letters) is worked out once.
class LineFormatter {
public:
    LineFormatter(const std::vector<FieldDescriptor>& fields, const ConvertSettings& settings);

    // Each replaces the content of line.
    void BuildHeaderLine(std::string& line) const;
    void BuildTypeLine(std::string& line) const;
    template <class Source> void BuildRecordLine(std::string& line, const Source& values) const {
        BuildLine(line, true, [&values](const Column& column, std::string& out) {
            values.AppendFieldText(column.Index, out);
        });
    }

    // Appends text to line: nothing when text is empty, unchanged without a
    // qualifier, quoted with one (when quoting only where needed: when it
    // holds the delimiter, the qualifier, CR or LF).
    void AppendValue(std::string& line, std::string_view text) const;
    // Whether a value must be quoted when quoting only where needed.
    bool NeedsQuoting(std::string_view text) const;

private:
    // A selected field.
    struct Column {
        std::size_t Index = 0; // position in the table
        std::string Name;
        char Letter = '<';
        bool Delimited = false; // a delimiter goes before it: not the first selected
        bool RightAligned = false;
        std::size_t Width = 0;
    };

    // The one loop behind every line; appendText(column, out) appends the
    // column's text.  Record lines align by type, header and type lines left.
    template <class AppendText>
    void BuildLine(std::string& line, bool alignByType, const AppendText& appendText) const;
    // Appends scratch_, padded to width when the lines have fixed widths,
    // quoted: what JustifyInPlace and AppendValue give, in one go when
    // neither the text nor the padding holds the qualifier.
    void AppendQuotedField(std::string& line, std::size_t width, bool right) const;
    // Completes a field that BuildLine wrote as the qualifier at `at` and the
    // text after it: padded and closed as AppendQuotedField would, or false
    // (the line unchanged) when the text or the padding holds the qualifier.
    bool FinishQuotedInPlace(std::string& line, std::size_t at, std::size_t width,
                             bool right) const;
    // The blanks that pad a text of this length to width in fixed mode (none
    // otherwise); throws when the padded text is beyond MaxFormatLength.
    std::size_t FixedPadding(std::size_t length, std::size_t width) const;
    // AppendQuotedField for quoting only where needed (CSV): padded first,
    // as blanks may be the delimiter.
    void AppendFieldQuotedWhenNeeded(std::string& line, std::size_t width, bool right) const;

    std::vector<Column> columns_;
    std::string delimiter_; // empty when none
    std::string qualifier_;
    bool quoting_ = false;
    bool whenNeeded_ = false; // quoting only values that need it
    bool fixedWidth_ = false;
    mutable std::string scratch_; // the field text before quoting
};

// The delimiter goes between the selected fields only.
template <class AppendText>
void LineFormatter::BuildLine(std::string& line, bool alignByType,
                              const AppendText& appendText) const {
    line.clear();
    if (!quoting_ && !fixedWidth_) { // the common case: texts and delimiters only
        for (const Column& column : columns_) {
            if (column.Delimited) line += delimiter_;
            appendText(column, line);
        }
        return;
    }
    for (const Column& column : columns_) {
        if (column.Delimited) line += delimiter_;
        const bool right = alignByType && column.RightAligned;
        if (!quoting_) { // fixed width
            const std::size_t start = line.size();
            appendText(column, line);
            JustifyInPlace(line, start, column.Width, right);
            continue;
        }
        if (!whenNeeded_ && qualifier_.size() == 1) {
            // One pass: the text goes into the line right after its opening
            // qualifier, is scanned once and padded where it lies.
            const std::size_t at = line.size();
            line += qualifier_[0];
            appendText(column, line);
            if (FinishQuotedInPlace(line, at, column.Width, right)) continue;
            scratch_.assign(line, at + 1);
            line.resize(at);
            AppendQuotedField(line, column.Width, right);
            continue;
        }
        scratch_.clear();
        appendText(column, scratch_);
        if (whenNeeded_) {
            AppendFieldQuotedWhenNeeded(line, column.Width, right);
        } else {
            AppendQuotedField(line, column.Width, right);
        }
    }
    // CSV readers skip an empty line: a lone empty value is written quoted.
    if (whenNeeded_ && columns_.size() == 1 && line.empty())
        line.append(qualifier_).append(qualifier_);
}

} // namespace ostrane
