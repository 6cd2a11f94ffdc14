#pragma once
// The clickable map commands: plain maps (68 to 71) and maps whose hotspots show a chip while
// hovered (107 to 110).

namespace vura {

class Engine;

namespace commands {

int ReadyToClickableMap(Engine& engine);     // 68
int ClearClickableMap(Engine& engine);       // 69
int ClickableMapWait(Engine& engine);        // 70
int SetClickableMapItem(Engine& engine);     // 71
int ReadyToChipClickableMap(Engine& engine); // 107
int ClearChipClickableMap(Engine& engine);   // 108
int ChipClickableMapWait(Engine& engine);    // 109
int SetChipClickableMapItem(Engine& engine); // 110

} // namespace commands

} // namespace vura
