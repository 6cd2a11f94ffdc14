#pragma once
// The saves' record: where slot files live, the last save point, the thumbnail's size, the
// title state of command 91, and a load between its two ticks.

#include "core/script_vm.hpp"
#include "save/snapshot.hpp"
#include "ui/system_buttons.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vura {

// The script machine, the system buttons and the right-click switch as they stood when the last
// save point was taken: a save made from a menu brings the player back there.
struct SavePoint {
    bool taken = false;
    std::string scriptName;
    std::array<Value, ScriptVm::kStackSize> stack{};
    std::int32_t top = -1;
    std::array<CallFrame, ScriptVm::kFrameCount> frames{};
    std::int32_t frameTop = -1;
    std::int32_t pc = 0;
    std::vector<std::int32_t> gameInts;
    std::vector<std::uint8_t> gameFlags;
    std::vector<std::string> gameStrings;
    bool rightClickEnabled = false;
    SystemButtons systemButtons;
};

struct SaveState {
    // Slots are written here: the game's sav/, or the user's data directory when the game's
    // directory cannot be written, or the directory given on the command line.
    std::filesystem::path directory;
    // Slots missing from `directory` are read from here (the game's own sav/), when it differs.
    std::filesystem::path fallbackDirectory;
    SavePoint savePoint;
    // The thumbnail's size (command 94); 0 or less in either direction: none.
    std::int32_t thumbnailWidth = 0;
    std::int32_t thumbnailHeight = 0;
    // Command 91's title state, brought back by command 92.
    std::optional<Snapshot> titleSnapshot;
    // A load read and checked in its first tick, put back in its second, with the script it
    // names already read.
    std::optional<Snapshot> pendingLoad;
    std::optional<ScriptImage> pendingScript;
    std::string pendingScriptDirectory;
    // The common data file is written only once start-up has read it, so a failed start never
    // empties it.
    bool commonDataLoaded = false;
};

} // namespace vura
