#include "save/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace vura {

namespace {

long systemWrite(int fd, const std::uint8_t* bytes, std::size_t count) {
    return static_cast<long>(::write(fd, bytes, count));
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, const WriteChunk& write) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        long n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The directory's entry for the renamed file reaches the disk too.
void syncDirectory(const std::filesystem::path& directory) {
    int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const WriteChunk& write) {
    const std::filesystem::path directory = target.parent_path();
    std::string pattern = (directory / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::filesystem::path temporary(name.data());
    bool ok = writeAll(fd, bytes, write ? write : WriteChunk(systemWrite)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    // The slot keeps the permissions a new file of the user's would have.
    if (ok) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(temporary.c_str(), 0666 & ~mask);
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temporary, target, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    syncDirectory(directory);
    return true;
}

bool readWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace vura
