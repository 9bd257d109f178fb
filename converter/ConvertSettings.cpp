#include "converter/ConvertSettings.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/TextToValue.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

// A text that starts with a backslash names one byte by number: the rest is
// a 32-bit integer (decimal, or "$" and hex digits) of which the low 8 bits
// count, so "\9" is TAB and "\0" is NoneMark.  Other texts stay as typed.
std::string Unescaped(std::string_view value) {
    if (value.empty() || value.front() != '\\') return std::string(value);
    const std::int32_t number = StrToInt(value.substr(1));
    return std::string(1, static_cast<char>(number & 0xFF));
}

void SetHeaderLine(ConvertSettings& s, std::string_view) {
    s.HeaderLine = true;
}
void SetTypeLine(ConvertSettings& s, std::string_view) {
    s.TypeLine = true;
}
void SetFixedWidth(ConvertSettings& s, std::string_view) {
    s.FixedWidth = true;
}
void SetDelimiter(ConvertSettings& s, std::string_view value) {
    s.Delimiter = Unescaped(value);
}
void SetQualifier(ConvertSettings& s, std::string_view value) {
    s.Qualifier = Unescaped(value);
}

// Only CR and LF change the separator; anything else (CRLF included) keeps
// the one in force.
void SetRecordSeparator(ConvertSettings& s, std::string_view value) {
    const std::string upper = UpperCaseAscii(value);
    if (upper == "CR") s.RecordSeparator = "\r";
    if (upper == "LF") s.RecordSeparator = "\n";
}

// Stored lower-cased with a closing ";" so that "name;" can be looked up.
void SetFieldList(ConvertSettings& s, std::string_view value) {
    s.FieldList = value.empty() ? std::string() : LowerCaseAscii(value) + ";";
}

void SetFilterText(ConvertSettings& s, std::string_view value) {
    s.FilterText = std::string(value);
}

// A number (437, 1252, ...) or a character set name (KOI8-R, UTF-8); empty
// leaves the choice to the table.  One this system cannot convert from stops
// the run before any file is touched.
void SetCodePage(ConvertSettings& s, std::string_view value) {
    s.CodePage = 0;
    if (value.empty()) return;
    if (!CodePageFromName(value, s.CodePage))
        throw EConvertError(FormatMessage(msg::UnknownCodePage, value));
}

void SetTrimTexts(ConvertSettings& s, std::string_view) {
    s.TrimTexts = true;
}

// RFC 4180: "," between fields, '"' only where needed, a header line, CR LF
// after each line (RFC 4180's own), trimmed texts.  The other switches,
// applied after this one, change its parts.
void SetCsv(ConvertSettings& s, std::string_view) {
    s.Form = OutputForm::Csv;
    s.Delimiter = ",";
    s.Qualifier = "\"";
    s.QuoteWhenNeeded = true;
    s.RecordSeparator = "\r\n";
    s.HeaderLine = true;
    s.TrimTexts = true;
}

// JSON Lines: one object per record (ReadSettings ends each with LF).
void SetJson(ConvertSettings& s, std::string_view) {
    s.Form = OutputForm::Json;
    s.TrimTexts = true;
}

enum class Match { Whole, Prefix };

// Switches that choose an output form act before all others, so that the
// switches refining a form act whatever their place on the command line.
enum class Pass { Form, Part };

struct Switch {
    std::string_view Text; // upper case; a prefix switch ends in "="
    Match How;
    void (*Apply)(ConvertSettings&, std::string_view value);
    Pass When = Pass::Part;
};

// Tried in this order on the upper-cased argument; the first match acts.
// Every switch the program knows is here: an argument that matches none is
// reported as doing nothing.
constexpr Switch Switches[] = {
    {"/H", Match::Whole, SetHeaderLine},
    {"/F", Match::Whole, SetTypeLine},
    {"/FIXED", Match::Whole, SetFixedWidth},
    {"/DELIMITER=", Match::Prefix, SetDelimiter},
    {"/QUALIFIER=", Match::Prefix, SetQualifier},
    {"/RECORDSEPARATOR=", Match::Prefix, SetRecordSeparator},
    {"/FIELDS=", Match::Prefix, SetFieldList},
    {"/FILTER=", Match::Prefix, SetFilterText},
    {"/CODEPAGE=", Match::Prefix, SetCodePage},
    {"/TRIM", Match::Whole, SetTrimTexts},
    {"/CSV", Match::Whole, SetCsv, Pass::Form},
    {"/JSON", Match::Whole, SetJson, Pass::Form},
};

// The number of arguments that name files before the switches.
constexpr std::size_t FileNameArguments = 2;

bool Matches(const Switch& sw, std::string_view upperArgument) {
    return sw.How == Match::Whole ? upperArgument == sw.Text : upperArgument.starts_with(sw.Text);
}

const Switch* SwitchOf(std::string_view argument) {
    const std::string upper = UpperCaseAscii(argument);
    for (const Switch& sw : Switches) {
        if (Matches(sw, upper)) return &sw;
    }
    return nullptr;
}

void ApplyArgument(ConvertSettings& settings, std::string_view argument, Pass pass) {
    const Switch* sw = SwitchOf(argument);
    if (sw == nullptr || sw->When != pass) return;
    // The value is taken as typed, not upper-cased.
    const std::string_view value =
        sw->How == Match::Prefix ? argument.substr(sw->Text.size()) : std::string_view();
    sw->Apply(settings, value);
}

} // namespace

ConvertSettings ReadSettings(const std::vector<std::string>& arguments) {
    ConvertSettings settings;
    if (arguments.size() > 0) settings.SourceName = arguments[0];
    if (arguments.size() > 1) settings.TargetName = arguments[1];
    for (const Pass pass : {Pass::Form, Pass::Part}) {
        for (const std::string& argument : arguments) ApplyArgument(settings, argument, pass);
    }
    // JSON Lines end every line with LF whatever /RECORDSEPARATOR= says.
    if (settings.Form == OutputForm::Json) settings.RecordSeparator = "\n";
    return settings;
}

bool IsForOtherTools(const ConvertSettings& settings) {
    return settings.Form != OutputForm::Lines;
}

bool WritesToStandardOutput(const ConvertSettings& settings) {
    return settings.TargetName == StandardOutputName;
}

std::vector<std::string> UnknownSwitches(const std::vector<std::string>& arguments) {
    std::vector<std::string> unknown;
    for (std::size_t i = FileNameArguments; i < arguments.size(); ++i) {
        if (SwitchOf(arguments[i]) == nullptr) unknown.push_back(arguments[i]);
    }
    return unknown;
}

std::vector<std::string_view> SwitchTexts() {
    std::vector<std::string_view> texts;
    for (const Switch& sw : Switches) texts.push_back(sw.Text);
    return texts;
}

} // namespace ostrane
