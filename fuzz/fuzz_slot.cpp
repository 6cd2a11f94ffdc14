// Feeds arbitrary bytes as a slot file: split off the thumbnail, unscramble, decode. Nothing may
// crash; a snapshot that decodes must encode to bytes that decode to the same encoding again.

#include "save/snapshot.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> input(data, size);
    // Raw bytes as the snapshot itself, and as a whole slot file.
    std::vector<std::vector<std::uint8_t>> snapshots = {{input.begin(), input.end()}};
    if (auto parts = vura::splitSlotFile(input)) {
        check(parts->thumbnail.size() + parts->snapshot.size() == size);
        snapshots.emplace_back(parts->snapshot.begin(), parts->snapshot.end());
        vura::scrambleSnapshot(snapshots.back());
    }
    for (const std::vector<std::uint8_t>& bytes : snapshots) {
        std::string error;
        std::optional<vura::Snapshot> s = vura::decodeSnapshot(bytes, &error);
        check(s.has_value() == error.empty());
        if (!s)
            continue;
        std::vector<std::uint8_t> encoded = vura::encodeSnapshot(*s);
        std::optional<vura::Snapshot> again = vura::decodeSnapshot(encoded, nullptr);
        check(again.has_value() && vura::encodeSnapshot(*again) == encoded);
    }
    return 0;
}
