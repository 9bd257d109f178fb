#include "converter/Usage.h"

#include <array>

namespace ostrane {
namespace {

// The banner is kept byte for byte as earlier versions printed it (CR LF line
// ends, the doubled line end after the description): scripts that call the
// program may compare it.  Only the usage line names the program as it is
// called here.
constexpr std::string_view BannerLineEnd = "\r\n";
constexpr std::string_view BannerLines[] = {
    "Ostrane v2.6",
    "convert dBase tables into text files\r\n",
    "",
    "ostrane <source.dbf> <target.txt> [/h] [/f] [/fixed] [/delimiter=<separator>] "
    "[/qualifier=<char>] [/recordseparator=<crlf|cr|lf|>] [/fields=<field1;field2;...>] "
    "[/filter=<filter>]",
};

// Shown after the banner; plain LF line ends.
constexpr std::string_view HelpBody = R"(
Converts one dBase, FoxBASE, FoxPro or Visual FoxPro table (and the memo file
beside it) into a text file: one line per record that is not deleted, each
followed by the record separator.  A target of - writes the lines to standard
output; messages then go to standard error.

Switches (letter case does not matter; a value is taken as typed):
  /H                    first line: the field names
  /F                    next line: one type letter per field (S string,
                        N number, D date, L logical, M memo, ...)
  /FIXED                pad every value to its column width: numbers on the
                        left, everything else on the right (the delimiter
                        stays; add /DELIMITER=\0 for bare columns)
  /DELIMITER=<text>     written between fields                default: TAB
  /QUALIFIER=<text>     encloses every non-empty value, doubled inside it
                                                              default: none
  /RECORDSEPARATOR=<x>  CR or LF; anything else keeps CR LF   default: CR LF
  /FIELDS=<a;b;...>     only these fields, in table order     default: all
  /FILTER=<expression>  only the records for which it is true default: all
  /CODEPAGE=<page>      the code page of the table's texts: a number such as
                        437, 850, 866, 1250 to 1258, 932, 936, or a name
                        such as KOI8-R or UTF-8     default: the table's own
  /TRIM                 drop the trailing blanks of character values
  /CSV                  CSV for other tools (RFC 4180): "," between fields,
                        " only around values holding ",", ", CR or LF
                        (doubled inside), a header line, /TRIM, CR LF line
                        ends, binary values as base64; numbers, dates and
                        texts as in the C locale (1234.5, 2024-01-31,
                        UTF-8) whatever the locale.  /DELIMITER=,
                        /QUALIFIER=, /RECORDSEPARATOR=, /F and /FIXED
                        change its parts
  /JSON                 JSON Lines: one object per record, keys the field
                        names, typed values (numbers, true/false, null,
                        "yyyy-mm-dd", "yyyy-mm-ddThh:nn:ss", UTF-8 texts
                        trimmed, binary values as base64), LF line ends, as
                        in the C locale.  /H /F /FIXED /DELIMITER=
                        /QUALIFIER= /RECORDSEPARATOR= do not apply
  --help, -h, /?        this help          --version   the version

Escapes: a /DELIMITER or /QUALIFIER value that starts with a backslash names
one byte by its number, decimal or $ and hex: \9 TAB, \34 ", \39 ', \44 or
\$2C comma, \124 |, \0 none.  Any other value is used as typed.

Examples (quoted for a POSIX shell such as bash: \ and ; need the quotes):
  ostrane customers.dbf customers.txt /H
  ostrane customers.dbf customers.csv /H /DELIMITER=, '/QUALIFIER=\34'
  ostrane customers.dbf customers.csv /CSV
  ostrane customers.dbf - /JSON '/FIELDS=id;name;balance' | head -n 2
  ostrane customers.dbf names.txt '/FIELDS=name;city' /TRIM
  ostrane customers.dbf - '/FIELDS=name;city' /RECORDSEPARATOR=LF | head -n 3
  ostrane customers.dbf oslo.txt '/FILTER=TRIM([CITY]) = "Oslo"'
  ostrane customers.dbf rich.txt '/FILTER=([BALANCE] > 1000) AND ([ACTIVE] = 1)'

Filters: a field name, bare or in brackets ([CITY]), stands for the field's
value; "text" in double quotes is a text; any other bare word is its own text.
Character fields keep their trailing blanks, so compare TRIM([CITY]).
Operators: + - * / ^ = < > <= >= <> != AND OR NOT, and ! (factorial).  They
bind in this order, + loosest, so put each comparison in parentheses.
Blanks inside words are dropped and a word operator joins the word after it:
1 AND x reads as 1 and ANDx.  Put each operand in parentheses: (a) AND (b),
NOT (a).  Functions include TRIM, UPPER, LOWER, SUBSTR, POS, LENGTH, ISNULL,
ISCONTAIN, ISSTARTSWITH, IIF, ROUND, YEAR, MONTH, DAY and DATETOSTR;
man ostrane lists them all.

Exit status: 0 when the table was converted, 1 on any error (a missing source
included).  Warnings go to standard error and start with "ostrane: warning:".
)";

struct InfoArgument {
    std::string_view Text;
    InfoRequest Request;
};

constexpr std::array<InfoArgument, 4> InfoArguments{{
    {"--help", InfoRequest::Help},
    {"-h", InfoRequest::Help},
    {"/?", InfoRequest::Help},
    {"--version", InfoRequest::Version},
}};

} // namespace

std::string BannerText() {
    std::string text;
    for (std::string_view line : BannerLines) text.append(line).append(BannerLineEnd);
    return text;
}

std::string HelpText() {
    return BannerText().append(HelpBody);
}

std::string VersionText() {
    return "ostrane " + std::string(ProgramVersion) + "\n";
}

InfoRequest InfoRequestOf(std::string_view firstArgument) {
    for (const InfoArgument& info : InfoArguments) {
        if (info.Text == firstArgument) return info.Request;
    }
    return InfoRequest::None;
}

} // namespace ostrane
