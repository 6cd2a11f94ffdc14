#pragma once
// The two file formats of a game's scripts: the script file (.SQX) with its instructions and
// constant pool, and the memory layout (NECEMEM.SQI) that sizes the variable banks and holds
// the constants. Parsing checks every length against the bytes present: a short image is a
// failed load, never a read past its end.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vura {

struct Instruction {
    std::uint32_t opcode = 0;
    std::int32_t operand1 = 0;
    std::int32_t operand2 = 0;
};

struct ScriptImage {
    std::vector<Instruction> code;
    std::vector<std::uint8_t> constantPool;
};

struct LayoutImage {
    std::uint32_t gameInts = 0;
    std::uint32_t gameFlags = 0;
    std::uint32_t gameStrings = 0;
    std::vector<std::int32_t> constInts;
    std::vector<std::uint8_t> constFlags;
    std::vector<std::string> constStrings; // Shift-JIS
    std::uint32_t commonInts = 0;
    std::uint32_t commonFlags = 0;
};

// Larger banks than this are refused: no game needs millions of variables, and a damaged
// header must not make the engine allocate gigabytes.
inline constexpr std::uint32_t kMaxBankSize = 1u << 22;

// Header: instruction count N, pool size D; then N records of 12 bytes and D pool bytes. An
// image shorter than 8 + 12 N + D bytes is refused; bytes after that are ignored.
std::optional<ScriptImage> parseScriptImage(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> serializeScriptImage(const ScriptImage& image);

// Header: eight counts; then the constant ints, the constant flags and the constant strings.
std::optional<LayoutImage> parseLayoutImage(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> serializeLayoutImage(const LayoutImage& layout);

} // namespace vura
