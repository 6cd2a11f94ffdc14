// Feeds arbitrary bytes as the common data file, for a few layouts' sizes. A file of the right
// size always decodes, and what it decodes to writes back to a file that decodes the same.

#include "save/common_data.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> input(data, size);
    vura::CrtRandom keys;
    if (size > 0)
        keys.seed(data[0]);
    for (std::size_t ints = 0; ints <= size / 8; ++ints) {
        std::size_t flags = (size - 8 * ints) / 2;
        std::optional<vura::CommonData> d = vura::decodeCommonData(input, ints, flags);
        check(d.has_value() == (8 * ints + 2 * flags == size));
        if (!d)
            continue;
        check(d->ints.size() == ints && d->flags.size() == flags);
        std::vector<std::uint8_t> file = vura::encodeCommonData(*d, keys);
        std::optional<vura::CommonData> back = vura::decodeCommonData(file, ints, flags);
        check(back && back->ints == d->ints && back->flags == d->flags);
    }
    return 0;
}
