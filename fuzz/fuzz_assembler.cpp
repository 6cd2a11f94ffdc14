// Feeds arbitrary text to the assembler and the layout maker. Neither may crash; a program the
// assembler accepts must disassemble to text that assembles to the very same file.

#include "core/script_file.hpp"
#include "script_asm.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    vura::tools::AssembleResult first = vura::tools::assemble(text, "fuzz.asm");
    check(first.ok == first.error.empty());
    if (first.ok) {
        std::vector<std::uint8_t> file = vura::serializeScriptImage(first.image);
        vura::tools::AssembleResult again =
            vura::tools::assemble(vura::tools::disassemble(first.image), "again.asm");
        check(again.ok);
        check(vura::serializeScriptImage(again.image) == file);
    }

    vura::tools::LayoutResult layout = vura::tools::parseLayoutSource(text, "fuzz.txt");
    if (layout.ok) {
        std::vector<std::uint8_t> file = vura::serializeLayoutImage(layout.layout);
        auto back = vura::parseLayoutImage(file);
        check(back.has_value() && vura::serializeLayoutImage(*back) == file);
    }
    return 0;
}
