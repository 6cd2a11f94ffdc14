#pragma once
// The message history viewer's commands (80 to 84).

namespace vura {

class Engine;

// Draws the history at the viewer's scroll offset: the backdrop, the panel, the pages newest at
// the bottom with their voice icons, the live system buttons; then shows the whole screen.
void DrawHistory(Engine& engine);

namespace commands {

int SetHistoryLayout(Engine& engine);     // 80
int SetHistoryVoiceIcon(Engine& engine);  // 81
int ShowMessageHistory(Engine& engine);   // 82
int ScrollHistoryBack(Engine& engine);    // 83
int ScrollHistoryForward(Engine& engine); // 84

} // namespace commands

} // namespace vura
