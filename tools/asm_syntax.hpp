#pragma once
// The words the assembler reads and the disassembler writes: numbers, opcode and command names,
// variable references and string literals. Shared by the tools' own files only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vura::tools {

// An integer as written in source: decimal or 0x hexadecimal, signed or not, any 32-bit
// pattern (from -2^31 to 2^32 - 1).
std::optional<std::int64_t> parseInteger(std::string_view text);

// The position of the quote that closes the string opened at `open`, stepping over escaped
// characters; npos when the string is not closed.
std::size_t closingQuote(std::string_view text, std::size_t open);

std::string lower(std::string_view s);
std::string hexByte(std::uint8_t b);

// Opcode names, matched without regard to case; empty for an opcode without a name.
std::optional<std::uint32_t> opcodeFromName(std::string_view name);
std::string_view nameOfOpcode(std::uint32_t opcode);

// A command's number from its name, matched exactly first, then without regard to case.
std::optional<int> commandFromName(std::string_view name);

// The reference kinds a call argument can name: "gi" is 0 (a game int), "gf" 2, "gs" 4, "ci" 6,
// "cf" 8, "cs" 10, "cm" 12.
std::optional<std::int32_t> referenceKind(std::string_view prefix);
std::string_view referencePrefix(std::int32_t kind); // empty for other kinds

// A string literal whose text the assembler turns back into exactly these bytes.
std::string quoteStringLiteral(std::string_view bytes);

} // namespace vura::tools
