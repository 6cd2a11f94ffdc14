#pragma once
// The engine-wide objects and registers, owned by one Engine and passed by reference to the
// command handlers, the tick and start-up. Nothing lives in globals, so a test can run several
// engines in one process.

#include "audio/sound_commands.hpp"
#include "core/command_table.hpp"
#include "core/crt_random.hpp"
#include "core/script_vm.hpp"
#include "core/system_info.hpp"
#include "graphics/layer_set.hpp"
#include "graphics/surface.hpp"
#include "platform/app_state.hpp"
#include "platform/display_mode.hpp"
#include "platform/input_state.hpp"
#include "platform/platform.hpp"
#include "resources/pack_archive.hpp"
#include "text/message_log.hpp"
#include "text/message_window.hpp"
#include "text/text_state.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vura {

class FontSystem;
class SoundManager;

inline constexpr const char* kInitialWindowTitle = "RO-VivereVirezo ver1.0";
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;
inline constexpr int kScratchWords = 16;
inline constexpr int kSavedCommandDepth = 8;

struct EngineConfig {
    std::filesystem::path gameDirectory; // where the game's files are
    // What the game's default pack is named after; empty: the one "*.lst" in the game's
    // directory whose data file exists, if there is exactly one.
    std::string baseName;
    std::ostream* trace = nullptr; // one line per engine event when set
    // Tests replace the processor check to see the start-up refusal.
    std::function<bool()> processorCheck = processorHasVectorUnit;
    // A font file every message window draws with, in place of the fonts matched by name.
    std::filesystem::path fontFile;
};

// A command interrupted by a script, kept until the script returns.
struct SavedCommand {
    std::int32_t engineState = 0;
    std::int32_t commandPhase = 0;
    std::array<std::int32_t, kScratchWords> commandScratch{};
};

class Engine {
public:
    Engine(Platform& platform, EngineConfig config);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    // Shuts down whatever is still up.
    ~Engine();

    Platform& platform;
    EngineConfig config;

    // The engine-wide objects, declared in the order start-up creates them. Shut-down destroys
    // them in an order of its own (ShutdownEngine).
    std::unique_ptr<DisplayMode> displayMode;
    std::unique_ptr<SystemInfo> systemInfo;
    // The pack named after the game, its index read at start-up when both of its files exist.
    std::unique_ptr<PackArchive> defaultPack;
    std::unique_ptr<AppState> appState;
    std::unique_ptr<InputState> input;
    // The sound device with its primary format; the channels come with command 45. Between a
    // video and command 102 there is none.
    std::unique_ptr<SoundManager> soundManager;
    std::unique_ptr<LayerSet> mainLayerSet;
    std::unique_ptr<LayerSet> rightClickLayerSet;
    std::unique_ptr<Surface> screenSurface;
    std::unique_ptr<Surface> workSurface;
    std::unique_ptr<Surface> previousSurface;
    std::unique_ptr<Surface> backdropSurface;
    std::unique_ptr<Surface> thumbnailSurface;
    LayerSet* currentLayerSet = nullptr;
    std::unique_ptr<SystemButtons> systemButtons;
    std::unique_ptr<MessageLog> messageLog;
    CrtRandom random;
    // Created by StartScript, once everything above exists.
    std::unique_ptr<ScriptVm> vm;

    // Made by the scripts' commands: the channel records and, for each channel, the number of
    // the common int that holds its group's master volume (-1 at first), both as long as the
    // sound manager's channel array (command 45); the extra packs sounds are found in (49, 50).
    std::vector<SoundChannel> soundChannels;
    std::vector<std::int32_t> channelVolumeVariables;
    std::vector<std::unique_ptr<PackArchive>> packs;

    // The message windows of command 29, and the fonts they draw with (opened at the first
    // window, or at start-up when a font file is forced).
    std::vector<std::unique_ptr<MessageWindow>> messageWindows;
    std::unique_ptr<FontSystem> fonts;
    // The click-wait mark and the choice cursor.
    std::array<Animation, kAnimationCount> animations;

    // The registers start-up clears in one block.
    std::string windowTitle; // Shift-JIS, at most 127 bytes
    std::int32_t engineState = 0;
    std::int32_t commandPhase = 0;
    std::array<std::int32_t, kScratchWords> commandScratch{};
    int screenWidth = 0;
    int screenHeight = 0;
    bool skipMode = false;
    bool effectRunning = false;
    bool scriptRunsDuringEffect = false;
    bool windowsOnTop = false;
    std::array<SavedCommand, kSavedCommandDepth> savedCommandStack{};
    int savedCommandTop = -1;
    // Set by StartTimer, read by WaitTimer; the start of the current WaitClick. Neither is
    // saved with an interrupted command: both keep running while a handler script runs.
    std::uint32_t timerStart = 0;
    std::uint32_t waitClickStart = 0;
    // The number of the common int that switches transitions on (non-zero) or off; common
    // int 0 until a script names another.
    std::int32_t effectVariable = 0;
    // The common ints that show whole pages at once (no-wait), let skipping pass unread text
    // (skip-all) and hold the full-screen choice; the right button and Escape start the
    // right-click process when rightClickEnabled.
    std::int32_t noWaitVariable = 0;
    std::int32_t skipAllVariable = 0;
    std::int32_t windowModeVariable = 0;
    bool rightClickEnabled = false;

    // The handlers the dispatcher calls; tests put in tables of their own.
    std::span<const CommandEntry> commands;
};

// Creates the engine-wide objects in order. Every failure shows its message (caption "error",
// no owner) and returns false; the caller then shuts down and ends with code 1.
bool InitEngine(Engine& engine);

// Creates the script machine, loads NECEMEM.SQI and INIT.SQX, and sets the save directory.
// Failures show "NECEMEM.SQIセットに失敗" or "INIT.SQXの読み込みに失敗" and return false.
bool StartScript(Engine& engine);

// Shows the current script and line in the caption: the title, the script name,
// ".SQX=Line : " and the line number.
void ShowScriptLine(Engine& engine, int line);

// Destroys every object that exists, in the shut-down order. Safe to call twice.
void ShutdownEngine(Engine& engine);

// One engine tick: nothing while inactive; else the skip-mode release, the transition step and
// the handler of the current engine state.
void EngineTick(Engine& engine);

// The main loop: pumps the events, runs one tick per pass, and returns once the quit was seen
// (after the tick of that pass). With quitAfterMs, the main window is destroyed once that much
// engine time has passed, as the engine's own quit does.
void RunMainLoop(Engine& engine, std::optional<std::uint32_t> quitAfterMs = std::nullopt);

} // namespace vura
