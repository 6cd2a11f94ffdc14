#pragma once
// The 15-bit pseudo-random generator of the C runtime the games were made with:
// next = next x 214013 + 2531011, value = (next >> 16) & 0x7FFF. Seeding and the sequence match
// it exactly, so a script that draws numbers draws the same ones.

#include <cstdint>

namespace vura {

class CrtRandom {
public:
    void seed(std::uint32_t value) { state_ = value; }
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_ = 1;
};

} // namespace vura
