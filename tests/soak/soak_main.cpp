// vura-soak: plays the bundled demo over and over on the headless backend, driven by a seeded
// random player, for a given wall time, and watches the process's memory. Run it in the
// sanitizer tree (`make soak SOAK_SECONDS=N`): a sanitizer report, a crash, a leak left behind
// by a play or resident memory growing more than 5 % from the first quarter of the run to the
// last fails it.
//
//   vura-soak [GAME_DIR]     (the demo of this build tree without it)
//
// Environment: SOAK_SECONDS (60), SOAK_SEED (from the clock; always printed, so a failing run
// can be played again exactly), SOAK_TICK_MS (virtual milliseconds per pass, 10), SOAK_VERBOSE
// (1: a line for each play, with the bytes still allocated after it, and the commands never run).

#include "core/command_signatures.hpp"
#include "core/engine.hpp"
#include "platform/app_state.hpp"
#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"
#include "soak/soak.hpp"

#include <unistd.h>

#include <bitset>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

// GCC says so with __SANITIZE_ADDRESS__, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define VURA_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VURA_SOAK_ASAN 1
#endif
#endif

#if defined(VURA_SOAK_ASAN)
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>

// The allocator's count of the bytes in use (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();

// The allocator keeps freed blocks in a quarantine (256 MB by default) to catch uses after
// free. Filling it looks like growth for as long as it takes, longer than a short soak's
// warm-up; 32 MB still holds thousands of freed blocks and fills in seconds.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=32:detect_leaks=1";
}
#endif

namespace {

using namespace vura;
using WallClock = std::chrono::steady_clock;

constexpr double kAllowedGrowthPercent = 5.0;

// Where the run stands, for the line printed when a sanitizer ends the process.
struct Progress {
    unsigned long long seed = 0;
    int play = 0;
    unsigned long long ticks = 0;
} progress;

[[maybe_unused]] void sanitizerDied() {
    std::fprintf(stderr,
                 "soak: FAILED: sanitizer report above (seed %llu, play %d, tick %llu; "
                 "SOAK_SEED=%llu plays it again)\n",
                 progress.seed, progress.play, progress.ticks, progress.seed);
}

unsigned long long envNumber(const char* name, unsigned long long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = nullptr;
    unsigned long long n = std::strtoull(v, &end, 10);
    if (*end != '\0') {
        std::fprintf(stderr, "soak: %s must be a number, not '%s'\n", name, v);
        std::exit(2);
    }
    return n;
}

double megabytes(std::size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

struct Run {
    std::filesystem::path gameDirectory;
    std::filesystem::path saveDirectory;
    std::uint32_t tickMs = 10;
    bool verbose = false; // a line for each play on standard error
    WallClock::time_point start;
    WallClock::time_point end;
    std::mt19937_64 rng;
    std::vector<soak::RssSample> samples;
    std::size_t peak = 0;
    WallClock::time_point nextSample;
    WallClock::time_point nextReport;
    int playsEndedByGame = 0;
    std::size_t boxes = 0;
    std::bitset<kCommandCount> commandsRun;

    double seconds(WallClock::time_point t) const {
        return std::chrono::duration<double>(t - start).count();
    }

    void sample(WallClock::time_point now) {
        std::size_t rss = soak::residentBytes();
        peak = std::max(peak, rss);
        samples.push_back({seconds(now), rss});
        nextSample = now + std::chrono::milliseconds(250);
        if (now >= nextReport) {
            std::printf("soak: %.0f s, %llu ticks, %d plays, RSS %.1f MB\n", seconds(now),
                        progress.ticks, progress.play, megabytes(rss));
            nextReport = now + std::chrono::seconds(60);
        }
    }

    // One play, from start-up to shut-down: until the game quits, its virtual length is up
    // (then the window goes, as --quit-after does) or the wall time is.
    bool play() {
        ++progress.play;
        const auto lengthMs =
            static_cast<std::uint32_t>(std::uniform_int_distribution<int>(60, 900)(rng) * 1000);
        InputScriptResult input = parseInputScript(soak::makeInputScript(rng, lengthMs), "soak");
        if (!input.ok) {
            std::fprintf(stderr, "soak: FAILED: the input made is refused: %s\n",
                         input.error.c_str());
            return false;
        }
        std::ostream nowhere(nullptr); // the boxes' log lines; they are counted below
        HeadlessConfig headless;
        headless.tickMs = tickMs;
        headless.log = &nowhere;
        headless.script = std::move(input.script);
        HeadlessPlatform platform(std::move(headless));
        EngineConfig config;
        config.gameDirectory = gameDirectory;
        config.saveDirectory = saveDirectory;
        Engine engine(platform, std::move(config));
        if (!InitEngine(engine) || !StartScript(engine)) {
            std::fprintf(stderr, "soak: FAILED: the game in %s does not start (play %d)\n",
                         gameDirectory.c_str(), progress.play);
            return false;
        }
        bool closing = false;
        for (;;) {
            bool quit = platform.pumpEvents(*engine.app.appState);
            EngineTick(engine);
            ++progress.ticks;
            if (const int state = engine.script.engineState; state >= 0 && state < kCommandCount)
                commandsRun.set(static_cast<std::size_t>(state));
            if (quit) {
                if (!closing)
                    ++playsEndedByGame;
                break;
            }
            if ((progress.ticks & 63) != 0)
                continue;
            WallClock::time_point now = WallClock::now();
            if (now >= nextSample)
                sample(now);
            if (!closing && (now >= end || platform.elapsedMs() >= lengthMs)) {
                closing = true;
                engine.app.appState->DestroyMainWindow();
            }
        }
        boxes += platform.messageBoxes().size();
        if (verbose)
            std::fprintf(stderr, "soak: play %d: %llu virtual ms, %s, %zu boxes\n", progress.play,
                         static_cast<unsigned long long>(platform.elapsedMs()),
                         closing ? "closed" : "ended by the game", platform.messageBoxes().size());
        ShutdownEngine(engine);
        return true;
    }
};

// A play that left memory nobody points to fails the run at once, naming the play.
bool noLeaksSoFar(bool verbose) {
#if defined(VURA_SOAK_ASAN)
    // What is still allocated between plays: memory that a play leaves behind and something
    // still points to (a cache, a registry) shows as a climb here.
    if (verbose)
        std::fprintf(stderr, "soak: after play %d: %zu bytes allocated\n", progress.play,
                     __sanitizer_get_current_allocated_bytes());
    if (__lsan_do_recoverable_leak_check() != 0) {
        std::fprintf(stderr, "soak: FAILED: play %d left leaks (above; seed %llu, tick %llu)\n",
                     progress.play, progress.seed, progress.ticks);
        return false;
    }
#else
    (void)verbose;
#endif
    return true;
}

} // namespace

int main(int argc, char** argv) {
#if defined(VURA_SOAK_ASAN)
    __sanitizer_set_death_callback(sanitizerDied);
#endif
    // Line by line even into a pipe: a sanitizer ends the process without flushing what waits.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Run run;
    run.gameDirectory = argc > 1 ? argv[1] : DEMO_DIR;
    const unsigned long long secondsWanted = envNumber("SOAK_SECONDS", 60);
    progress.seed = envNumber(
        "SOAK_SEED", static_cast<unsigned long long>(
                         std::chrono::system_clock::now().time_since_epoch().count() % 1000000007));
    run.tickMs = static_cast<std::uint32_t>(std::max(1ULL, envNumber("SOAK_TICK_MS", 10)));
    run.rng.seed(progress.seed);
    run.verbose = envNumber("SOAK_VERBOSE", 0) != 0;

    // Saves and the common data go to a directory of the run's own, so the demo beside the
    // build keeps its saves and every run starts from none.
    run.saveDirectory = std::filesystem::temp_directory_path() /
                        ("vura-soak-" + std::to_string(static_cast<long>(getpid())));
    std::filesystem::create_directories(run.saveDirectory);

    std::printf("soak: seed %llu, %llu s, %u ms a tick, game %s\n", progress.seed, secondsWanted,
                run.tickMs, run.gameDirectory.c_str());
    run.start = WallClock::now();
    run.end = run.start + std::chrono::seconds(secondsWanted);
    run.nextSample = run.start;
    run.nextReport = run.start + std::chrono::seconds(60);
    bool ok = true;
    bool leaked = false;
    while (ok && WallClock::now() < run.end) {
        ok = run.play();
        leaked = ok && !noLeaksSoFar(run.verbose);
        ok = ok && !leaked;
    }
    run.sample(WallClock::now());
    std::error_code ec;
    std::filesystem::remove_all(run.saveDirectory, ec);
    if (leaked)
        std::_Exit(1); // without LeakSanitizer's check at the exit, which says it all again
    if (!ok)
        return 1;

    if (run.verbose) {
        std::fprintf(stderr, "soak: commands never run:");
        for (int n = 0; n < kCommandCount; ++n)
            if (!run.commandsRun.test(static_cast<std::size_t>(n)))
                std::fprintf(stderr, " %d %s", n, std::string(commandName(n)).c_str());
        std::fprintf(stderr, "\n");
    }
    const double warmup = 0.2 * static_cast<double>(secondsWanted);
    soak::Growth growth = soak::measureGrowth(run.samples, warmup);
    std::printf("soak: seed %llu, %llu ticks, %d plays (%d ended by the game), %zu boxes, "
                "%zu commands seen, peak RSS %.1f MB, ",
                progress.seed, progress.ticks, progress.play, run.playsEndedByGame, run.boxes,
                run.commandsRun.count(), megabytes(run.peak));
    if (!growth.measured) {
        std::printf("growth not measured (the run is too short)\n");
        return 0;
    }
    std::printf("growth first->last quarter %+.1f %% (mean %.1f -> %.1f MB)\n", growth.percent,
                growth.firstMean / (1024.0 * 1024.0), growth.lastMean / (1024.0 * 1024.0));
    if (growth.percent > kAllowedGrowthPercent) {
        std::printf("soak: FAILED: resident memory grew %.1f %%, more than %.0f %% (seed %llu)\n",
                    growth.percent, kAllowedGrowthPercent, progress.seed);
        return 1;
    }
    std::printf("soak: passed\n");
    return 0;
}
