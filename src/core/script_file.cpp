#include "core/script_file.hpp"

#include "base/byte_order.hpp"

namespace vura {

std::optional<ScriptImage> parseScriptImage(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8)
        return std::nullopt;
    std::uint64_t count = readLe32(bytes.data());
    std::uint64_t poolSize = readLe32(bytes.data() + 4);
    if (8 + 12 * count + poolSize > bytes.size())
        return std::nullopt;
    ScriptImage image;
    image.code.resize(count);
    const std::uint8_t* p = bytes.data() + 8;
    for (Instruction& in : image.code) {
        in.opcode = readLe32(p);
        in.operand1 = static_cast<std::int32_t>(readLe32(p + 4));
        in.operand2 = static_cast<std::int32_t>(readLe32(p + 8));
        p += 12;
    }
    image.constantPool.assign(p, p + poolSize);
    return image;
}

std::vector<std::uint8_t> serializeScriptImage(const ScriptImage& image) {
    std::vector<std::uint8_t> out;
    out.reserve(8 + image.code.size() * 12 + image.constantPool.size());
    appendLe32(out, static_cast<std::uint32_t>(image.code.size()));
    appendLe32(out, static_cast<std::uint32_t>(image.constantPool.size()));
    for (const Instruction& in : image.code) {
        appendLe32(out, in.opcode);
        appendLe32(out, static_cast<std::uint32_t>(in.operand1));
        appendLe32(out, static_cast<std::uint32_t>(in.operand2));
    }
    out.insert(out.end(), image.constantPool.begin(), image.constantPool.end());
    return out;
}

std::optional<LayoutImage> parseLayoutImage(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 32)
        return std::nullopt;
    std::uint32_t counts[8];
    for (int i = 0; i < 8; ++i) {
        counts[i] = readLe32(bytes.data() + 4 * i);
        if (counts[i] > kMaxBankSize)
            return std::nullopt;
    }
    LayoutImage layout;
    layout.gameInts = counts[0];
    layout.gameFlags = counts[1];
    layout.gameStrings = counts[2];
    layout.commonInts = counts[6];
    layout.commonFlags = counts[7];
    std::size_t pos = 32;
    auto remaining = [&] { return bytes.size() - pos; };
    if (static_cast<std::uint64_t>(counts[3]) * 4 > remaining())
        return std::nullopt;
    layout.constInts.resize(counts[3]);
    for (std::int32_t& v : layout.constInts) {
        v = static_cast<std::int32_t>(readLe32(bytes.data() + pos));
        pos += 4;
    }
    if (counts[4] > remaining())
        return std::nullopt;
    layout.constFlags.assign(bytes.data() + pos, bytes.data() + pos + counts[4]);
    pos += counts[4];
    // Every string record needs at least its 4-byte length.
    if (static_cast<std::uint64_t>(counts[5]) * 4 > remaining())
        return std::nullopt;
    layout.constStrings.resize(counts[5]);
    for (std::string& s : layout.constStrings) {
        if (remaining() < 4)
            return std::nullopt;
        std::uint32_t length = readLe32(bytes.data() + pos);
        pos += 4;
        if (length > remaining())
            return std::nullopt;
        s.assign(reinterpret_cast<const char*>(bytes.data() + pos), length);
        pos += length;
    }
    return layout;
}

std::vector<std::uint8_t> serializeLayoutImage(const LayoutImage& layout) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t v : {layout.gameInts, layout.gameFlags, layout.gameStrings,
                            static_cast<std::uint32_t>(layout.constInts.size()),
                            static_cast<std::uint32_t>(layout.constFlags.size()),
                            static_cast<std::uint32_t>(layout.constStrings.size()),
                            layout.commonInts, layout.commonFlags})
        appendLe32(out, v);
    for (std::int32_t v : layout.constInts)
        appendLe32(out, static_cast<std::uint32_t>(v));
    out.insert(out.end(), layout.constFlags.begin(), layout.constFlags.end());
    for (const std::string& s : layout.constStrings) {
        appendLe32(out, static_cast<std::uint32_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

} // namespace vura
