#pragma once
// Only one copy of the engine runs at a time for a user. The lock is a file lock, which the
// operating system releases when the process ends, however it ends.

#include <filesystem>

namespace vura {

class InstanceLock {
public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock() { release(); }

    // The lock file: $XDG_RUNTIME_DIR/vura.lock, or /tmp/vura-<uid>.lock without it.
    static std::filesystem::path defaultPath();

    // True when this process now holds the lock; false when another process holds it. A lock
    // file that cannot be opened at all (an unwritable directory) does not stop the engine.
    bool acquire(const std::filesystem::path& path);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace vura
