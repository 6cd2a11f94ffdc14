// Feeds arbitrary bytes to the script and layout file parsers. An accepted script must come
// back byte for byte through the disassembler and the assembler; an accepted layout must
// serialize to the bytes it was read from.

#include "core/script_file.hpp"
#include "script_asm.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);

    if (auto script = vura::parseScriptImage(bytes)) {
        std::vector<std::uint8_t> file = vura::serializeScriptImage(*script);
        check(file.size() <= size && std::equal(file.begin(), file.end(), data));
        vura::tools::AssembleResult again =
            vura::tools::assemble(vura::tools::disassemble(*script), "fuzz.asm");
        check(again.ok);
        check(vura::serializeScriptImage(again.image) == file);
    }

    if (auto layout = vura::parseLayoutImage(bytes)) {
        std::vector<std::uint8_t> file = vura::serializeLayoutImage(*layout);
        check(file.size() <= size && std::equal(file.begin(), file.end(), data));
    }
    return 0;
}
