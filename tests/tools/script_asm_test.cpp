#include "base/byte_order.hpp"
#include "core/script_vm.hpp"
#include "script_asm.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vura::tools {
namespace {

using namespace std::string_literals;

std::string u32le(std::uint32_t v) {
    std::vector<std::uint8_t> out;
    appendLe32(out, v);
    return std::string(out.begin(), out.end());
}

// A pool record as the assembler writes it: the length, then the bytes.
std::string record(const std::string& bytes) {
    return u32le(static_cast<std::uint32_t>(bytes.size())) + bytes;
}

std::vector<std::uint8_t> pool(const std::string& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::string listing(const std::vector<Instruction>& code) {
    std::string out;
    for (const Instruction& in : code)
        out += std::to_string(in.opcode) + " " + std::to_string(in.operand1) + " " +
               std::to_string(in.operand2) + "\n";
    return out;
}

// Disassembles, assembles the text again, and expects the very same file.
void expectRoundTrip(const ScriptImage& image) {
    std::string text = disassemble(image);
    AssembleResult again = assemble(text, "round.asm");
    ASSERT_TRUE(again.ok) << again.error << "\n" << text;
    EXPECT_EQ(serializeScriptImage(again.image), serializeScriptImage(image)) << text;
}

std::string assembleError(const std::string& source) {
    AssembleResult r = assemble(source, "t.asm");
    EXPECT_FALSE(r.ok) << source;
    return r.error;
}

TEST(ScriptAsmRoundTrip, DemoScriptsComeBackByteForByte) {
    auto demo = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "demo";
    for (const char* name : {"INIT.asm", "GREETING.asm"}) {
        SCOPED_TRACE(name);
        std::ifstream file(demo / name, std::ios::binary);
        ASSERT_TRUE(file) << (demo / name);
        std::stringstream source;
        source << file.rdbuf();
        AssembleResult first = assemble(source.str(), name);
        ASSERT_TRUE(first.ok) << first.error;
        ASSERT_FALSE(first.image.code.empty());
        expectRoundTrip(first.image);
        // Laid out as the assembler lays it, the strings come back written in place.
        EXPECT_EQ(disassemble(first.image).find(".pool"), std::string::npos);
    }
}

TEST(ScriptAsmRoundTrip, PoolNotLaidOutByTheAssembler) {
    // Text that is not clean Shift-JIS: an unassigned pair, an NEC-selected duplicate (0xED
    // 0x40), a lone lead byte, control bytes, a "{int:" that is only text and an escape byte
    // cut off by the end of its string.
    const std::string awkward[] = {"\x85\x40\xED\x40ok\x81"s, "\x00\x07\x1F\x7F{int:2}\\\""s,
                                   "{int:1}\x04\x01"s, "\x04\x01\x02\x03\x04"s, ""s};
    // Laid out as the assembler lays it, the texts are written in place.
    ScriptImage inPlace;
    std::string bytes;
    for (const std::string& text : awkward) {
        inPlace.code.push_back({kPushConst, 2, static_cast<std::int32_t>(bytes.size())});
        bytes += record(text);
    }
    inPlace.constantPool = pool(bytes);
    expectRoundTrip(inPlace);
    EXPECT_EQ(disassemble(inPlace).find(".pool"), std::string::npos);

    // A gap before the first record, a record two instructions share, a length running off
    // the end, and offsets outside the pool.
    ScriptImage image;
    bytes = "\xFF\x00\x7B"s + record(awkward[0]) + record(awkward[1]);
    const auto lying = static_cast<std::int32_t>(bytes.size());
    bytes += u32le(1000) + "xy";
    image.constantPool = pool(bytes);
    image.code = {{kPushConst, 2, 3},         {kPushConst, 2, 3},
                  {kPushConst, 2, 14},        {kPushConst, 2, lying},
                  {kPushConst, 2, lying + 2}, {kPushConst, 2, lying + 4},
                  {kPushConst, 2, -1},        {kPushConst, 2, INT_MAX},
                  {kPushConst, 1, 3},         {kEnd, 0, 0}};
    expectRoundTrip(image);
    EXPECT_NE(disassemble(image).find(".pool"), std::string::npos);
}

TEST(ScriptAsmRoundTrip, EveryBytePairInsideAString) {
    // Each string is one lead candidate followed by every byte, so every pair (and every
    // byte standing alone) passes through the string writer.
    ScriptImage image;
    std::string bytes;
    for (int lead = 0; lead < 256; ++lead) {
        std::string text;
        for (int b = 0; b < 256; ++b) {
            text += static_cast<char>(lead);
            text += static_cast<char>(b);
        }
        image.code.push_back({kPushConst, 2, static_cast<std::int32_t>(bytes.size())});
        bytes += record(text);
    }
    image.constantPool = pool(bytes);
    expectRoundTrip(image);
    EXPECT_EQ(disassemble(image).find(".pool"), std::string::npos);
}

TEST(ScriptAsmRoundTrip, RawOpcodesJumpsAndExtremeOperands) {
    ScriptImage image;
    image.code = {{20, 0, 0},
                  {21, -1, 7},
                  {22, INT_MIN, INT_MAX},
                  {99, 0, 0},
                  {0xFFFFFFFFu, 1, -1},
                  {kJump, 5, 0},          // target 0 becomes a label
                  {kJumpIfTrue, 1, 6},    // its own address
                  {kJumpIfFalse, 0, 100}, // past the end
                  {kJump, 0, -1},
                  {kCallCommand, 3, 0}, // Dummy has no name of its own
                  {kCallCommand, 118, 9},
                  {kCallCommand, 119, 0}, // outside the table
                  {kCallCommand, -1, 0},
                  {kCompare, 0, 0},
                  {kAdd, INT_MIN, 0}, // operands an instruction does not read
                  {kPop, 0, 5},
                  {kLoadVar, -7, 13},
                  {kLineMarker, INT_MAX, 0},
                  {kEnd, 0, 0}};
    image.constantPool = pool("\x01\x02");
    expectRoundTrip(image);
    expectRoundTrip(ScriptImage{});
}

TEST(ScriptAsm, ExactBytesOfASmallProgram) {
    const char* source = R"asm(; every kind of operand
start:  Jump 0 ahead         ; forward
        PushConst 0 0x1F
        pushconst 0, -5
ahead:  JumpIfFalse 1 start  ; backward
        CallCommand waitclick
        PushConst 2 "a\\\"\x7F\n\w\p{int:1}{str:0x10}{common:258}あ"
        call 104(7, true, false, "x", gi[1], gf[2], gs[3], ci[4], cf[5], cs[6], cm[7])
        .pool AB cd
        Op 99 -1 0xFFFFFFFF
        End
)asm";
    AssembleResult r = assemble(source, "small.asm");
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<Instruction> expected = {
        {kJump, 0, 3},         {kPushConst, 0, 31},    {kPushConst, 0, -5}, {kJumpIfFalse, 1, 0},
        {kCallCommand, 15, 0}, {kPushConst, 2, 0},     {kPushConst, 0, 7},  {kPushConst, 1, 1},
        {kPushConst, 1, 0},    {kPushConst, 2, 28},    {kPushRef, 1, 0},    {kPushRef, 2, 2},
        {kPushRef, 3, 4},      {kPushRef, 4, 6},       {kPushRef, 5, 8},    {kPushRef, 6, 10},
        {kPushRef, 7, 12},     {kCallCommand, 104, 0}, {kPop, 0, 0},        {99, -1, -1},
        {kEnd, 0, 0}};
    EXPECT_EQ(listing(r.image.code), listing(expected));
    std::string text = "a\\\"\x7F\x01\x02\x03"s + "\x04" + u32le(1) + "\x05" + u32le(16) + "\x06" +
                       u32le(258) + "\x82\xA0";
    EXPECT_EQ(r.image.constantPool, pool(record(text) + record("x") + "\xAB\xCD"));
}

TEST(ScriptAsm, ErrorsNameFileLineAndColumn) {
    EXPECT_EQ(assembleError("End\n  Frobnicate 1\n"),
              "t.asm:2:3: unknown instruction 'Frobnicate'");
    EXPECT_EQ(assembleError("Jump 0 nowhere"), "t.asm:1:8: unknown label 'nowhere'");
    EXPECT_EQ(assembleError("CallCommand NoSuchThing"),
              "t.asm:1:13: unknown command or label 'NoSuchThing'");
    EXPECT_EQ(assembleError("Add 1 2 3"), "t.asm:1:9: an instruction takes at most two operands");
    EXPECT_EQ(assembleError("Op 20 1 2 3"),
              "t.asm:1:11: an instruction takes at most two operands");
    EXPECT_EQ(assembleError("\n PushConst 2 \"abc"), "t.asm:2:14: unterminated string");
    EXPECT_EQ(assembleError("PushConst 2 \"a\\q\""), "t.asm:1:13: unknown escape '\\q'");
    EXPECT_EQ(assembleError("PushConst 2 \"\\x4\""),
              "t.asm:1:13: '\\x' needs two hexadecimal digits");
    EXPECT_EQ(assembleError("PushConst 2 \"{int:-1}\""),
              "t.asm:1:13: '{int:' needs a variable number");
    EXPECT_EQ(assembleError("PushConst 2 \"5€\""), "t.asm:1:13: '€' has no Shift-JIS code");
    EXPECT_EQ(assembleError("a: End\nb: End\n  a: End"), "t.asm:3:3: label 'a' is defined twice");
    EXPECT_EQ(assembleError("9x: End"), "t.asm:1:1: bad label name '9x'");
    EXPECT_EQ(assembleError("call Random(6, x)"),
              "t.asm:1:16: bad argument 'x' (expected an integer, true, false, a string, or "
              "gi[N], gf[N], gs[N], ci[N], cf[N], cs[N], cm[N])");
    EXPECT_TRUE(assembleError("call Random(6, zz[1])").starts_with("t.asm:1:16: bad argument"));
    EXPECT_EQ(assembleError("call Random(6,,1)"), "t.asm:1:15: empty argument");
    EXPECT_EQ(assembleError("call SetWindowTitle(\"€\")"), "t.asm:1:21: '€' has no Shift-JIS code");
    EXPECT_EQ(assembleError("call Random(6"), "t.asm:1:12: missing ')'");
    EXPECT_EQ(assembleError("call NoSuch()"), "t.asm:1:6: unknown command 'NoSuch'");
    EXPECT_EQ(assembleError("End(1)"), "t.asm:1:5: only 'call' takes an argument list");
    EXPECT_EQ(assembleError(".pool 1G"),
              "t.asm:1:7: '.pool' takes bytes as two hexadecimal digits");
    EXPECT_EQ(assembleError("Op x"), "t.asm:1:1: 'Op' needs an opcode number");
}

TEST(ScriptAsm, CallsMustFitTheCommandsRow) {
    // A source, and the error it gets ("" when it assembles).
    const std::pair<const char*, const char*> cases[] = {
        {"call PlayDSB(0, \"bgm\")", "t.asm:1:6: PlayDSB takes 3 arguments (channel, name, loop), "
                                     "not 2"},
        {"call StartTimer(1)", "t.asm:1:6: StartTimer takes no arguments, not 1"},
        {"call ChoiceMenuReady(0, gi[1], \"a\", \"b\", 3)",
         "t.asm:1:6: ChoiceMenuReady's count says 3 arguments come before it, but the call has 4"},
        {"call ChoiceMenuReady(0, gi[1], 1)",
         "t.asm:1:6: ChoiceMenuReady needs a count of at least 2, not 1"},
        {"call ChoiceMenuReady(0, gi[1], \"a\", \"b\", gi[2])", ""}, // a count from a variable
        {"call ChoiceMenuReady(0, gi[2])", "t.asm:1:6: ChoiceMenuReady takes at least 3 arguments "
                                           "(window, resultVariable, {choice}..., count), not 2"},
        {"call MessageFlowReady(0, \"v\", \"t\", 3, 0)", ""},
        {"call MessageFlowReady(0, \"t\", 1, 0)", ""},
        {"call MessageFlowReady(0, \"t\", 3, 0)",
         "t.asm:1:6: MessageFlowReady takes 5 arguments when its marker is 3 (window, [voice], "
         "text, marker, readFlag), not 4"},
        {"call MessageFlowReady(0, \"v\", \"t\", 1, 0)",
         "t.asm:1:6: MessageFlowReady takes 4 arguments when its marker is not 3 (window, "
         "[voice], text, marker, readFlag), not 5"},
        {"End\n  x: call random(6)", "t.asm:2:11: Random takes 2 arguments (modulus, variable), "
                                     "not 1"},
        {"PushConst 0 1\nCallCommand PlayDSB\nPop", ""}, // built by hand: not checked
    };
    for (const auto& [source, error] : cases) {
        AssembleResult r = assemble(source, "t.asm");
        EXPECT_EQ(r.error, error) << source;
    }
}

TEST(ScriptAsmRoundTrip, CallsComeBackByName) {
    // A source, and lines its disassembly holds.
    const std::pair<const char*, const char*> cases[] = {
        {"PushConst 0 9\ntop: call PlayDSB(0, \"bgm\", 1)\ncall StartTimer()\n"
         "call ChoiceMenuReady(-1, gi[-2], \"a\", cm[3], 4)\n"
         "call MessageFlowReady(0, \"v\", \"t\", 3, false)\ncall StartupGraphicEffect(5, 1)\n"
         "Jump 0 top",
         "    PushConst 0 9\nL1:\n    call PlayDSB(0, \"bgm\", 1)\n    call StartTimer()\n"
         "    call ChoiceMenuReady(-1, gi[-2], \"a\", cm[3], 4)\n"
         "    call MessageFlowReady(0, \"v\", \"t\", 3, false)\n"
         "    call StartupGraphicEffect(5, 1)\n"},
        // A jump into the pushes, a count from a variable, no Pop after the call.
        {"PushConst 0 6\nin: PushRef 0 0\nCallCommand Random\nPop\nJump 0 in\n"
         "call ChoiceMenuReady(0, gi[1], gi[2])\ncall WaitClick(0)\nCallCommand WaitClick",
         "    PushConst 0 6\nL1:\n    PushRef 0 0\n    CallCommand Random\n    Pop\n"
         "    Jump 0 L1\n    PushConst 0 0\n    PushRef 1 0\n    PushRef 2 0\n"
         "    CallCommand ChoiceMenuReady\n    Pop\n    call WaitClick(0)\n"
         "    CallCommand WaitClick\n"},
        // Strings not in place stay pushes.
        {".pool 00\ncall LoadLayer(0, \"x\")",
         "    PushConst 2 1  ; \"x\"\n    CallCommand LoadLayer\n"},
    };
    for (const auto& [source, lines] : cases) {
        AssembleResult r = assemble(source, "calls.asm");
        ASSERT_TRUE(r.ok) << r.error;
        expectRoundTrip(r.image);
        EXPECT_NE(disassemble(r.image).find(lines), std::string::npos) << disassemble(r.image);
    }
}

TEST(ScriptAsm, ToolListsTheCommands) {
    test::ProcessResult r = test::runProcess(VURA_TOOL_BINARY, {"commands"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 113); // 3 to 9 share a line
    for (const char* line :
         {"3-9  Dummy() -> none\n 10  LoadSQX(name: string(128)) -> none\n",
          " 48  PlayDSB(channel, name: string(64), loop) -> int\n",
          " 79  ChoiceMenuReady(window: int, resultVariable: ref, {choice: string(1024)}..., "
          "count: count) -> int  (count at least 2)\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    r = test::runProcess(VURA_TOOL_BINARY, {"commands", "--help"});
    EXPECT_EQ(r.out.rfind("Usage: vura-tool commands\n", 0), 0u) << r.out;
}

TEST(ScriptAsmLayout, CountsConstantsAndComments) {
    const char* source = "; header\n"
                         "game_ints 32\n"
                         "game_flags 0x10   # sixteen\n"
                         "game_strings 8\r\n"
                         "common_ints 4\n"
                         "  common_flags 2\n"
                         "const_ints 3, -1 0x7FFFFFFF ; first\n"
                         "const_flags 1 0\n"
                         "const_ints 9\n"
                         "const_flags 1\n"
                         "const_string \"vura\"\n"
                         "const_string \"\"\n"
                         "const_string \"あ\\n{int:2}\"\n";
    LayoutResult r = parseLayoutSource(source, "layout.txt");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.layout.gameInts, 32u);
    EXPECT_EQ(r.layout.gameFlags, 16u);
    EXPECT_EQ(r.layout.gameStrings, 8u);
    EXPECT_EQ(r.layout.commonInts, 4u);
    EXPECT_EQ(r.layout.commonFlags, 2u);
    EXPECT_EQ(r.layout.constInts, (std::vector<std::int32_t>{3, -1, INT_MAX, 9}));
    EXPECT_EQ(r.layout.constFlags, (std::vector<std::uint8_t>{1, 0, 1}));
    EXPECT_EQ(r.layout.constStrings,
              (std::vector<std::string>{"vura", "", "\x82\xA0\x01\x04"s + u32le(2)}));

    LayoutResult empty = parseLayoutSource("", "empty.txt");
    ASSERT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(serializeLayoutImage(empty.layout), std::vector<std::uint8_t>(32, 0));
}

TEST(ScriptAsmLayout, ErrorsNameTheLine) {
    auto error = [](const std::string& source) {
        LayoutResult r = parseLayoutSource(source, "l.txt");
        EXPECT_FALSE(r.ok) << source;
        return r.error;
    };
    EXPECT_TRUE(error("game_ints 1\n\ngame_int 2").starts_with("l.txt:3: unknown line 'game_int'"));
    EXPECT_EQ(error("const_ints 1 two"), "l.txt:1: 'two' is not a number");
    EXPECT_EQ(error("# c\nconst_flags 0 2"), "l.txt:2: constant flags are 0 or 1");
    EXPECT_EQ(error("game_flags"), "l.txt:1: 'game_flags' takes one count from 0 to 4194304");
    EXPECT_TRUE(error("game_ints 1 2").starts_with("l.txt:1: 'game_ints' takes one count"));
    EXPECT_FALSE(parseLayoutSource("common_ints -1", "l.txt").ok);
    EXPECT_FALSE(parseLayoutSource("game_strings 4194305", "l.txt").ok);
    EXPECT_TRUE(parseLayoutSource("game_strings 4194304", "l.txt").ok);
    EXPECT_EQ(error("\n const_string vura"),
              "l.txt:2: 'const_string' takes one double-quoted string");
    EXPECT_EQ(error("const_string \"€\""), "l.txt:1: '€' has no Shift-JIS code");
}

// A comment after a constant string is part of the line, not of the string; a quote inside
// the comment must not stretch the string up to it.
TEST(ScriptAsmLayout, QuoteInTrailingCommentIsNotPartOfTheString) {
    LayoutResult r = parseLayoutSource("const_string \"vura\" ; was \"demo\"", "l.txt");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.layout.constStrings, std::vector<std::string>{"vura"});
}

} // namespace
} // namespace vura::tools
