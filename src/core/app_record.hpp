#pragma once
// The application's record: what start-up learns about the program and its default pack, the
// display mode, the main window with its caption, the keyboard and mouse, and the player's skip
// mode.

#include "core/system_info.hpp"
#include "platform/app_state.hpp"
#include "platform/display_mode.hpp"
#include "platform/frame_timer.hpp"
#include "platform/input_state.hpp"
#include "resources/pack_archive.hpp"

#include <memory>
#include <string>

namespace vura {

inline constexpr const char* kInitialWindowTitle = "RO-VivereVirezo ver1.0";

struct AppRecord {
    std::unique_ptr<DisplayMode> displayMode;
    std::unique_ptr<SystemInfo> systemInfo;
    // The pack named after the game, its index read at start-up when both of its files exist.
    std::unique_ptr<PackArchive> defaultPack;
    std::unique_ptr<AppState> appState;
    std::unique_ptr<InputState> input;
    std::string windowTitle; // Shift-JIS, at most 127 bytes
    // Started by command 76: every message flies by until a mouse button or an advance key is
    // let go (or a message not read before comes, unless skip-all is on).
    bool skipMode = false;
    // How long the main loop may wait for an event after this pass.
    RestPlan rest;
};

} // namespace vura
