#pragma once
// The common data file SAVE__.OVS: the player's own variables (settings, read flags), kept
// across play-throughs. No header: n int keys, the n common ints each XORed with its key, m flag
// keys, the m common flags (0 or 1) each XORed with its key byte; fresh keys at every write.

#include "core/crt_random.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vura {

inline constexpr const char* kCommonDataFileName = "SAVE__.OVS";

struct CommonData {
    std::vector<std::int32_t> ints;
    std::vector<std::uint8_t> flags;
};

// The file's bytes, with keys drawn from the generator: an int key is a value from 0 to 32767,
// a flag key the low byte of one.
std::vector<std::uint8_t> encodeCommonData(const CommonData& data, CrtRandom& keys);

// The variables of a file written for `ints` common ints and `flags` common flags; nothing unless
// the file is exactly 8 x ints + 2 x flags bytes. A flag is set when its byte XOR its key is
// exactly 1.
std::optional<CommonData> decodeCommonData(std::span<const std::uint8_t> bytes, std::size_t ints,
                                           std::size_t flags);

} // namespace vura
