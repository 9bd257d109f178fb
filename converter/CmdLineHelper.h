// Splitting a command line given as one text into arguments.
//
// Blanks (bytes 0x01..0x20) separate arguments outside double quotes; a
// double quote toggles quoting; backslashes are literal unless a run of them
// precedes a double quote, where each pair gives one backslash and an odd one
// out makes the quote literal.  Characters are single bytes, so bytes from
// 0x80 up (UTF-8 sequences included) are always copied as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrane {

// Reads the argument at cursor (a NUL-terminated text, or none) and moves the
// cursor past it.  buffer, when given, receives the argument's bytes;
// length, when given, the number of bytes (0 when nothing was read).
// Returns false when no further argument follows.
bool ScanArgument(const char*& cursor, std::string* buffer, std::size_t* length);

// The number of arguments after the program name (argument 0).
std::int32_t ArgumentCount(const std::string& commandLine);

// Argument n of the command line; the empty text when it does not exist.
// n <= 0 gives the path of the running program (ProgramPath).
std::string ArgumentAt(const std::string& commandLine, std::int32_t n);

// The full path of the running program's file: /proc/self/exe, or the name
// recorded by SetProgramName when that cannot be read.
std::string ProgramPath();
void SetProgramName(const char* argv0);

} // namespace ostrane
