#pragma once
// Where saves live and the common data file. The slots and SAVE__.OVS are written to one save
// directory, decided once at start-up: the game's own sav/ (in any letter case, made when
// missing), or, when the game's directory cannot be written, the user's data directory
// ($XDG_DATA_HOME/vura/<game>-<hash of its path>/sav/), reading what it lacks from the game's
// sav/; a directory given on the command line wins over both.

#include <filesystem>
#include <string>

namespace vura {

class Engine;

// Decides the save directory (and says it under --trace).
void ChooseSaveDirectory(Engine& engine, const std::filesystem::path& overrideDirectory);

// The file of that name in the save directory; for reading, the game's own copy when the save
// directory has none.
std::filesystem::path SlotPath(Engine& engine, const std::string& fileName, bool forReading);

// Reads SAVE__.OVS into the common variables; false (leaving them all 0) when it is missing or
// written for another layout. From then on the file may be written.
bool LoadCommonData(Engine& engine);

// Writes SAVE__.OVS without ever losing the old one; a failure shows "fail to save CommonData"
// (caption "error", no owner) and returns false. Nothing before start-up has read it.
bool SaveCommonData(Engine& engine);

} // namespace vura
