#include "platform/instance_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace vura {

std::filesystem::path InstanceLock::defaultPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::filesystem::path(runtime) / "vura.lock";
    return std::filesystem::path("/tmp") / ("vura-" + std::to_string(::getuid()) + ".lock");
}

bool InstanceLock::acquire(const std::filesystem::path& path) {
    release();
    // Close-on-exec, so a program started by the engine (a browser from ShellOpen) does not
    // keep the lock after the engine has ended; no-follow, so a planted link is not opened.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        return error != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace vura
