#pragma once
// Command 79: a choice menu written into a message window; the player's pick goes to a game int.

namespace vura {

class Engine;

namespace commands {
int ChoiceMenuReady(Engine& engine); // 79
} // namespace commands

} // namespace vura
