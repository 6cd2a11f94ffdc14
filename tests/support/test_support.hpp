#pragma once
// Helpers shared by the tests: temporary directories, running the programs, and small engines
// on the headless backend.

#include "platform/platform.hpp"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vura::test {

// A clock that moves only when a test moves it.
class ManualClock : public Clock {
public:
    std::uint32_t milliseconds() override { return ms; }
    std::optional<std::int64_t> performanceFrequency() override { return 1000; }
    std::int64_t performanceCounter() override { return ms; }
    std::uint32_t ms = 1000;
};

// A directory that exists for the test's lifetime.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Writes a file inside the directory and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& contents) const;

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with arguments. `environment` entries replace or add variables; a value of
// "<unset>" removes one.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& environment = {});

} // namespace vura::test
