#pragma once
// The engine's command line: vura [options] [GAME_DIR].

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vura {

struct Options {
    bool headless = false;
    std::optional<std::filesystem::path> inputFile;
    std::optional<std::filesystem::path> audioOutFile; // --audio-out: the headless recording
    std::uint32_t tickMs = 1;
    std::optional<std::uint32_t> quitAfterMs;
    bool trace = false;
    int scale = 1;
    bool fullScreen = false;
    std::optional<std::filesystem::path> dumpStateFile;
    std::optional<std::filesystem::path> screenshotFile;
    std::string packName;                // --name: the base name of the game's default pack
    std::filesystem::path fontFile;      // --font: the one font every message window draws with
    std::filesystem::path saveDirectory; // --save-dir: where slots and common data are kept
    std::optional<std::filesystem::path> gameDirectory;
    bool help = false;
    bool version = false;
};

struct OptionsResult {
    bool ok = false;
    std::string error;
    Options options;
};

// Parses the arguments after the program name. Options take their value as the next argument
// or after '='; "--" ends the options.
OptionsResult parseOptions(std::span<const std::string_view> args);

std::string engineHelpText();
std::string engineVersionText();

} // namespace vura
