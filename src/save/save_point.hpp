#pragma once
// The save point: the state a save made from a menu brings back, taken when a system button
// fires, when the right-click screen opens, and by commands 91 and 117.

namespace vura {

class Engine;

// Keeps the script machine, the system buttons and a thumbnail of the screen as they stand.
void TakeSavePoint(Engine& engine);

} // namespace vura
