#include "save/save_files.hpp"

#include "base/sjis.hpp"
#include "core/engine.hpp"
#include "resources/game_files.hpp"
#include "save/atomic_file.hpp"
#include "save/common_data.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <system_error>

namespace vura {

namespace {

namespace fs = std::filesystem;

bool writableDirectory(const fs::path& dir) {
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// The game's own sav/, in any letter case; made when missing and the game's directory allows.
std::optional<fs::path> gameSaveDirectory(const fs::path& game) {
    if (auto found = findGameFile(game, "sav", true))
        return *found;
    std::error_code ec;
    fs::create_directory(game / "sav", ec);
    if (ec)
        return std::nullopt;
    return game / "sav";
}

// A short name for the game's directory, the same for every run from the same place.
std::string shortHash(const std::string& text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text)
        h = (h ^ c) * 1099511628211ull;
    char out[9];
    std::snprintf(out, sizeof out, "%08x", static_cast<unsigned>(h ^ (h >> 32)));
    return out;
}

// $XDG_DATA_HOME/vura/<game>-<hash>/sav, or ~/.local/share/vura/... without the variable.
fs::path userSaveDirectory(const fs::path& game, const std::string& name) {
    fs::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".local" / "share";
    else
        base = fs::temp_directory_path();
    std::string folder = name.empty() ? game.parent_path().filename().string() : name;
    return base / "vura" / (folder + "-" + shortHash(game.string())) / "sav";
}

void showError(Engine& engine, BoxOwner owner, std::string_view messageSjis) {
    engine.platform.messageBox(owner, std::string(messageSjis), "error", MessageBoxButtons::Ok);
}

} // namespace

void ChooseSaveDirectory(Engine& engine, const fs::path& overrideDirectory) {
    SaveState& save = engine.save;
    const fs::path game = engine.app.systemInfo->programDirectory;
    std::error_code ec;
    if (!overrideDirectory.empty()) {
        save.directory = overrideDirectory;
        fs::create_directories(save.directory, ec);
    } else if (auto own = gameSaveDirectory(game); own && writableDirectory(*own)) {
        save.directory = *own;
    } else {
        // Installed where the player cannot write: the user's own data directory, reading
        // slots it does not have yet from the game's sav/.
        save.directory = userSaveDirectory(game, engine.app.systemInfo->baseName);
        fs::create_directories(save.directory, ec);
        if (own)
            save.fallbackDirectory = *own;
    }
    engine.script.vm->saveDirectory = (save.directory / "").string();
    if (engine.config.trace)
        *engine.config.trace << "trace: saves in " << save.directory.string() << '\n';
}

fs::path SlotPath(Engine& engine, const std::string& fileName, bool forReading) {
    const SaveState& save = engine.save;
    fs::path own = save.directory / fileName;
    std::error_code ec;
    if (forReading && !save.fallbackDirectory.empty() && !fs::exists(own, ec)) {
        fs::path fallback = save.fallbackDirectory / fileName;
        if (fs::exists(fallback, ec))
            return fallback;
    }
    return own;
}

bool LoadCommonData(Engine& engine) {
    ScriptVm& vm = *engine.script.vm;
    engine.save.commonDataLoaded = true;
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(SlotPath(engine, kCommonDataFileName, true), bytes))
        return false;
    std::optional<CommonData> data =
        decodeCommonData(bytes, vm.commonInts.size(), vm.commonFlags.size());
    if (!data)
        return false; // a file for another layout leaves every common variable at 0
    vm.commonInts = std::move(data->ints);
    vm.commonFlags = std::move(data->flags);
    return true;
}

bool SaveCommonData(Engine& engine) {
    if (!engine.script.vm || !engine.save.commonDataLoaded)
        return true;
    const ScriptVm& vm = *engine.script.vm;
    std::vector<std::uint8_t> bytes =
        encodeCommonData({vm.commonInts, vm.commonFlags}, engine.script.random);
    if (writeFileAtomically(SlotPath(engine, kCommonDataFileName, false), bytes))
        return true;
    showError(engine, BoxOwner::NoWindow, "fail to save CommonData");
    return false;
}

} // namespace vura
