// Code-page conversion through iconv: single-byte pages become 256-entry
// tables built on first use; multi-byte pages keep one open descriptor.
// The target ("ANSI") set is the LC_CTYPE character set, UTF-8 for the
// C/POSIX locale; the OEM set is code page 437.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane {

// Name of the ANSI set in force ("UTF-8" unless the locale says otherwise).
const std::string& AnsiCharset();
// Selects the ANSI set (main calls it once from the locale; tests may too).
// ASCII names select UTF-8; a set iconv does not know falls back to UTF-8.
void SetAnsiCharset(std::string_view iconvName);
// SetAnsiCharset with nl_langinfo(CODESET) of the user's LC_CTYPE locale
// (read through newlocale, the process locale is not changed); plain ASCII
// and an unusable locale give UTF-8.
void InitAnsiCharsetFromLocale();

// Decodes bytes of a Windows code page into UTF-16, up to the first NUL.
// Returns false (and an empty result) when the code page is not available.
bool CodePageToUtf16(std::string_view text, std::uint16_t codePage, std::u16string& result);
// Converts bytes of a code page straight into the ANSI set, up to the first
// NUL; characters the ANSI set lacks become "?".  Returns false (and an empty
// result) when the code page is not available.
bool CodePageToAnsi(std::string_view text, std::uint16_t codePage, std::string& result);
// UTF-16 to the ANSI set; unmappable characters become "?".
void Utf16ToAnsi(std::u16string_view text, std::string& result);
// Text in a named iconv character set (such as a locale's CODESET) to the
// ANSI set; unmappable or invalid characters become "?".
void CharsetToAnsi(std::string_view text, const char* charset, std::string& result);
// Whether iconv offers the code page.
bool IsCodePageAvailable(std::uint16_t codePage);
// The code page a name stands for: a Windows or DOS number ("437", "1252"),
// "CP1251", "ANSI 1251", "windows-1251", an ISO 8859 part ("ISO-8859-1", or
// "88591" as GIS .cpg files write it), "UTF-8", "KOI8-R", or any other
// character set iconv knows by that name.  False when this system cannot
// convert from it.
bool CodePageFromName(std::string_view name, std::uint16_t& codePage);
// The code page as messages name it: "1252", "UTF-8", "ISO-8859-1".
std::string CodePageName(std::uint16_t codePage);
// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The letter test of the ANSI set (ASCII letters; in UTF-8 every byte from
// 0x80 up; in 8-bit sets the bytes that decode to a letter).
bool IsAnsiLetter(unsigned char c);

} // namespace ostrane
