#include "script_asm.hpp"

#include "base/byte_order.hpp"
#include "base/sjis.hpp"
#include "core/command_signatures.hpp"
#include "core/script_vm.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <vector>

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

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
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

// The position of the quote that closes the string opened at `open`, stepping over escaped
// characters; npos when the string is not closed.
std::size_t closingQuote(std::string_view text, std::size_t open) {
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i;
    }
    return std::string_view::npos;
}

bool isIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// One operand as written: a number, a name, a string body, or a variable reference.
struct Token {
    enum class Kind { Number, Name, String, Reference } kind = Kind::Number;
    std::string text;
    std::int64_t number = 0;
    int column = 0;
};

class Assembler {
public:
    Assembler(std::string_view source, std::string_view fileName)
        : source_(source), fileName_(fileName) {}

    AssembleResult run() {
        AssembleResult result;
        splitLines();
        // First pass: labels and instruction counts; second: the instructions.
        for (pass_ = 0; pass_ < 2; ++pass_) {
            image_ = {};
            for (std::size_t i = 0; i < lines_.size(); ++i) {
                line_ = static_cast<int>(i) + 1;
                if (!assembleLine(lines_[i])) {
                    result.error = error_;
                    return result;
                }
            }
        }
        result.ok = true;
        result.image = std::move(image_);
        return result;
    }

private:
    void splitLines() {
        std::size_t pos = 0;
        while (pos <= source_.size()) {
            std::size_t end = source_.find('\n', pos);
            if (end == std::string_view::npos)
                end = source_.size();
            std::string_view line = source_.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines_.push_back(line);
            pos = end + 1;
        }
    }

    bool fail(int column, const std::string& what) {
        error_ = std::string(fileName_) + ":" + std::to_string(line_) + ":" +
                 std::to_string(column) + ": " + what;
        return false;
    }

    // Splits a line into words and operands, leaving strings whole; stops at ';'.
    bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& callArgs,
                  int& callColumn) {
        std::size_t i = 0;
        while (i < line.size()) {
            char c = line[i];
            if (c == ' ' || c == '\t' || c == ',') {
                ++i;
                continue;
            }
            if (c == ';')
                break;
            Token t;
            t.column = static_cast<int>(i) + 1;
            if (c == '"') {
                std::size_t j = i + 1;
                std::string body;
                while (j < line.size() && line[j] != '"') {
                    if (line[j] == '\\' && j + 1 < line.size()) {
                        body += line[j];
                        ++j;
                    }
                    body += line[j];
                    ++j;
                }
                if (j >= line.size())
                    return fail(t.column, "unterminated string");
                t.kind = Token::Kind::String;
                t.text = body;
                tokens.push_back(t);
                i = j + 1;
                continue;
            }
            if (c == '(') {
                // The argument list of a call: everything up to the matching ')'.
                std::size_t j = i + 1;
                bool inString = false;
                for (; j < line.size(); ++j) {
                    if (inString && line[j] == '\\') {
                        ++j;
                        continue;
                    }
                    if (line[j] == '"')
                        inString = !inString;
                    else if (!inString && line[j] == ')')
                        break;
                }
                if (j >= line.size())
                    return fail(t.column, "missing ')'");
                callArgs = std::string(line.substr(i + 1, j - i - 1));
                callColumn = t.column + 1;
                i = j + 1;
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != ',' &&
                   line[j] != ';' && line[j] != '(' && line[j] != '"')
                ++j;
            t.text = std::string(line.substr(i, j - i));
            if (auto n = parseInteger(t.text)) {
                t.kind = Token::Kind::Number;
                t.number = *n;
            } else {
                t.kind = Token::Kind::Name;
            }
            tokens.push_back(t);
            i = j;
        }
        return true;
    }

    std::int32_t addString(const std::string& body, int column, bool& ok) {
        std::string bytes, error;
        if (!encodeStringLiteral(body, bytes, error)) {
            ok = fail(column, error);
            return 0;
        }
        auto offset = static_cast<std::int32_t>(image_.constantPool.size());
        appendLe32(image_.constantPool, static_cast<std::uint32_t>(bytes.size()));
        image_.constantPool.insert(image_.constantPool.end(), bytes.begin(), bytes.end());
        return offset;
    }

    void emit(std::uint32_t opcode, std::int32_t a, std::int32_t b) {
        image_.code.push_back({opcode, a, b});
    }

    bool operandValue(const Token& t, bool commandContext, std::int32_t& out) {
        switch (t.kind) {
        case Token::Kind::Number:
            out = static_cast<std::int32_t>(t.number);
            return true;
        case Token::Kind::String: {
            bool ok = true;
            out = addString(t.text, t.column, ok);
            return ok;
        }
        case Token::Kind::Name: {
            if (auto it = labels_.find(t.text); it != labels_.end()) {
                out = it->second;
                return true;
            }
            if (auto n = commandFromName(t.text)) {
                out = *n;
                return true;
            }
            if (pass_ == 0) {
                out = 0; // a label defined further down
                return true;
            }
            return fail(t.column, std::string("unknown ") +
                                      (commandContext ? "command or label" : "label") + " '" +
                                      t.text + "'");
        }
        case Token::Kind::Reference:
            break;
        }
        return fail(t.column, "this operand cannot be used here");
    }

    bool assembleLine(std::string_view line) {
        std::vector<Token> tokens;
        std::string callArgs;
        int callColumn = 0;
        bool hasCall = false;
        if (!tokenize(line, tokens, callArgs, callColumn))
            return false;
        hasCall = callColumn != 0;
        std::size_t at = 0;
        // Labels: "name:" (possibly several) before the instruction.
        while (at < tokens.size() && tokens[at].kind == Token::Kind::Name &&
               tokens[at].text.size() > 1 && tokens[at].text.back() == ':') {
            std::string name = tokens[at].text.substr(0, tokens[at].text.size() - 1);
            if (!isIdentifierStart(name[0]) ||
                !std::all_of(name.begin(), name.end(), isIdentifierChar))
                return fail(tokens[at].column, "bad label name '" + name + "'");
            if (pass_ == 0) {
                if (!labels_.emplace(name, static_cast<std::int32_t>(image_.code.size())).second)
                    return fail(tokens[at].column, "label '" + name + "' is defined twice");
            }
            ++at;
        }
        if (at >= tokens.size()) {
            if (hasCall)
                return fail(callColumn, "an argument list needs 'call Name' before it");
            return true;
        }
        const Token& head = tokens[at];
        if (head.kind != Token::Kind::Name)
            return fail(head.column, "expected an instruction");
        std::vector<Token> operands(tokens.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                    tokens.end());
        std::string mnemonic = lower(head.text);
        if (mnemonic == "call")
            return assembleCall(head, operands, callArgs, callColumn, hasCall);
        if (hasCall)
            return fail(callColumn, "only 'call' takes an argument list");
        if (mnemonic == ".pool") {
            for (const Token& t : operands) {
                if (t.kind != Token::Kind::Name && t.kind != Token::Kind::Number)
                    return fail(t.column, "'.pool' takes hexadecimal bytes");
                auto byte = parseInteger("0x" + t.text);
                if (t.text.size() != 2 || !byte)
                    return fail(t.column, "'.pool' takes bytes as two hexadecimal digits");
                image_.constantPool.push_back(static_cast<std::uint8_t>(*byte));
            }
            return true;
        }
        std::uint32_t opcode = 0;
        if (mnemonic == "op") {
            if (operands.empty() || operands[0].kind != Token::Kind::Number ||
                operands[0].number < 0)
                return fail(head.column, "'Op' needs an opcode number");
            opcode = static_cast<std::uint32_t>(operands[0].number);
            operands.erase(operands.begin());
        } else if (auto op = opcodeFromName(head.text)) {
            opcode = *op;
        } else {
            return fail(head.column, "unknown instruction '" + head.text + "'");
        }
        if (operands.size() > 2)
            return fail(operands[2].column, "an instruction takes at most two operands");
        std::int32_t values[2] = {0, 0};
        for (std::size_t i = 0; i < operands.size(); ++i) {
            if (!operandValue(operands[i], opcode == kCallCommand && i == 0, values[i]))
                return false;
        }
        emit(opcode, values[0], values[1]);
        return true;
    }

    // call Name(arg, ...): each argument pushed in order, then CallCommand and Pop.
    bool assembleCall(const Token& head, const std::vector<Token>& operands,
                      const std::string& args, int argsColumn, bool hasArgs) {
        if (operands.size() != 1 || operands[0].kind == Token::Kind::String)
            return fail(head.column, "'call' needs a command name and an argument list");
        int command = 0;
        if (operands[0].kind == Token::Kind::Number) {
            command = static_cast<int>(operands[0].number);
        } else if (auto n = commandFromName(operands[0].text)) {
            command = *n;
        } else {
            return fail(operands[0].column, "unknown command '" + operands[0].text + "'");
        }
        if (!hasArgs)
            return fail(head.column, "'call' needs an argument list in parentheses");
        // Split the arguments at commas outside strings.
        std::vector<std::pair<std::string, int>> parts;
        std::string current;
        int start = argsColumn;
        bool inString = false;
        for (std::size_t i = 0; i <= args.size(); ++i) {
            if (i == args.size() || (!inString && args[i] == ',')) {
                parts.push_back({current, start});
                current.clear();
                start = argsColumn + static_cast<int>(i) + 1;
                continue;
            }
            if (inString && args[i] == '\\' && i + 1 < args.size()) {
                current += args[i];
                current += args[++i];
                continue;
            }
            if (args[i] == '"')
                inString = !inString;
            current += args[i];
        }
        if (parts.size() == 1 && parts[0].first.find_first_not_of(" \t") == std::string::npos)
            parts.clear();
        for (auto& [text, column] : parts) {
            std::size_t b = text.find_first_not_of(" \t");
            std::size_t e = text.find_last_not_of(" \t");
            if (b == std::string::npos)
                return fail(column, "empty argument");
            column += static_cast<int>(b);
            std::string arg = text.substr(b, e - b + 1);
            if (!pushArgument(arg, column))
                return false;
        }
        emit(kCallCommand, command, 0);
        emit(kPop, 0, 0);
        return true;
    }

    bool pushArgument(const std::string& arg, int column) {
        if (arg.size() >= 2 && arg.front() == '"' && closingQuote(arg, 0) == arg.size() - 1) {
            bool ok = true;
            std::int32_t offset = addString(arg.substr(1, arg.size() - 2), column, ok);
            if (!ok)
                return false;
            emit(kPushConst, 2, offset);
            return true;
        }
        if (arg == "true" || arg == "false") {
            emit(kPushConst, 1, arg == "true" ? 1 : 0);
            return true;
        }
        if (auto n = parseInteger(arg)) {
            emit(kPushConst, 0, static_cast<std::int32_t>(*n));
            return true;
        }
        static const std::map<std::string, int> kReferenceKinds = {
            {"gi", 0}, {"gf", 2}, {"gs", 4}, {"ci", 6}, {"cf", 8}, {"cs", 10}, {"cm", 12}};
        auto open = arg.find('[');
        if (open != std::string::npos && arg.back() == ']') {
            auto kind = kReferenceKinds.find(arg.substr(0, open));
            auto index = parseInteger(arg.substr(open + 1, arg.size() - open - 2));
            if (kind != kReferenceKinds.end() && index) {
                emit(kPushRef, static_cast<std::int32_t>(*index), kind->second);
                return true;
            }
        }
        return fail(column, "bad argument '" + arg +
                                "' (expected an integer, true, false, a string, or gi[N], "
                                "gf[N], gs[N], ci[N], cf[N], cs[N], cm[N])");
    }

    std::string_view source_;
    std::string_view fileName_;
    std::vector<std::string_view> lines_;
    std::map<std::string, std::int32_t> labels_;
    ScriptImage image_;
    int pass_ = 0;
    int line_ = 0;
    std::string error_;
};

std::string hexByte(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

// A string literal whose bytes assemble back exactly.
std::string quote(std::string_view bytes) {
    std::string out = "\"";
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b >= 4 && b <= 6 && bytes.size() - i >= 5) {
            std::uint32_t n = readLe32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + i + 1);
            out += b == 4 ? "{int:" : b == 5 ? "{str:" : "{common:";
            out += std::to_string(n) + "}";
            i += 5;
            continue;
        }
        if (b == 1 || b == 2 || b == 3) {
            out += b == 1 ? "\\n" : b == 2 ? "\\w" : "\\p";
            ++i;
            continue;
        }
        if (b == '\\' || b == '"') {
            out += '\\';
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        // '{' is written as a byte so that text like "{int:1}" is not read as an escape.
        if (b < 0x20 || b == 0x7F || b == '{') {
            out += "\\x" + hexByte(b);
            ++i;
            continue;
        }
        std::size_t length = isSjisDoubleByteAt(bytes, i) ? 2 : 1;
        std::string_view ch = bytes.substr(i, length);
        std::string utf8 = cp932ToUtf8(ch);
        if (utf8ToCp932(utf8) == ch) {
            out += utf8;
        } else {
            for (char c : ch)
                out += "\\x" + hexByte(static_cast<std::uint8_t>(c));
        }
        i += length;
    }
    return out + "\"";
}

} // namespace

bool encodeStringLiteral(std::string_view body, std::string& out, std::string& error) {
    out.clear();
    std::size_t i = 0;
    while (i < body.size()) {
        char c = body[i];
        if (c == '\\') {
            if (i + 1 >= body.size()) {
                error = "a string cannot end with a single '\\'";
                return false;
            }
            char e = body[i + 1];
            i += 2;
            switch (e) {
            case '\\':
            case '"':
                out += e;
                break;
            case 'n':
                out += '\x01';
                break;
            case 'w':
                out += '\x02';
                break;
            case 'p':
                out += '\x03';
                break;
            case 'x': {
                auto v = i + 2 <= body.size() ? parseInteger("0x" + std::string(body.substr(i, 2)))
                                              : std::nullopt;
                if (!v || body.substr(i, 2).find_first_of("+-") != std::string_view::npos) {
                    error = "'\\x' needs two hexadecimal digits";
                    return false;
                }
                out += static_cast<char>(*v);
                i += 2;
                break;
            }
            default:
                error = std::string("unknown escape '\\") + e + "'";
                return false;
            }
            continue;
        }
        if (c == '{') {
            static constexpr std::pair<std::string_view, char> kEscapes[] = {
                {"{int:", '\x04'}, {"{str:", '\x05'}, {"{common:", '\x06'}};
            bool matched = false;
            for (const auto& [prefix, byte] : kEscapes) {
                if (body.substr(i, prefix.size()) != prefix)
                    continue;
                std::size_t close = body.find('}', i);
                if (close == std::string_view::npos)
                    break;
                std::string_view number = body.substr(i + prefix.size(), close - i - prefix.size());
                auto n = parseInteger(number);
                if (!n || *n < 0) {
                    error = "'" + std::string(prefix) + "' needs a variable number";
                    return false;
                }
                out += byte;
                std::vector<std::uint8_t> index;
                appendLe32(index, static_cast<std::uint32_t>(*n));
                out.append(index.begin(), index.end());
                i = close + 1;
                matched = true;
                break;
            }
            if (matched)
                continue;
        }
        // One UTF-8 character, converted on its own so a character without a Shift-JIS code
        // is reported rather than turned into '?'.
        auto lead = static_cast<unsigned char>(c);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::string_view ch = body.substr(i, length);
        std::string encoded = utf8ToCp932(ch);
        if (encoded.find('?') != std::string::npos && ch != "?") {
            error = "'" + std::string(ch) + "' has no Shift-JIS code";
            return false;
        }
        out += encoded;
        i += length;
    }
    return true;
}

AssembleResult assemble(std::string_view source, std::string_view fileName) {
    return Assembler(source, fileName).run();
}

std::string disassemble(const ScriptImage& image) {
    const auto count = static_cast<std::int32_t>(image.code.size());
    std::set<std::int32_t> targets;
    for (const Instruction& in : image.code) {
        if ((in.opcode == kJump || in.opcode == kJumpIfTrue || in.opcode == kJumpIfFalse) &&
            in.operand2 >= 0 && in.operand2 < count)
            targets.insert(in.operand2);
    }
    // Strings can be written in place when the pool is exactly the string records of the
    // PushConst instructions, in order, as the assembler lays them out.
    std::vector<std::uint8_t> rebuilt;
    std::vector<std::string_view> texts;
    bool inPlace = true;
    const auto& pool = image.constantPool;
    for (const Instruction& in : image.code) {
        if (in.opcode != kPushConst || in.operand1 != 2)
            continue;
        auto offset = static_cast<std::size_t>(static_cast<std::uint32_t>(in.operand2));
        if (offset != rebuilt.size() || offset + 4 > pool.size()) {
            inPlace = false;
            break;
        }
        std::uint32_t length = readLe32(pool.data() + offset);
        if (length > pool.size() - offset - 4) {
            inPlace = false;
            break;
        }
        rebuilt.insert(rebuilt.end(), pool.begin() + static_cast<std::ptrdiff_t>(offset),
                       pool.begin() + static_cast<std::ptrdiff_t>(offset + 4 + length));
        texts.emplace_back(reinterpret_cast<const char*>(pool.data()) + offset + 4, length);
    }
    inPlace = inPlace && rebuilt == pool;

    std::string out = "; " + std::to_string(count) + " instructions, constant pool of " +
                      std::to_string(pool.size()) + " bytes\n";
    if (!inPlace) {
        for (std::size_t i = 0; i < pool.size(); i += 16) {
            out += ".pool";
            for (std::size_t j = i; j < std::min(pool.size(), i + 16); ++j)
                out += " " + hexByte(pool[j]);
            out += "\n";
        }
    }
    std::size_t nextText = 0;
    for (std::int32_t index = 0; index < count; ++index) {
        const Instruction& in = image.code[index];
        if (targets.count(index))
            out += "L" + std::to_string(index) + ":\n";
        std::string line = "    ";
        std::string_view name = nameOfOpcode(in.opcode);
        std::string a = std::to_string(in.operand1);
        std::string b = std::to_string(in.operand2);
        if (name.empty()) {
            line += "Op " + std::to_string(in.opcode) + " " + a + " " + b;
        } else {
            line += name;
            if ((in.opcode == kJump || in.opcode == kJumpIfTrue || in.opcode == kJumpIfFalse) &&
                targets.count(in.operand2))
                b = "L" + std::to_string(in.operand2);
            if (in.opcode == kCallCommand && in.operand1 >= 0 && in.operand1 < kCommandCount &&
                commandName(in.operand1) != "Dummy")
                a = std::string(commandName(in.operand1));
            std::string comment;
            if (in.opcode == kPushConst && in.operand1 == 2) {
                if (inPlace) {
                    b = quote(texts[nextText++]);
                } else if (static_cast<std::size_t>(static_cast<std::uint32_t>(in.operand2)) + 4 <=
                           pool.size()) {
                    auto offset = static_cast<std::uint32_t>(in.operand2);
                    std::uint32_t length = readLe32(pool.data() + offset);
                    if (length <= pool.size() - offset - 4)
                        comment =
                            "  ; " +
                            quote(std::string_view(
                                reinterpret_cast<const char*>(pool.data()) + offset + 4, length));
                }
            }
            // Operands the instruction reads are always written; others only when set.
            int used = 0;
            switch (in.opcode) {
            case kJump:
            case kJumpIfTrue:
            case kJumpIfFalse:
            case kLoadVar:
            case kPushRef:
            case kPushConst:
                used = 2;
                break;
            case kCompare:
            case kCallCommand:
            case kLineMarker:
                used = 1;
                break;
            default:
                break;
            }
            if (used == 2 || in.operand2 != 0)
                line += " " + a + " " + b;
            else if (used == 1 || in.operand1 != 0)
                line += " " + a;
            line += comment;
        }
        out += line + "\n";
    }
    return out;
}

LayoutResult parseLayoutSource(std::string_view source, std::string_view fileName) {
    LayoutResult result;
    LayoutImage& layout = result.layout;
    int lineNumber = 0;
    std::size_t pos = 0;
    auto fail = [&](const std::string& what) {
        result.error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": " + what;
        return result;
    };
    while (pos <= source.size()) {
        std::size_t end = source.find('\n', pos);
        if (end == std::string_view::npos)
            end = source.size();
        ++lineNumber;
        std::string line(source.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == ';' || line[b] == '#')
            continue;
        std::size_t keyEnd = line.find_first_of(" \t", b);
        std::string key =
            line.substr(b, keyEnd == std::string::npos ? std::string::npos : keyEnd - b);
        std::string rest = keyEnd == std::string::npos ? "" : line.substr(keyEnd);
        if (key == "const_string") {
            std::size_t q1 = rest.find('"');
            std::size_t q2 = q1 == std::string::npos ? q1 : closingQuote(rest, q1);
            std::size_t after =
                q2 == std::string::npos ? q2 : rest.find_first_not_of(" \t", q2 + 1);
            if (q1 == std::string::npos || q2 == std::string::npos ||
                rest.find_first_not_of(" \t") != q1 ||
                (after != std::string::npos && rest[after] != ';' && rest[after] != '#'))
                return fail("'const_string' takes one double-quoted string");
            std::string bytes, error;
            if (!encodeStringLiteral(rest.substr(q1 + 1, q2 - q1 - 1), bytes, error))
                return fail(error);
            layout.constStrings.push_back(bytes);
            continue;
        }
        if (auto c = rest.find_first_of(";#"); c != std::string::npos)
            rest.resize(c);
        std::vector<std::int64_t> values;
        std::size_t i = 0;
        while (i < rest.size()) {
            std::size_t s = rest.find_first_not_of(" \t,", i);
            if (s == std::string::npos)
                break;
            std::size_t e = rest.find_first_of(" \t,", s);
            std::string word = rest.substr(s, e == std::string::npos ? std::string::npos : e - s);
            auto v = parseInteger(word);
            if (!v)
                return fail("'" + word + "' is not a number");
            values.push_back(*v);
            i = e == std::string::npos ? rest.size() : e;
        }
        if (key == "const_ints") {
            for (std::int64_t v : values)
                layout.constInts.push_back(static_cast<std::int32_t>(v));
            continue;
        }
        if (key == "const_flags") {
            for (std::int64_t v : values) {
                if (v != 0 && v != 1)
                    return fail("constant flags are 0 or 1");
                layout.constFlags.push_back(static_cast<std::uint8_t>(v));
            }
            continue;
        }
        std::uint32_t* count = key == "game_ints"      ? &layout.gameInts
                               : key == "game_flags"   ? &layout.gameFlags
                               : key == "game_strings" ? &layout.gameStrings
                               : key == "common_ints"  ? &layout.commonInts
                               : key == "common_flags" ? &layout.commonFlags
                                                       : nullptr;
        if (!count)
            return fail("unknown line '" + key +
                        "' (expected game_ints, game_flags, game_strings, common_ints, "
                        "common_flags, const_ints, const_flags or const_string)");
        if (values.size() != 1 || values[0] < 0 || values[0] > kMaxBankSize)
            return fail("'" + key + "' takes one count from 0 to " + std::to_string(kMaxBankSize));
        *count = static_cast<std::uint32_t>(values[0]);
    }
    result.ok = true;
    return result;
}

} // namespace vura::tools
