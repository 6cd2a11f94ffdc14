#pragma once
// The system-button commands (54 to 59) and the end of the right-click screen (85).

namespace vura {

class Engine;

namespace commands {

int InitSystemButtons(Engine& engine);      // 54
int SetSystemButtonLayer(Engine& engine);   // 55
int SetSystemButtonEnabled(Engine& engine); // 56
int SetSystemButtonShown(Engine& engine);   // 57
int SetSystemButton(Engine& engine);        // 58
int SetSystemButtonSound(Engine& engine);   // 59
int CloseRClickScreen(Engine& engine);      // 85

} // namespace commands

} // namespace vura
