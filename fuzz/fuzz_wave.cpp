// Arbitrary bytes as a WAV file read through a handle: the reader must refuse or read them,
// never read outside the data it found, and always give back the bytes asked for.

#include "audio/wave_reader.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int fd = memfd_create("wave", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    vura::WaveReader reader;
    if (reader.openHandle(fd, 0) || reader.openHandle(fd, 1)) {
        if (reader.format().size() < 16)
            std::abort();
        if (reader.findData()) {
            std::vector<std::uint8_t> buffer(4096);
            for (int i = 0; i < 4; ++i)
                reader.readWrapping(static_cast<std::uint32_t>(buffer.size()), buffer.data());
        }
    }
    reader.close();
    ::close(fd);
    return 0;
}
