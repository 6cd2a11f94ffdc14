#pragma once
// Little-endian reads and writes for every file format the engine knows: scripts, layouts,
// packs, pictures, sounds and recordings all store their numbers least significant byte first.
// The callers check that the bytes are there before they read.

#include <cstdint>
#include <vector>

namespace vura {

inline std::uint16_t readLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void writeLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeLe32(std::uint8_t* p, std::uint32_t v) {
    writeLe16(p, v);
    writeLe16(p + 2, v >> 16);
}

// Appends the low `bytes` bytes of the value (1 to 4).
inline void appendLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    appendLe(out, v, 4);
}

} // namespace vura
