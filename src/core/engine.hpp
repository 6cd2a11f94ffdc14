#pragma once
// The engine: one record per subsystem, each declared in its own folder, owned by one Engine
// and passed by reference to the command handlers, the tick and start-up. Nothing lives in
// globals, so a test can run several engines in one process.
//
// A handler touches the record of its own subsystem; it reaches another subsystem through that
// subsystem's functions (presentScreen, LoadSound, DrawWindowsOnTop, ...).

#include "audio/sound_state.hpp"
#include "core/app_record.hpp"
#include "core/command_table.hpp"
#include "core/script_state.hpp"
#include "graphics/display_state.hpp"
#include "platform/platform.hpp"
#include "save/save_state.hpp"
#include "text/text_state.hpp"
#include "ui/ui_state.hpp"
#include "video/video_state.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace vura {

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
    // Where slots and the common data file go, in place of the game's sav/.
    std::filesystem::path saveDirectory;
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

    // Start-up creates the objects of the records in an order of its own (InitEngine), and
    // shut-down destroys them in another (ShutdownEngine).
    AppRecord app;
    ScriptState script;
    DisplayState display;
    TextState text;
    SoundState sound;
    UiState ui;
    SaveState save;
    VideoState video;

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
