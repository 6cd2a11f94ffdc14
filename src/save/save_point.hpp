#pragma once
// The engine's side of saves: the save point, the snapshot built from the engine and put back
// into it, and the pictures and sounds a restored state loads again by name.

#include "save/snapshot.hpp"

namespace vura {

class Engine;

// Keeps the script machine, the system buttons and a thumbnail of the screen as they stand:
// taken when a system button fires, when the right-click screen opens, and by commands 91 and
// 117, so that a save made from a menu brings the player back to where the menu was opened.
void TakeSavePoint(Engine& engine);

// The snapshot a save writes: the script machine and buttons of the last save point, everything
// else as it stands; the header's title and date.
Snapshot BuildSnapshot(Engine& engine);

// Puts a snapshot back: the registers, the main layer set's tables, the channels, the machine
// and the game's banks, the windows and their pages, the log, the buttons, the main map, the
// choice menu and the animations. Pictures and sounds are not loaded here.
void RestoreSnapshot(Engine& engine, const Snapshot& snapshot);

// Loads the picture of every layer, mask and shown entry of the main layer set that has a name;
// each failure shows "画像読み込みに失敗 in <operation>()" and the rest go on.
void ReloadPictures(Engine& engine, const char* operation);

} // namespace vura
