#pragma once
// Ogg Vorbis sound as 16-bit PCM through vorbisfile: a file streamed from disk, or a whole
// compressed file copied into memory (a loose file or a pack entry) and decoded at once.

#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace vura {

class OggReader {
public:
    OggReader() = default;
    OggReader(const OggReader&) = delete;
    OggReader& operator=(const OggReader&) = delete;
    ~OggReader() { clear(); }

    // Opens the named file for streaming; the decoder owns the file from then on.
    bool openStream(const std::filesystem::path& path);
    // Copies byteCount bytes from the stream's current position and decodes from that copy.
    bool openMemory(std::FILE* stream, std::uint32_t byteCount);
    // The whole named file through openMemory.
    bool openFile(const std::filesystem::path& path);

    // Static use: decodes into dest until length bytes are written or the stream ends (gaps in
    // the data are skipped). Returns the bytes written.
    std::uint32_t decodeInto(std::uint8_t* dest, std::uint32_t length);
    // Streaming use: fills all of dest, starting over at the end of the stream (and setting
    // `ended`). A source that makes no progress for several attempts in a row fills the rest
    // with silence and sets `ended`. False unless opened for streaming.
    bool refill(std::uint8_t* dest, std::uint32_t length);
    void clear();

    // The format block for the sound buffer: 18 bytes, PCM, 16 bits, the stream's channels and
    // rate.
    const std::vector<std::uint8_t>& pcmFormat() const { return pcmFormat_; }
    std::uint32_t averageBytesPerSecond() const { return averageBytesPerSecond_; }
    // The decoded length: the stream's duration x the average bytes per second, truncated.
    std::int64_t totalBytes() const { return totalBytes_; }

    bool opened = false; // a streaming open succeeded
    bool ended = false;  // the last refill reached the end and started over

private:
    friend struct OggReaderProbe; // the tests reach the memory callbacks

    bool deriveFormat();
    std::uint32_t blockAlign() const;

    static std::size_t memoryRead(void* dest, std::size_t size, std::size_t count, void* self);
    static int memorySeek(void* self, ogg_int64_t offset, int whence);
    static int memoryClose(void* self);
    static long memoryTell(void* self);

    OggVorbis_File decoder_{};
    bool decoderOpen_ = false;
    std::vector<std::uint8_t> memoryCopy_;
    std::int64_t memorySize_ = 0;
    std::int64_t memoryPosition_ = 0;
    std::vector<std::uint8_t> pcmFormat_;
    std::uint32_t averageBytesPerSecond_ = 0;
    std::int64_t totalBytes_ = 0;
};

} // namespace vura
