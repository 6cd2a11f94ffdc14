// vura-tool: the authors' tools for games played by vura.

#include <iostream>
#include <string_view>

namespace {

constexpr std::string_view kHelp =
    "Usage: vura-tool COMMAND [arguments]\n"
    "\n"
    "Tools for making and checking games that vura plays.\n"
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Commands arrive with the script, pack and picture tools; none is built yet.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kHelp;
        return 2;
    }
    std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return 0;
    }
    if (command == "--version") {
        std::cout << "vura-tool " << VURA_VERSION << '\n';
        return 0;
    }
    std::cerr << "vura-tool: unknown command '" << command << "'\nTry 'vura-tool --help'.\n";
    return 2;
}
