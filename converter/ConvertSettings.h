// The settings of one conversion, read from the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

// The one-byte text holding NUL: as delimiter or qualifier it means none.
inline const std::string NoneMark(1, '\0');

// The target name that stands for standard output.
inline constexpr std::string_view StandardOutputName = "-";

// What the lines are made for: people (the delimited or fixed-width lines,
// shaped by the switches), or other tools (RFC 4180 CSV, JSON Lines), whose
// runs are as under the C locale whatever the user's locale.
enum class OutputForm : std::uint8_t { Lines, Csv, Json };

struct ConvertSettings {
    std::string SourceName;
    std::string TargetName;
    bool HeaderLine = false;
    bool TypeLine = false;
    bool FixedWidth = false;
    std::string Delimiter = "\t";
    std::string Qualifier = NoneMark;
    std::string RecordSeparator = "\r\n";
    // The qualifier goes only around values that hold the delimiter, the
    // qualifier, CR or LF (CSV); otherwise around every non-empty value.
    bool QuoteWhenNeeded = false;
    // Trailing blanks of C and V values are dropped.
    bool TrimTexts = false;
    OutputForm Form = OutputForm::Lines;
    std::string FieldList; // lower case, ends in ";" unless empty
    std::string FilterText;
    // The code page of the table's texts; 0: as the table says (a .cpg file
    // beside it, else its language driver).
    std::uint16_t CodePage = 0;
};

// Reads every argument (1..n, the file names included) as a possible switch.
// arguments[0] is argument 1.  Throws EConvertError for a bad escape.
ConvertSettings ReadSettings(const std::vector<std::string>& arguments);

// True when the lines go to standard output instead of a file; then every
// message goes to standard error, so that standard output holds data only.
bool WritesToStandardOutput(const ConvertSettings& settings);

// True for /CSV and /JSON: the run formats as under the C locale and writes
// UTF-8 texts.
bool IsForOtherTools(const ConvertSettings& settings);

// The arguments after the two file names that match no switch, in order:
// they change nothing, which the user is told.
std::vector<std::string> UnknownSwitches(const std::vector<std::string>& arguments);

// The texts of the switches as matched (upper case, "=" ending a switch
// that takes a value), in the order they are tried.
std::vector<std::string_view> SwitchTexts();

} // namespace ostrane
