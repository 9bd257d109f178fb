// Every fixed message text of the program, in one place.  They are part of
// what the program prints ("<class>: <message>"), which scripts may match,
// so each is kept exactly as it stands; "%s" and "%d" are filled in by
// FormatMessage.
#pragma once

#include <string_view>

namespace ostrane::msg {

// Values, numbers and conversions.
inline constexpr std::string_view InvalidVariantTypeConversion = "Invalid variant type conversion";
inline constexpr std::string_view InvalidVariantOperation = "Invalid variant operation";
inline constexpr std::string_view DivisionByZero = "Division by zero";
inline constexpr std::string_view FloatDivisionByZero = "Floating point division by zero";
inline constexpr std::string_view InvalidFloatOperation = "Invalid floating point operation";
inline constexpr std::string_view FloatOverflow = "Floating point overflow";
inline constexpr std::string_view InvalidDateEncode = "Invalid argument to date encode";
inline constexpr std::string_view NotAnInteger = "'%s' is not a valid integer value";
inline constexpr std::string_view NotAFloat = "'%s' is not a valid floating point value";
inline constexpr std::string_view NotADate = "'%s' is not a valid date";
inline constexpr std::string_view FormatTooLong = "Format result longer than 4096 characters";
inline constexpr std::string_view OutOfMemory = "Out of memory";

// Files and streams.
inline constexpr std::string_view CannotOpenFile = "Cannot open file %s";
inline constexpr std::string_view CannotCreateFile = "Cannot create file %s";
inline constexpr std::string_view StreamReadError = "Stream read error";
inline constexpr std::string_view StreamWriteError = "Stream write error";

// The import framework.
inline constexpr std::string_view FileNotDefined = "File is not defined.";
inline constexpr std::string_view FileDoesNotExist = "File %s does not exist.";
inline constexpr std::string_view ListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr std::string_view CannotAssign = "Cannot assign a %s to a %s";

// The expression engine.
inline constexpr std::string_view IllegalCharacter =
    "Parse error: illegal character \"%s\" at position %d.";
inline constexpr std::string_view SyntaxFault = "Compile error: syntax fault.";
inline constexpr std::string_view ParenthesisMismatch = "Compile error: parenthesis mismatch.";
inline constexpr std::string_view TooDeeplyNested = "Compile error: expression too deeply nested.";
inline constexpr std::string_view FunctionParseError = "Function parse error.";
inline constexpr std::string_view TooManyArguments = "Function parse error: too many arguments.";
inline constexpr std::string_view DelimiterExpected =
    "Function parse error: delimitor \"%s\" expected between arguments.";
inline constexpr std::string_view FunctionNotValid = "Function \"%s\" is not valid.";
inline constexpr std::string_view FunctionHeaderNotValid = "Function header \"%s\" is not valid.";
inline constexpr std::string_view SyntaxTreeFault = "Calculate error: syntax tree fault.";

// The converter.
inline constexpr std::string_view SourceNotFound = "dBase file not found.";
inline constexpr std::string_view UnknownCodePage =
    "'%s' is not a code page this system can convert";

} // namespace ostrane::msg
