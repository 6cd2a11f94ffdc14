#pragma once
// A pack archive: many resources in one data file, described by an index file beside it
// (the data file's name + ".lst"). Resources are found by upper-case name without extension
// and a type. The index and the contents of script entries are scrambled with one-byte keys;
// pictures and sounds are stored plain.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

enum PackType : std::uint32_t {
    kPackScript = 1, // .SQX, and the layout file NECEMEM.SQI under the name "NECEMEM"
    kPackBmp = 2,
    kPackPng = 3,
    kPackWav = 4,
    kPackOgg = 5,
};

inline constexpr std::size_t kPackEntrySize = 76;
inline constexpr std::size_t kPackNameSize = 64;

struct PackEntry {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::string name; // Shift-JIS, upper case, without extension
    std::uint32_t type = 0;
};

struct PackIndex {
    std::vector<PackEntry> entries;
    std::uint8_t indexKey = 0;
    std::uint8_t contentKey = 0;
};

// Our own key bytes, used by vura-tool to write archives and tried first when reading. Real
// games' archives may have been written with others: the reader finds those by itself.
inline constexpr std::uint8_t kPackIndexKey = 0x76;
inline constexpr std::uint8_t kPackContentKey = 0x9B;

// Reads an index. The entry count must match the index's size ((size - 4) / 76 entries): the
// stored count XOR the true count is the index key repeated four times. Every entry must lie
// inside a data file of `dataSize` bytes. Anything else is refused.
std::optional<PackIndex> parsePackIndex(std::span<const std::uint8_t> index,
                                        std::uint64_t dataSize);

// The content key under which the first script entry (other than the layout) starts with a
// header whose 8 + 12 N + D equals the entry's size; our own key is tried first and is the
// answer when no key fits or there is no script entry. `readPrefix` gives an entry's first
// eight bytes as stored.
std::uint8_t
detectContentKey(const std::vector<PackEntry>& entries,
                 const std::function<bool(const PackEntry&, std::uint8_t*)>& readPrefix);

// Scrambles or unscrambles a name field: each byte before the first zero is XORed with the key,
// except a byte equal to the key, which stays as it is (so no stored byte becomes zero).
std::string scrambleName(std::string_view name, std::uint8_t key);

// The bytes of an index for these entries, as vura-tool writes them.
std::vector<std::uint8_t> serializePackIndex(const std::vector<PackEntry>& entries,
                                             std::uint8_t indexKey);

class PackArchive {
public:
    PackArchive() = default;
    explicit PackArchive(const std::filesystem::path& base) { SetPaths(base); }
    PackArchive(const PackArchive&) = delete;
    PackArchive& operator=(const PackArchive&) = delete;
    ~PackArchive();

    // The archive is present when both the data file `base` and `base` + ".lst" can be
    // opened for reading.
    void SetPaths(const std::filesystem::path& base);
    // Reads the index. A refused index leaves the archive present with no entries, so its
    // lookups find nothing (and, since a present pack's answer is final, hide sqx/, grp/ and
    // snd/).
    bool ReadIndex();

    // The first entry, in index order, with this name (upper-cased, Shift-JIS pairs left
    // alone) and type, or one of the two types; it becomes the current entry.
    bool Find(std::string_view nameSjis, std::uint32_t type);
    bool FindEither(std::string_view nameSjis, std::uint32_t type1, std::uint32_t type2);
    std::int64_t CurrentSize() const;
    const PackEntry* CurrentEntry() const;
    // Reads the current entry whole, descrambling a script entry.
    bool ReadCurrent(std::vector<std::uint8_t>& out) const;

    // Opens the data file for a reader that streams: mode 1 as a system handle, any other mode
    // as a buffered stream. Fails when one is already open.
    bool OpenStream(int mode);
    // Moves the open handle or stream to the current entry's first byte.
    bool SeekCurrent();
    void CloseStream();
    std::FILE* stream() const { return stream_; }
    int handle() const { return handle_; }
    // Gives the open system handle to its new owner (a streamed sound), which closes it.
    int releaseHandle();

    std::filesystem::path dataPath;
    std::filesystem::path indexPath;
    bool present = false;
    int streamMode = 0;
    std::vector<PackEntry> entries;
    std::int32_t current = -1;
    std::uint8_t indexKey = kPackIndexKey;
    std::uint8_t contentKey = kPackContentKey;
    bool indexRefused = false;

private:
    std::FILE* stream_ = nullptr;
    int handle_ = -1;
};

// The pack type of a file extension (".SQX", ".SQI", ".BMP", ".PNG", ".WAV", ".OGG", any case),
// or 0.
std::uint32_t packTypeOfExtension(std::string_view extension);

} // namespace vura
