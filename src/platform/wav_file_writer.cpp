#include "platform/wav_file_writer.hpp"

#include "base/byte_order.hpp"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vura {

namespace {} // namespace

void WavFileWriter::fail(std::string message) {
    if (!failed_) {
        failed_ = true;
        error_ = std::move(message);
    }
}

bool WavFileWriter::open(const std::filesystem::path& path, std::uint32_t rate,
                         std::uint16_t channels) {
    close();
    path_ = path;
    dataBytes_ = 0;
    failed_ = false;
    error_.clear();
    blockAlign_ = static_cast<std::uint16_t>(channels * 2);
    file_ = std::fopen(path.c_str(), "wbe");
    if (!file_) {
        fail("cannot create '" + path.string() + "': " + std::strerror(errno));
        return false;
    }
    std::array<std::uint8_t, 44> header{};
    std::memcpy(&header[0], "RIFF", 4);
    writeLe32(&header[4], 36); // patched on close
    std::memcpy(&header[8], "WAVEfmt ", 8);
    writeLe32(&header[16], 16);
    writeLe16(&header[20], 1); // integer PCM
    writeLe16(&header[22], channels);
    writeLe32(&header[24], rate);
    writeLe32(&header[28], rate * blockAlign_);
    writeLe16(&header[32], blockAlign_);
    writeLe16(&header[34], 16);
    std::memcpy(&header[36], "data", 4);
    writeLe32(&header[40], 0); // patched on close
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        fail("cannot write to '" + path.string() + "': " + std::strerror(errno));
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool WavFileWriter::write(const std::int16_t* samples, std::size_t count) {
    if (!file_ || failed_)
        return false;
    std::uint64_t bytes = static_cast<std::uint64_t>(count) * 2;
    if (dataBytes_ + bytes > kMaxDataBytes) {
        // Past 4 GiB the header could no longer hold the sizes; the file stays a valid WAVE
        // file of everything up to there.
        fail("'" + path_.string() + "' is full: a WAVE file holds at most 4 GiB of sound");
        return false;
    }
    std::size_t written = 0;
    if constexpr (std::endian::native == std::endian::little) {
        written = std::fwrite(samples, 1, count * 2, file_);
    } else {
        std::vector<std::uint8_t> le(count * 2);
        for (std::size_t i = 0; i < count; ++i)
            writeLe16(&le[i * 2], static_cast<std::uint16_t>(samples[i]));
        written = std::fwrite(le.data(), 1, le.size(), file_);
    }
    // Only whole frames count, so a short write leaves the data chunk frame-aligned.
    dataBytes_ += written - written % blockAlign_;
    if (written != count * 2) {
        fail("cannot write to '" + path_.string() + "': " + std::strerror(errno));
        return false;
    }
    return true;
}

bool WavFileWriter::close() {
    if (!file_)
        return true;
    std::array<std::uint8_t, 4> riffSize{};
    std::array<std::uint8_t, 4> dataSize{};
    writeLe32(riffSize.data(), static_cast<std::uint32_t>(36 + dataBytes_));
    writeLe32(dataSize.data(), static_cast<std::uint32_t>(dataBytes_));
    bool patched = std::fflush(file_) == 0 && std::fseek(file_, 4, SEEK_SET) == 0 &&
                   std::fwrite(riffSize.data(), 1, 4, file_) == 4 &&
                   std::fseek(file_, 40, SEEK_SET) == 0 &&
                   std::fwrite(dataSize.data(), 1, 4, file_) == 4;
    if (!patched)
        fail("cannot finish '" + path_.string() + "': " + std::strerror(errno));
    if (std::fclose(file_) != 0)
        fail("cannot finish '" + path_.string() + "': " + std::strerror(errno));
    file_ = nullptr;
    return !failed_;
}

} // namespace vura
