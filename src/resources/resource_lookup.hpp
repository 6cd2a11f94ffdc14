#pragma once
// Finding a named resource: a script, the memory layout, a picture or a sound. Every kind is
// looked for in the same order: beside the game with each of the kind's extensions, then in the
// kind's pack, whose answer is final, then in the kind's subdirectory. What is found, a loose
// file or a pack entry, goes to the kind's reader.

#include "core/script_file.hpp"

#include <filesystem>
#include <optional>
#include <string_view>

namespace vura {

class Engine;
class PackArchive;
class Surface;

enum class ResourceKind { Script, Layout, Picture, Sound };

struct FoundResource {
    std::filesystem::path file;      // a loose file; empty for a pack entry
    PackArchive* pack = nullptr;     // the pack whose current entry is the resource
    std::filesystem::path directory; // where it was found, as the engine remembers it
};

// The default pack when it is present, else null.
PackArchive* DefaultPack(Engine& engine);

// Looks `nameSjis` up in the common order, consulting `pack` (the default pack for scripts,
// the layout and pictures; the channel's pack for sounds; null for none). Found nowhere, with
// no pack to ask: the kind's message ("<name>.SQXが見つかりません", ".PNG&BMPが見つかりません",
// ".OGG&WAVが見つかりません", "NECEMEM.SQIが見つかりません"; caption "error"). Not in the pack:
// nothing, without a message.
std::optional<FoundResource> FindResource(Engine& engine, ResourceKind kind,
                                          std::string_view nameSjis, PackArchive* pack);

// Opens the pack's data file as a buffered stream (or, with mode 1, a system handle) at the
// current entry, for a reader that streams; closes it on every path unless the reader takes
// the handle with PackArchive::releaseHandle.
class PackStream {
public:
    PackStream(PackArchive& pack, int mode);
    ~PackStream();
    PackStream(const PackStream&) = delete;
    PackStream& operator=(const PackStream&) = delete;
    bool ok() const { return ok_; }

private:
    PackArchive& pack_;
    bool opened_ = false; // only the guard that opened the stream closes it
    bool ok_ = false;
};

// Finds name + ".SQX" and reads it whole, without installing it; the directory it was found in
// goes to `directory`. Nothing when it cannot be found, read or parsed (the lookup's own
// not-found message shown).
std::optional<ScriptImage> ReadScript(Engine& engine, std::string_view nameSjis,
                                      std::string* directory = nullptr);

// Finds name + ".SQX", reads it whole and installs it with pc 0. The script name becomes
// `nameSjis` whatever the outcome. A file that is empty, unreadable or shorter than its header
// claims fails without a message of its own; callers add theirs.
bool LoadSQX(Engine& engine, std::string_view nameSjis);

// Finds NECEMEM.SQI and installs it.
bool LoadNecemem(Engine& engine);

// Finds a picture (N.PNG, then N.BMP beside the game; the default pack; grp/) and decodes it
// into `target`. A file that exists but cannot be opened or decoded fails without a message of
// its own; callers add theirs.
bool LoadPicture(Engine& engine, std::string_view nameSjis, Surface& target);

// Finds a sound (N.OGG, then N.WAV beside the game; the channel's pack when it is present,
// whichever of its Ogg and WAV entries of the name comes first; snd/) and loads it into the
// channel's buffer: whole, or streamed when the channel streams. A packed Ogg cannot be streamed:
// that is refused with a message. A channel outside the tables, or no sound device, fails without a
// message; so does a file that is found but cannot be read. Callers add their own message.
bool LoadSound(Engine& engine, std::string_view nameSjis, int channel);

// The base name of the game's single pack: the one "*.lst" in the directory whose data file
// exists beside it. Empty when there is none or more than one.
std::string detectPackBaseName(const std::filesystem::path& gameDirectory);

} // namespace vura
