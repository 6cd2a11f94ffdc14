// Feeds arbitrary bytes to the pack index parser: the first eight bytes (little-endian) are the
// data file's size, the rest is the index. An accepted index must keep every entry inside the
// data file, and must serialize under the key it was read with to the bytes it was read from
// (name fields compared up to their first zero, since nothing after it is kept).

#include "resources/pack_archive.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    std::uint64_t dataSize = 0;
    for (int i = 7; i >= 0; --i)
        dataSize = (dataSize << 8) | data[i];
    std::span<const std::uint8_t> index(data + 8, size - 8);

    auto parsed = vura::parsePackIndex(index, dataSize);
    if (!parsed)
        return 0;
    check(index.size() == 4 + vura::kPackEntrySize * parsed->entries.size());
    for (const vura::PackEntry& e : parsed->entries) {
        check(static_cast<std::uint64_t>(e.offset) + e.size <= dataSize);
        check(e.name.size() <= vura::kPackNameSize);
        check(e.name.find('\0') == std::string::npos);
    }

    std::vector<std::uint8_t> expected(index.begin(), index.end());
    for (std::size_t i = 0; i < parsed->entries.size(); ++i) {
        auto name = expected.begin() + 4 + vura::kPackEntrySize * i + 8;
        auto end = name + vura::kPackNameSize;
        std::fill(std::find(name, end, 0), end, 0);
    }
    check(vura::serializePackIndex(parsed->entries, parsed->indexKey) == expected);
    return 0;
}
