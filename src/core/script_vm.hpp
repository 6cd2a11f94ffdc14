#pragma once
// The script machine: a stack machine over typed 32-bit values with three banks of variables
// (game, constant, common). It does no input, output or timing of its own; engine state 0 runs
// it once per tick and acts on what Run returns.

#include "core/script_file.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

enum ValueType : std::uint32_t {
    kInt = 0,
    kBool = 1,
    kStringConst = 2,
    kGameIntRef = 3,
    kGameFlagRef = 4,
    kGameStrRef = 5,
    kConstIntRef = 6,
    kConstFlagRef = 7,
    kConstStrRef = 8,
    kCommonIntRef = 9,
};

struct Value {
    std::uint32_t type = kInt;
    std::int32_t value = 0;
};

struct CallFrame {
    std::string scriptName; // at most 127 bytes
    std::int32_t returnPc = 0;
    bool resumeCommand = false;
};

enum Opcode : std::uint32_t {
    kEnd = 0,
    kAdd = 1,
    kSub = 2,
    kMul = 3,
    kDiv = 4,
    kMod = 5,
    kNeg = 6,
    kCompare = 7,
    kJump = 8,
    kJumpIfTrue = 9,
    kJumpIfFalse = 10,
    kAssign = 11,
    kPop = 12,
    kCallCommand = 13,
    kReturn = 14,
    kLoadVar = 15,
    kPushRef = 16,
    kPushConst = 17,
    kIncrement = 18,
    kDecrement = 19,
    kLineMarker = 23,
};

// What Run returns.
enum RunResult : int {
    kRunYield = 0,      // the instruction budget ran out; Run continues at the same pc later
    kRunEnd = 1,        // End
    kRunCommand = 2,    // CallCommand: the command number is on top of the stack
    kRunLineMarker = 3, // LineMarker: the line number is on top of the stack, pc advanced
    kRunReturn = 4,     // Return
};

// Errors of Run. -1 to -23 are the machine's own (-17 is never given); from -24 down are
// refusals of things the machine never guarded, so nothing outside its arrays is ever touched.
enum VmError : int {
    kErrRanOffEnd = -1,
    kErrAddType = -2,            // Add of a value that is not an Int
    kErrSubType = -3,            // Sub of a value that is not an Int
    kErrMulType = -4,            // Mul of a value that is not an Int
    kErrDivType = -5,            // Div of a value that is not an Int
    kErrDivByZero = -6,          // Div by 0
    kErrModType = -7,            // Mod of a value that is not an Int
    kErrModByZero = -8,          // Mod by 0
    kErrNegType = -9,            // Neg of a value that is not an Int
    kErrCompareMismatch = -10,   // Compare of two values of different types
    kErrCompareType = -11,       // Compare of values that are neither Int nor Bool
    kErrJumpTarget = -12,        // Jump outside the code
    kErrJumpIfTrueTarget = -13,  // JumpIfTrue outside the code
    kErrJumpIfFalseTarget = -14, // JumpIfFalse outside the code
    kErrAssignTarget = -15,      // Assign to something that is not an int, flag or string ref
    kErrAssignValue = -16,       // Assign of a value the target cannot hold
    kErrLoadVarKind = -18,       // LoadVar with a kind outside 0 to 13
    kErrPushRefKind = -19,       // PushRef with a kind outside 0 to 13
    kErrPushConstType = -20,     // PushConst with a type outside 0 to 2
    kErrIncrementTarget = -21,   // Increment of something that is not an int ref
    kErrDecrementTarget = -22,   // Decrement of something that is not an int ref
    kErrOpcode = -23,            // an opcode the machine does not know
    kErrStackOverflow = -24,     // more than 768 values
    kErrStackUnderflow = -25,    // a pop from the empty stack
    kErrFrameOverflow = -26,     // more than 32 nested calls
    kErrFrameUnderflow = -27,    // a return without a call
    kErrBankIndex = -28,         // a variable index outside its bank
    kErrCommandNumber = -29,     // CallCommand with a number outside 0 to 118
    kErrPoolOffset = -30,        // a string constant outside the constant pool
};

class ScriptVm {
public:
    static constexpr int kStackSize = 768;
    static constexpr int kFrameCount = 32;
    // A script looping without a stopping instruction returns to the tick after this many
    // instructions and goes on at the same pc on the next tick, so the window never freezes.
    static constexpr std::uint32_t kInstructionBudget = 10'000'000;
    // Game strings expanding game strings (0x05) stop at this depth; a string that names
    // itself expands to nothing there instead of recursing forever.
    static constexpr int kMaxStringNesting = 8;

    // Executes from pc until a stopping instruction, an error, or the budget.
    int Run(std::uint32_t budget = kInstructionBudget);

    // Pushing onto a full stack, or popping the empty one, is refused: the value is dropped (a
    // pop gives Int 0) and `stackFault` records the error for the caller to report.
    void Push(std::uint32_t type, std::int32_t value);
    Value Pop();
    int stackFault = 0;

    // Frames: PushFrame saves the current script name, pc and the flag; false when all 32 are
    // in use. PopFrame gives the top frame; false when there is none.
    bool PushFrame(bool resumeCommand);
    bool PopFrame(CallFrame& frame);

    // Replaces code and constant pool; stack, frames and banks survive. pc becomes 0.
    void InstallScript(ScriptImage image);
    // Sizes the banks from the layout, copies the constants, and zeroes the game ints and
    // flags and the common ints and flags. Game strings keep their text.
    void InstallLayout(const LayoutImage& layout);

    // Checked accessors: an index outside its bank calls `onAccessViolation` (the engine shows
    // "アクセスバイオレーションしてます＞＜") and goes on; a read then gives 0, a write does
    // nothing.
    std::int32_t ReadGameInt(std::int32_t index);
    std::int32_t ReadCommonInt(std::int32_t index);
    void WriteGameInt(std::int32_t index, std::int32_t value);
    void WriteGameFlag(std::int32_t index, bool value);
    bool ReadCommonFlag(std::int32_t index);
    void WriteCommonFlag(std::int32_t index, bool value);
    // Replaces a game string with a copy of `length` bytes; 0 or less leaves it empty.
    void SetGameString(std::int32_t index, const char* bytes, std::int32_t length);
    const std::string* GameString(std::int32_t index);
    std::function<void()> onAccessViolation;

    // Turns a string-typed value into text, expanding the escapes 0x04 (game int), 0x05 (game
    // string, itself expanded) and 0x06 (common int), each followed by a 4-byte index. The
    // result must fit in maxLen bytes with a terminating zero, so at most maxLen - 1 bytes of
    // text; otherwise false, with `out` holding the text produced so far. Any type other than
    // StringConst, GameStrRef and ConstStrRef gives false and empty text.
    bool ResolveStringArg(Value v, std::string& out, std::size_t maxLen);

    // The text of a constant-pool record, or false when the offset or the length points
    // outside the pool.
    bool PoolString(std::int32_t offset, std::string_view& text) const;

    std::string scriptDirectory;
    std::string scriptName;
    std::string saveDirectory;
    std::string saveTitle;
    std::array<Value, kStackSize> valueStack{};
    std::int32_t top = -1;
    std::array<CallFrame, kFrameCount> frames{};
    std::int32_t frameTop = -1;
    std::vector<Instruction> code;
    std::vector<std::uint8_t> constantPool;
    std::int32_t pc = 0;
    std::vector<std::int32_t> gameInts;
    std::vector<std::uint8_t> gameFlags;
    std::vector<std::string> gameStrings;
    std::vector<std::int32_t> constInts;
    std::vector<std::uint8_t> constFlags;
    std::vector<std::string> constStrings;
    std::vector<std::int32_t> commonInts;
    std::vector<std::uint8_t> commonFlags;

    std::int32_t instructionCount() const { return static_cast<std::int32_t>(code.size()); }

private:
    // One instruction: 0 to go on, a RunResult with `stop` set, or an error. The helpers
    // below give 0 or an error and leave pc alone, except where they say otherwise.
    int step(const Instruction& in, bool& stop);
    bool has(int count) const { return top + 1 >= count; }
    std::size_t bankSize(int bank) const;
    bool inBank(int bank, std::int64_t index) const;
    int arithmetic(std::uint32_t opcode);
    int negate();
    int compare(std::int32_t selector);
    int jump(std::int32_t target);                             // sets pc
    int jumpIf(bool whenTrue, bool keep, std::int32_t target); // sets pc
    int assign();
    int assignString(Value v, std::int32_t target);
    int discard();
    int callCommand(std::int32_t number, bool& stop);
    int loadVar(bool load, std::int32_t index, std::int32_t kind);
    void pushVariable(int bank, std::size_t i);
    int pushConst(std::int32_t type, std::int32_t value);
    int changeByOne(bool up);
    int lineMarker(std::int32_t line, bool& stop); // advances pc
    bool resolveInto(Value v, std::string& out, std::size_t maxLen, int depth);
    void accessViolation() {
        if (onAccessViolation)
            onAccessViolation();
    }
};

} // namespace vura
