#include "base/sjis.hpp"
#include "core/script_vm.hpp"
#include "script_asm.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace vura {
namespace {

// A machine with small banks: 4 game ints, flags and strings, constants 7 and -3, flags 1 and
// 0, the string "abc", and 2 common ints.
struct Machine : ScriptVm {
    Machine() {
        onAccessViolation = [this] { ++violations; };
        LayoutImage layout;
        layout.gameInts = layout.gameFlags = layout.gameStrings = 4;
        layout.constInts = {7, -3};
        layout.constFlags = {1, 0};
        layout.constStrings = {"abc"};
        layout.commonInts = layout.commonFlags = 2;
        InstallLayout(layout);
    }
    int run(const std::string& source) {
        tools::AssembleResult r = tools::assemble(source, "test.asm");
        EXPECT_TRUE(r.ok) << r.error;
        InstallScript(r.image);
        return Run();
    }
    Value topValue() const { return valueStack[top]; }
    int violations = 0;
};

struct Expect {
    const char* source;
    int result;
    std::int32_t top; // the Int or Bool left on top, when result is End
};

TEST(ScriptVm, ArithmeticWrapsAndDivisionTruncates) {
    const Expect cases[] = {
        {"PushConst 0 2\nPushConst 0 3\nAdd\nEnd", kRunEnd, 5},
        {"PushConst 0 0x7FFFFFFF\nPushConst 0 1\nAdd\nEnd", kRunEnd, INT_MIN},
        {"PushConst 0 2\nPushConst 0 5\nSub\nEnd", kRunEnd, -3},
        {"PushConst 0 0x10000\nPushConst 0 0x10001\nMul\nEnd", kRunEnd, 0x10000},
        {"PushConst 0 -7\nPushConst 0 2\nDiv\nEnd", kRunEnd, -3},
        {"PushConst 0 -7\nPushConst 0 2\nMod\nEnd", kRunEnd, -1},
        {"PushConst 0 0x80000000\nPushConst 0 -1\nDiv\nEnd", kRunEnd, INT_MIN},
        {"PushConst 0 0x80000000\nPushConst 0 -1\nMod\nEnd", kRunEnd, 0},
        {"PushConst 0 0x80000000\nNeg\nEnd", kRunEnd, INT_MIN},
        {"PushConst 0 4\nNeg\nEnd", kRunEnd, -4},
    };
    for (const Expect& c : cases) {
        Machine m;
        ASSERT_EQ(m.run(c.source), c.result) << c.source;
        EXPECT_EQ(m.topValue().type, kInt) << c.source;
        EXPECT_EQ(m.topValue().value, c.top) << c.source;
        EXPECT_EQ(m.top, 0) << c.source;
    }
}

TEST(ScriptVm, EveryInstructionErrorHasItsCode) {
    const Expect cases[] = {
        {"PushConst 1 1\nPushConst 0 1\nAdd", -2, 0},
        {"PushConst 1 1\nPushConst 0 1\nSub", -3, 0},
        {"PushConst 0 1\nPushConst 1 1\nMul", -4, 0},
        // A wrong type is reported before a zero divisor.
        {"PushConst 1 1\nPushConst 0 0\nDiv", -5, 0},
        {"PushConst 0 1\nPushConst 0 0\nDiv", -6, 0},
        {"PushConst 1 1\nPushConst 0 0\nMod", -7, 0},
        {"PushConst 0 1\nPushConst 0 0\nMod", -8, 0},
        {"PushConst 1 1\nNeg", -9, 0},
        {"PushConst 1 1\nPushConst 0 1\nCompare 0", -10, 0},
        {"PushConst 2 0\nPushConst 2 0\nCompare 0", -11, 0},
        {"Jump 0 5", -12, 0},
        {"PushConst 0 1\nJumpIfTrue 0 -1", -13, 0},
        {"PushConst 0 0\nJumpIfFalse 0 9", -14, 0},
        {"PushRef 0 6\nPushConst 0 1\nAssign", -15, 0},
        {"PushConst 0 1\nPushConst 0 1\nAssign", -15, 0},
        {"PushRef 0 0\nPushConst 1 1\nAssign", -16, 0},
        {"PushRef 0 2\nPushConst 0 1\nAssign", -16, 0},
        {"PushRef 0 4\nPushConst 0 1\nAssign", -16, 0},
        {"LoadVar 0 14", -18, 0},
        {"PushRef 0 14", -19, 0},
        {"PushConst 3 0", -20, 0},
        {"PushRef 0 2\nIncrement", -21, 0},
        {"PushConst 0 0\nDecrement", -22, 0},
        {"Op 22", -23, 0},
        {"Op 24", -23, 0},
        {"PushConst 0 1", kErrRanOffEnd, 0},
    };
    for (const Expect& c : cases) {
        Machine m;
        EXPECT_EQ(m.run(c.source), c.result) << c.source;
    }
}

TEST(ScriptVm, OurOwnRefusalsNeverTouchMemoryOutsideTheArrays) {
    const Expect cases[] = {
        {"Pop", kErrStackUnderflow, 0},
        {"Add", kErrStackUnderflow, 0},
        {"LoadVar 4 0", kErrBankIndex, 0},
        {"LoadVar -1 12", kErrBankIndex, 0},
        {"PushConst 0 3\nLoadVar 2 1", kErrBankIndex, 0}, // indexed: 2 + 3 is past 4 game ints
        {"PushRef 9 4", kErrBankIndex, 0},
        {"PushConst 0 -9\nPushRef 2 5", kErrBankIndex, 0},
        {"PushConst 0 0x7FFFFFFF\nPushRef 1 1", kErrBankIndex, 0}, // the sum is not wrapped
        {"PushRef 3 12\nPushConst 0 1\nAssign", kErrBankIndex, 0},
        {"PushRef 1 0\nIncrement\nPop\nPushConst 0 5\nLoadVar 0 1", kErrBankIndex, 0},
        {"PushRef 0 4\nPushConst 2 99\nAssign", kErrPoolOffset, 0},
    };
    for (const Expect& c : cases) {
        Machine m;
        EXPECT_EQ(m.run(c.source), c.result) << c.source;
    }
    Machine m;
    std::string pushes;
    for (int i = 0; i < ScriptVm::kStackSize; ++i)
        pushes += "PushConst 0 1\n";
    EXPECT_EQ(m.run(pushes + "End"), kRunEnd);
    m.top = -1;
    EXPECT_EQ(m.run(pushes + "PushConst 0 1\nEnd"), kErrStackOverflow);
    EXPECT_EQ(m.top, ScriptVm::kStackSize - 1);
}

TEST(ScriptVm, ComparisonsAndAnUnknownSelector) {
    const char* selectors[] = {"0", "1", "2", "3", "4", "5"};
    const bool lessThan[] = {false, true, true, true, false, false}; // 2 ? 5
    for (int s = 0; s < 6; ++s) {
        Machine m;
        ASSERT_EQ(
            m.run(std::string("PushConst 0 2\nPushConst 0 5\nCompare ") + selectors[s] + "\nEnd"),
            kRunEnd);
        EXPECT_EQ(m.topValue().type, kBool);
        EXPECT_EQ(m.topValue().value, lessThan[s] ? 1 : 0) << s;
    }
    Machine m;
    EXPECT_EQ(m.run("PushConst 1 1\nPushConst 1 1\nCompare 0\nEnd"), kRunEnd);
    EXPECT_EQ(m.topValue().value, 1);
    EXPECT_EQ(m.run("PushConst 0 9\nPushConst 0 2\nPushConst 0 5\nCompare 6\nEnd"), kRunEnd);
    EXPECT_EQ(m.topValue().value, 9); // both popped, nothing pushed
}

TEST(ScriptVm, ConditionalJumpsLeaveShortCircuitValuesOnlyWhenTaken) {
    Machine m;
    // "or": a true condition jumps and leaves Bool 1.
    EXPECT_EQ(m.run("PushConst 0 3\nJumpIfTrue 1 to\nEnd\nto: End"), kRunEnd);
    EXPECT_EQ(m.pc, 3);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.topValue().type, kBool);
    EXPECT_EQ(m.topValue().value, 1);
    // Not taken: nothing is left.
    m.top = -1;
    EXPECT_EQ(m.run("PushConst 0 0\nJumpIfTrue 1 to\nEnd\nto: End"), kRunEnd);
    EXPECT_EQ(m.pc, 2);
    EXPECT_EQ(m.top, -1);
    // "and": a false condition jumps and leaves Bool 0.
    EXPECT_EQ(m.run("PushConst 1 0\nJumpIfFalse 1 to\nEnd\nto: End"), kRunEnd);
    EXPECT_EQ(m.pc, 3);
    EXPECT_EQ(m.topValue().value, 0);
    // A taken jump to its own address falls through.
    m.top = -1;
    EXPECT_EQ(m.run("PushConst 0 1\nhere: JumpIfTrue 0 here\nEnd"), kRunEnd);
    EXPECT_EQ(m.pc, 2);
}

TEST(ScriptVm, AssignmentsByTargetType) {
    Machine m;
    ASSERT_EQ(m.run("PushRef 1 0\nPushConst 0 42\nAssign\n"
                    "PushRef 2 2\nPushConst 1 5\nAssign\n" // a Bool other than 1 clears
                    "PushRef 3 2\nPushConst 1 1\nAssign\n"
                    "PushRef 1 12\nPushConst 0 -8\nAssign\n"
                    "PushRef 0 4\nPushConst 2 \"テキスト\"\nAssign\n"
                    "PushRef 1 4\nPushRef 0 10\nAssign\n"
                    "PushRef 2 4\nPushRef 0 4\nAssign\n"
                    "PushRef 0 4\nPushRef 0 4\nAssign\n" // onto itself: intact
                    "End"),
              kRunEnd);
    EXPECT_EQ(m.gameInts[1], 42);
    EXPECT_EQ(m.gameFlags[2], 0);
    EXPECT_EQ(m.gameFlags[3], 1);
    EXPECT_EQ(m.commonInts[1], -8);
    EXPECT_EQ(m.gameStrings[0], sjis("テキスト"));
    EXPECT_EQ(m.gameStrings[1], "abc");
    EXPECT_EQ(m.gameStrings[2], sjis("テキスト"));
    // Each assignment leaves Int 1.
    EXPECT_EQ(m.top, 7);
    EXPECT_EQ(m.topValue().type, kInt);
    EXPECT_EQ(m.topValue().value, 1);
}

TEST(ScriptVm, LoadVarPushRefIncrementAndDecrement) {
    Machine m;
    m.gameInts[2] = 11;
    m.gameFlags[1] = 1;
    m.commonInts[1] = 5;
    ASSERT_EQ(m.run("LoadVar 2 0\n"                 // Int 11
                    "PushConst 0 1\nLoadVar 0 3\n"  // Bool game flag 1
                    "LoadVar 1 6\n"                 // Int -3
                    "LoadVar 0 8\n"                 // Bool 1
                    "PushConst 0 0\nLoadVar 0 11\n" // ConstStrRef 0
                    "LoadVar 1 12\n"                // Int 5
                    "PushConst 0 1\nPushRef 1 1\n"  // GameIntRef 2
                    "Increment\n"                   // game int 2 becomes 12
                    "PushRef 0 12\nDecrement\n"     // common int 0 becomes -1
                    "End"),
              kRunEnd);
    const Value expected[] = {{kInt, 11},        {kBool, 1}, {kInt, -3}, {kBool, 1},
                              {kConstStrRef, 0}, {kInt, 5},  {kInt, 12}, {kInt, -1}};
    ASSERT_EQ(m.top, 7);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(m.valueStack[i].type, expected[i].type) << i;
        EXPECT_EQ(m.valueStack[i].value, expected[i].value) << i;
    }
    EXPECT_EQ(m.gameInts[2], 12);
    EXPECT_EQ(m.commonInts[0], -1);
}

TEST(ScriptVm, StoppingInstructionsAndTheBudget) {
    Machine m;
    EXPECT_EQ(m.run("Op 20\nOp 21\nCallCommand 12\nEnd"), kRunCommand);
    EXPECT_EQ(m.pc, 2); // the handler steps over the call
    EXPECT_EQ(m.topValue().value, 12);
    EXPECT_EQ(m.run("LineMarker 34\nEnd"), kRunLineMarker);
    EXPECT_EQ(m.pc, 1);
    EXPECT_EQ(m.topValue().value, 34);
    EXPECT_EQ(m.run("Return"), kRunReturn);
    EXPECT_EQ(m.pc, 0);
    // A loop without a stopping instruction gives the tick back and goes on where it was.
    tools::AssembleResult loop = tools::assemble("top: PushConst 0 1\nPop\nJump 0 top", "t");
    m.InstallScript(loop.image);
    EXPECT_EQ(m.Run(1000), kRunYield);
    EXPECT_EQ(m.pc, 1);
    EXPECT_EQ(m.Run(2), kRunYield);
    EXPECT_EQ(m.pc, 0);
}

TEST(ScriptVm, ResolveStringArgBoundaryAndEscapes) {
    Machine m;
    m.gameInts[1] = -25;
    m.commonInts[0] = 8;
    m.gameStrings[0] = "x\x04";
    m.gameStrings[0] += std::string("\x01\x00\x00\x00", 4); // game int 1 inside a game string
    m.gameStrings[3] = "\x05";
    m.gameStrings[3] += std::string("\x03\x00\x00\x00", 4); // names itself
    tools::AssembleResult r =
        tools::assemble("PushConst 2 \"abcd\"\nPushConst 2 \"[{str:0}|{common:0}|{int:1}]\"\n"
                        "PushConst 2 \"\"\nPushConst 2 \"{str:3}end\"",
                        "t");
    ASSERT_TRUE(r.ok) << r.error;
    m.InstallScript(r.image);
    std::string out;
    EXPECT_TRUE(m.ResolveStringArg({kStringConst, 0}, out, 5)); // 4 characters fit in 5
    EXPECT_EQ(out, "abcd");
    EXPECT_FALSE(m.ResolveStringArg({kStringConst, 0}, out, 4)); // not in 4
    EXPECT_EQ(out, "abc");
    EXPECT_TRUE(m.ResolveStringArg({kStringConst, 8}, out, 64));
    EXPECT_EQ(out, "[x-25|8|-25]");
    EXPECT_TRUE(m.ResolveStringArg({kStringConst, 31}, out, 64));
    EXPECT_EQ(out, "");
    // A string that expands itself stops at the nesting limit instead of recursing forever.
    EXPECT_TRUE(m.ResolveStringArg({kStringConst, 35}, out, 64));
    EXPECT_EQ(out, "end");
    EXPECT_TRUE(m.ResolveStringArg({kConstStrRef, 0}, out, 64));
    EXPECT_EQ(out, "abc");
    EXPECT_FALSE(m.ResolveStringArg({kInt, 0}, out, 64));
    EXPECT_FALSE(m.ResolveStringArg({kStringConst, 1000}, out, 64));
    EXPECT_EQ(m.violations, 0);
    EXPECT_FALSE(m.ResolveStringArg({kGameStrRef, 4}, out, 64));
    EXPECT_EQ(m.violations, 1);
}

TEST(ScriptVm, CheckedAccessorsReportAndGoOn) {
    Machine m;
    EXPECT_EQ(m.ReadGameInt(4), 0);
    EXPECT_EQ(m.ReadCommonInt(-1), 0);
    m.WriteGameInt(9, 1);
    m.WriteGameFlag(4, true);
    m.SetGameString(-2, "x", 1);
    EXPECT_EQ(m.violations, 5);
    m.SetGameString(1, "hello", 3);
    EXPECT_EQ(m.gameStrings[1], "hel");
    m.SetGameString(1, "hello", 0);
    EXPECT_EQ(m.gameStrings[1], "");
}

TEST(ScriptVm, LoadingAScriptKeepsStackFramesAndBanks) {
    Machine m;
    m.scriptName = "FIRST";
    ASSERT_EQ(m.run("PushConst 0 77\nPushRef 0 0\nPushConst 0 5\nAssign\nPop\nEnd"), kRunEnd);
    ASSERT_TRUE(m.PushFrame(true));
    m.run("End");
    EXPECT_EQ(m.valueStack[0].value, 77);
    EXPECT_EQ(m.gameInts[0], 5);
    CallFrame f;
    ASSERT_TRUE(m.PopFrame(f));
    EXPECT_EQ(f.scriptName, "FIRST");
    EXPECT_EQ(f.returnPc, 5);
    EXPECT_TRUE(f.resumeCommand);
    EXPECT_FALSE(m.PopFrame(f));
    for (int i = 0; i < ScriptVm::kFrameCount; ++i)
        ASSERT_TRUE(m.PushFrame(false));
    EXPECT_FALSE(m.PushFrame(false));
}

} // namespace
} // namespace vura
