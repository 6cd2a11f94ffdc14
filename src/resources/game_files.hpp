#pragma once
// Every file the engine opens in the game's directory is found here. Games name files as they
// did on Windows: in Shift-JIS, with '\' separators, in any letter case. A name is tried as its
// bytes stand, then converted to UTF-8 (as a copied game's files are usually named here), and
// each form first exactly, then one path component at a time without regard to ASCII case.

#include <filesystem>
#include <optional>
#include <string_view>

namespace vura {

// The file (or, with `directory` set, the directory) that `nameSjis` names inside `base`.
std::optional<std::filesystem::path>
findGameFile(const std::filesystem::path& base, std::string_view nameSjis, bool directory = false);

// The path a new file of that name gets: an existing directory part is reused as found, the
// rest is the name converted to UTF-8.
std::filesystem::path gameFilePath(const std::filesystem::path& base, std::string_view nameSjis);

} // namespace vura
