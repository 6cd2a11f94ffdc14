#include "resources/resource_lookup.hpp"

#include "audio/sound_buffer.hpp"
#include "base/sjis.hpp"
#include "core/engine.hpp"
#include "core/script_file.hpp"
#include "core/script_vm.hpp"
#include "graphics/bmp_reader.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "resources/game_files.hpp"
#include "resources/pack_archive.hpp"

#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace vura {

namespace {

struct KindRules {
    std::string_view extensions[2]; // in trial order; empty when unused
    const char* subdirectory;
    std::uint32_t packTypes[2];
    const char* notFoundUtf8; // follows the name
};

const KindRules& rulesOf(ResourceKind kind) {
    static const KindRules script{
        {".SQX", {}}, "sqx", {kPackScript, kPackScript}, ".SQXが見つかりません"};
    // The layout is named in full; in a pack it goes by its name without the extension.
    static const KindRules layout{{"", {}}, "sqx", {kPackScript, kPackScript}, "が見つかりません"};
    static const KindRules picture{
        {".PNG", ".BMP"}, "grp", {kPackPng, kPackBmp}, ".PNG&BMPが見つかりません"};
    static const KindRules sound{
        {".OGG", ".WAV"}, "snd", {kPackOgg, kPackWav}, ".OGG&WAVが見つかりません"};
    switch (kind) {
    case ResourceKind::Script:
        return script;
    case ResourceKind::Layout:
        return layout;
    case ResourceKind::Picture:
        return picture;
    case ResourceKind::Sound:
        break;
    }
    return sound;
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

// The bytes of a found script or layout: a loose file read whole, or the pack entry.
std::optional<std::vector<std::uint8_t>> readFound(const FoundResource& found) {
    if (!found.pack)
        return readWhole(found.file);
    std::vector<std::uint8_t> bytes;
    if (!found.pack->ReadCurrent(bytes) || bytes.empty())
        return std::nullopt;
    return bytes;
}

} // namespace

PackArchive* DefaultPack(Engine& engine) {
    return engine.app.defaultPack && engine.app.defaultPack->present ? engine.app.defaultPack.get()
                                                                     : nullptr;
}

std::optional<FoundResource> FindResource(Engine& engine, ResourceKind kind,
                                          std::string_view nameSjis, PackArchive* pack) {
    const KindRules& rules = rulesOf(kind);
    const std::filesystem::path& dir = engine.app.systemInfo->programDirectory;
    auto tryDirectory = [&](const std::filesystem::path& place) -> std::optional<FoundResource> {
        for (std::string_view extension : rules.extensions) {
            if (extension.empty() && kind != ResourceKind::Layout)
                continue;
            if (auto file = findGameFile(place, std::string(nameSjis) + std::string(extension)))
                return FoundResource{*file, nullptr, place / ""};
        }
        return std::nullopt;
    };
    if (auto found = tryDirectory(dir))
        return found;
    if (pack && pack->present) {
        std::string packName(nameSjis);
        if (kind == ResourceKind::Layout && packName.size() > 4)
            packName.resize(packName.size() - 4); // "NECEMEM.SQI" is stored as "NECEMEM"
        if (!pack->FindEither(packName, rules.packTypes[0], rules.packTypes[1]))
            return std::nullopt;
        return FoundResource{{}, pack, dir};
    }
    if (auto sub = findGameFile(dir, rules.subdirectory, true)) {
        if (auto found = tryDirectory(*sub))
            return found;
    }
    std::string text(nameSjis);
    text += sjis(rules.notFoundUtf8);
    engine.platform.messageBox(BoxOwner::NoWindow, text, "error", MessageBoxButtons::Ok);
    return std::nullopt;
}

PackStream::PackStream(PackArchive& pack, int mode) : pack_(pack) {
    opened_ = pack_.OpenStream(mode);
    ok_ = opened_ && pack_.SeekCurrent();
}

PackStream::~PackStream() {
    if (opened_)
        pack_.CloseStream();
}

std::optional<ScriptImage> ReadScript(Engine& engine, std::string_view nameSjis,
                                      std::string* directory) {
    std::optional<FoundResource> found =
        FindResource(engine, ResourceKind::Script, nameSjis, DefaultPack(engine));
    if (!found)
        return std::nullopt;
    if (directory)
        *directory = found->directory.string();
    std::optional<std::vector<std::uint8_t>> bytes = readFound(*found);
    if (!bytes)
        return std::nullopt;
    return parseScriptImage(*bytes);
}

bool LoadSQX(Engine& engine, std::string_view nameSjis) {
    ScriptVm& vm = *engine.script.vm;
    std::string directory = vm.scriptDirectory;
    std::optional<ScriptImage> image = ReadScript(engine, nameSjis, &directory);
    vm.scriptName = std::string(nameSjis);
    vm.scriptDirectory = directory;
    if (!image)
        return false;
    vm.InstallScript(std::move(*image));
    return true;
}

bool LoadNecemem(Engine& engine) {
    std::optional<FoundResource> found =
        FindResource(engine, ResourceKind::Layout, "NECEMEM.SQI", DefaultPack(engine));
    if (!found)
        return false;
    std::optional<std::vector<std::uint8_t>> bytes = readFound(*found);
    if (!bytes)
        return false;
    std::optional<LayoutImage> layout = parseLayoutImage(*bytes);
    if (!layout)
        return false;
    engine.script.vm->InstallLayout(*layout);
    return true;
}

bool LoadPicture(Engine& engine, std::string_view nameSjis, Surface& target) {
    std::optional<FoundResource> found =
        FindResource(engine, ResourceKind::Picture, nameSjis, DefaultPack(engine));
    if (!found)
        return false;
    std::ostream* warnings = engine.config.trace;
    if (found->pack) {
        PackStream stream(*found->pack, 0);
        if (!stream.ok())
            return false;
        if (found->pack->CurrentEntry()->type == kPackPng)
            return loadPng(target, found->pack->stream(), warnings);
        return loadBmp(target, found->pack->stream());
    }
    std::FILE* file = std::fopen(found->file.c_str(), "rbe");
    if (!file)
        return false;
    bool png = sjisToUpper(found->file.extension().string()) == ".PNG";
    bool ok = png ? loadPng(target, file, warnings) : loadBmp(target, file);
    std::fclose(file);
    return ok;
}

namespace {

bool loadPackedSound(Engine& engine, PackArchive& pack, SoundBuffer& buffer, bool streaming) {
    const PackEntry& entry = *pack.CurrentEntry();
    if (entry.type == kPackOgg) {
        PackStream stream(pack, 0);
        if (!stream.ok())
            return false;
        if (streaming) {
            engine.platform.messageBox(BoxOwner::MainWindow,
                                       sjis("Packfile中のOggのストリーミング再生はできません"),
                                       "err", MessageBoxButtons::Ok);
            return false;
        }
        return buffer.loadOggStream(pack.stream(), entry.size);
    }
    // The WAV readers seek to the entry themselves, except at offset 0, where they read from
    // where the handle stands; the seek makes that the entry's first byte too.
    PackStream stream(pack, 1);
    if (!stream.ok())
        return false;
    // A stream takes the pack's handle for good: the buffer closes it when it is emptied, and
    // the pack, holding none, opens its data file anew for the next sound. Nothing else ever
    // closes that handle.
    if (streaming)
        return buffer.streamWaveHandle(pack.releaseHandle(), entry.offset);
    return buffer.loadWaveHandle(pack.handle(), entry.offset);
}

} // namespace

bool LoadSound(Engine& engine, std::string_view nameSjis, int channel) {
    SoundChannel* record = engine.sound.channel(channel);
    SoundBuffer* buffer = engine.sound.buffer(channel);
    if (!record || !buffer)
        return false;
    std::optional<FoundResource> found =
        FindResource(engine, ResourceKind::Sound, nameSjis, engine.sound.pack(record->pack));
    if (!found)
        return false;
    if (found->pack)
        return loadPackedSound(engine, *found->pack, *buffer, record->streaming);
    bool ogg = sjisToUpper(found->file.extension().string()) == ".OGG";
    if (ogg)
        return record->streaming ? buffer->streamOggFile(found->file)
                                 : buffer->loadOggFile(found->file);
    return record->streaming ? buffer->streamWaveFile(found->file)
                             : buffer->loadWaveFile(found->file);
}

std::string detectPackBaseName(const std::filesystem::path& gameDirectory) {
    std::string found;
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(gameDirectory, ec)) {
        const std::filesystem::path& p = entry.path();
        if (sjisToUpper(p.extension().string()) != ".LST")
            continue;
        std::filesystem::path data = p;
        data.replace_extension();
        if (!std::filesystem::is_regular_file(data, ec))
            continue;
        found = data.filename().string();
        ++count;
    }
    return count == 1 ? found : std::string();
}

} // namespace vura
