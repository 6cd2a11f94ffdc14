#include "asm_syntax.hpp"

#include "core/command_signatures.hpp"

#include <cctype>
#include <charconv>

namespace vura::tools {

namespace {

struct OpcodeName {
    std::string_view name;
    std::uint32_t opcode;
};

constexpr OpcodeName kOpcodes[] = {
    {"End", 0},          {"Add", 1},      {"Sub", 2},        {"Mul", 3},          {"Div", 4},
    {"Mod", 5},          {"Neg", 6},      {"Compare", 7},    {"Jump", 8},         {"JumpIfTrue", 9},
    {"JumpIfFalse", 10}, {"Assign", 11},  {"Pop", 12},       {"CallCommand", 13}, {"Return", 14},
    {"LoadVar", 15},     {"PushRef", 16}, {"PushConst", 17}, {"Increment", 18},   {"Decrement", 19},
    {"LineMarker", 23},
};

constexpr std::string_view kReferencePrefixes[] = {"gi", "gf", "gs", "ci", "cf", "cs", "cm"};

} // namespace

std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    // From -2^31 to 2^32 - 1: every 32-bit pattern, written signed or unsigned.
    if (ec != std::errc() || ptr != text.data() + text.size() || value > 0xFFFFFFFFull ||
        (negative && value > 0x80000000ull))
        return std::nullopt;
    std::int64_t v = static_cast<std::int64_t>(value);
    return negative ? -v : v;
}

std::size_t closingQuote(std::string_view text, std::size_t open) {
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i;
    }
    return std::string_view::npos;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string hexByte(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

std::optional<std::uint32_t> opcodeFromName(std::string_view name) {
    std::string l = lower(name);
    for (const OpcodeName& o : kOpcodes) {
        if (lower(o.name) == l)
            return o.opcode;
    }
    return std::nullopt;
}

std::string_view nameOfOpcode(std::uint32_t opcode) {
    for (const OpcodeName& o : kOpcodes) {
        if (o.opcode == opcode)
            return o.name;
    }
    return {};
}

std::optional<int> commandFromName(std::string_view name) {
    if (auto exact = commandNumber(name))
        return exact;
    std::string l = lower(name);
    for (const CommandSignature& c : kCommandSignatures) {
        if (lower(c.name) == l && c.name != "Dummy")
            return c.number;
    }
    return std::nullopt;
}

std::optional<std::int32_t> referenceKind(std::string_view prefix) {
    for (std::size_t i = 0; i < std::size(kReferencePrefixes); ++i) {
        if (kReferencePrefixes[i] == prefix)
            return static_cast<std::int32_t>(2 * i);
    }
    return std::nullopt;
}

std::string_view referencePrefix(std::int32_t kind) {
    if (kind < 0 || kind % 2 != 0 ||
        kind / 2 >= static_cast<std::int32_t>(std::size(kReferencePrefixes)))
        return {};
    return kReferencePrefixes[static_cast<std::size_t>(kind / 2)];
}

} // namespace vura::tools
