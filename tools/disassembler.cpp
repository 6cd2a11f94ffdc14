// The disassembler: any script image back to source that assembles to the very same bytes.

#include "asm_syntax.hpp"
#include "base/byte_order.hpp"
#include "core/command_signatures.hpp"
#include "core/script_vm.hpp"
#include "script_asm.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace vura::tools {

namespace {

bool isJump(std::uint32_t opcode) {
    return opcode == kJump || opcode == kJumpIfTrue || opcode == kJumpIfFalse;
}

std::set<std::int32_t> jumpTargets(const ScriptImage& image) {
    const auto count = static_cast<std::int32_t>(image.code.size());
    std::set<std::int32_t> targets;
    for (const Instruction& in : image.code) {
        if (isJump(in.opcode) && in.operand2 >= 0 && in.operand2 < count)
            targets.insert(in.operand2);
    }
    return targets;
}

// The text of the pool record at `offset`, when a whole record starts there.
std::optional<std::string_view> poolRecord(const std::vector<std::uint8_t>& pool,
                                           std::int32_t operand) {
    auto offset = static_cast<std::size_t>(static_cast<std::uint32_t>(operand));
    if (offset > pool.size() || pool.size() - offset < 4)
        return std::nullopt;
    std::uint32_t length = readLe32(pool.data() + offset);
    if (length > pool.size() - offset - 4)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(pool.data()) + offset + 4, length);
}

// Strings can be written in place when the pool is exactly the string records of the PushConst
// instructions, in order, as the assembler lays them out. Empty when they cannot.
std::optional<std::map<std::int32_t, std::string_view>> textsInPlace(const ScriptImage& image) {
    std::map<std::int32_t, std::string_view> texts;
    std::size_t laidOut = 0;
    for (std::size_t i = 0; i < image.code.size(); ++i) {
        const Instruction& in = image.code[i];
        if (in.opcode != kPushConst || in.operand1 != 2)
            continue;
        auto text = poolRecord(image.constantPool, in.operand2);
        if (static_cast<std::uint32_t>(in.operand2) != laidOut || !text)
            return std::nullopt;
        laidOut += 4 + text->size();
        texts.emplace(static_cast<std::int32_t>(i), *text);
    }
    if (laidOut != image.constantPool.size())
        return std::nullopt;
    return texts;
}

struct Listing {
    const ScriptImage& image;
    std::set<std::int32_t> targets;
    std::optional<std::map<std::int32_t, std::string_view>> texts;
    // Calls written as one "call Name(...)" line, by their first instruction: the line and
    // the Pop that ends the call.
    std::map<std::int32_t, std::pair<std::string, std::int32_t>> calls;
};

// How the assembler's call syntax writes the push at `index`, if it can.
std::optional<std::string> callArgument(const Listing& l, std::int32_t index) {
    const Instruction& in = l.image.code[static_cast<std::size_t>(index)];
    if (in.opcode == kPushConst && in.operand1 == 0)
        return std::to_string(in.operand2);
    if (in.opcode == kPushConst && in.operand1 == 1 && (in.operand2 == 0 || in.operand2 == 1))
        return in.operand2 ? "true" : "false";
    if (in.opcode == kPushConst && in.operand1 == 2 && l.texts) {
        auto text = l.texts->find(index);
        if (text != l.texts->end())
            return quoteStringLiteral(text->second);
    }
    if (in.opcode == kPushRef && !referencePrefix(in.operand2).empty())
        return std::string(referencePrefix(in.operand2)) + "[" + std::to_string(in.operand1) + "]";
    return std::nullopt;
}

std::optional<std::int32_t> plainInteger(const Instruction& in) {
    if (in.opcode == kPushConst && in.operand1 == 0)
        return in.operand2;
    return std::nullopt;
}

// The CallCommand at `call` and the Pop after it, with the pushes before them that fit the
// command's row, as one "call Name(...)" line; nothing when they cannot be written so.
void foldCall(Listing& l, std::int32_t call) {
    const auto& code = l.image.code;
    const Instruction& in = code[static_cast<std::size_t>(call)];
    if (in.opcode != kCallCommand || in.operand2 != 0 || in.operand1 < 0 ||
        in.operand1 >= kCommandCount || commandName(in.operand1) == "Dummy" ||
        static_cast<std::size_t>(call) + 1 >= code.size() || l.targets.count(call + 1))
        return;
    const Instruction& pop = code[static_cast<std::size_t>(call) + 1];
    if (pop.opcode != kPop || pop.operand1 != 0 || pop.operand2 != 0)
        return;
    // The pushes just before, with no jump landing after the first of them.
    std::vector<std::string> pushed; // last first
    for (std::int32_t i = call - 1; i >= 0 && !l.targets.count(i + 1); --i) {
        auto text = callArgument(l, i);
        if (!text)
            break;
        pushed.push_back(*text);
    }
    const CommandSignature& command = kCommandSignatures[static_cast<std::size_t>(in.operand1)];
    const auto given = static_cast<std::int32_t>(pushed.size());
    auto last = given >= 1 ? plainInteger(code[static_cast<std::size_t>(call) - 1]) : std::nullopt;
    auto secondLast =
        given >= 2 ? plainInteger(code[static_cast<std::size_t>(call) - 2]) : std::nullopt;
    std::optional<int> count = expectedArgumentCount(command, last, secondLast);
    if (!count || *count < 0 || *count > given ||
        !checkCallArguments(command, *count, last, *count >= 2 ? secondLast : std::nullopt).empty())
        return;
    std::string line = "call " + std::string(command.name) + "(";
    for (int i = *count - 1; i >= 0; --i)
        line += pushed[static_cast<std::size_t>(i)] + (i > 0 ? ", " : "");
    l.calls.emplace(call - *count, std::make_pair(line + ")", call + 1));
}

std::string poolLines(const std::vector<std::uint8_t>& pool) {
    std::string out;
    for (std::size_t i = 0; i < pool.size(); i += 16) {
        out += ".pool";
        for (std::size_t j = i; j < std::min(pool.size(), i + 16); ++j)
            out += " " + hexByte(pool[j]);
        out += "\n";
    }
    return out;
}

// How many operands an instruction reads: those are always written; others only when set.
int operandsRead(std::uint32_t opcode) {
    switch (opcode) {
    case kJump:
    case kJumpIfTrue:
    case kJumpIfFalse:
    case kLoadVar:
    case kPushRef:
    case kPushConst:
        return 2;
    case kCompare:
    case kCallCommand:
    case kLineMarker:
        return 1;
    default:
        return 0;
    }
}

std::string instructionLine(const Listing& l, std::int32_t index) {
    const Instruction& in = l.image.code[static_cast<std::size_t>(index)];
    std::string_view name = nameOfOpcode(in.opcode);
    std::string a = std::to_string(in.operand1);
    std::string b = std::to_string(in.operand2);
    if (name.empty())
        return "Op " + std::to_string(in.opcode) + " " + a + " " + b;
    if (isJump(in.opcode) && l.targets.count(in.operand2))
        b = "L" + std::to_string(in.operand2);
    if (in.opcode == kCallCommand && in.operand1 >= 0 && in.operand1 < kCommandCount &&
        commandName(in.operand1) != "Dummy")
        a = std::string(commandName(in.operand1));
    std::string comment;
    if (in.opcode == kPushConst && in.operand1 == 2) {
        if (l.texts)
            b = quoteStringLiteral(l.texts->at(index));
        else if (auto text = poolRecord(l.image.constantPool, in.operand2))
            comment = "  ; " + quoteStringLiteral(*text);
    }
    std::string line(name);
    int used = operandsRead(in.opcode);
    if (used == 2 || in.operand2 != 0)
        line += " " + a + " " + b;
    else if (used == 1 || in.operand1 != 0)
        line += " " + a;
    return line + comment;
}

} // namespace

std::string disassemble(const ScriptImage& image) {
    Listing l{image, jumpTargets(image), textsInPlace(image), {}};
    const auto count = static_cast<std::int32_t>(image.code.size());
    for (std::int32_t i = 0; i < count; ++i)
        foldCall(l, i);
    std::string out = "; " + std::to_string(count) + " instructions, constant pool of " +
                      std::to_string(image.constantPool.size()) + " bytes\n";
    if (!l.texts)
        out += poolLines(image.constantPool);
    for (std::int32_t index = 0; index < count; ++index) {
        if (l.targets.count(index))
            out += "L" + std::to_string(index) + ":\n";
        if (auto call = l.calls.find(index); call != l.calls.end()) {
            out += "    " + call->second.first + "\n";
            index = call->second.second;
            continue;
        }
        out += "    " + instructionLine(l, index) + "\n";
    }
    return out;
}

} // namespace vura::tools
