#pragma once
// Writes 16-bit PCM as a canonical RIFF WAVE file: a 44-byte header, then the samples. The two
// sizes in the header are written as zero and patched when the file is closed.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vura {

class WavFileWriter {
public:
    WavFileWriter() = default;
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;
    ~WavFileWriter() { close(); }

    // Creates (or empties) the file and writes the header. False, with error() saying why, when
    // the file cannot be created or written.
    bool open(const std::filesystem::path& path, std::uint32_t rate, std::uint16_t channels);
    bool isOpen() const { return file_ != nullptr; }

    // Appends interleaved samples. After the first failure nothing more is written and this
    // returns false; the samples written before stay in the file.
    bool write(const std::int16_t* samples, std::size_t count);

    // Patches the sizes in the header and closes the file. False when any write, the patch or
    // the close failed (error() says which). Does nothing when the file is not open.
    bool close();

    // The sample bytes in the file so far.
    std::uint64_t dataBytes() const { return dataBytes_; }
    bool failed() const { return failed_; }
    // The first failure, in words; empty without one.
    const std::string& error() const { return error_; }

    // The largest data chunk the 32-bit sizes of the header can describe (the RIFF size counts
    // 36 bytes of header besides the data), kept to whole 4-byte stereo frames.
    static constexpr std::uint64_t kMaxDataBytes = (0xFFFFFFFFull - 36) & ~3ull;

private:
    void fail(std::string message);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::uint64_t dataBytes_ = 0;
    std::uint16_t blockAlign_ = 0;
    bool failed_ = false;
    std::string error_;
};

} // namespace vura
