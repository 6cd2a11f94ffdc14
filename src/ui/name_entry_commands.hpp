#pragma once
// Command 78: the name dialog.

namespace vura {

class Engine;

namespace commands {

int NameEntryDialog(Engine& engine); // 78

} // namespace commands

} // namespace vura
