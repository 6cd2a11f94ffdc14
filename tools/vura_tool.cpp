// vura-tool: the authors' tools for games played by vura.

#include "core/command_signatures.hpp"
#include "core/script_file.hpp"
#include "pack_tool.hpp"
#include "save_info.hpp"
#include "script_asm.hpp"

#include <filesystem>
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
    "  pack -o BASE [--index-key K] [--content-key K] FILE...\n"
    "                              pack files into the archive BASE and BASE.lst\n"
    "  list BASE                   list an archive's entries and the keys found\n"
    "  unpack BASE -d DIR          write every entry of an archive back as a file\n"
    "  commands                    list the script commands with their arguments and results\n"
    "  save-info FILE [--json] [--layout NECEMEM.SQI]\n"
    "                              show what a save slot or the common data file holds\n"
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
    "command and pops its result; it must pass as many arguments as the command takes (see\n"
    "'vura-tool commands'), with a count or voice marker written as a plain integer checked\n"
    "too. A call by number ('call 104(...)') and 'CallCommand N' are taken as written.\n"
    "'.pool XX XX ...' appends raw bytes to the constant pool.\n";

constexpr std::string_view kDisasmHelp =
    "Usage: vura-tool disasm FILE.SQX [-o OUT]\n"
    "\n"
    "Prints the script as assembler source that assembles back to the same bytes. Pushes\n"
    "followed by CallCommand and Pop are written as 'call Name(arg, ...)' when they fit the\n"
    "command's arguments.\n";

constexpr std::string_view kCommandsHelp =
    "Usage: vura-tool commands\n"
    "\n"
    "Prints every script command, one per line: its number, its name, its arguments in the\n"
    "order the script pushes them, and its result (int: the command pushes one Int; none:\n"
    "nothing). A kind may follow an argument's name: int (an Int or an int variable), flag (a\n"
    "Bool or a game flag), string(N) (read into a buffer of N bytes), ref (the game int that\n"
    "receives the answer), raw (used as its type says), count (how many arguments come before\n"
    "it); a name alone takes any integer. '{...}...' is a group repeated as often as the count\n"
    "says, '[name]' is pushed only when the voice marker is 3, and after '|' come the\n"
    "arguments used when the count is 1. Counted commands show the least count they take.\n";

constexpr std::string_view kLayoutHelp =
    "Usage: vura-tool layout SOURCE -o NECEMEM.SQI\n"
    "\n"
    "Makes the memory layout file from lines:\n"
    "  game_ints N   game_flags N   game_strings N   common_ints N   common_flags N\n"
    "  const_ints V ...      (the constant ints' values; repeated lines append)\n"
    "  const_flags V ...     (0 or 1 each)\n"
    "  const_string \"text\"   (one constant string per line, in order)\n"
    "';' and '#' start comments.\n";

constexpr std::string_view kPackHelp =
    "Usage: vura-tool pack -o BASE [--index-key K] [--content-key K] FILE...\n"
    "\n"
    "Writes the archive BASE (the data) and BASE.lst (the index). Each file's type comes from\n"
    "its extension: .SQX and .SQI (scripts and the layout, type 1), .BMP (2), .PNG (3), .WAV\n"
    "(4), .OGG (5), in any case; its entry name is the file name without the extension, upper\n"
    "case, in Shift-JIS (NECEMEM.SQI becomes the script entry NECEMEM). The index is scrambled\n"
    "with the index key, scripts and the layout with the content key; the keys default to\n"
    "0x76 and 0x9B, and the engine also reads archives made with other keys.\n";

constexpr std::string_view kListHelp =
    "Usage: vura-tool list BASE\n"
    "\n"
    "Prints each entry of the archive BASE (name, type, offset, size) and the keys found.\n";

constexpr std::string_view kUnpackHelp =
    "Usage: vura-tool unpack BASE -d DIR\n"
    "\n"
    "Writes every entry of the archive BASE into DIR as a file with its type's extension;\n"
    "scripts and the layout are descrambled.\n";

constexpr std::string_view kSaveInfoHelp =
    "Usage: vura-tool save-info FILE [--json] [--layout NECEMEM.SQI]\n"
    "\n"
    "Shows what a save file holds. For a slot (SAVEnn.DAT): the thumbnail's and the state's\n"
    "sizes, the title and date shown on the save screen, the script and position it resumes\n"
    "at, the command it was waiting in, and how many records of each kind it keeps. For the\n"
    "common data file (SAVE__.OVS): each common int and flag with its key; the counts come\n"
    "from the memory layout, given with --layout or found as NECEMEM.SQI in the save\n"
    "directory's parent (the game's folder). --json prints the same as one JSON object.\n";

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

int runCommands(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << kCommandsHelp;
            return kOk;
        }
        return usage("commands", "unexpected argument '" + a + "'");
    }
    for (const vura::CommandSignature& c : vura::kCommandSignatures) {
        // The unused numbers share one line.
        bool dummy = c.name == "Dummy";
        if (dummy && c.number > 0 && vura::commandName(c.number - 1) == "Dummy")
            continue;
        int last = c.number;
        while (dummy && vura::commandName(last + 1) == "Dummy")
            ++last;
        std::string number = std::to_string(c.number);
        if (last != c.number)
            number += "-" + std::to_string(last);
        std::cout << std::string(number.size() < 3 ? 3 - number.size() : 0, ' ') << number << "  "
                  << c.name << "(" << vura::describeArguments(c) << ") -> "
                  << (c.result == vura::ResultKind::Int ? "int" : "none");
        if (c.minimumCount > 0)
            std::cout << "  (count at least " << c.minimumCount << ")";
        std::cout << '\n';
    }
    return kOk;
}

bool parseKey(const std::string& text, std::uint8_t& key) {
    try {
        std::size_t used = 0;
        unsigned long v = std::stoul(text, &used, 0);
        if (used != text.size() || v > 255)
            return false;
        key = static_cast<std::uint8_t>(v);
        return true;
    } catch (...) {
        return false;
    }
}

int runPack(const std::vector<std::string>& args) {
    std::optional<std::string> output;
    std::uint8_t indexKey = vura::kPackIndexKey, contentKey = vura::kPackContentKey;
    std::vector<std::filesystem::path> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kPackHelp;
            return kOk;
        }
        bool hasValue = i + 1 < args.size();
        if (a == "-o") {
            if (!hasValue)
                return usage("pack", "-o needs the archive's base path");
            output = args[++i];
        } else if (a == "--index-key" || a == "--content-key") {
            if (!hasValue || !parseKey(args[i + 1], a == "--index-key" ? indexKey : contentKey))
                return usage("pack", a + " needs a byte, 0 to 255 (decimal or 0x hexadecimal)");
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage("pack", "unknown option '" + a + "'");
        } else {
            files.emplace_back(a);
        }
    }
    if (!output)
        return usage("pack", "-o BASE is needed");
    if (files.empty())
        return usage("pack", "no files to pack");
    std::string error;
    if (!vura::tools::writePack(files, *output, indexKey, contentKey, error)) {
        std::cerr << "vura-tool pack: " << error << '\n';
        return kFailed;
    }
    return kOk;
}

int runList(const std::vector<std::string>& args) {
    Arguments a = parseArguments(args);
    if (a.help) {
        std::cout << kListHelp;
        return kOk;
    }
    if (!a.error.empty())
        return usage("list", a.error);
    std::string out, error;
    if (!vura::tools::describePack(a.input, out, error)) {
        std::cerr << "vura-tool list: " << error << '\n';
        return kFailed;
    }
    std::cout << out;
    return kOk;
}

int runUnpack(const std::vector<std::string>& args) {
    std::string base;
    std::optional<std::string> directory;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kUnpackHelp;
            return kOk;
        }
        if (args[i] == "-d") {
            if (i + 1 >= args.size())
                return usage("unpack", "-d needs a directory");
            directory = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage("unpack", "unknown option '" + args[i] + "'");
        } else if (base.empty()) {
            base = args[i];
        } else {
            return usage("unpack", "more than one archive");
        }
    }
    if (base.empty() || !directory)
        return usage("unpack", "an archive and -d DIR are needed");
    std::vector<std::filesystem::path> written;
    std::string error;
    if (!vura::tools::unpackPack(base, *directory, written, error)) {
        std::cerr << "vura-tool unpack: " << error << '\n';
        return kFailed;
    }
    std::cout << written.size() << " files written to " << *directory << '\n';
    return kOk;
}

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

int runSaveInfo(const std::vector<std::string>& args) {
    std::string file;
    std::optional<std::string> layoutPath;
    bool json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kSaveInfoHelp;
            return kOk;
        }
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--layout") {
            if (i + 1 >= args.size())
                return usage("save-info", "--layout needs the NECEMEM.SQI file");
            layoutPath = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage("save-info", "unknown option '" + args[i] + "'");
        } else if (file.empty()) {
            file = args[i];
        } else {
            return usage("save-info", "more than one file");
        }
    }
    if (file.empty())
        return usage("save-info", "a save file is needed");
    std::string bytes, out;
    if (!readFile(file, bytes)) {
        std::cerr << "vura-tool save-info: cannot read '" << file << "'\n";
        return kFailed;
    }
    std::filesystem::path path(file);
    std::string name = path.filename().string();
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool ok = false;
    if (name == "SAVE__.OVS") {
        if (!layoutPath)
            layoutPath =
                (std::filesystem::absolute(path).parent_path().parent_path() / "NECEMEM.SQI")
                    .string();
        std::string layoutBytes;
        std::optional<vura::LayoutImage> layout;
        if (readFile(*layoutPath, layoutBytes))
            layout = vura::parseLayoutImage(bytesOf(layoutBytes));
        if (!layout) {
            std::cerr << "vura-tool save-info: cannot read the memory layout '" << *layoutPath
                      << "' (the common data's size depends on it; give it with --layout)\n";
            return kFailed;
        }
        ok = vura::tools::describeCommonData(bytesOf(bytes), layout->commonInts,
                                             layout->commonFlags, json, out);
    } else {
        ok = vura::tools::describeSlotFile(bytesOf(bytes), json, out);
    }
    if (!ok) {
        std::cerr << "vura-tool save-info: '" << file << "' is " << out << '\n';
        return kFailed;
    }
    std::cout << out;
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
    if (command == "pack")
        return runPack(rest);
    if (command == "list")
        return runList(rest);
    if (command == "unpack")
        return runUnpack(rest);
    if (command == "commands")
        return runCommands(rest);
    if (command == "save-info")
        return runSaveInfo(rest);
    std::cerr << "vura-tool: unknown command '" << command << "'\nTry 'vura-tool --help'.\n";
    return kUsage;
}
