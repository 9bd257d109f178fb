// The settings of one conversion, read from the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

// The one-byte text holding NUL: as delimiter or qualifier it means none.
inline const std::string NoneMark(1, '\0');

struct ConvertSettings {
    std::string SourceName;
    std::string TargetName;
    bool HeaderLine = false;
    bool TypeLine = false;
    bool FixedWidth = false;
    std::string Delimiter = "\t";
    std::string Qualifier = NoneMark;
    std::string RecordSeparator = "\r\n";
    std::string FieldList; // lower case, ends in ";" unless empty
    std::string FilterText;
    // The code page of the table's texts; 0: as the table says (a .cpg file
    // beside it, else its language driver).
    std::uint16_t CodePage = 0;
};

// Reads every argument (1..n, the file names included) as a possible switch.
// arguments[0] is argument 1.  Throws EConvertError for a bad escape.
ConvertSettings ReadSettings(const std::vector<std::string>& arguments);

} // namespace ostrane
