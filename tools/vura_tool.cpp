// vura-tool: the authors' tools for games played by vura.

#include "core/script_file.hpp"
#include "script_asm.hpp"

#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr std::string_view kHelp =
    "Usage: vura-tool COMMAND [arguments]\n"
    "\n"
    "Tools for making and checking games that vura plays.\n"
    "\n"
    "Commands:\n"
    "  asm SOURCE -o OUT.SQX       assemble a script\n"
    "  disasm FILE.SQX [-o OUT]    print a script as source that assembles to the same bytes\n"
    "  layout SOURCE -o NECEMEM.SQI  make the memory layout file\n"
    "\n"
    "Options:\n"
    "  --help       show this help (or a command's: vura-tool asm --help) and exit\n"
    "  --version    show the version and exit\n";

constexpr std::string_view kAsmHelp =
    "Usage: vura-tool asm SOURCE -o OUT.SQX\n"
    "\n"
    "Assembles a script. One instruction per line; ';' starts a comment; 'name:' labels the\n"
    "next instruction. An instruction is an opcode name (End, Add, Sub, Mul, Div, Mod, Neg,\n"
    "Compare, Jump, JumpIfTrue, JumpIfFalse, Assign, Pop, CallCommand, Return, LoadVar,\n"
    "PushRef, PushConst, Increment, Decrement, LineMarker) or 'Op N', and up to two operands:\n"
    "integers (decimal or 0x hexadecimal), labels, command names, or \"strings\" (stored in the\n"
    "constant pool; the operand is their offset). Strings are UTF-8 and stored as Shift-JIS;\n"
    "escapes: \\\\ \\\" \\xNN \\n (line break) \\w (wait for a click) \\p (new page), and\n"
    "{int:N} {str:N} {common:N} for the value of a game int, game string or common int.\n"
    "'call Name(arg, ...)' pushes its arguments (integers, true/false, strings, or gi[N],\n"
    "gf[N], gs[N], ci[N], cf[N], cs[N], cm[N] for variable references), then calls the\n"
    "command and pops its result. '.pool XX XX ...' appends raw bytes to the constant pool.\n";

constexpr std::string_view kDisasmHelp =
    "Usage: vura-tool disasm FILE.SQX [-o OUT]\n"
    "\n"
    "Prints the script as assembler source that assembles back to the same bytes.\n";

constexpr std::string_view kLayoutHelp =
    "Usage: vura-tool layout SOURCE -o NECEMEM.SQI\n"
    "\n"
    "Makes the memory layout file from lines:\n"
    "  game_ints N   game_flags N   game_strings N   common_ints N   common_flags N\n"
    "  const_ints V ...      (the constant ints' values; repeated lines append)\n"
    "  const_flags V ...     (0 or 1 each)\n"
    "  const_string \"text\"   (one constant string per line, in order)\n"
    "';' and '#' start comments.\n";

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    // Written beside the target and renamed over it, so a failed write never leaves half a file.
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

struct Arguments {
    std::string input;
    std::optional<std::string> output;
    bool help = false;
    std::string error;
};

Arguments parseArguments(const std::vector<std::string>& args) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            a.help = true;
        } else if (args[i] == "-o") {
            if (i + 1 >= args.size()) {
                a.error = "-o needs a file name";
                return a;
            }
            a.output = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            a.error = "unknown option '" + args[i] + "'";
            return a;
        } else if (a.input.empty()) {
            a.input = args[i];
        } else {
            a.error = "more than one input file";
            return a;
        }
    }
    if (!a.help && a.input.empty())
        a.error = "an input file is needed";
    return a;
}

int usage(const std::string& command, const std::string& error) {
    std::cerr << "vura-tool " << command << ": " << error << "\nTry 'vura-tool " << command
              << " --help'.\n";
    return kUsage;
}

int runAsm(const std::vector<std::string>& args) {
    Arguments a = parseArguments(args);
    if (a.help) {
        std::cout << kAsmHelp;
        return kOk;
    }
    if (a.error.empty() && !a.output)
        a.error = "-o OUT.SQX is needed";
    if (!a.error.empty())
        return usage("asm", a.error);
    std::string source;
    if (!readFile(a.input, source)) {
        std::cerr << "vura-tool asm: cannot read '" << a.input << "'\n";
        return kFailed;
    }
    vura::tools::AssembleResult r = vura::tools::assemble(source, a.input);
    if (!r.ok) {
        std::cerr << r.error << '\n';
        return kFailed;
    }
    std::vector<std::uint8_t> bytes = vura::serializeScriptImage(r.image);
    if (!writeFile(*a.output, std::string(bytes.begin(), bytes.end()))) {
        std::cerr << "vura-tool asm: cannot write '" << *a.output << "'\n";
        return kFailed;
    }
    return kOk;
}

int runDisasm(const std::vector<std::string>& args) {
    Arguments a = parseArguments(args);
    if (a.help) {
        std::cout << kDisasmHelp;
        return kOk;
    }
    if (!a.error.empty())
        return usage("disasm", a.error);
    std::string bytes;
    if (!readFile(a.input, bytes)) {
        std::cerr << "vura-tool disasm: cannot read '" << a.input << "'\n";
        return kFailed;
    }
    auto image = vura::parseScriptImage(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!image) {
        std::cerr << "vura-tool disasm: '" << a.input
                  << "' is not a script file (shorter than its header says)\n";
        return kFailed;
    }
    std::string text = vura::tools::disassemble(*image);
    if (a.output) {
        if (!writeFile(*a.output, text)) {
            std::cerr << "vura-tool disasm: cannot write '" << *a.output << "'\n";
            return kFailed;
        }
    } else {
        std::cout << text;
    }
    return kOk;
}

int runLayout(const std::vector<std::string>& args) {
    Arguments a = parseArguments(args);
    if (a.help) {
        std::cout << kLayoutHelp;
        return kOk;
    }
    if (a.error.empty() && !a.output)
        a.error = "-o NECEMEM.SQI is needed";
    if (!a.error.empty())
        return usage("layout", a.error);
    std::string source;
    if (!readFile(a.input, source)) {
        std::cerr << "vura-tool layout: cannot read '" << a.input << "'\n";
        return kFailed;
    }
    vura::tools::LayoutResult r = vura::tools::parseLayoutSource(source, a.input);
    if (!r.ok) {
        std::cerr << r.error << '\n';
        return kFailed;
    }
    std::vector<std::uint8_t> bytes = vura::serializeLayoutImage(r.layout);
    if (!writeFile(*a.output, std::string(bytes.begin(), bytes.end()))) {
        std::cerr << "vura-tool layout: cannot write '" << *a.output << "'\n";
        return kFailed;
    }
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kHelp;
        return kUsage;
    }
    std::string_view command = argv[1];
    std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return kOk;
    }
    if (command == "--version") {
        std::cout << "vura-tool " << VURA_VERSION << '\n';
        return kOk;
    }
    if (command == "asm")
        return runAsm(rest);
    if (command == "disasm")
        return runDisasm(rest);
    if (command == "layout")
        return runLayout(rest);
    std::cerr << "vura-tool: unknown command '" << command << "'\nTry 'vura-tool --help'.\n";
    return kUsage;
}
