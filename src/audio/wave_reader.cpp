#include "audio/wave_reader.hpp"

#include "base/byte_order.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace vura {

namespace {} // namespace

int VolumeToMillibels(int level, int full) {
    // Nothing, or less than nothing (a negative master volume), is silence.
    if (level <= 0 || full <= 0)
        return -10000;
    return static_cast<int>(2000.0 * std::log10(static_cast<double>(level) / full));
}

bool WaveReader::openFile(const std::filesystem::path& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    openedByName_ = true;
    riffStart_ = 0;
    if (!readHeader()) {
        close();
        return false;
    }
    return true;
}

bool WaveReader::openHandle(int handle, std::int64_t offset) {
    close();
    if (handle < 0)
        return false;
    std::int64_t start = offset != 0 ? ::lseek(handle, static_cast<off_t>(offset), SEEK_SET)
                                     : ::lseek(handle, 0, SEEK_CUR);
    if (start < 0)
        return false;
    fd_ = handle;
    openedByName_ = false;
    riffStart_ = start;
    if (!readHeader()) {
        close();
        return false;
    }
    return true;
}

bool WaveReader::readAt(std::int64_t position, void* dest, std::size_t count) {
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        return false;
    return readExactly(dest, count);
}

bool WaveReader::readExactly(void* dest, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(dest);
    while (count > 0) {
        ssize_t n = ::read(fd_, out, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WaveReader::readHeader() {
    std::uint8_t header[12];
    if (!readAt(riffStart_, header, 12) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    riffEnd_ = riffStart_ + 8 + readLe32(header + 4);
    // A RIFF size that claims more than the file holds is cut to the file.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
        riffEnd_ = std::min<std::int64_t>(riffEnd_, info.st_size);
    std::int64_t start = 0;
    std::uint32_t size = 0;
    if (!findChunk("fmt ", start, size) || size < 16)
        return false;
    format_.resize(size);
    if (!readAt(start, format_.data(), size)) {
        format_.clear();
        return false;
    }
    return true;
}

bool WaveReader::findChunk(const char id[4], std::int64_t& start, std::uint32_t& size) {
    // Chunks follow the form type; each is padded to an even length.
    std::int64_t position = riffStart_ + 12;
    while (position + 8 <= riffEnd_) {
        std::uint8_t header[8];
        if (!readAt(position, header, 8))
            return false;
        std::uint32_t length = readLe32(header + 4);
        if (std::memcmp(header, id, 4) == 0) {
            start = position + 8;
            size = static_cast<std::uint32_t>(
                std::min<std::int64_t>(length, std::max<std::int64_t>(0, riffEnd_ - start)));
            return true;
        }
        position += 8 + static_cast<std::int64_t>(length) + (length & 1);
    }
    return false;
}

bool WaveReader::findData() {
    if (fd_ < 0)
        return false;
    std::int64_t start = 0;
    std::uint32_t size = 0;
    if (!findChunk("data", start, size))
        return false;
    dataStart_ = start;
    dataSize_ = size;
    cache_.clear();
    remaining_ = size;
    return ::lseek(fd_, static_cast<off_t>(start), SEEK_SET) >= 0;
}

bool WaveReader::read(std::uint32_t count, std::uint8_t* dest) {
    std::uint32_t inside = std::min(count, remaining_);
    if (inside > 0) {
        std::int64_t position = dataStart_ + (dataSize_ - remaining_);
        if (!readAt(position, dest, inside))
            return false;
        remaining_ -= inside;
    }
    std::memset(dest + inside, 0, count - inside);
    return true;
}

std::uint32_t WaveReader::loopBytes() const {
    // A stream plays whole frames only: a partial frame at the end of the data is left out of
    // the loop, so the channels never swap at the join.
    std::uint32_t align = format_.size() >= 14 ? readLe16(format_.data() + 12) : 1;
    if (align == 0)
        align = 1;
    return dataSize_ - dataSize_ % align;
}

bool WaveReader::readWrapping(std::uint32_t count, std::uint8_t* dest) {
    const std::uint32_t loop = loopBytes();
    wrapped = false;
    if (loop == 0) {
        // Nothing to play: silence, and the end is reached at once, so a stream played once
        // stops instead of playing silence for ever.
        std::memset(dest, 0, count);
        wrapped = true;
        return true;
    }
    // Data shorter than one read wraps as often as it takes; it is read once and then copied.
    if (loop < count && cache_.size() != loop) {
        cache_.resize(loop);
        if (!readAt(dataStart_, cache_.data(), loop))
            cache_.clear();
    }
    const std::uint32_t tail = dataSize_ - loop;
    while (count > 0) {
        std::uint32_t inside = remaining_ > tail ? remaining_ - tail : 0;
        if (inside == 0) {
            remaining_ = dataSize_;
            wrapped = true;
            continue;
        }
        std::uint32_t n = std::min(count, inside);
        std::uint32_t offset = dataSize_ - remaining_;
        if (cache_.size() == loop) {
            std::memcpy(dest, cache_.data() + offset, n);
        } else if (!readAt(dataStart_ + offset, dest, n)) {
            // A read error ends the stream: the rest is silence and the end counts as reached.
            std::memset(dest, 0, count);
            wrapped = true;
            return false;
        }
        dest += n;
        count -= n;
        remaining_ -= n;
    }
    return true;
}

void WaveReader::close() {
    format_.clear();
    if (fd_ >= 0 && openedByName_)
        ::close(fd_);
    fd_ = -1;
    openedByName_ = false;
    riffStart_ = riffEnd_ = dataStart_ = 0;
    dataSize_ = remaining_ = 0;
    cache_.clear();
    wrapped = false;
}

} // namespace vura
