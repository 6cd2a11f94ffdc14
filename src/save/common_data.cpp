#include "save/common_data.hpp"

#include "base/byte_stream.hpp"

namespace vura {

std::vector<std::uint8_t> encodeCommonData(const CommonData& data, CrtRandom& keys) {
    std::vector<std::int32_t> intKeys(data.ints.size());
    for (std::int32_t& key : intKeys)
        key = keys.next();
    std::vector<std::uint8_t> flagKeys(data.flags.size());
    for (std::uint8_t& key : flagKeys)
        key = static_cast<std::uint8_t>(keys.next());
    ByteWriter w;
    for (std::int32_t key : intKeys)
        w.i32(key);
    for (std::size_t i = 0; i < data.ints.size(); ++i)
        w.i32(data.ints[i] ^ intKeys[i]);
    for (std::uint8_t key : flagKeys)
        w.u8(key);
    for (std::size_t i = 0; i < data.flags.size(); ++i)
        w.u8((data.flags[i] != 0 ? 1u : 0u) ^ flagKeys[i]);
    return std::move(w.bytes());
}

std::optional<CommonData> decodeCommonData(std::span<const std::uint8_t> bytes, std::size_t ints,
                                           std::size_t flags) {
    if (bytes.size() != 8 * ints + 2 * flags)
        return std::nullopt;
    ByteReader r(bytes);
    std::vector<std::int32_t> intKeys(ints);
    for (std::int32_t& key : intKeys)
        key = r.i32();
    CommonData data;
    data.ints.resize(ints);
    for (std::size_t i = 0; i < ints; ++i)
        data.ints[i] = r.i32() ^ intKeys[i];
    std::vector<std::uint8_t> flagKeys(flags);
    for (std::uint8_t& key : flagKeys)
        key = r.u8();
    data.flags.resize(flags);
    for (std::size_t i = 0; i < flags; ++i)
        data.flags[i] = (r.u8() ^ flagKeys[i]) == 1 ? 1 : 0;
    return data;
}

} // namespace vura
