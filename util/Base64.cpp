#include "util/Base64.h"

#include <cstdint>

namespace ostrane {
namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char Padding = '=';

unsigned Byte(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

} // namespace

void AppendBase64(std::string& out, std::string_view bytes) {
    const std::size_t whole = bytes.size() / 3 * 3;
    std::size_t at = out.size();
    out.resize(at + (bytes.size() + 2) / 3 * 4);
    char* p = out.data() + at;
    // Every three bytes give four letters of six bits each.
    for (std::size_t i = 0; i < whole; i += 3) {
        const std::uint32_t group =
            Byte(bytes, i) << 16 | Byte(bytes, i + 1) << 8 | Byte(bytes, i + 2);
        *p++ = Alphabet[group >> 18 & 0x3F];
        *p++ = Alphabet[group >> 12 & 0x3F];
        *p++ = Alphabet[group >> 6 & 0x3F];
        *p++ = Alphabet[group & 0x3F];
    }
    // One or two bytes left: two or three letters, padded to four.
    const std::size_t rest = bytes.size() - whole;
    if (rest == 0) return;
    const std::uint32_t group =
        Byte(bytes, whole) << 16 | (rest == 2 ? Byte(bytes, whole + 1) << 8 : 0u);
    *p++ = Alphabet[group >> 18 & 0x3F];
    *p++ = Alphabet[group >> 12 & 0x3F];
    *p++ = rest == 2 ? Alphabet[group >> 6 & 0x3F] : Padding;
    *p++ = Padding;
}

} // namespace ostrane
