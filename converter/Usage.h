// What the program says about itself: the banner shown without arguments,
// the help and the version line.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

inline constexpr std::string_view ProgramVersion = "2.6";

// The banner with the usage line, each line ended by CR LF.
std::string BannerText();
// The banner, then every switch with its escapes and defaults, examples
// quoted for a POSIX shell and a short guide to the filter language.
std::string HelpText();
// "ostrane <version>" and a line end.
std::string VersionText();

// What the first argument asks for instead of a conversion.
enum class InfoRequest { None, Help, Version };
InfoRequest InfoRequestOf(std::string_view firstArgument);

} // namespace ostrane
