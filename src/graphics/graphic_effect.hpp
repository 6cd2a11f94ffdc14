#pragma once
// Command 26: showing what the layer commands prepared, at once or through one of six
// transitions that the tick then advances step by step.

namespace vura {

class Engine;

namespace commands {
int StartupGraphicEffect(Engine& engine); // 26
} // namespace commands

} // namespace vura
