// Base64 (RFC 4648, with "=" padding, no line breaks): how binary values
// travel in CSV cells and JSON strings.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

// Appends the base64 text of bytes to out; nothing for no bytes.
void AppendBase64(std::string& out, std::string_view bytes);

} // namespace ostrane
