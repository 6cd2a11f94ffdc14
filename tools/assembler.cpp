// The assembler: readable source to a script image, in two passes (labels, then instructions).

#include "asm_syntax.hpp"
#include "base/byte_order.hpp"
#include "core/command_signatures.hpp"
#include "core/script_vm.hpp"
#include "script_asm.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

namespace vura::tools {

namespace {

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

// The arguments of a call split at commas outside strings, each with the column it starts at.
std::vector<std::pair<std::string, int>> splitArguments(const std::string& args, int column) {
    std::vector<std::pair<std::string, int>> parts;
    std::string current;
    int start = column;
    bool inString = false;
    for (std::size_t i = 0; i <= args.size(); ++i) {
        if (i == args.size() || (!inString && args[i] == ',')) {
            parts.push_back({current, start});
            current.clear();
            start = column + static_cast<int>(i) + 1;
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
    return parts;
}

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
        std::vector<std::pair<std::string, int>> parts = splitArguments(args, argsColumn);
        if (parts.size() == 1 && parts[0].first.find_first_not_of(" \t") == std::string::npos)
            parts.clear();
        for (auto& [text, column] : parts) {
            std::size_t b = text.find_first_not_of(" \t");
            std::size_t e = text.find_last_not_of(" \t");
            if (b == std::string::npos)
                return fail(column, "empty argument");
            column += static_cast<int>(b);
            text = text.substr(b, e - b + 1);
            if (!pushArgument(text, column))
                return false;
        }
        // A call by name must fit the command's row; a call by number is taken as written, for
        // the scripts that must push something unusual (an engine's own error handling, say).
        if (operands[0].kind != Token::Kind::Number &&
            !checkCall(command, parts, operands[0].column))
            return false;
        emit(kCallCommand, command, 0);
        emit(kPop, 0, 0);
        return true;
    }

    // The number of arguments against the command's row; the last two are read as numbers when
    // they are written as plain integers (a count, a voice marker).
    bool checkCall(int command, const std::vector<std::pair<std::string, int>>& args, int column) {
        if (command < 0 || command >= kCommandCount)
            return true;
        auto literal = [&](std::size_t fromEnd) -> std::optional<std::int32_t> {
            if (args.size() < fromEnd)
                return std::nullopt;
            auto n = parseInteger(args[args.size() - fromEnd].first);
            return n ? std::optional(static_cast<std::int32_t>(*n)) : std::nullopt;
        };
        std::string wrong =
            checkCallArguments(kCommandSignatures[static_cast<std::size_t>(command)],
                               static_cast<int>(args.size()), literal(1), literal(2));
        return wrong.empty() || fail(column, wrong);
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
        auto open = arg.find('[');
        if (open != std::string::npos && arg.back() == ']') {
            auto kind = referenceKind(std::string_view(arg).substr(0, open));
            auto index = parseInteger(arg.substr(open + 1, arg.size() - open - 2));
            if (kind && index) {
                emit(kPushRef, static_cast<std::int32_t>(*index), *kind);
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

} // namespace

AssembleResult assemble(std::string_view source, std::string_view fileName) {
    return Assembler(source, fileName).run();
}

} // namespace vura::tools
