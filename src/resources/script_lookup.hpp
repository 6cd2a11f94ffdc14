#pragma once
// Finding a script or the memory layout by name and installing it in the script machine. A
// script is looked for beside the game, then in the game's default pack, then in sqx/.

#include <string_view>

namespace vura {

class Engine;

// Finds name + ".SQX", reads it whole and installs it with pc 0. The script name becomes
// `nameSjis` whatever the outcome. Not found anywhere: "<name>.SQXが見つかりません" (caption
// "error"). A file that is empty, unreadable or shorter than its header claims fails without a
// message of its own; callers add theirs.
bool LoadSQX(Engine& engine, std::string_view nameSjis);

// Finds NECEMEM.SQI and installs it. Not found: "NECEMEM.SQIが見つかりません".
bool LoadNecemem(Engine& engine);

} // namespace vura
