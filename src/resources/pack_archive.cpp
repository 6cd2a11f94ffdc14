#include "resources/pack_archive.hpp"

#include "base/byte_order.hpp"
#include "base/sjis.hpp"
#include "resources/game_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vura {

namespace {

std::uint32_t keyWord(std::uint8_t key) {
    return 0x01010101u * key;
}

bool canOpenForReading(const std::filesystem::path& p) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec))
        return false;
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

std::string scrambleName(std::string_view name, std::uint8_t key) {
    std::string out;
    for (char c : name) {
        if (c == '\0')
            break;
        auto b = static_cast<std::uint8_t>(c);
        out.push_back(static_cast<char>(b == key ? b : b ^ key));
    }
    return out;
}

std::optional<PackIndex> parsePackIndex(std::span<const std::uint8_t> index,
                                        std::uint64_t dataSize) {
    if (index.size() < 4 || (index.size() - 4) % kPackEntrySize != 0)
        return std::nullopt;
    auto count = static_cast<std::uint32_t>((index.size() - 4) / kPackEntrySize);
    std::uint32_t stored = readLe32(index.data());
    PackIndex result;
    if ((stored ^ keyWord(kPackIndexKey)) == count) {
        result.indexKey = kPackIndexKey;
    } else {
        std::uint32_t word = stored ^ count;
        auto key = static_cast<std::uint8_t>(word & 0xFF);
        if (word != keyWord(key))
            return std::nullopt;
        result.indexKey = key;
    }
    const std::uint32_t mask = keyWord(result.indexKey);
    result.entries.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = index.data() + 4 + kPackEntrySize * i;
        PackEntry& e = result.entries[i];
        e.offset = readLe32(p) ^ mask;
        e.size = readLe32(p + 4) ^ mask;
        std::string_view field(reinterpret_cast<const char*>(p + 8), kPackNameSize);
        e.name = scrambleName(field, result.indexKey);
        e.type = readLe32(p + 8 + kPackNameSize);
        if (static_cast<std::uint64_t>(e.offset) + e.size > dataSize)
            return std::nullopt;
    }
    return result;
}

std::uint8_t
detectContentKey(const std::vector<PackEntry>& entries,
                 const std::function<bool(const PackEntry&, std::uint8_t*)>& readPrefix) {
    for (const PackEntry& e : entries) {
        if (e.type != kPackScript || e.name == "NECEMEM" || e.size < 8)
            continue;
        std::uint8_t stored[8];
        if (!readPrefix(e, stored))
            break;
        auto fits = [&](std::uint8_t key) {
            std::uint8_t plain[8];
            for (int i = 0; i < 8; ++i)
                plain[i] = stored[i] ^ key;
            std::uint64_t n = readLe32(plain), d = readLe32(plain + 4);
            return 8 + 12 * n + d == e.size;
        };
        if (fits(kPackContentKey))
            return kPackContentKey;
        for (int key = 0; key < 256; ++key) {
            if (fits(static_cast<std::uint8_t>(key)))
                return static_cast<std::uint8_t>(key);
        }
        break;
    }
    return kPackContentKey;
}

std::vector<std::uint8_t> serializePackIndex(const std::vector<PackEntry>& entries,
                                             std::uint8_t key) {
    std::vector<std::uint8_t> out;
    const std::uint32_t mask = keyWord(key);
    appendLe32(out, static_cast<std::uint32_t>(entries.size()) ^ mask);
    for (const PackEntry& e : entries) {
        appendLe32(out, e.offset ^ mask);
        appendLe32(out, e.size ^ mask);
        std::string name = scrambleName(e.name, key);
        name.resize(kPackNameSize, '\0');
        out.insert(out.end(), name.begin(), name.end());
        appendLe32(out, e.type);
    }
    return out;
}

std::uint32_t packTypeOfExtension(std::string_view extension) {
    std::string upper = sjisToUpper(extension);
    if (upper == ".SQX" || upper == ".SQI")
        return kPackScript;
    if (upper == ".BMP")
        return kPackBmp;
    if (upper == ".PNG")
        return kPackPng;
    if (upper == ".WAV")
        return kPackWav;
    if (upper == ".OGG")
        return kPackOgg;
    return 0;
}

PackArchive::~PackArchive() {
    if (stream_)
        std::fclose(stream_);
    if (handle_ >= 0)
        ::close(handle_);
}

void PackArchive::SetPaths(const std::filesystem::path& base) {
    if (stream_)
        std::fclose(stream_);
    if (handle_ >= 0)
        ::close(handle_);
    stream_ = nullptr;
    handle_ = -1;
    entries.clear();
    current = -1;
    // Both files are found as game files are, so "GAME.LST" beside "game" serves too.
    std::string name = base.filename().string();
    std::filesystem::path dir = base.has_parent_path() ? base.parent_path() : ".";
    auto data = findGameFile(dir, name);
    auto index = findGameFile(dir, name + ".lst");
    present = data && index && canOpenForReading(*data) && canOpenForReading(*index);
    if (present) {
        dataPath = *data;
        indexPath = *index;
    } else {
        dataPath.clear();
        indexPath.clear();
    }
}

bool PackArchive::ReadIndex() {
    entries.clear();
    current = -1;
    indexRefused = false;
    std::ifstream in(indexPath, std::ios::binary);
    if (!in)
        return false;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::error_code ec;
    std::uint64_t dataSize = std::filesystem::file_size(dataPath, ec);
    std::optional<PackIndex> index = ec ? std::nullopt : parsePackIndex(bytes, dataSize);
    if (!index) {
        indexRefused = true;
        return false;
    }
    indexKey = index->indexKey;
    entries = std::move(index->entries);
    std::ifstream data(dataPath, std::ios::binary);
    contentKey = detectContentKey(entries, [&](const PackEntry& e, std::uint8_t* out) {
        data.seekg(e.offset);
        data.read(reinterpret_cast<char*>(out), 8);
        return static_cast<bool>(data);
    });
    return true;
}

bool PackArchive::Find(std::string_view nameSjis, std::uint32_t type) {
    return FindEither(nameSjis, type, type);
}

bool PackArchive::FindEither(std::string_view nameSjis, std::uint32_t type1, std::uint32_t type2) {
    std::string upper = sjisToUpper(nameSjis);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PackEntry& e = entries[i];
        if (e.name == upper && (e.type == type1 || e.type == type2)) {
            current = static_cast<std::int32_t>(i);
            return true;
        }
    }
    return false;
}

std::int64_t PackArchive::CurrentSize() const {
    const PackEntry* e = CurrentEntry();
    return e ? static_cast<std::int64_t>(e->size) : -1;
}

const PackEntry* PackArchive::CurrentEntry() const {
    if (current < 0 || static_cast<std::size_t>(current) >= entries.size())
        return nullptr;
    return &entries[current];
}

bool PackArchive::ReadCurrent(std::vector<std::uint8_t>& out) const {
    const PackEntry* e = CurrentEntry();
    if (!e)
        return false;
    std::ifstream in(dataPath, std::ios::binary);
    if (!in)
        return false;
    in.seekg(e->offset);
    out.resize(e->size);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(e->size));
    if (static_cast<std::uint64_t>(in.gcount()) != e->size)
        return false;
    if (e->type == kPackScript) {
        for (std::uint8_t& b : out)
            b ^= contentKey;
    }
    return true;
}

bool PackArchive::OpenStream(int mode) {
    if (!present || (mode == 1 ? handle_ >= 0 : stream_ != nullptr))
        return false;
    if (mode == 1) {
        handle_ = ::open(dataPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (handle_ < 0)
            return false;
    } else {
        stream_ = std::fopen(dataPath.c_str(), "rbe");
        if (!stream_)
            return false;
    }
    streamMode = mode;
    return true;
}

bool PackArchive::SeekCurrent() {
    const PackEntry* e = CurrentEntry();
    if (!e)
        return false;
    if (streamMode == 1 && handle_ >= 0)
        return ::lseek(handle_, static_cast<off_t>(e->offset), SEEK_SET) >= 0;
    if (streamMode != 1 && stream_)
        return std::fseek(stream_, static_cast<long>(e->offset), SEEK_SET) == 0;
    return false;
}

void PackArchive::CloseStream() {
    // Closes what the recorded mode says is open; on destruction both.
    if (streamMode != 1 && stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    } else if (streamMode == 1 && handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

int PackArchive::releaseHandle() {
    int h = handle_;
    handle_ = -1;
    return h;
}

} // namespace vura
