#include "soak/soak.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace vura::soak {

namespace {

// What the player does next, with its weight in a hundred.
enum class Act { Click, Move, RightClick, Hold, Tap, Ctrl, Wheel, Focus, Close };
struct Weighted {
    Act act;
    int weight;
};
constexpr std::array<Weighted, 9> kActs{{{Act::Click, 46},
                                         {Act::Move, 12},
                                         {Act::RightClick, 6},
                                         {Act::Hold, 3},
                                         {Act::Tap, 18},
                                         {Act::Ctrl, 4},
                                         {Act::Wheel, 7},
                                         {Act::Focus, 2},
                                         {Act::Close, 2}}};

constexpr std::array<const char*, 8> kTapKeys{"Return", "Return", "Space", "Escape",
                                              "Up",     "Down",   "Left",  "Right"};

// Names typed into the name dialog: ones it takes, empty ones and long ones it refuses, and its
// defaults.
constexpr std::array<const char*, 6> kNames{
    "佐藤 ミナ", "山田 ハル", "\"\" \"\"",
    "鈴木 \"\"", "default",   "あいうえおかきくけこ さしすせそたちつてと"};

int pick(std::mt19937_64& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

Act pickAct(std::mt19937_64& rng) {
    int total = 0;
    for (const Weighted& w : kActs)
        total += w.weight;
    int r = pick(rng, 0, total - 1);
    for (const Weighted& w : kActs) {
        if (r < w.weight)
            return w.act;
        r -= w.weight;
    }
    return Act::Click;
}

} // namespace

std::string makeInputScript(std::mt19937_64& rng, std::uint32_t lengthMs) {
    std::string out;
    char line[96];
    auto emit = [&](std::uint32_t ms, const char* what) {
        std::snprintf(line, sizeof line, "%u %s\n", static_cast<unsigned>(ms), what);
        out += line;
    };
    char what[64];
    auto at = [&](const char* action) {
        std::snprintf(what, sizeof what, "%s %d %d", action, pick(rng, 0, 639), pick(rng, 0, 479));
        return what;
    };
    int closes = 0;
    std::uint32_t t = static_cast<std::uint32_t>(pick(rng, 0, 200));
    while (t < lengthMs) {
        switch (pickAct(rng)) {
        case Act::Click:
            emit(t, at("click"));
            break;
        case Act::Move:
            emit(t, at("move"));
            break;
        case Act::RightClick:
            emit(t, at("rclick"));
            break;
        case Act::Hold:
            emit(t, "down left");
            emit(t + static_cast<std::uint32_t>(pick(rng, 60, 1500)), "up left");
            break;
        case Act::Tap:
            std::snprintf(what, sizeof what, "tap %s", kTapKeys[pick(rng, 0, kTapKeys.size() - 1)]);
            emit(t, what);
            break;
        case Act::Ctrl: {
            const char* side = pick(rng, 0, 3) == 0 ? "RCtrl" : "LCtrl";
            std::snprintf(what, sizeof what, "press %s", side);
            emit(t, what);
            std::snprintf(what, sizeof what, "release %s", side);
            emit(t + static_cast<std::uint32_t>(pick(rng, 100, 5000)), what);
            break;
        }
        case Act::Wheel: {
            int n = pick(rng, 1, 3);
            std::snprintf(what, sizeof what, "wheel %d", pick(rng, 0, 1) ? n : -n);
            emit(t, what);
            break;
        }
        case Act::Focus:
            emit(t, "focus out");
            emit(t + static_cast<std::uint32_t>(pick(rng, 20, 1500)), "focus in");
            break;
        case Act::Close:
            emit(t, "close");
            ++closes;
            break;
        }
        // Mostly a quick player; now and then a pause long enough for a movie, a voice or a
        // timed wait to run its course.
        t += static_cast<std::uint32_t>(pick(rng, 0, 19) == 0 ? pick(rng, 1000, 6000)
                                                              : pick(rng, 20, 500));
    }
    // Boxes come from the closes and from the name dialog's confirmations; an answer left over
    // does no harm, one missing would answer Yes.
    for (int i = 0; i < 3 * closes + 64; ++i)
        out += pick(rng, 0, 6) == 0 ? "answer yes\n" : "answer no\n";
    for (int i = 0; i < 24; ++i) {
        out += "name ";
        out += kNames[pick(rng, 0, kNames.size() - 1)];
        out += '\n';
    }
    return out;
}

std::size_t residentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "re");
    if (!f)
        return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    if (n != 2)
        return 0;
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

Growth measureGrowth(std::span<const RssSample> samples, double warmupSeconds) {
    Growth g;
    auto begin = std::find_if(samples.begin(), samples.end(),
                              [&](const RssSample& s) { return s.seconds >= warmupSeconds; });
    if (begin == samples.end())
        return g;
    const double start = begin->seconds;
    const double quarter = (samples.back().seconds - start) / 4;
    int firstCount = 0;
    int lastCount = 0;
    for (auto it = begin; it != samples.end(); ++it) {
        if (it->seconds <= start + quarter) {
            g.firstMean += static_cast<double>(it->bytes);
            ++firstCount;
        }
        if (it->seconds >= samples.back().seconds - quarter) {
            g.lastMean += static_cast<double>(it->bytes);
            ++lastCount;
        }
    }
    g.measured = quarter > 0 && firstCount >= 2 && lastCount >= 2 && g.firstMean > 0;
    if (!g.measured)
        return g;
    g.firstMean /= firstCount;
    g.lastMean /= lastCount;
    g.percent = (g.lastMean - g.firstMean) * 100.0 / g.firstMean;
    return g;
}

} // namespace vura::soak
