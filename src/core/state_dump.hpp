#pragma once
// The engine's state as JSON, for authors' checks: the engine state and phase, where the script
// machine stands, its variables and its stack. Strings are converted to UTF-8.

#include <filesystem>
#include <string>

namespace vura {

class Engine;

std::string stateDumpJson(const Engine& engine);
bool writeStateDump(const Engine& engine, const std::filesystem::path& file);

} // namespace vura
