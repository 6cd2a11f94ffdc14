#pragma once
// The save/load screen's commands (97 to 100) and reading a slot file's header for it.

namespace vura {

class Engine;

// Reads the slot file of an entry into it: thumbnail, title, date. An entry with no file shows
// "－ＮｏＤａｔａ－" and "--/-- --:--" and is selectable when empty slots are. A file that cannot
// be read shows its message and is shown as empty but selectable, so it can be saved over.
void SetSaveInfoOne(Engine& engine, int entry);

namespace commands {

int ReadyToSaveLoadClickableMap(Engine& engine);      // 97
int ClearSaveLoadMap(Engine& engine);                 // 98
int SaveLoadMapWait(Engine& engine);                  // 99
int ResetSaveLoadClickableMapsChoise(Engine& engine); // 100

} // namespace commands

} // namespace vura
