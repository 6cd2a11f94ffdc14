#pragma once
// The authors' script tools: an assembler from readable text to .SQX, the disassembler that
// turns any .SQX back into text that assembles to the same bytes, and the memory layout maker.

#include "core/script_file.hpp"

#include <string>
#include <string_view>

namespace vura::tools {

struct AssembleResult {
    bool ok = false;
    std::string error; // "<file>:<line>:<column>: <what is wrong>"
    ScriptImage image;
};

// Assembler syntax: one instruction per line, ';' starts a comment, "name:" labels the next
// instruction. An instruction is a mnemonic (the opcode names, matched without regard to case,
// or "Op N" for a raw opcode) and up to two operands, separated by spaces or commas; a missing
// operand is 0. Operands are integers (decimal or 0x hexadecimal), labels, command names, or
// double-quoted strings, which go into the constant pool and stand for their offset.
// "call Name(arg, ...)" pushes its arguments in order, then CallCommand and Pop.
// ".pool XX XX ..." appends raw bytes to the constant pool.
AssembleResult assemble(std::string_view source, std::string_view fileName);

// Source that assembles back to exactly the same bytes.
std::string disassemble(const ScriptImage& image);

struct LayoutResult {
    bool ok = false;
    std::string error;
    LayoutImage layout;
};

// Layout source: lines "game_ints N", "game_flags N", "game_strings N", "common_ints N",
// "common_flags N", "const_ints V ...", "const_flags V ..." (repeated lines append) and
// "const_string \"text\"" (one string per line, in order); ';' and '#' start comments.
LayoutResult parseLayoutSource(std::string_view source, std::string_view fileName);

// The bytes of a string literal's text: UTF-8 to Shift-JIS with the escapes \\ \" \xNN, \n
// (byte 1), \w (byte 2), \p (byte 3), {int:N}, {str:N} and {common:N} (bytes 4, 5, 6 and the
// little-endian index). False with a message when the text cannot be encoded.
bool encodeStringLiteral(std::string_view body, std::string& out, std::string& error);

} // namespace vura::tools
