#pragma once
// The window icon: the engine's own picture standing for the program icon "MAINICON".

#include <cstdint>
#include <vector>

namespace vura {

inline constexpr int kWindowIconSize = 32;

// kWindowIconSize x kWindowIconSize pixels, top-down, as 0xAARRGGBB.
std::vector<std::uint32_t> windowIconPixels();

} // namespace vura
