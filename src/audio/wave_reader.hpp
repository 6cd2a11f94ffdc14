#pragma once
// Reading RIFF WAVE sound: the format block and the sample data of a WAV file, opened by name or
// read through a caller's open handle (a WAV stored inside a pack), whole or in pieces that
// start over at the end of the data.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vura {

class WaveReader {
public:
    WaveReader() = default;
    WaveReader(const WaveReader&) = delete;
    WaveReader& operator=(const WaveReader&) = delete;
    ~WaveReader() { close(); }

    // Opens the named file and reads its header: a "RIFF" chunk of form type "WAVE" holding a
    // "fmt " chunk of at least 16 bytes, which is kept whole as the format block.
    bool openFile(const std::filesystem::path& path);
    // Reads through the caller's handle, which stays the caller's to close; an offset other
    // than 0 is sought from the start of the file first, 0 reads from where the handle stands.
    bool openHandle(int handle, std::int64_t offset);
    // Positions at the first byte of the sample data ("data" may come before or after "fmt ",
    // with any other chunks between). False when there is none.
    bool findData();
    // Reads count bytes of sample data. Past the end of the data the rest is silence (zero
    // bytes): the next chunk of the file is never played. False on a read error.
    bool read(std::uint32_t count, std::uint8_t* dest);
    // The streaming read: at the end of the data it goes on from the data's start, as often as
    // needed, and sets `wrapped`; a read that stays inside the data clears it. Only whole frames
    // loop. Data of less than one frame, or a read error, gives silence and sets `wrapped`, so a
    // stream played once comes to its end.
    bool readWrapping(std::uint32_t count, std::uint8_t* dest);
    // Frees the format block and closes the file when the reader opened it itself.
    void close();

    const std::vector<std::uint8_t>& format() const { return format_; }
    std::uint32_t dataSize() const { return dataSize_; }
    std::uint32_t remaining() const { return remaining_; }
    bool wrapped = false;

private:
    bool readHeader();
    std::uint32_t loopBytes() const;
    bool findChunk(const char id[4], std::int64_t& start, std::uint32_t& size);
    bool readAt(std::int64_t position, void* dest, std::size_t count);
    bool readExactly(void* dest, std::size_t count);

    int fd_ = -1;
    bool openedByName_ = false;
    std::vector<std::uint8_t> format_;
    std::int64_t riffStart_ = 0; // where "RIFF" stands
    std::int64_t riffEnd_ = 0;
    std::int64_t dataStart_ = 0;
    std::uint32_t dataSize_ = 0;
    std::uint32_t remaining_ = 0;
    std::vector<std::uint8_t> cache_; // the whole data, when it is shorter than a streaming read
};

// A level from 0 to `full` as a buffer volume in hundredths of a decibel: 0 is -10000
// (silence), otherwise 2000 x log10(level / full) truncated toward zero. With full 100, 50 gives
// -602, 10 gives -2000, 1 gives -4000 and 100 gives 0; a level above full gives a positive value,
// which the sound buffers refuse.
int VolumeToMillibels(int level, int full);

} // namespace vura
