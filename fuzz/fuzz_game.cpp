// Plays arbitrary bytes as a whole game's INIT.SQX on the headless engine. The game around it is
// the demo as the build made it (its pack, pictures, sounds, movie and other scripts), so a
// script reaches every command with real resources behind it. The first byte picks what the
// player does (clicks, right clicks, the wheel, keys, Ctrl held, answers to boxes and names),
// the second the virtual time of a pass; the rest is the script. A run ends when the game
// quits or after a fixed number of passes. Nothing may crash, trip a sanitizer or hang.

#include "core/command_signatures.hpp"
#include "core/engine.hpp"
#include "core/script_file.hpp"
#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

// Passes of the main loop at most per run.
constexpr std::uint32_t kMaxPasses = 3000;
// Ticks in which the script loops without reaching a command, at most per run.
constexpr int kMaxSpinningTicks = 2;

// What the player does, picked by the input's first byte: a pattern of `periodMs`, repeated
// for the longest run (3000 passes of 16 ms), after its answers to boxes and name dialogs.
// Positions hit the demo's title menu, choices, system buttons (top right), save/load slots and
// the right-click screen's menu.
struct PlayerPattern {
    std::string_view answers;
    std::string_view events; // times within the period
    std::uint32_t periodMs;
};

constexpr std::array<PlayerPattern, 8> kPlayers = {{
    {"", "", 1000},
    {"", "0 click 320 240\n", 250},
    {"answer no\nanswer yes\n",
     "100 click 300 224\n400 rclick 320 240\n700 click 320 240\n1000 rclick 320 240\n"
     "1300 click 300 280\n2000 tap Escape\n2500 click 320 300\n",
     3000},
    {"",
     "100 wheel 1\n300 wheel 1\n500 wheel -1\n700 wheel -3\n900 click 320 240\n"
     "1200 wheel 2\n1500 rclick 100 100\n1800 click 320 240\n",
     2000},
    {"",
     "0 press LCtrl\n200 click 320 240\n700 click 320 240\n2500 release LCtrl\n"
     "2600 click 320 240\n2900 tap RCtrl\n",
     3000},
    {"",
     "100 tap Space\n300 tap Return\n500 tap Escape\n700 tap Space\n900 click 600 20\n"
     "1200 click 560 20\n1500 click 520 20\n1800 click 480 20\n2100 click 440 20\n",
     2400},
    {"name default\nname 佐藤 ミナト\nname \"\" \"\"\nanswer yes\nanswer no\nanswer ok\n",
     "50 move 250 220\n100 click 250 220\n400 click 250 270\n700 click 250 330\n"
     "1000 click 120 150\n1300 click 120 300\n1600 click 600 450\n",
     2000},
    {"answer no\n",
     "10 focus out\n200 focus in\n300 click 320 240\n301 down right\n"
     "320 up right\n400 down left\n2000 up left\n2100 tap Escape\n",
     2500},
}};

// The whole input script of a pattern: its events shifted by each period up to the end.
std::string expand(const PlayerPattern& p) {
    std::string out(p.answers);
    for (std::uint32_t start = 0; start < kMaxPasses * 16; start += p.periodMs) {
        std::string_view rest = p.events;
        while (!rest.empty()) {
            std::size_t space = rest.find(' ');
            std::size_t end = rest.find('\n');
            out += std::to_string(start + std::stoul(std::string(rest.substr(0, space))));
            out += rest.substr(space, end + 1 - space);
            rest.remove_prefix(end + 1);
        }
    }
    return out;
}

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

struct Setup {
    fs::path game;
    fs::path saves;
    std::array<vura::InputScript, kPlayers.size()> scripts;
};

void copyTree(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// The demo's game directory copied once into a directory of this process's own, removed at
// the exit. Never destroyed, so the exit handler still finds its path.
const Setup& setup() {
    static const Setup& s = *[] {
        auto* made = new Setup;
        Setup& out = *made;
        out.game = fs::temp_directory_path() / ("vura-fuzz-game-" + std::to_string(::getpid()));
        copyTree(VURA_DEMO_DIR, out.game);
        out.saves = out.game / "sav";
        for (std::size_t i = 0; i < kPlayers.size(); ++i) {
            vura::InputScriptResult r = vura::parseInputScript(expand(kPlayers[i]), "fuzz");
            if (!r.ok)
                std::abort();
            out.scripts[i] = std::move(r.script);
        }
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(setup().game, ec);
        });
        return made;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    std::span<const std::uint8_t> script(data + 2, size - 2);
    // A script the engine would refuse to load costs no start-up.
    if (!vura::parseScriptImage(script))
        return 0;
    const Setup& s = setup();
    {
        std::ofstream out(s.game / "INIT.SQX", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(script.data()),
                  static_cast<std::streamsize>(script.size()));
        if (!out)
            std::abort();
    }
    // Every run starts without saves or common data.
    std::error_code ec;
    fs::remove_all(s.saves, ec);

    // VURA_FUZZ_LOG=1 shows the engine's log and trace, to see what an input does.
    static NullBuffer nullBuffer;
    static std::ostream nullStream(&nullBuffer);
    static const bool verbose = std::getenv("VURA_FUZZ_LOG") != nullptr;
    std::ostream& log = verbose ? std::cerr : nullStream;
    vura::HeadlessConfig config;
    config.tickMs = 1u + data[1] % 16u;
    config.log = &log;
    config.script = s.scripts[data[0] % kPlayers.size()];
    vura::HeadlessPlatform platform(std::move(config));
    vura::EngineConfig engineConfig;
    engineConfig.gameDirectory = s.game;
    engineConfig.saveDirectory = s.saves;
    engineConfig.trace = verbose ? &std::cerr : nullptr;
    vura::Engine engine(platform, engineConfig); // every command's handler (kCommandTable)
    if (vura::InitEngine(engine) && vura::StartScript(engine)) {
        int spinning = 0;
        std::string caption;
        for (std::uint32_t pass = 0; pass < kMaxPasses; ++pass) {
            bool quit = platform.pumpEvents(*engine.app.appState);
            int before = engine.script.engineState;
            bool effect = engine.display.effectRunning;
            bool active = engine.app.appState->active;
            if (before == 0)
                caption = platform.captionSjis();
            vura::EngineTick(engine);
            if (verbose && engine.script.engineState != before)
                std::cerr << "fuzz-game: " << platform.elapsedMs()
                          << " ms: " << vura::commandName(engine.script.engineState) << '\n';
            if (quit)
                break;
            // A tick that ran only the machine, which neither reached a command nor showed a
            // line marker in the caption: a script looping on its own, which used up the
            // machine's whole budget. Such a game stays responsive (every tick returns), but a
            // tick of it costs about a second under the sanitizers; two end the run.
            if (before == 0 && engine.script.engineState == 0 && !effect && active &&
                platform.captionSjis() == caption && ++spinning == kMaxSpinningTicks)
                break;
        }
        if (verbose)
            std::cerr << "fuzz-game: " << platform.elapsedMs() << " ms\n";
        // Every command that completed took the arguments its row declares, whatever the
        // script pushed.
        if (engine.script.argumentMismatches != 0)
            std::abort();
    }
    vura::ShutdownEngine(engine);
    return 0;
}
