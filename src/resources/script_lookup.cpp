#include "resources/script_lookup.hpp"

#include "core/engine.hpp"
#include "core/script_file.hpp"
#include "core/script_vm.hpp"
#include "core/sjis.hpp"

#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

namespace vura {

namespace {

// A file name from a script: Shift-JIS with '\' separators, as the games write them. The
// conversion to UTF-8 comes first, so a '\' that is the second byte of a double-byte
// character is never taken for a separator.
std::filesystem::path gamePath(const std::filesystem::path& dir, std::string_view nameSjis) {
    std::string name = cp932ToUtf8(nameSjis);
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    return dir / name;
}

bool fileExists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

// Reads a whole file; an empty file, a failed open or a short read give nothing.
std::optional<std::vector<std::uint8_t>> readWhole(const std::filesystem::path& p) {
    std::error_code ec;
    auto size = std::filesystem::file_size(p, ec);
    if (ec || size == 0)
        return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        return std::nullopt;
    return bytes;
}

void notFound(Engine& engine, std::string_view nameSjis, std::string_view suffixUtf8) {
    std::string text(nameSjis);
    text += sjis(suffixUtf8);
    engine.platform.messageBox(BoxOwner::NoWindow, text, "error", MessageBoxButtons::Ok);
}

// The directory a script was found in, as the machine keeps it: with a trailing separator.
std::string directoryText(const std::filesystem::path& dir) {
    return (dir / "").string();
}

} // namespace

bool LoadSQX(Engine& engine, std::string_view nameSjis) {
    ScriptVm& vm = *engine.vm;
    const std::filesystem::path& dir = engine.systemInfo->programDirectory;
    std::string fileName = std::string(nameSjis) + ".SQX";
    std::optional<std::vector<std::uint8_t>> bytes;
    bool found = false;
    // The default pack takes its place between the two directories once packs exist; with a
    // pack present, sqx/ is not consulted.
    for (const std::filesystem::path& place : {dir, dir / "sqx"}) {
        std::filesystem::path p = gamePath(place, fileName);
        if (fileExists(p)) {
            vm.scriptDirectory = directoryText(place);
            bytes = readWhole(p);
            found = true;
            break;
        }
    }
    vm.scriptName = std::string(nameSjis);
    if (!found) {
        notFound(engine, nameSjis, ".SQXが見つかりません");
        return false;
    }
    if (!bytes)
        return false;
    std::optional<ScriptImage> image = parseScriptImage(*bytes);
    if (!image)
        return false;
    vm.InstallScript(std::move(*image));
    return true;
}

bool LoadNecemem(Engine& engine) {
    const std::filesystem::path& dir = engine.systemInfo->programDirectory;
    for (const std::filesystem::path& place : {dir, dir / "sqx"}) {
        std::filesystem::path p = place / "NECEMEM.SQI";
        if (!fileExists(p))
            continue;
        std::optional<std::vector<std::uint8_t>> bytes = readWhole(p);
        if (!bytes)
            return false;
        std::optional<LayoutImage> layout = parseLayoutImage(*bytes);
        if (!layout)
            return false;
        engine.vm->InstallLayout(*layout);
        return true;
    }
    notFound(engine, "NECEMEM.SQI", "が見つかりません");
    return false;
}

} // namespace vura
