#pragma once
// What `vura-tool save-info` prints: a slot file's header and the state it holds, or a common data
// file's keys and values, as text or as JSON.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vura::tools {

// A slot file described; false with `out` holding why when it is no slot file.
bool describeSlotFile(std::span<const std::uint8_t> file, bool json, std::string& out);

// A common data file for `ints` common ints and `flags` common flags: each key and value.
bool describeCommonData(std::span<const std::uint8_t> file, std::size_t ints, std::size_t flags,
                        bool json, std::string& out);

} // namespace vura::tools
