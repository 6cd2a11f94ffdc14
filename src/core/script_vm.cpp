#include "core/script_vm.hpp"

#include "base/byte_order.hpp"

#include <limits>

namespace vura {

namespace {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

std::int32_t wrap(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

// The bank each LoadVar and PushRef kind addresses (kind / 2), and the reference type a
// PushRef of that kind pushes.
enum Bank {
    kBankGameInt,
    kBankGameFlag,
    kBankGameStr,
    kBankConstInt,
    kBankConstFlag,
    kBankConstStr,
    kBankCommonInt
};
constexpr std::uint32_t kRefTypeOfBank[] = {kGameIntRef,   kGameFlagRef, kGameStrRef,  kConstIntRef,
                                            kConstFlagRef, kConstStrRef, kCommonIntRef};

} // namespace

void ScriptVm::Push(std::uint32_t type, std::int32_t value) {
    if (top + 1 >= kStackSize) {
        stackFault = kErrStackOverflow;
        return;
    }
    valueStack[++top] = {type, value};
}

Value ScriptVm::Pop() {
    if (top < 0) {
        stackFault = kErrStackUnderflow;
        return {kInt, 0};
    }
    return valueStack[top--];
}

bool ScriptVm::PushFrame(bool resumeCommand) {
    if (frameTop + 1 >= kFrameCount)
        return false;
    CallFrame& f = frames[++frameTop];
    f.scriptName = scriptName.substr(0, 127);
    f.returnPc = pc;
    f.resumeCommand = resumeCommand;
    return true;
}

bool ScriptVm::PopFrame(CallFrame& frame) {
    if (frameTop < 0)
        return false;
    frame = frames[frameTop--];
    return true;
}

void ScriptVm::InstallScript(ScriptImage image) {
    code = std::move(image.code);
    constantPool = std::move(image.constantPool);
    pc = 0;
}

void ScriptVm::InstallLayout(const LayoutImage& layout) {
    gameInts.assign(layout.gameInts, 0);
    gameFlags.assign(layout.gameFlags, 0);
    gameStrings.resize(layout.gameStrings);
    constInts = layout.constInts;
    constFlags = layout.constFlags;
    constStrings = layout.constStrings;
    commonInts.assign(layout.commonInts, 0);
    commonFlags.assign(layout.commonFlags, 0);
}

std::int32_t ScriptVm::ReadGameInt(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= gameInts.size()) {
        accessViolation();
        return 0;
    }
    return gameInts[index];
}

std::int32_t ScriptVm::ReadCommonInt(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= commonInts.size()) {
        accessViolation();
        return 0;
    }
    return commonInts[index];
}

void ScriptVm::WriteGameInt(std::int32_t index, std::int32_t value) {
    if (index < 0 || static_cast<std::size_t>(index) >= gameInts.size()) {
        accessViolation();
        return;
    }
    gameInts[index] = value;
}

void ScriptVm::WriteGameFlag(std::int32_t index, bool value) {
    if (index < 0 || static_cast<std::size_t>(index) >= gameFlags.size()) {
        accessViolation();
        return;
    }
    gameFlags[index] = value ? 1 : 0;
}

bool ScriptVm::ReadCommonFlag(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= commonFlags.size()) {
        accessViolation();
        return false;
    }
    return commonFlags[index] != 0;
}

void ScriptVm::WriteCommonFlag(std::int32_t index, bool value) {
    if (index < 0 || static_cast<std::size_t>(index) >= commonFlags.size()) {
        accessViolation();
        return;
    }
    commonFlags[index] = value ? 1 : 0;
}

const std::string* ScriptVm::GameString(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= gameStrings.size()) {
        accessViolation();
        return nullptr;
    }
    return &gameStrings[index];
}

void ScriptVm::SetGameString(std::int32_t index, const char* bytes, std::int32_t length) {
    if (index < 0 || static_cast<std::size_t>(index) >= gameStrings.size()) {
        accessViolation();
        return;
    }
    if (length <= 0 || bytes == nullptr)
        gameStrings[index].clear();
    else
        gameStrings[index] = std::string(bytes, static_cast<std::size_t>(length));
}

bool ScriptVm::PoolString(std::int32_t offset, std::string_view& text) const {
    if (offset < 0 || static_cast<std::size_t>(offset) + 4 > constantPool.size())
        return false;
    std::uint32_t length = readLe32(constantPool.data() + offset);
    if (length > constantPool.size() - offset - 4)
        return false;
    text =
        std::string_view(reinterpret_cast<const char*>(constantPool.data()) + offset + 4, length);
    return true;
}

bool ScriptVm::ResolveStringArg(Value v, std::string& out, std::size_t maxLen) {
    out.clear();
    return resolveInto(v, out, maxLen, 0);
}

bool ScriptVm::resolveInto(Value v, std::string& out, std::size_t maxLen, int depth) {
    std::string_view source;
    std::string copy; // a game string may change while it is expanded into another
    switch (v.type) {
    case kStringConst:
        if (!PoolString(v.value, source))
            return false;
        break;
    case kGameStrRef: {
        const std::string* s = GameString(v.value);
        if (!s)
            return false;
        copy = *s;
        source = copy;
        break;
    }
    case kConstStrRef:
        if (v.value < 0 || static_cast<std::size_t>(v.value) >= constStrings.size()) {
            accessViolation();
            return false;
        }
        source = constStrings[v.value];
        break;
    default:
        return false;
    }
    auto overflow = [&] {
        if (maxLen > 0 && out.size() > maxLen - 1)
            out.resize(maxLen - 1);
        return false;
    };
    std::size_t i = 0;
    while (i < source.size()) {
        if (out.size() >= maxLen)
            return overflow();
        auto b = static_cast<std::uint8_t>(source[i]);
        if (b < 4 || b > 6) {
            out.push_back(source[i++]);
            continue;
        }
        // An escape cut off by the end of the text ends the text.
        if (source.size() - i < 5)
            break;
        auto n = static_cast<std::int32_t>(
            readLe32(reinterpret_cast<const std::uint8_t*>(source.data()) + i + 1));
        i += 5;
        if (b == 4) {
            out += std::to_string(ReadGameInt(n));
        } else if (b == 6) {
            out += std::to_string(ReadCommonInt(n));
        } else if (depth + 1 < kMaxStringNesting) {
            std::string inner;
            resolveInto({kGameStrRef, n}, inner, 1024, depth + 1);
            out += inner;
        }
    }
    if (out.size() + 1 > maxLen)
        return overflow();
    return true;
}

int ScriptVm::Run(std::uint32_t budget) {
    for (std::uint32_t n = 0; n < budget; ++n) {
        if (pc < 0 || pc >= instructionCount())
            return kErrRanOffEnd;
        stackFault = 0;
        bool stop = false;
        int result = step(code[pc], stop);
        if (result < 0)
            return result;
        if (stackFault != 0)
            return stackFault;
        if (stop)
            return result;
    }
    return kRunYield;
}

int ScriptVm::step(const Instruction& in, bool& stop) {
    int error = 0;
    switch (in.opcode) {
    case kEnd:
        stop = true;
        return kRunEnd;
    case kAdd:
    case kSub:
    case kMul:
    case kDiv:
    case kMod:
        error = arithmetic(in.opcode);
        break;
    case kNeg:
        error = negate();
        break;
    case kCompare:
        error = compare(in.operand1);
        break;
    case kJump:
        return jump(in.operand2);
    case kJumpIfTrue:
    case kJumpIfFalse:
        return jumpIf(in.opcode == kJumpIfTrue, in.operand1 != 0, in.operand2);
    case kAssign:
        error = assign();
        break;
    case kPop:
        error = discard();
        break;
    case kCallCommand:
        return callCommand(in.operand1, stop);
    case kReturn:
        stop = true;
        return kRunReturn;
    case kLoadVar:
    case kPushRef:
        error = loadVar(in.opcode == kLoadVar, in.operand1, in.operand2);
        break;
    case kPushConst:
        error = pushConst(in.operand1, in.operand2);
        break;
    case kIncrement:
    case kDecrement:
        error = changeByOne(in.opcode == kIncrement);
        break;
    case 20:
    case 21:
        break;
    case kLineMarker:
        return lineMarker(in.operand1, stop);
    default:
        return kErrOpcode;
    }
    if (error != 0)
        return error;
    ++pc;
    return 0;
}

std::size_t ScriptVm::bankSize(int bank) const {
    switch (bank) {
    case kBankGameInt:
        return gameInts.size();
    case kBankGameFlag:
        return gameFlags.size();
    case kBankGameStr:
        return gameStrings.size();
    case kBankConstInt:
        return constInts.size();
    case kBankConstFlag:
        return constFlags.size();
    case kBankConstStr:
        return constStrings.size();
    default:
        return commonInts.size();
    }
}

bool ScriptVm::inBank(int bank, std::int64_t index) const {
    return index >= 0 && static_cast<std::uint64_t>(index) < bankSize(bank);
}

int ScriptVm::arithmetic(std::uint32_t opcode) {
    static constexpr int kTypeError[] = {0,           kErrAddType, kErrSubType,
                                         kErrMulType, kErrDivType, kErrModType};
    if (!has(2))
        return kErrStackUnderflow;
    Value b = Pop();
    Value a = Pop();
    if (a.type != kInt || b.type != kInt)
        return kTypeError[opcode];
    std::int64_t x = a.value, y = b.value, r = 0;
    switch (opcode) {
    case kAdd:
        r = x + y;
        break;
    case kSub:
        r = x - y;
        break;
    case kMul:
        r = x * y;
        break;
    case kDiv:
        if (y == 0)
            return kErrDivByZero;
        // The most negative number divided by -1 stays itself instead of trapping.
        r = (x == kIntMin && y == -1) ? kIntMin : x / y;
        break;
    default:
        if (y == 0)
            return kErrModByZero;
        r = (x == kIntMin && y == -1) ? 0 : x % y;
        break;
    }
    Push(kInt, wrap(r));
    return 0;
}

int ScriptVm::negate() {
    if (!has(1))
        return kErrStackUnderflow;
    Value a = Pop();
    if (a.type != kInt)
        return kErrNegType;
    Push(kInt, wrap(-static_cast<std::int64_t>(a.value)));
    return 0;
}

int ScriptVm::compare(std::int32_t selector) {
    if (!has(2))
        return kErrStackUnderflow;
    Value b = Pop();
    Value a = Pop();
    if (a.type != b.type)
        return kErrCompareMismatch;
    if (a.type != kInt && a.type != kBool)
        return kErrCompareType;
    bool r;
    switch (selector) {
    case 0:
        r = a.value == b.value;
        break;
    case 1:
        r = a.value != b.value;
        break;
    case 2:
        r = a.value < b.value;
        break;
    case 3:
        r = a.value <= b.value;
        break;
    case 4:
        r = a.value > b.value;
        break;
    case 5:
        r = a.value >= b.value;
        break;
    default:
        return 0; // an unknown selector consumes both values and pushes nothing
    }
    Push(kBool, r ? 1 : 0);
    return 0;
}

int ScriptVm::jump(std::int32_t target) {
    if (target < 0 || target >= instructionCount())
        return kErrJumpTarget;
    pc = target;
    return 0;
}

int ScriptVm::jumpIf(bool whenTrue, bool keep, std::int32_t target) {
    if (!has(1))
        return kErrStackUnderflow;
    Value c = Pop();
    if ((c.value != 0) == whenTrue) {
        if (keep)
            Push(kBool, whenTrue ? 1 : 0); // the short-circuit value of "or" / "and"
        if (target < 0 || target >= instructionCount())
            return whenTrue ? kErrJumpIfTrueTarget : kErrJumpIfFalseTarget;
        // A jump to its own address would never move; it falls through instead.
        if (target != pc) {
            pc = target;
            return 0;
        }
    }
    ++pc;
    return 0;
}

int ScriptVm::assign() {
    if (!has(2))
        return kErrStackUnderflow;
    Value v = Pop();
    Value target = Pop();
    switch (target.type) {
    case kGameIntRef:
    case kCommonIntRef: {
        if (v.type != kInt)
            return kErrAssignValue;
        int bank = target.type == kGameIntRef ? kBankGameInt : kBankCommonInt;
        if (!inBank(bank, target.value))
            return kErrBankIndex;
        (bank == kBankGameInt ? gameInts : commonInts)[target.value] = v.value;
        break;
    }
    case kGameFlagRef:
        if (v.type != kBool)
            return kErrAssignValue;
        if (!inBank(kBankGameFlag, target.value))
            return kErrBankIndex;
        gameFlags[target.value] = v.value == 1 ? 1 : 0;
        break;
    case kGameStrRef:
        if (int error = assignString(v, target.value); error != 0)
            return error;
        break;
    default:
        return kErrAssignTarget;
    }
    Push(kInt, 1);
    return 0;
}

// The value is checked before the target index.
int ScriptVm::assignString(Value v, std::int32_t target) {
    std::string text;
    if (v.type == kStringConst) {
        std::string_view s;
        if (!PoolString(v.value, s))
            return kErrPoolOffset;
        text = s;
    } else if (v.type == kGameStrRef || v.type == kConstStrRef) {
        int bank = v.type == kGameStrRef ? kBankGameStr : kBankConstStr;
        if (!inBank(bank, v.value))
            return kErrBankIndex;
        text = (bank == kBankGameStr ? gameStrings : constStrings)[v.value];
    } else {
        return kErrAssignValue;
    }
    if (!inBank(kBankGameStr, target))
        return kErrBankIndex;
    gameStrings[target] = std::move(text);
    return 0;
}

int ScriptVm::discard() {
    if (!has(1))
        return kErrStackUnderflow;
    Pop();
    return 0;
}

// The command number goes on the stack and pc stays on the CallCommand.
int ScriptVm::callCommand(std::int32_t number, bool& stop) {
    Push(kInt, number);
    stop = true;
    return kRunCommand;
}

// LoadVar and PushRef. The bank is kind / 2; an odd kind adds a popped value to the index.
int ScriptVm::loadVar(bool load, std::int32_t index, std::int32_t kind) {
    if (kind < 0 || kind > 13)
        return load ? kErrLoadVarKind : kErrPushRefKind;
    int bank = kind / 2;
    std::int64_t at = index;
    if (kind % 2 == 1) {
        if (!has(1))
            return kErrStackUnderflow;
        at += Pop().value;
    }
    if (!inBank(bank, at))
        return kErrBankIndex;
    if (load)
        pushVariable(bank, static_cast<std::size_t>(at));
    else
        Push(kRefTypeOfBank[bank], static_cast<std::int32_t>(at));
    return 0;
}

void ScriptVm::pushVariable(int bank, std::size_t i) {
    switch (bank) {
    case kBankGameInt:
        Push(kInt, gameInts[i]);
        break;
    case kBankGameFlag:
        Push(kBool, gameFlags[i] != 0 ? 1 : 0);
        break;
    case kBankConstInt:
        Push(kInt, constInts[i]);
        break;
    case kBankConstFlag:
        Push(kBool, constFlags[i] != 0 ? 1 : 0);
        break;
    case kBankCommonInt:
        Push(kInt, commonInts[i]);
        break;
    default: // the string banks push a reference
        Push(kRefTypeOfBank[bank], static_cast<std::int32_t>(i));
        break;
    }
}

int ScriptVm::pushConst(std::int32_t type, std::int32_t value) {
    if (type < 0 || type > 2)
        return kErrPushConstType;
    Push(static_cast<std::uint32_t>(type), value);
    return 0;
}

// Increment, or Decrement when `up` is false; the new value is pushed.
int ScriptVm::changeByOne(bool up) {
    if (!has(1))
        return kErrStackUnderflow;
    Value r = Pop();
    if (r.type != kGameIntRef && r.type != kCommonIntRef)
        return up ? kErrIncrementTarget : kErrDecrementTarget;
    int bank = r.type == kGameIntRef ? kBankGameInt : kBankCommonInt;
    if (!inBank(bank, r.value))
        return kErrBankIndex;
    std::int32_t& var = (bank == kBankGameInt ? gameInts : commonInts)[r.value];
    var = wrap(static_cast<std::int64_t>(var) + (up ? 1 : -1));
    Push(kInt, var);
    return 0;
}

// The line number goes on the stack and pc moves past the marker.
int ScriptVm::lineMarker(std::int32_t line, bool& stop) {
    ++pc;
    Push(kInt, line);
    stop = true;
    return kRunLineMarker;
}

} // namespace vura
