#include "audio/ogg_reader.hpp"

#include "base/byte_order.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <system_error>

namespace vura {

namespace {

// ov_read's arguments for 16-bit signed little-endian samples.
constexpr int kLittleEndian = 0;
constexpr int kWordBytes = 2;
constexpr int kSigned = 1;

// A broken file can give errors forever; this many in a row end a static decode.
constexpr int kMaxErrorsInARow = 64;
// A refill that makes no progress this many times in a row (errors, an end right after going
// back to the start, a failed seek) fills the rest with silence.
constexpr int kMaxStallsInARow = 8;

// One chunk for ov_read, which counts in int.
int chunkFor(std::uint32_t left) {
    return static_cast<int>(std::min<std::uint32_t>(left, INT_MAX));
}

} // namespace

bool OggReader::openStream(const std::filesystem::path& path) {
    clear();
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file)
        return false;
    if (ov_open(file, &decoder_, nullptr, 0) < 0) {
        // A refused file stays ours to close.
        std::fclose(file);
        clear();
        return false;
    }
    // From here the decoder owns the file and ov_clear closes it.
    decoderOpen_ = true;
    if (!deriveFormat()) {
        clear();
        return false;
    }
    opened = true;
    return true;
}

bool OggReader::openMemory(std::FILE* stream, std::uint32_t byteCount) {
    clear();
    if (!stream || byteCount == 0)
        return false;
    // A size that claims more than a regular file still holds fails before the allocation.
    struct stat info {};
    if (::fstat(::fileno(stream), &info) == 0 && S_ISREG(info.st_mode)) {
        long position = std::ftell(stream);
        if (position >= 0 && static_cast<std::int64_t>(byteCount) > info.st_size - position)
            return false;
    }
    try {
        memoryCopy_.resize(byteCount);
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    if (std::fread(memoryCopy_.data(), byteCount, 1, stream) != 1) {
        clear();
        return false;
    }
    memorySize_ = byteCount;
    memoryPosition_ = 0;

    ov_callbacks callbacks{};
    callbacks.read_func = &OggReader::memoryRead;
    callbacks.seek_func = &OggReader::memorySeek;
    callbacks.close_func = &OggReader::memoryClose;
    callbacks.tell_func = &OggReader::memoryTell;
    // On failure the close callback is not called; clear() frees the copy.
    if (ov_open_callbacks(this, &decoder_, nullptr, 0, callbacks) < 0) {
        clear();
        return false;
    }
    decoderOpen_ = true;
    if (!deriveFormat()) {
        clear();
        return false;
    }
    return true;
}

bool OggReader::openFile(const std::filesystem::path& path) {
    clear();
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > UINT32_MAX)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file)
        return false;
    bool ok = openMemory(file, static_cast<std::uint32_t>(size));
    std::fclose(file);
    return ok;
}

bool OggReader::deriveFormat() {
    vorbis_info* info = ov_info(&decoder_, -1);
    // The mixer plays mono and stereo only.
    if (!info || info->channels < 1 || info->channels > 2 || info->rate < 100 ||
        info->rate > 192000)
        return false;
    auto channels = static_cast<std::uint32_t>(info->channels);
    auto rate = static_cast<std::uint32_t>(info->rate);
    std::uint32_t align = channels * 2;
    std::uint32_t average = rate * align;

    double seconds = ov_time_total(&decoder_, -1);
    double bytes = seconds * average;
    // Negative is vorbisfile's failure; a length past int64 comes only from a forged granule
    // position and has no integer to truncate to.
    if (!(seconds >= 0.0) || !(bytes < 9.2e18))
        return false;

    pcmFormat_.clear();
    appendLe(pcmFormat_, 1, 2); // PCM
    appendLe(pcmFormat_, channels, 2);
    appendLe(pcmFormat_, rate, 4);
    appendLe(pcmFormat_, average, 4);
    appendLe(pcmFormat_, align, 2);
    appendLe(pcmFormat_, 16, 2);
    appendLe(pcmFormat_, 0, 2); // no extra bytes
    averageBytesPerSecond_ = average;
    totalBytes_ = static_cast<std::int64_t>(bytes);
    return true;
}

std::uint32_t OggReader::blockAlign() const {
    return pcmFormat_.size() >= 14 ? readLe16(pcmFormat_.data() + 12) : 0;
}

std::uint32_t OggReader::decodeInto(std::uint8_t* dest, std::uint32_t length) {
    if (!decoderOpen_)
        return 0;
    // ov_read writes whole sample frames only: a tail shorter than one frame is left alone
    // (asking for it would fail every time).
    const std::uint32_t frame = blockAlign();
    if (frame == 0)
        return 0;
    std::uint32_t written = 0;
    int errors = 0;
    while (length - written >= frame) {
        int section = 0;
        long n = ov_read(&decoder_, reinterpret_cast<char*>(dest + written),
                         chunkFor(length - written), kLittleEndian, kWordBytes, kSigned, &section);
        if (n == 0)
            break;
        if (n < 0) {
            // A gap in the data: skip it, unless the errors never stop.
            if (++errors >= kMaxErrorsInARow)
                break;
            continue;
        }
        errors = 0;
        written += static_cast<std::uint32_t>(n);
    }
    return written;
}

bool OggReader::refill(std::uint8_t* dest, std::uint32_t length) {
    if (!opened)
        return false;
    ended = false;
    const std::uint32_t frame = blockAlign();
    if (frame == 0)
        return false;
    std::uint32_t written = 0;
    int stalls = 0;
    while (length - written >= frame) {
        int section = 0;
        long n = ov_read(&decoder_, reinterpret_cast<char*>(dest + written),
                         chunkFor(length - written), kLittleEndian, kWordBytes, kSigned, &section);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            stalls = 0;
            continue;
        }
        if (n == 0) {
            // The end: go on from the start in the same fill.
            ov_time_seek(&decoder_, 0.0);
            ended = true;
        }
        // Neither an end nor an error wrote anything; a stream that only gives these (no
        // samples at all, or a decoder that keeps failing) plays silence instead of spinning.
        if (++stalls >= kMaxStallsInARow) {
            ended = true;
            break;
        }
    }
    std::memset(dest + written, 0, length - written);
    return true;
}

void OggReader::clear() {
    if (decoderOpen_)
        ov_clear(&decoder_); // closes the stream's file, or frees the copy through memoryClose
    decoder_ = OggVorbis_File{};
    decoderOpen_ = false;
    std::vector<std::uint8_t>().swap(memoryCopy_);
    memorySize_ = 0;
    memoryPosition_ = 0;
    pcmFormat_.clear();
    averageBytesPerSecond_ = 0;
    totalBytes_ = 0;
    opened = false;
    ended = false;
}

std::size_t OggReader::memoryRead(void* dest, std::size_t size, std::size_t count, void* self) {
    auto* reader = static_cast<OggReader*>(self);
    if (size == 0 || reader->memoryPosition_ < 0 || reader->memoryPosition_ >= reader->memorySize_)
        return 0;
    auto left = static_cast<std::size_t>(reader->memorySize_ - reader->memoryPosition_);
    std::size_t bytes = count > left / size ? left : size * count;
    std::memcpy(dest, reader->memoryCopy_.data() + reader->memoryPosition_, bytes);
    reader->memoryPosition_ += static_cast<std::int64_t>(bytes);
    return bytes / size;
}

int OggReader::memorySeek(void* self, ogg_int64_t offset, int whence) {
    auto* reader = static_cast<OggReader*>(self);
    std::int64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = reader->memoryPosition_;
        break;
    case SEEK_END:
        base = reader->memorySize_;
        break;
    default:
        return -1;
    }
    // Like a file: no position before the start (the position stays), any position after
    // the end (where reads give nothing).
    std::int64_t position = 0;
    if (__builtin_add_overflow(base, offset, &position) || position < 0)
        return -1;
    reader->memoryPosition_ = position;
    return 0;
}

int OggReader::memoryClose(void* self) {
    auto* reader = static_cast<OggReader*>(self);
    std::vector<std::uint8_t>().swap(reader->memoryCopy_);
    reader->memorySize_ = 0;
    return 0;
}

long OggReader::memoryTell(void* self) {
    return static_cast<long>(static_cast<OggReader*>(self)->memoryPosition_);
}

} // namespace vura
