#pragma once
// What start-up learns about the program and the machine: the game's directory (the program
// directory of the original engine), the base name packs are named after, and whether the
// processor has the vector instructions the pixel code needs.

#include <filesystem>
#include <functional>
#include <string>

namespace vura {

struct SystemInfo {
    std::filesystem::path programDirectory; // absolute, ends with a separator
    std::string baseName;
    bool hasVectorUnit = false;
};

// On x86 the pixel code needs MMX and SSE2, which every x86-64 processor has; other processors
// run the portable code, so they always pass.
bool processorHasVectorUnit();

} // namespace vura
