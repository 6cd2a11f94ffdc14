#pragma once
// Writing a file so that a crash, a full disk or a failed write never destroys the old one: the
// bytes go to a temporary file in the same directory, which is flushed to the disk and renamed
// over the old file, and the directory is flushed too. On any failure the temporary file is
// deleted and the old file stays as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace vura {

// Writes some of the bytes to the descriptor, as ::write does: the count written, or -1.
using WriteChunk = std::function<long(int fd, const std::uint8_t* bytes, std::size_t count)>;

// False when any step fails; the target is then untouched. Tests pass a `write` that fails.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const WriteChunk& write = {});

// A whole file's bytes, or nothing when it cannot be read.
bool readWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes);

} // namespace vura
