#pragma once
// The soak's pieces that do not need an engine: the random player's input for one play, the
// process's resident memory, and how much it grew over a run.

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>

namespace vura::soak {

// One play's input script, lengthMs of virtual time long: clicks and right clicks anywhere in
// the window, pointer moves, Return, Space, Escape and the arrows tapped, Ctrl held and let go,
// the wheel, the focus lost and found again, the window's close button, and after the timed
// lines enough answers (mostly "no", so a close rarely ends the play) and names for the boxes
// and name dialogs of the play. The same generator state gives the same script.
std::string makeInputScript(std::mt19937_64& rng, std::uint32_t lengthMs);

// The resident set of this process in bytes, 0 when it cannot be read.
std::size_t residentBytes();

struct RssSample {
    double seconds = 0;    // wall time since the run began
    std::size_t bytes = 0; // resident memory then
};

struct Growth {
    bool measured = false; // enough samples after the warm-up in both quarters
    double firstMean = 0;  // resident bytes on average over the first quarter
    double lastMean = 0;   // ... and over the last
    double percent = 0;    // (lastMean - firstMean) / firstMean x 100
};

// Growth from the first quarter to the last of the samples taken from warmupSeconds on (the
// sanitizer's allocator and the caches fill during the warm-up). Means, not peaks: each play
// takes and gives back a few megabytes, and a quarter's peak is whichever play was biggest.
// Samples are in time order.
Growth measureGrowth(std::span<const RssSample> samples, double warmupSeconds);

} // namespace vura::soak
