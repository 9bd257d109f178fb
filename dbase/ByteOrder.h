// Reads of multi-byte numbers from table and memo bytes in either byte order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ostrane::bytes {

inline std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint16_t Be16(const std::uint8_t* p) {
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}
inline std::uint64_t Le64(const std::uint8_t* p) {
    return std::uint64_t(Le32(p)) | (std::uint64_t(Le32(p + 4)) << 32);
}
inline std::uint64_t Be64(const std::uint8_t* p) {
    return (std::uint64_t(Be32(p)) << 32) | std::uint64_t(Be32(p + 4));
}

inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

inline double DoubleFromBits(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}

} // namespace ostrane::bytes
